#include "services/ClassicProtocol.h"

#include "services/ConciseQuery.h"
#include "services/WaybillStatus.h"

namespace {

// The header in which the service may give its own state code for the answer.
constexpr char kStateCodeHeader[] = "X-State-Code";

class ClassicProtocol final : public TrackingProtocol {
public:
    ServiceId id() const override { return ServiceId::Classic; }
    ServiceLimits limits() const override { return {1, 4, 0, 0}; }
    QString carrierCode(const Carrier &carrier) const override { return carrier.apiCode; }
    bool needsPhoneDigits(const Carrier &carrier) const override { return carrier.needsPhoneDigits; }

    HttpCall request(const QVector<TrackJob> &batch, const Credentials &) const override
    {
        const TrackJob &job = batch.first();
        HttpCall call;
        call.method = "GET";
        call.url = QUrl(ConciseQueryAddress(job.code, job.number, job.phoneDigits));
        return call;
    }

    QVector<TrackResult> parse(const QVector<TrackJob> &batch, const HttpAnswer &answer) const override
    {
        const TrackJob &job = batch.first();
        TrackResult result;
        result.number = job.number;
        result.carrier = job.carrier;
        if (!answer.networkError.isEmpty()) {
            result.failure = TrackFailure::Network;
            result.failureText = QStringLiteral("查询失败：") + answer.networkError;
            return {result};
        }
        // Only the service's own text is an answer: a page served with 200 by a
        // proxy or a login portal, or nothing at all, says nothing of the parcel.
        if (LooksLikeHtml(answer.body)) {
            result.failure = TrackFailure::BadAnswer;
            result.failureText =
                QStringLiteral("查询失败：收到的是网页而不是查询结果（可能是网络登录页或代理的错误页）");
            return {result};
        }
        const QString text = Utf8ToUnicode(answer.body);
        result.newest = GetLastState(text);
        if (result.newest.trimmed().isEmpty()) {
            result.failure = TrackFailure::BadAnswer;
            const QString shown = text.simplified().left(60);
            result.failureText = shown.isEmpty() ? QStringLiteral("查询失败：查询服务的回答是空白的")
                                                 : QStringLiteral("查询失败：无法识别查询服务的回答：") + shown;
            return {result};
        }
        bool hasCode = false;
        for (const auto &[name, value] : answer.headers) {
            if (name.compare(kStateCodeHeader, Qt::CaseInsensitive) == 0)
                result.serviceCode = value.toInt(&hasCode);
        }
        if (!hasCode)
            result.serviceCode = WaybillStatus::kNoCode;
        result.status = WaybillStatus::of(result.newest, result.serviceCode);
        return {result};
    }

    HttpCall probe(const Credentials &account) const override
    {
        TrackJob job{QStringLiteral("000000000000"), QString(), QString(), QStringLiteral("yuantong")};
        return request({job}, account);
    }

    ProbeResult parseProbe(const HttpAnswer &answer) const override
    {
        if (!answer.networkError.isEmpty())
            return {false, QStringLiteral("无法连接默认接口：") + answer.networkError, -1};
        return {true, QStringLiteral("默认接口可以连接，无需密钥"), -1};
    }
};

} // namespace

std::unique_ptr<TrackingProtocol> MakeClassicProtocol()
{
    return std::make_unique<ClassicProtocol>();
}
