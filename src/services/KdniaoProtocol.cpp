#include "services/KdniaoProtocol.h"

#include "core/Endpoints.h"
#include "services/ProtocolSupport.h"
#include "services/ServiceStatus.h"
#include "services/WaybillStatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace ProtocolSupport;

namespace Kdniao {

QByteArray dataSign(const QString &requestData, const QString &apiKey)
{
    // The hex text of the digest is what gets Base64-encoded, not its bytes.
    return QUrl::toPercentEncoding(QString::fromLatin1(md5Hex(requestData + apiKey).toBase64()));
}

} // namespace Kdniao

namespace {

const QString kName = QStringLiteral("快递鸟");
const TrackJob kProbeJob{QStringLiteral("YT0000000000000"), QStringLiteral("圆通快递"), QString()};

// The documented reasons of Success:false, by the words they use.
TrackResult failureOf(const TrackJob &job, const QString &reason)
{
    auto has = [&](const char *word) { return reason.contains(QString::fromUtf8(word)); };
    if (has("签名") || has("验证失败"))
        return fail(job, TrackFailure::Auth, QStringLiteral("快递鸟：签名错误，请检查 EBusinessID 和 ApiKey"));
    if (has("用户ID") || has("未开通") || has("没有权限"))
        return fail(job, TrackFailure::Auth, QStringLiteral("快递鸟：账号无效或未开通即时查询"));
    if (has("次数") || has("余额") || has("套餐"))
        return fail(job, TrackFailure::Quota, QStringLiteral("快递鸟：今日查询次数已用完"));
    if (has("频繁"))
        return fail(job, TrackFailure::RateLimited, QStringLiteral("快递鸟：请求过于频繁"));
    if (has("不支持") || has("快递公司"))
        return fail(job, TrackFailure::CarrierUnsupported, QStringLiteral("快递鸟 不支持该快递公司"));
    if (has("暂无轨迹") || has("无轨迹"))
        return fail(job, TrackFailure::NumberUnknown, QStringLiteral("快递鸟：查无此单号的物流信息"));
    return fail(job, TrackFailure::Service,
                QStringLiteral("快递鸟：服务出错（%1）").arg(reason.isEmpty() ? QStringLiteral("未说明原因") : reason));
}

TrackResult resultOf(const TrackJob &job, const QJsonObject &json)
{
    if (!json.contains(QStringLiteral("Success")))
        return fail(job, TrackFailure::BadAnswer, QStringLiteral("快递鸟：返回内容无法识别"));
    if (!json.value(QStringLiteral("Success")).toBool())
        return failureOf(job, json.value(QStringLiteral("Reason")).toString());
    TrackResult r;
    r.number = job.number;
    r.carrier = job.carrier;
    for (const auto &v : json.value(QStringLiteral("Traces")).toArray()) {
        const QJsonObject line = v.toObject();
        r.trace << TraceEvent{line.value(QStringLiteral("AcceptTime")).toString(),
                              line.value(QStringLiteral("Location")).toString(),
                              line.value(QStringLiteral("AcceptStation")).toString()};
    }
    // The service lists the trace oldest first.
    std::reverse(r.trace.begin(), r.trace.end());
    if (r.trace.isEmpty())
        return fail(job, TrackFailure::NumberUnknown, QStringLiteral("快递鸟：查无此单号的物流信息"));
    r.newest = r.trace.first().text;
    const int state = intField(json.value(QStringLiteral("State")));
    const int stateEx = intField(json.value(QStringLiteral("StateEx")));
    r.status = ServiceStatus::kdniao(stateEx);
    r.serviceCode = stateEx;
    if (r.status.isEmpty()) {
        r.status = ServiceStatus::kdniao(state);
        r.serviceCode = state;
    }
    if (r.status.isEmpty())
        r.status = WaybillStatus::of(r.newest);
    return r;
}

class KdniaoProtocol final : public TrackingProtocol {
public:
    ServiceId id() const override { return ServiceId::Kdniao; }

    ServiceLimits limits() const override
    {
        ServiceLimits l;
        l.batchSize = 1;
        l.maxInFlight = 1;
        l.minIntervalMs = 100; // at most 10 requests a second
        l.freeDailyQuota = 500;
        return l;
    }

    QString carrierCode(const Carrier &carrier) const override { return carrier.kdniaoCode; }

    bool needsPhoneDigits(const Carrier &carrier) const override { return carrier.kdniaoCode == QLatin1String("SF"); }

    HttpCall request(const QVector<TrackJob> &batch, const Credentials &account) const override
    {
        const TrackJob &job = batch.first();
        const Carrier *carrier = FindCarrierByName(job.carrier);
        QJsonObject data{
            {QStringLiteral("OrderCode"), QString()},
            {QStringLiteral("ShipperCode"), carrier ? carrierCode(*carrier) : QString()},
            {QStringLiteral("LogisticCode"), job.number},
        };
        if (carrier && needsPhoneDigits(*carrier) && !job.phoneDigits.isEmpty())
            data.insert(QStringLiteral("CustomerName"), job.phoneDigits);
        const QString requestData = QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact));

        HttpCall call;
        call.url = QUrl(Endpoints::current().kdniaoService + QStringLiteral("/Ebusiness/EbusinessOrderHandle.aspx"));
        call.headers << qMakePair(QByteArray("Content-Type"),
                                  QByteArray("application/x-www-form-urlencoded;charset=utf-8"));
        call.body = formField("RequestData", requestData.toUtf8()) + '&' +
                    formField("EBusinessID", account.account.toUtf8()) +
                    "&RequestType=1002&DataSign=" + Kdniao::dataSign(requestData, account.key) + "&DataType=2";
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

std::unique_ptr<TrackingProtocol> MakeKdniaoProtocol()
{
    return std::make_unique<KdniaoProtocol>();
}
