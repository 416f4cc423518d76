#include "store/Statistics.h"

#include "store/CheckHistory.h"
#include "store/DaysInTransit.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace Statistics {

namespace {
Counts mostFirst(const QHash<QString, int> &counts)
{
    Counts out;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out.push_back({it.key(), it.value()});
    std::sort(out.begin(), out.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return out;
}

// "3天" as 3; no value for anything else.
std::optional<int> days(const QString &text)
{
    if (!text.endsWith(QStringLiteral("天")))
        return std::nullopt;
    bool ok = false;
    const int n = text.chopped(1).trimmed().toInt(&ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}
} // namespace

Summary compute(const QVector<Waybill> &rows, const Range &range)
{
    Summary s;
    QHash<QString, int> status, carrier;
    QMap<QString, int> month;
    QHash<QString, QVector<int>> transit;
    for (const Waybill &w : rows) {
        const std::optional<QDate> sent = DaysInTransit::parseDate(w.time);
        if (range.isSet() && (!sent || *sent < range.from || *sent > range.to))
            continue;
        ++s.total;
        ++status[w.status.isEmpty() ? QStringLiteral("（无）") : w.status];
        ++carrier[w.carrier.isEmpty() ? QStringLiteral("（无）") : w.carrier];
        if (sent)
            ++month[sent->toString(QStringLiteral("yyyy-MM"))];
        if (const std::optional<int> d = days(w.daysInTransit); d && !w.carrier.isEmpty())
            transit[w.carrier].push_back(*d);
    }
    s.byStatus = mostFirst(status);
    s.byCarrier = mostFirst(carrier);
    for (auto it = month.cbegin(); it != month.cend(); ++it)
        s.byMonth.push_back({it.key(), it.value()});
    for (auto it = transit.begin(); it != transit.end(); ++it) {
        QVector<int> &d = it.value();
        std::sort(d.begin(), d.end());
        const qsizetype n = d.size();
        const double median = n % 2 ? d[n / 2] : (d[n / 2 - 1] + d[n / 2]) / 2.0;
        s.transit.push_back({it.key(), int(n), median, d.last()});
    }
    std::sort(s.transit.begin(), s.transit.end(), [](const Transit &a, const Transit &b) {
        return a.median != b.median ? a.median > b.median : a.carrier < b.carrier;
    });
    return s;
}

Summary read(const StoreLocation &where, const Range &range, Outcome *outcome)
{
    StoreConnection store;
    Outcome opened = store.open(where);
    if (!opened) {
        if (outcome)
            *outcome = opened;
        return {};
    }
    QVector<Waybill> rows = Waybills(store).summaryColumns(outcome);
    // By status is by what the newest check found happened; a waybill never
    // checked counts by its 状态.
    Outcome checked;
    const CheckSummaries checks = CheckHistory(store).checkSummaries(&checked);
    for (Waybill &w : rows) {
        const auto check = checks.constFind(w.number);
        if (check != checks.cend() && !check->status.isEmpty())
            w.status = check->status;
    }
    return compute(rows, range);
}

} // namespace Statistics
