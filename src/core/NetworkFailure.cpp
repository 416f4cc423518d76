#include "core/NetworkFailure.h"

#include <QNetworkReply>

namespace NetworkFailure {

QString describe(QNetworkReply *reply, const QString &server)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400)
        return QStringLiteral("%1返回错误（HTTP %2）。").arg(server).arg(status.toInt());
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return QString();
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("无法连接%1（连接被拒绝）。").arg(server);
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到%1，请检查网络连接。").arg(server);
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        // The transfer time-out ends a request this way; nothing else aborts one.
        return QStringLiteral("连接%1超时。").arg(server);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("%1中断了连接。").arg(server);
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return QStringLiteral("无法连接%1，请检查网络连接。").arg(server);
    default:
        return QStringLiteral("与%1通信失败：%2").arg(server, reply->errorString());
    }
}

} // namespace NetworkFailure
