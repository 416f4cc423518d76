#include "services/Track17Protocol.h"

#include "core/Endpoints.h"
#include "services/ProtocolSupport.h"
#include "services/ServiceStatus.h"
#include "services/WaybillStatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace ProtocolSupport;

namespace {

const QString kName = QStringLiteral("17TRACK");
constexpr int kAlreadyRegistered = -18019901;
constexpr int kNotRegistered = -18019902;

HttpCall post(const char *path, const QByteArray &body, const Credentials &account)
{
    HttpCall call;
    call.url = QUrl(Endpoints::current().track17Service + QStringLiteral("/track/v2.2/") + QLatin1String(path));
    call.headers << qMakePair(QByteArray("17token"), account.key.toUtf8())
                 << qMakePair(QByteArray("Content-Type"), QByteArray("application/json"));
    call.body = body;
    return call;
}

// A failure of the whole request (data.errors), or of one number (rejected).
TrackResult failureOf(const TrackJob &job, int code, const QString &message)
{
    switch (code) {
    case -18010001:
    case -18010002:
    case -18010004:
    case -18010005:
        return fail(job, TrackFailure::Auth, QStringLiteral("17TRACK：密钥无效或无权访问，请检查 17token"));
    case kNotRegistered:
        return fail(job, TrackFailure::NotRegistered, QStringLiteral("17TRACK：单号尚未登记"));
    case -18019903:
    case -18019910:
        return fail(job, TrackFailure::CarrierUnsupported, QStringLiteral("17TRACK 无法识别该快递公司"));
    case -18019907:
        return fail(job, TrackFailure::Quota, QStringLiteral("17TRACK：今日请求次数已用完"));
    case -18019908:
        return fail(job, TrackFailure::Quota, QStringLiteral("17TRACK：单号额度已用完"));
    case -18019909:
        return fail(job, TrackFailure::Pending, QStringLiteral("17TRACK：单号已登记，暂无物流信息"));
    default:
        return fail(job, TrackFailure::Service,
                    QStringLiteral("17TRACK：服务出错（%1）").arg(message.isEmpty() ? QString::number(code) : message));
    }
}

QString timeOf(const QString &iso)
{
    // "2026-12-01T10:00:00+08:00": the carrier's local time, as the others give it.
    return iso.left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
}

TrackResult trackOf(const TrackJob &job, const QJsonObject &entry)
{
    const QJsonObject info = entry.value(QStringLiteral("track_info")).toObject();
    if (info.isEmpty())
        return fail(job, TrackFailure::Pending, QStringLiteral("17TRACK：单号已登记，暂无物流信息"));
    const QJsonObject latest = info.value(QStringLiteral("latest_status")).toObject();
    const QString main = latest.value(QStringLiteral("status")).toString();
    if (main == QLatin1String("NotFound"))
        return fail(job, TrackFailure::NumberUnknown, QStringLiteral("17TRACK：查无此单号的物流信息"));
    TrackResult r;
    r.number = job.number;
    r.carrier = job.carrier;
    const QJsonArray providers =
        info.value(QStringLiteral("tracking")).toObject().value(QStringLiteral("providers")).toArray();
    for (const auto &v : providers.first().toObject().value(QStringLiteral("events")).toArray()) {
        const QJsonObject e = v.toObject();
        r.trace << TraceEvent{timeOf(e.value(QStringLiteral("time_iso")).toString()),
                              e.value(QStringLiteral("location")).toString(),
                              e.value(QStringLiteral("description")).toString()};
    }
    if (r.trace.isEmpty()) {
        const QJsonObject e = info.value(QStringLiteral("latest_event")).toObject();
        if (!e.isEmpty())
            r.trace << TraceEvent{timeOf(e.value(QStringLiteral("time_iso")).toString()),
                                  e.value(QStringLiteral("location")).toString(),
                                  e.value(QStringLiteral("description")).toString()};
    }
    r.newest = r.trace.isEmpty() ? QString() : r.trace.first().text;
    r.status = ServiceStatus::track17(latest.value(QStringLiteral("sub_status")).toString());
    if (r.status.isEmpty())
        r.status = ServiceStatus::track17(main);
    if (r.status.isEmpty())
        r.status = WaybillStatus::of(r.newest);
    // 17TRACK has no status for a redirected parcel: its plain "in transit"
    // takes what the newest line says of a redirection.
    if (r.status == WaybillStatus::kInTransit && WaybillStatus::of(r.newest) == WaybillStatus::kRedirected)
        r.status = WaybillStatus::kRedirected;
    return r;
}

TrackResult registered(const TrackJob &job)
{
    TrackResult r;
    r.number = job.number;
    r.carrier = job.carrier;
    return r;
}

const QJsonObject *find(const QVector<QJsonObject> &entries, const QString &number)
{
    for (const QJsonObject &e : entries)
        if (e.value(QStringLiteral("number")).toString().compare(number, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

// One result per job from an accepted/rejected answer; `accepted` turns an
// accepted entry into a result.
template <typename Accepted>
QVector<TrackResult> perNumber(const QVector<TrackJob> &batch, const HttpAnswer &answer, Accepted accepted,
                               bool registering)
{
    const Body body = read(answer, kName);
    if (!body.ok())
        return failAll(batch, body.failure, body.text);
    const QJsonObject data = body.json.value(QStringLiteral("data")).toObject();
    if (!data.contains(QStringLiteral("accepted")) && !data.contains(QStringLiteral("rejected"))) {
        if (intField(body.json.value(QStringLiteral("code"))) == 0 || !body.json.contains(QStringLiteral("code")))
            return failAll(batch, TrackFailure::BadAnswer, QStringLiteral("17TRACK：返回内容无法识别"));
        const QJsonObject error = data.value(QStringLiteral("errors")).toArray().first().toObject();
        const int code = error.contains(QStringLiteral("code")) ? intField(error.value(QStringLiteral("code")))
                                                                : intField(body.json.value(QStringLiteral("code")));
        QVector<TrackResult> out;
        for (const TrackJob &job : batch)
            out << failureOf(job, code, error.value(QStringLiteral("message")).toString());
        return out;
    }
    QVector<QJsonObject> acceptedEntries, rejectedEntries;
    for (const auto &v : data.value(QStringLiteral("accepted")).toArray())
        acceptedEntries << v.toObject();
    for (const auto &v : data.value(QStringLiteral("rejected")).toArray())
        rejectedEntries << v.toObject();
    QVector<TrackResult> out;
    for (const TrackJob &job : batch) {
        if (const QJsonObject *e = find(acceptedEntries, job.number)) {
            out << accepted(job, *e);
        } else if (const QJsonObject *e = find(rejectedEntries, job.number)) {
            const QJsonObject error = e->value(QStringLiteral("error")).toObject();
            const int code = intField(error.value(QStringLiteral("code")));
            if (registering && code == kAlreadyRegistered)
                out << registered(job);
            else
                out << failureOf(job, code, error.value(QStringLiteral("message")).toString());
        } else {
            out << fail(job, TrackFailure::BadAnswer, QStringLiteral("17TRACK：返回结果缺少该单号"));
        }
    }
    return out;
}

const QString kSfExpressKey = QStringLiteral("100012");

class Track17Protocol final : public TrackingProtocol {
public:
    ServiceId id() const override { return ServiceId::Track17; }

    ServiceLimits limits() const override
    {
        ServiceLimits l;
        l.batchSize = 40;
        l.maxInFlight = 1;
        l.minIntervalMs = 334; // 3 requests a second
        return l;
    }

    QString carrierCode(const Carrier &carrier) const override { return carrier.track17Code; }
    // A carrier without a key is left to 17TRACK's own detection.
    bool knowsCarrier(const Carrier &) const override { return true; }
    // 顺丰 is tracked only with the last four digits of a telephone, as `param`.
    bool needsPhoneDigits(const Carrier &carrier) const override { return carrier.track17Code == kSfExpressKey; }

    HttpCall request(const QVector<TrackJob> &batch, const Credentials &account) const override
    {
        return post("gettrackinfo", numbers(batch), account);
    }

    QVector<TrackResult> parse(const QVector<TrackJob> &batch, const HttpAnswer &answer) const override
    {
        return perNumber(batch, answer, trackOf, false);
    }

    std::optional<HttpCall> registration(const QVector<TrackJob> &batch, const Credentials &account) const override
    {
        return post("register", numbers(batch), account);
    }

    QVector<TrackResult> parseRegistration(const QVector<TrackJob> &batch, const HttpAnswer &answer) const override
    {
        return perNumber(
            batch, answer, [](const TrackJob &job, const QJsonObject &) { return registered(job); }, true);
    }

    HttpCall probe(const Credentials &account) const override { return post("getquota", "{}", account); }

    ProbeResult parseProbe(const HttpAnswer &answer) const override
    {
        const TrackJob none;
        const TrackResult r = perNumber({none}, answer, trackOf, false).first();
        ProbeResult p;
        const Body body = read(answer, kName);
        if (body.ok() && intField(body.json.value(QStringLiteral("code"))) == 0) {
            const QJsonObject data = body.json.value(QStringLiteral("data")).toObject();
            p.ok = true;
            p.remaining = intField(data.value(QStringLiteral("quota_remain")));
            p.text = p.remaining < 0 ? QStringLiteral("密钥有效")
                                     : QStringLiteral("密钥有效，剩余额度 %1 个单号").arg(p.remaining);
            return p;
        }
        // An answer without its code, whatever else it holds, is not a key check's.
        p.text = r.ok() || r.failureText.isEmpty() ? QStringLiteral("17TRACK：返回内容无法识别") : r.failureText;
        return p;
    }

private:
    QByteArray numbers(const QVector<TrackJob> &batch) const
    {
        QJsonArray list;
        for (const TrackJob &job : batch) {
            QJsonObject item{{QStringLiteral("number"), job.number}};
            const Carrier *carrier = FindCarrierByName(job.carrier);
            // No key: 17TRACK detects the carrier from the number itself.
            if (carrier && !carrierCode(*carrier).isEmpty())
                item.insert(QStringLiteral("carrier"), carrierCode(*carrier).toInt());
            if (!job.phoneDigits.isEmpty())
                item.insert(QStringLiteral("param"), job.phoneDigits);
            list << item;
        }
        return QJsonDocument(list).toJson(QJsonDocument::Compact);
    }
};

} // namespace

std::unique_ptr<TrackingProtocol> MakeTrack17Protocol()
{
    return std::make_unique<Track17Protocol>();
}
