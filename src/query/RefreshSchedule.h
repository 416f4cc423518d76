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
// What a waybill's status says sets its own wait: one out for delivery or in a
// locker changes soon, one stuck or on its way back slowly, a signed one never;
// a failed request makes it wait longer each time; a waybill that has had no
// record for three days, or no change for sixty, is left alone. Over all the
// waybills the service gets at most kDailyBudgetPer100 requests a day per
// hundred open ones (a register of a few may use the daily cap).
class RefreshSchedule final {
public:
    static constexpr int kDailyCap = 12;
    static constexpr int kPerTick = 4;
    static constexpr qint64 kShortestTickSeconds = 60;
    // The services lock a number asked for more often (unless the interval
    // itself is shorter: the demo's seconds).
    static constexpr qint64 kShortestWaitSeconds = 1800;
    static constexpr qint64 kNoRecordSeconds = qint64(3) * 24 * 3600;
    static constexpr qint64 kNoChangeSeconds = qint64(60) * 24 * 3600;
    static constexpr qint64 kLongestBackOffSeconds = qint64(24) * 3600;
    static constexpr int kDailyBudgetPer100 = 500;

    explicit RefreshSchedule(qint64 intervalSeconds = 7200) : m_interval(intervalSeconds) {}
    void setInterval(qint64 seconds) { m_interval = seconds; }
    qint64 interval() const { return m_interval; }

    void noteChecked(const QString &number, const QDateTime &at);
    // What the newest check found (a WaybillStatus) and since when it holds.
    void noteStatus(const QString &number, const QString &status, const QDateTime &since);
    // A request that failed: it counts as asked, and the waybill backs off.
    void noteFailure(const QString &number, const QDateTime &at);
    // The wait after a check of a waybill with this status; 0 for never again.
    qint64 waitFor(const QString &status) const;
    // Why a waybill is no longer refreshed at `now`; empty while it is.
    QString stoppedWhy(const QString &number, const QDateTime &now) const;
    // The user asked for it: a stopped waybill is refreshed again, its days
    // without a record or a change counted from `now`.
    void restart(const QString &number, const QDateTime &now);
    // Requests a day for each hundred waybills; 0 lifts the limit.
    void setDailyBudget(int per100) { m_budgetPer100 = per100; }
    int dailyBudget() const { return m_budgetPer100; }
    // At most perTick(numbers.size()) of `numbers` that may be asked now, the
    // never asked first, then the longest unasked for its status's wait. A check dated after `now` (a PC whose date was
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
    struct Standing {
        QString status;
        QDateTime since;
    };
    struct Failures {
        int count = 0;
        QDateTime last;
    };
    qint64 m_interval;
    void followClock(const QDateTime &now);
    qint64 waitOf(const QString &number) const;
    int takeBudget(int waiting, const QDateTime &now);

    QHash<QString, QVector<QDateTime>> m_checks; // oldest first
    QHash<QString, Standing> m_standing;
    QHash<QString, Failures> m_failures;
    QHash<QString, QDateTime> m_restarts;
    QDateTime m_lastNow;
    int m_budgetPer100 = kDailyBudgetPer100;
    double m_budget = -1; // requests that may go now; below 0 before the first tick
    QDateTime m_budgetAt;
};
