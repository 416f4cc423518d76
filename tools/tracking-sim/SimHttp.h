#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>

class QJsonDocument;

struct SimRequest final {
    QByteArray method;
    QUrl url;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    qint64 atMs = 0; // the server's own monotonic clock when the request was complete
};

struct SimResponse final {
    SimResponse() = default;
    SimResponse(int status_, QByteArray contentType_, QByteArray body_, bool never_)
        : status(status_), contentType(std::move(contentType_)), body(std::move(body_)), never(never_)
    {
    }
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    bool never = false; // the time-out fault: keep the connection, say nothing
    QByteArray extraHeaders;
    enum Stream { Whole, Endless, Huge, Trickle } stream = Whole;
};

namespace SimHttp {

inline const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
inline const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
inline const QByteArray kJson = QByteArrayLiteral("application/json; charset=utf-8");

// The fields of an application/x-www-form-urlencoded body: "+" is a blank,
// the rest percent-decoded UTF-8. The first of a repeated name wins.
QHash<QString, QString> formFields(const QByteArray &body);

SimResponse json(const QJsonDocument &document, int status = 200);

// Upper-case hex of the MD5 of the bytes.
QByteArray md5Hex(const QByteArray &bytes);

} // namespace SimHttp

// Requests admitted over a sliding window of the server's own clock.
class RateWindow final {
public:
    RateWindow(int limit, int windowMs) : m_limit(limit), m_windowMs(windowMs) {}
    // False when `limit` requests were admitted in the last window; a window
    // of 0 admits everything.
    bool admit(qint64 nowMs);

private:
    int m_limit;
    int m_windowMs;
    std::deque<qint64> m_admitted;
};

// One account service's protocol on the simulator's port.
class SimService {
public:
    virtual ~SimService() = default;
    virtual bool serves(const QString &path) const = 0;
    // The waybill numbers a request asks about, for faults bound to a number.
    virtual QStringList numbersIn(const SimRequest &request) const = 0;
    virtual SimResponse answer(const SimRequest &request) = 0;
};
