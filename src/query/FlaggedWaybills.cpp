#include "query/FlaggedWaybills.h"

#include "services/WaybillStatus.h"
#include "store/CheckHistory.h"
#include "store/DaysInTransit.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"

namespace FlaggedWaybills {

QVector<FlaggedWaybill> of(const QVector<Waybill> &rows, const CheckSummaries &summaries,
                           const QHash<QString, QDateTime> &pickupSince, const QDateTime &now,
                           const TimeFlags::Thresholds &limits)
{
    QVector<FlaggedWaybill> flagged;
    const QDate today = now.toLocalTime().date();
    for (const Waybill &w : rows) {
        TimeFlags::Facts facts;
        facts.signedFor = w.status == kSignedFor;
        const auto summary = summaries.constFind(w.number);
        const bool checked = summary != summaries.cend();
        if (checked) {
            facts.status = summary->status.isEmpty() ? WaybillStatus::of(summary->state) : summary->status;
            facts.newestLine = summary->since;
        }
        facts.statusSince = pickupSince.value(w.number);
        // The 时间 date is the user's own, local: its day starts at local midnight.
        if (const std::optional<QDate> date = DaysInTransit::parseDate(w.time)) {
            facts.dispatched = date->startOfDay().toUTC();
            facts.daysInTransit = int(date->daysTo(today));
        }
        for (const TimeFlags::Flag &f : TimeFlags::of(facts, now, limits))
            flagged.push_back({w.number, w.carrier, f.flag, f.since.toUTC(), checked});
    }
    return flagged;
}

QVector<FlaggedWaybill> read(const StoreConnection &store, const QDateTime &now, const TimeFlags::Thresholds &limits,
                             Outcome *outcome)
{
    Outcome result;
    const QVector<Waybill> rows = Waybills(store).allWaybills(&result);
    CheckSummaries summaries;
    QHash<QString, QDateTime> pickup;
    if (result)
        summaries = CheckHistory(store).checkSummaries(&result);
    if (result)
        pickup = CheckHistory(store).statusSince(WaybillStatus::kAwaitingPickup, &result);
    if (outcome)
        *outcome = result;
    return result ? of(rows, summaries, pickup, now, limits) : QVector<FlaggedWaybill>();
}

} // namespace FlaggedWaybills
