#include "store/Archive.h"

#include "store/DaysInTransit.h"
#include "store/Waybill.h"

bool Archive::isArchived(const QString &status, const QString &time, const QDateTime &signedAt, const QDate &today,
                         int days)
{
    if (status != kSignedFor)
        return false;
    QDate since;
    if (signedAt.isValid())
        since = signedAt.toLocalTime().date();
    else if (const std::optional<QDate> sent = DaysInTransit::parseDate(time))
        since = *sent;
    // With no date at all a waybill stays in view: hiding what cannot be dated
    // would lose it from sight for good.
    return since.isValid() && since.daysTo(today) > days;
}

QString Archive::markedStatus(const QString &status)
{
    return status + QStringLiteral("（已归档）");
}
