#pragma once

#include "services/TrackingService.h"

#include <QJsonObject>

// What the three account protocols share: reading an answer that may not be
// the service's at all, and failing a whole batch with one cause.
namespace ProtocolSupport {

// One failure for every job of the batch, in its order.
QVector<TrackResult> failAll(const QVector<TrackJob> &batch, TrackFailure failure, const QString &text);
TrackResult fail(const TrackJob &job, TrackFailure failure, const QString &text);

// The JSON object of an answer, or the failure that every job of the batch
// gets instead: a transport failure, HTTP 429, another non-2xx status, an
// HTML page (a proxy's or the service's error page served with 200), or a
// body that is not a JSON object. `service` names the source in the text.
struct Body {
    QJsonObject json;
    TrackFailure failure = TrackFailure::None;
    QString text;
    bool ok() const { return failure == TrackFailure::None; }
};
Body read(const HttpAnswer &answer, const QString &service);

// One result per job of an answer whose JSON speaks of every job alike
// (the one-number-a-request services), or the answer's failure for all.
template <typename ResultOf>
QVector<TrackResult> eachJob(const QVector<TrackJob> &batch, const HttpAnswer &answer, const QString &service,
                             ResultOf resultOf)
{
    const Body body = read(answer, service);
    if (!body.ok())
        return failAll(batch, body.failure, body.text);
    QVector<TrackResult> out;
    for (const TrackJob &job : batch)
        out << resultOf(job, body.json);
    return out;
}

// Lower-case hex MD5 of the UTF-8 bytes.
QByteArray md5Hex(const QString &text);

// A field that services send as a number or as text, as an int; -1 when absent.
int intField(const QJsonValue &value);

// One `name=value` pair of a form body, the value percent-encoded as UTF-8.
QByteArray formField(const char *name, const QByteArray &value);

// The key check of a service that has no quota call: a query for a fixed
// number. Any answer about the number itself (a trace, "number unknown",
// "needs telephone digits") means the account and signature were accepted.
ProbeResult probeFromQuery(const TrackResult &result);

} // namespace ProtocolSupport
