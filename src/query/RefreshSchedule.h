#pragma once

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVector>

// When the background refresh may ask for a waybill again. Each waybill
// waits at least the interval between two checks and is asked at most
// kDailyCap times in any 24 hours, counting every check the program made,
// the user's included: tracking services lock numbers asked for too often.
// The waybills are spread over the interval: ticks at least a minute apart,
// each taking enough of them that every one comes round within the interval.
class RefreshSchedule final {
public:
    static constexpr int kDailyCap = 12;
    static constexpr int kPerTick = 4;
    static constexpr qint64 kShortestTickSeconds = 60;

    explicit RefreshSchedule(qint64 intervalSeconds = 7200) : m_interval(intervalSeconds) {}
    void setInterval(qint64 seconds) { m_interval = seconds; }
    qint64 interval() const { return m_interval; }

    void noteChecked(const QString &number, const QDateTime &at);
    // At most perTick(numbers.size()) of `numbers` that may be asked now, the
    // longest unasked first. A check dated after `now` (a PC whose date was
    // wrong) tells nothing: it neither delays a waybill nor counts to the cap.
    // When `now` goes back between two calls, the checks seen so far go back
    // with it, so that only the time that passed counts.
    QStringList due(const QStringList &numbers, const QDateTime &now);
    // The pause before the next tick with `waiting` waybills to keep fresh:
    // each one comes round once per interval, kPerTick at a time.
    qint64 tickSeconds(int waiting) const;
    // How many one tick takes: kPerTick, or more where ticks a minute apart
    // could not otherwise get round `waiting` waybills within the interval.
    int perTick(int waiting) const;

private:
    qint64 m_interval;
    void followClock(const QDateTime &now);

    QHash<QString, QVector<QDateTime>> m_checks; // oldest first
    QDateTime m_lastNow;
};
