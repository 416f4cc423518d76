#include "services/ServiceCall.h"

#include "core/NetworkFailure.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

QNetworkReply *SendServiceCall(QNetworkAccessManager &network, const HttpCall &call, int timeoutMs)
{
    QNetworkRequest request(call.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    for (const auto &[name, value] : call.headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply =
        call.method == "GET" ? network.get(request) : network.sendCustomRequest(request, call.method, call.body);
    NetworkFailure::bound(reply, timeoutMs);
    return reply;
}

HttpAnswer ServiceAnswerOf(QNetworkReply *reply, ServiceId service)
{
    const QString server = QStringLiteral("服务器");
    HttpAnswer answer;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    const bool transport =
        !status.isValid() || (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied);
    if (service == ServiceId::Classic || transport) {
        answer.networkError = NetworkFailure::describe(reply, server);
        if (answer.networkError.isEmpty() && service != ServiceId::Classic)
            answer.networkError = QStringLiteral("%1没有应答。").arg(server);
        if (!answer.networkError.isEmpty())
            return answer;
    }
    answer.status = status.toInt();
    answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    answer.body = reply->readAll();
    for (const QNetworkReply::RawHeaderPair &header : reply->rawHeaderPairs())
        answer.headers.push_back(header);
    return answer;
}
