#include "core/NetworkFailure.h"

#include <QNetworkReply>
#include <QTimer>

namespace NetworkFailure {

namespace {

const char *const kCause = "tolvane-abort-cause";
const QByteArray kTooLarge = QByteArrayLiteral("too-large");
const QByteArray kTimedOut = QByteArrayLiteral("timed-out");

void abortFor(QNetworkReply *reply, const QByteArray &cause)
{
    if (reply->isFinished() || reply->property(kCause).isValid())
        return;
    reply->setProperty(kCause, cause);
    reply->abort();
}

} // namespace

void bound(QNetworkReply *reply, int wallMs, qint64 maxBytes)
{
    if (wallMs > 0) {
        auto *deadline = new QTimer(reply);
        deadline->setObjectName(kDeadlineName);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, reply, [reply] { abortFor(reply, kTimedOut); });
        deadline->start(wallMs);
    }
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes)
            abortFor(reply, kTooLarge);
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes)
            abortFor(reply, kTooLarge);
    });
}

QString describe(QNetworkReply *reply, const QString &server)
{
    const QByteArray cause = reply->property(kCause).toByteArray();
    if (cause == kTooLarge)
        return QStringLiteral("应答过大：%1的应答超过 %2 MB。").arg(server).arg(kMaxAnswerBytes >> 20);
    if (cause == kTimedOut)
        return QStringLiteral("连接超时：%1没有在限定的时间内答完。").arg(server);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400)
        return QStringLiteral("%1返回错误（HTTP %2）。").arg(server).arg(status.toInt());
    // "No content" is no answer: an empty state would pass for one.
    if (status.isValid() && (status.toInt() == 204 || status.toInt() == 205) &&
        reply->error() == QNetworkReply::NoError)
        return QStringLiteral("%1没有返回任何内容，请稍后再试。").arg(server);
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
        return QStringLiteral("连接超时：%1没有及时应答。").arg(server);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("%1中断了连接。").arg(server);
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return QStringLiteral("无法连接%1，请检查网络连接。").arg(server);
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("重定向次数过多：%1的地址不停地跳转，可能是重定向循环。").arg(server);
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("重定向不安全：%1把请求转到了不安全的地址。").arg(server);
    case QNetworkReply::UnknownContentError:
        // Qt refuses compressed answers that inflate out of all proportion this way.
        if (reply->errorString().contains(QLatin1String("ecompress")))
            return QStringLiteral("应答无法解压：%1的压缩应答解压后过大或已损坏。").arg(server);
        return QStringLiteral("%1的应答无法读取：%2").arg(server, reply->errorString());
    default:
        return QStringLiteral("与%1通信失败：%2").arg(server, reply->errorString());
    }
}

} // namespace NetworkFailure
