#include "manage/StatusTabs.h"

#include "services/WaybillStatus.h"

namespace {
// The data of the 今日签收 tab: no status is spelt so.
const QString kSignedTodayTab = QStringLiteral("\x01today");
} // namespace

QVector<StatusTabs::Tab> StatusTabs::forCounts(const RegisterGrid::GridCounts &counts)
{
    QVector<Tab> tabs{{QStringLiteral("全部 %1").arg(counts.total), QVariant()}};
    // Today's signings together, so that none announced today goes unseen.
    if (counts.signedToday > 0)
        tabs.push_back({QStringLiteral("今日签收 %1").arg(counts.signedToday), kSignedTodayTab});
    QStringList statuses = WaybillStatus::all();
    statuses << QString();
    for (const QString &status : std::as_const(statuses)) {
        if (!counts.byStatus.contains(status))
            continue;
        tabs.push_back({QStringLiteral("%1 %2")
                            .arg(status.isEmpty() ? QStringLiteral("未查询") : status)
                            .arg(counts.byStatus.value(status)),
                        status});
    }
    return tabs;
}

void StatusTabs::narrow(RegisterGrid::GridFilter &filter, const QVariant &tabData)
{
    if (tabData.isValid() && tabData.toString() == kSignedTodayTab)
        filter.signedToday = true;
    else if (tabData.isValid())
        filter.status = tabData.toString();
}
