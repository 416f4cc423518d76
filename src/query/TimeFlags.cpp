#include "query/TimeFlags.h"

#include "services/WaybillStatus.h"
#include "settings/AppSettings.h"
#include "settings/WatchSettings.h"

namespace TimeFlags {

QVector<Flag> of(const Facts &facts, const QDateTime &now, const Thresholds &limits)
{
    using namespace WaybillStatus;
    QVector<Flag> flags;
    // A waybill marked signed by hand is done, whatever its last check said.
    if (facts.signedFor || isFinal(facts.status))
        return flags;
    const bool uncollected = facts.status.isEmpty() || facts.status == kAwaitingCollection;
    const auto reached = [&](const QDateTime &since) { return since.isValid() && since <= now; };
    if (uncollected && facts.dispatched.isValid()) {
        if (const QDateTime since = facts.dispatched.addSecs(qint64(limits.collectHours) * 3600); reached(since))
            flags.push_back({kNotCollected, since});
    }
    // A not-found answer is no line of the carrier's: that is 揽收超时's to tell.
    if (!uncollected && facts.newestLine.isValid()) {
        if (const QDateTime since = facts.newestLine.addDays(limits.silentDays); reached(since))
            flags.push_back({kSilent, since});
    }
    if (facts.daysInTransit > limits.transitDays) {
        const QDateTime since = facts.dispatched.isValid() ? facts.dispatched.addDays(limits.transitDays + 1) : now;
        flags.push_back({kNotSigned, since});
    }
    if (facts.status == kAwaitingPickup && facts.statusSince.isValid()) {
        if (const QDateTime since = facts.statusSince.addDays(limits.pickupDays); reached(since))
            flags.push_back({kUncollectedPickup, since});
    }
    return flags;
}

Thresholds fromSettings(const QString &programFolder)
{
    using namespace AppSettings;
    return {WatchSettings::limit(programFolder, kCollectHours), WatchSettings::limit(programFolder, kSilentDays),
            WatchSettings::limit(programFolder, kTransitDays), WatchSettings::limit(programFolder, kPickupDays)};
}

} // namespace TimeFlags
