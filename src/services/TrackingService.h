#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVector>

#include <memory>
#include <optional>

// The tracking services a waybill can be asked of. Classic is the one-line
// interface the program always had (no account); the others are account
// services, each with its own signed protocol and the user's own key.
enum class ServiceId { Classic, Kuaidi100, Kdniao, Track17 };
Q_DECLARE_METATYPE(ServiceId)

namespace Services {
// Every service, Classic first.
QList<ServiceId> all();
// The key under which settings and the keyring name it: "classic",
// "kuaidi100", "kdniao", "17track".
QString key(ServiceId id);
std::optional<ServiceId> fromKey(const QString &key);
// What the user reads: "默认接口", "快递100 实时查询", "快递鸟 即时查询", "17TRACK".
QString displayName(ServiceId id);
// The label of the account field ("customer", "EBusinessID"); empty when the
// service has no account field besides its key (17TRACK, Classic).
QString accountLabel(ServiceId id);
// The label of the secret: "key", "ApiKey", "17token"; empty for Classic.
QString keyLabel(ServiceId id);
bool needsKey(ServiceId id);
} // namespace Services

// One waybill to ask for.
struct TrackJob final {
    QString number;
    QString carrier;     // the catalogue's name
    QString phoneDigits; // the last four digits of a telephone, or empty
    QString code{};      // the service's code of the carrier, filled by the runner
};

// One line of a trace.
struct TraceEvent final {
    QString time; // "yyyy-MM-dd HH:mm:ss" as the service gives it
    QString place;
    QString text;
};

// Why a waybill got no answer. The first group is the waybill's own; the
// second the source's, which moves a pass to the next service when it repeats.
enum class TrackFailure {
    None,
    CarrierUnsupported, // the service does not know the carrier: never sent
    PhoneNeeded,        // the carrier needs the last four telephone digits
    NumberUnknown,      // the service has no record of the number
    Pending,            // accepted for tracking, no record yet (17TRACK right after registering)
    NotRegistered,      // 17TRACK: the number must be registered first (the pass does so)
    Auth,               // key, account or signature refused
    Quota,              // the quota is used up
    RateLimited,        // too many requests
    Network,            // no answer: network down, time-out, TLS
    BadAnswer,          // an answer that is not the service's (HTML page, broken JSON)
    Service,            // the service said it failed, for no reason of ours
};

// Whether a failure is the source's and not the waybill's.
bool IsSourceFailure(TrackFailure failure);

// What the service said of one waybill: a result, or a failure that says why.
struct TrackResult final {
    QString number;
    QString carrier;
    TrackFailure failure = TrackFailure::None;
    QString failureText;       // Chinese, names the cause; empty when failure is None
    QString status;            // WaybillStatus, empty for a failure
    QString newest;            // the newest line's text, as shown in the result list
    QVector<TraceEvent> trace; // newest first
    int serviceCode = -1;      // the service's own state code, -1 when none

    bool ok() const { return failure == TrackFailure::None; }

    static TrackResult failed(const QString &number, const QString &carrier, TrackFailure failure, const QString &text)
    {
        TrackResult result;
        result.number = number;
        result.carrier = carrier;
        result.failure = failure;
        result.failureText = text;
        return result;
    }
};
Q_DECLARE_METATYPE(TrackResult)

// The account: for 快递100 customer + key, for 快递鸟 EBusinessID + ApiKey,
// for 17TRACK the token alone (in key).
struct Credentials final {
    QString account;
    QString key;
    bool isComplete(ServiceId id) const;
};

// One HTTP request of a protocol, and the jobs of its batch that it answers.
struct HttpCall final {
    QByteArray method = "POST";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

// What came back. A transport failure (no connection, time-out, TLS) sets
// networkError and nothing else counts.
struct HttpAnswer final {
    int status = 0;
    QByteArray contentType;
    QByteArray body;
    QString networkError; // Chinese, from NetworkFailure; empty when an answer came
    QList<QPair<QByteArray, QByteArray>> headers{};
};

// A service's documented request limits.
struct ServiceLimits final {
    int batchSize = 1;      // numbers per request
    int maxInFlight = 1;    // requests at once
    int minIntervalMs = 0;  // between the starts of two requests
    int freeDailyQuota = 0; // queries a free account has a day (0: unknown)
};

// The answer to the key check of the settings.
struct ProbeResult final {
    bool ok = false;
    QString text;       // Chinese: "密钥有效" and the quota, or the failure
    int remaining = -1; // quota left, -1 when the service does not say
};

// A service's protocol: requests built from jobs and the user's account, and
// answers read into results. Pure: no network, no clock, so each is tested on
// its own and the runner is shared.
class TrackingProtocol {
public:
    virtual ~TrackingProtocol() = default;
    virtual ServiceId id() const = 0;
    virtual ServiceLimits limits() const = 0;
    // The service's code for a carrier; empty when it does not know it.
    virtual QString carrierCode(const Carrier &carrier) const = 0;
    // Whether a carrier may be asked of the service at all; a service that
    // detects carriers itself (17TRACK) knows every one, code or none.
    virtual bool knowsCarrier(const Carrier &carrier) const { return !carrierCode(carrier).isEmpty(); }
    // Whether the carrier needs the last four telephone digits on this service.
    virtual bool needsPhoneDigits(const Carrier &carrier) const = 0;
    // The request for one batch (at most limits().batchSize jobs, each of a
    // carrier with a code and with the digits it needs).
    virtual HttpCall request(const QVector<TrackJob> &batch, const Credentials &account) const = 0;
    // One result per job of the batch, in its order. An answer that is not
    // the service's, or a transport failure, fails every job of the batch.
    virtual QVector<TrackResult> parse(const QVector<TrackJob> &batch, const HttpAnswer &answer) const = 0;
    // For jobs that came back NotRegistered: the request that registers them,
    // after which they are asked again. None for services without registration.
    virtual std::optional<HttpCall> registration(const QVector<TrackJob> &batch, const Credentials &account) const
    {
        Q_UNUSED(batch);
        Q_UNUSED(account);
        return std::nullopt;
    }
    // Results for the registration's answer: None for a number now registered,
    // a failure for one refused.
    virtual QVector<TrackResult> parseRegistration(const QVector<TrackJob> &batch, const HttpAnswer &answer) const
    {
        Q_UNUSED(answer);
        return QVector<TrackResult>(batch.size());
    }
    // The one call of the settings' 测试 button.
    virtual HttpCall probe(const Credentials &account) const = 0;
    virtual ProbeResult parseProbe(const HttpAnswer &answer) const = 0;
};

// Whether a key may be sent to this address: HTTPS, or plain HTTP on the
// loopback address only (the local stand-in), so that a key never crosses a
// network in the clear.
bool IsSafeServiceUrl(const QUrl &url);
// What a pass says of an address that is not.
QString UnsafeServiceUrlText(const QUrl &url);

// A job as it may leave the PC for a service: the telephone digits only for a
// carrier that needs them there.
TrackJob OutgoingJob(const TrackingProtocol &protocol, TrackJob job);

// The protocol of a service, with its host from Endpoints.
std::unique_ptr<TrackingProtocol> MakeProtocol(ServiceId id);
