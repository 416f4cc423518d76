#include "services/Kuaidi100Protocol.h"

#include "core/Endpoints.h"
#include "services/ProtocolSupport.h"
#include "services/ServiceStatus.h"
#include "services/WaybillStatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace ProtocolSupport;

namespace Kuaidi100 {

QByteArray sign(const QString &param, const QString &key, const QString &customer)
{
    return md5Hex(param + key + customer).toUpper();
}

} // namespace Kuaidi100

namespace {

const QString kName = QStringLiteral("快递100");

// Asked often, a number gets locked by the service; a well-formed number of a
// carrier it knows, so that the answer is about the key and not the carrier.
const TrackJob kProbeJob{QStringLiteral("YT0000000000000"), QStringLiteral("圆通快递"), QString()};

// Sub-states refine the main state; a return (退签, 退回, 拒签) is never
// turned into a signing by a stray sub-state.
QString statusOf(int state, int subState, int *used)
{
    *used = state;
    QString status = ServiceStatus::kuaidi100(state);
    const QString refined = ServiceStatus::kuaidi100(subState);
    const bool returning = state == 4 || state == 6 || state == 14;
    if (!refined.isEmpty() && !(returning && refined == WaybillStatus::kSigned)) {
        *used = subState;
        status = refined;
    }
    return status;
}

TrackResult failureOf(const TrackJob &job, const QJsonObject &json)
{
    const int code = intField(json.value(QStringLiteral("returnCode")));
    const QString message = json.value(QStringLiteral("message")).toString();
    switch (code) {
    case 400:
        if (message.contains(QStringLiteral("公司")))
            return fail(job, TrackFailure::CarrierUnsupported, QStringLiteral("快递100 不支持该快递公司"));
        return fail(job, TrackFailure::Service, QStringLiteral("快递100：请求参数不完整"));
    case 408:
        return fail(job, TrackFailure::PhoneNeeded,
                    QStringLiteral("快递100：电话号码校验不通过，请填写收/寄件人电话后四位"));
    case 500:
        return fail(job, TrackFailure::NumberUnknown, QStringLiteral("快递100：查无此单号的物流信息"));
    case 502:
        return fail(job, TrackFailure::RateLimited, QStringLiteral("快递100：服务器繁忙，请求过于频繁"));
    case 503:
        return fail(job, TrackFailure::Auth, QStringLiteral("快递100：签名验证失败，请检查 customer 和 key"));
    case 601:
        return fail(job, TrackFailure::Quota, QStringLiteral("快递100：key 已过期或没有可用单量"));
    default:
        return fail(job, TrackFailure::Service,
                    QStringLiteral("快递100：服务出错（%1）").arg(message.isEmpty() ? QString::number(code) : message));
    }
}

TrackResult resultOf(const TrackJob &job, const QJsonObject &json)
{
    if (json.value(QStringLiteral("result")).toBool(true) == false || json.contains(QStringLiteral("returnCode")))
        return failureOf(job, json);
    const QJsonValue data = json.value(QStringLiteral("data"));
    if (!data.isArray())
        return fail(job, TrackFailure::BadAnswer, QStringLiteral("快递100：返回内容无法识别"));
    TrackResult r;
    r.number = job.number;
    r.carrier = job.carrier;
    for (const auto &v : data.toArray()) {
        const QJsonObject line = v.toObject();
        QString time = line.value(QStringLiteral("time")).toString();
        if (time.isEmpty())
            time = line.value(QStringLiteral("ftime")).toString();
        QString place = line.value(QStringLiteral("areaName")).toString();
        if (place.isEmpty())
            place = line.value(QStringLiteral("location")).toString();
        r.trace << TraceEvent{time, place, line.value(QStringLiteral("context")).toString()};
    }
    if (r.trace.isEmpty())
        return fail(job, TrackFailure::NumberUnknown, QStringLiteral("快递100：查无此单号的物流信息"));
    r.newest = r.trace.first().text;
    const int subState = intField(data.toArray().first().toObject().value(QStringLiteral("statusCode")));
    r.status = statusOf(intField(json.value(QStringLiteral("state"))), subState, &r.serviceCode);
    if (r.status.isEmpty())
        r.status = WaybillStatus::of(r.newest);
    return r;
}

class Kuaidi100Protocol final : public TrackingProtocol {
public:
    ServiceId id() const override { return ServiceId::Kuaidi100; }

    ServiceLimits limits() const override
    {
        ServiceLimits l;
        l.batchSize = 1;
        l.maxInFlight = 1;
        return l;
    }

    QString carrierCode(const Carrier &carrier) const override { return carrier.kuaidi100Code; }

    bool needsPhoneDigits(const Carrier &carrier) const override
    {
        return carrier.kuaidi100Code == QLatin1String("shunfeng") ||
               carrier.kuaidi100Code == QLatin1String("zhongtong");
    }

    HttpCall request(const QVector<TrackJob> &batch, const Credentials &account) const override
    {
        const TrackJob &job = batch.first();
        const Carrier *carrier = FindCarrierByName(job.carrier);
        QJsonObject param{
            {QStringLiteral("com"), carrier ? carrierCode(*carrier) : QString()},
            {QStringLiteral("num"), job.number},
            {QStringLiteral("resultv2"), QStringLiteral("4")},
            {QStringLiteral("show"), QStringLiteral("0")},
            {QStringLiteral("order"), QStringLiteral("desc")},
        };
        if (carrier && needsPhoneDigits(*carrier) && !job.phoneDigits.isEmpty())
            param.insert(QStringLiteral("phone"), job.phoneDigits);
        const QString paramText = QString::fromUtf8(QJsonDocument(param).toJson(QJsonDocument::Compact));

        HttpCall call;
        call.url = QUrl(Endpoints::current().kuaidi100Service + QStringLiteral("/poll/query.do"));
        call.headers << qMakePair(QByteArray("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        call.body = formField("customer", account.account.toUtf8()) + '&' +
                    formField("sign", Kuaidi100::sign(paramText, account.key, account.account)) + '&' +
                    formField("param", paramText.toUtf8());
        return call;
    }

    QVector<TrackResult> parse(const QVector<TrackJob> &batch, const HttpAnswer &answer) const override
    {
        return eachJob(batch, answer, kName, resultOf);
    }

    HttpCall probe(const Credentials &account) const override { return request({kProbeJob}, account); }

    ProbeResult parseProbe(const HttpAnswer &answer) const override
    {
        return probeFromQuery(parse({kProbeJob}, answer).first());
    }
};

} // namespace

std::unique_ptr<TrackingProtocol> MakeKuaidi100Protocol()
{
    return std::make_unique<Kuaidi100Protocol>();
}
