#include "services/ProtocolSupport.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QUrl>

namespace ProtocolSupport {

TrackResult fail(const TrackJob &job, TrackFailure failure, const QString &text)
{
    TrackResult r;
    r.number = job.number;
    r.carrier = job.carrier;
    r.failure = failure;
    r.failureText = text;
    return r;
}

QVector<TrackResult> failAll(const QVector<TrackJob> &batch, TrackFailure failure, const QString &text)
{
    QVector<TrackResult> out;
    out.reserve(batch.size());
    for (const TrackJob &job : batch)
        out << fail(job, failure, text);
    return out;
}

static bool looksLikeHtml(const HttpAnswer &answer)
{
    if (answer.contentType.toLower().contains("html"))
        return true;
    const QByteArray head = answer.body.left(256).trimmed().toLower();
    return head.startsWith("<!doctype") || head.startsWith("<html");
}

Body read(const HttpAnswer &answer, const QString &service)
{
    Body b;
    if (!answer.networkError.isEmpty()) {
        b.failure = TrackFailure::Network;
        b.text = QStringLiteral("%1：%2").arg(service, answer.networkError);
        return b;
    }
    if (answer.status == 429) {
        b.failure = TrackFailure::RateLimited;
        b.text = QStringLiteral("%1：请求过于频繁").arg(service);
        return b;
    }
    if (answer.status < 200 || answer.status > 299) {
        b.failure = TrackFailure::BadAnswer;
        b.text = QStringLiteral("%1：服务返回 HTTP %2").arg(service).arg(answer.status);
        return b;
    }
    if (looksLikeHtml(answer)) {
        b.failure = TrackFailure::BadAnswer;
        b.text = QStringLiteral("%1：返回了网页而不是查询结果").arg(service);
        return b;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(answer.body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        b.failure = TrackFailure::BadAnswer;
        b.text = QStringLiteral("%1：返回内容无法识别").arg(service);
        return b;
    }
    b.json = doc.object();
    return b;
}

QByteArray md5Hex(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex();
}

int intField(const QJsonValue &value)
{
    if (value.isDouble())
        return value.toInt(-1);
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return ok ? n : -1;
}

QByteArray formField(const char *name, const QByteArray &value)
{
    return QByteArray(name) + '=' + QUrl::toPercentEncoding(QString::fromUtf8(value));
}

ProbeResult probeFromQuery(const TrackResult &result)
{
    ProbeResult p;
    switch (result.failure) {
    case TrackFailure::None:
    case TrackFailure::NumberUnknown:
    case TrackFailure::Pending:
    case TrackFailure::PhoneNeeded:
    case TrackFailure::CarrierUnsupported:
        p.ok = true;
        p.text = QStringLiteral("密钥有效");
        break;
    default:
        p.text = result.failureText;
        break;
    }
    return p;
}

} // namespace ProtocolSupport
