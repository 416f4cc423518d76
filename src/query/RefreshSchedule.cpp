#include "query/RefreshSchedule.h"

#include "services/WaybillStatus.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kDay = qint64(24) * 3600;
constexpr int kKept = 4 * RefreshSchedule::kDailyCap;
} // namespace

void RefreshSchedule::noteChecked(const QString &number, const QDateTime &at)
{
    if (const auto failed = m_failures.find(number); failed != m_failures.end() && failed->last < at)
        m_failures.erase(failed); // answered since
    QVector<QDateTime> &times = m_checks[number];
    if (times.contains(at))
        return; // the same check seen twice, from the history and from the pass
    times.insert(std::upper_bound(times.begin(), times.end(), at), at);
    // Only the last day counts towards the cap. The newest check may be dated
    // in the future, so the day is the clock's, and a bound on the count keeps
    // memory small before the clock was first read.
    if (m_lastNow.isValid())
        times.erase(times.begin(), std::upper_bound(times.begin(), times.end(), m_lastNow.addSecs(-kDay)));
    if (times.size() > kKept)
        times.erase(times.begin(), times.end() - kKept);
}

void RefreshSchedule::noteStatus(const QString &number, const QString &status, const QDateTime &since)
{
    m_standing.insert(number, {status, since});
}

void RefreshSchedule::noteFailure(const QString &number, const QDateTime &at)
{
    noteChecked(number, at);
    Failures &f = m_failures[number];
    ++f.count;
    f.last = at;
}

qint64 RefreshSchedule::waitFor(const QString &status) const
{
    using namespace WaybillStatus;
    if (isFinal(status))
        return 0;
    qint64 wait = m_interval;
    if (status == kOutForDelivery || status == kAwaitingPickup)
        wait = m_interval / 2;
    else if (status == kTrouble || status == kReturning)
        wait = m_interval * 2;
    return std::max(wait, std::min(kShortestWaitSeconds, m_interval));
}

qint64 RefreshSchedule::waitOf(const QString &number) const
{
    const qint64 wait = waitFor(m_standing.value(number).status);
    const Failures failures = m_failures.value(number);
    if (wait <= 0 || failures.count == 0)
        return wait;
    const double backedOff = double(wait) * std::pow(2.0, std::min(failures.count, 20));
    return std::max(wait, qint64(std::min(backedOff, double(std::max(kLongestBackOffSeconds, wait)))));
}

QString RefreshSchedule::stoppedWhy(const QString &number, const QDateTime &now) const
{
    const Standing standing = m_standing.value(number);
    if (WaybillStatus::isFinal(standing.status))
        return standing.status;
    if (!standing.since.isValid())
        return QString();
    const qint64 held = std::max(standing.since, m_restarts.value(number, standing.since)).secsTo(now);
    if (standing.status == WaybillStatus::kAwaitingCollection && held >= kNoRecordSeconds)
        return QStringLiteral("3 天无物流记录，已停止自动刷新");
    if (held >= kNoChangeSeconds)
        return QStringLiteral("60 天无变化，已停止自动刷新");
    return QString();
}

void RefreshSchedule::restart(const QString &number, const QDateTime &now)
{
    m_restarts.insert(number, now);
    m_failures.remove(number);
}

void RefreshSchedule::followClock(const QDateTime &now)
{
    if (m_lastNow.isValid() && now < m_lastNow) {
        const qint64 back = now.secsTo(m_lastNow);
        for (QVector<QDateTime> &times : m_checks)
            for (QDateTime &t : times)
                t = t.addSecs(-back);
        for (Failures &f : m_failures)
            f.last = f.last.addSecs(-back);
        if (m_budgetAt.isValid())
            m_budgetAt = m_budgetAt.addSecs(-back);
    }
    m_lastNow = now;
}

// A bucket that fills at the daily budget's pace and holds one tick's worth, full at first.
int RefreshSchedule::takeBudget(int waiting, const QDateTime &now)
{
    const int wanted = perTick(waiting);
    if (m_budgetPer100 <= 0)
        return wanted;
    // A small register is held back by the daily cap per waybill alone.
    const double perDay = std::max(double(m_budgetPer100) * waiting / 100.0, double(kDailyCap * kPerTick));
    // What the bucket holds at first is part of the day's budget.
    const double perSecond = std::max(0.0, perDay - wanted) / double(kDay);
    if (m_budget < 0)
        m_budget = wanted;
    else if (m_budgetAt.isValid() && m_budgetAt < now)
        m_budget = std::min(double(wanted), m_budget + perSecond * double(m_budgetAt.secsTo(now)));
    m_budgetAt = now;
    return std::min(wanted, int(m_budget));
}

QStringList RefreshSchedule::due(const QStringList &numbers, const QDateTime &now)
{
    followClock(now);
    QVector<QPair<double, QString>> waiting; // how many of its waits each one has waited
    const QDateTime dayBefore = now.addSecs(-kDay);
    for (const QString &number : numbers) {
        QVector<QDateTime> times = m_checks.value(number);
        times.erase(std::upper_bound(times.begin(), times.end(), now), times.end());
        const qint64 wait = waitOf(number);
        if (wait <= 0 || !stoppedWhy(number, now).isEmpty())
            continue;
        if (!times.isEmpty() && times.last().secsTo(now) < wait)
            continue;
        const auto inLastDay =
            std::count_if(times.cbegin(), times.cend(), [&](const QDateTime &t) { return t > dayBefore; });
        if (inLastDay >= kDailyCap)
            continue;
        const double waited = times.isEmpty() ? HUGE_VAL : double(times.last().secsTo(now)) / double(wait);
        waiting.push_back({waited, number});
    }
    // Never asked first, then the most overdue for its status: when the budget
    // binds, a parcel out for delivery still goes before one in transit.
    std::stable_sort(waiting.begin(), waiting.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList picked;
    const int limit = takeBudget(int(numbers.size()), now);
    for (int i = 0; i < waiting.size() && i < limit; ++i)
        picked << waiting[i].second;
    if (m_budgetPer100 > 0)
        m_budget -= double(picked.size());
    return picked;
}

qint64 RefreshSchedule::tickSeconds(int waiting) const
{
    const qint64 ticks = std::max<qint64>(1, (waiting + kPerTick - 1) / kPerTick);
    return std::clamp<qint64>(m_interval / ticks, std::min(kShortestTickSeconds, m_interval), m_interval);
}

int RefreshSchedule::perTick(int waiting) const
{
    const qint64 interval = std::max<qint64>(1, m_interval);
    const qint64 needed = (qint64(waiting) * tickSeconds(waiting) + interval - 1) / interval;
    return int(std::max<qint64>(kPerTick, needed));
}
