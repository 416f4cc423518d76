#pragma once

#include "query/TimeFlags.h"
#include "store/StateHistory.h"

#include <QHash>
#include <QMetaType>
#include <QVector>

class StoreConnection;
struct Waybill;
struct Outcome;

// One flag of one waybill, for the list of stuck parcels and the notices.
struct FlaggedWaybill final {
    QString number;
    QString carrier;
    QString flag;
    QDateTime since;      // UTC
    bool checked = false; // a query has answered for it at least once
};
Q_DECLARE_METATYPE(FlaggedWaybill)

namespace FlaggedWaybills {

// The flags of these rows, given their history; waybills in register order.
// `pickupSince`: when each waybill in a locker got there (CheckHistory::statusSince).
QVector<FlaggedWaybill> of(const QVector<Waybill> &rows, const CheckSummaries &summaries,
                           const QHash<QString, QDateTime> &pickupSince, const QDateTime &now,
                           const TimeFlags::Thresholds &limits);
// The same, read from the register.
QVector<FlaggedWaybill> read(const StoreConnection &store, const QDateTime &now, const TimeFlags::Thresholds &limits,
                             Outcome *outcome);

} // namespace FlaggedWaybills
