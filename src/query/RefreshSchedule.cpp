#include "query/RefreshSchedule.h"

#include <algorithm>

namespace {
constexpr qint64 kDay = 24 * 3600;
constexpr int kKept = 4 * RefreshSchedule::kDailyCap;
}

void RefreshSchedule::noteChecked(const QString &number, const QDateTime &at)
{
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

void RefreshSchedule::followClock(const QDateTime &now)
{
    if (m_lastNow.isValid() && now < m_lastNow) {
        const qint64 back = now.secsTo(m_lastNow);
        for (QVector<QDateTime> &times : m_checks)
            for (QDateTime &t : times)
                t = t.addSecs(-back);
    }
    m_lastNow = now;
}

QStringList RefreshSchedule::due(const QStringList &numbers, const QDateTime &now)
{
    followClock(now);
    QVector<QPair<QDateTime, QString>> waiting;
    const QDateTime dayBefore = now.addSecs(-kDay);
    for (const QString &number : numbers) {
        QVector<QDateTime> times = m_checks.value(number);
        times.erase(std::upper_bound(times.begin(), times.end(), now), times.end());
        if (!times.isEmpty() && times.last().secsTo(now) < m_interval)
            continue;
        const auto inLastDay = std::count_if(times.cbegin(), times.cend(),
                                             [&](const QDateTime &t) { return t > dayBefore; });
        if (inLastDay >= kDailyCap)
            continue;
        waiting.push_back({times.isEmpty() ? QDateTime() : times.last(), number});
    }
    // Never asked (an invalid time) sorts first.
    std::stable_sort(waiting.begin(), waiting.end(), [](const auto &a, const auto &b) {
        return a.first.isValid() != b.first.isValid() ? !a.first.isValid() : a.first < b.first;
    });
    QStringList picked;
    const int limit = perTick(int(numbers.size()));
    for (int i = 0; i < waiting.size() && i < limit; ++i)
        picked << waiting[i].second;
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
