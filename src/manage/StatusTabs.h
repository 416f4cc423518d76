#pragma once

#include "store/RegisterGrid.h"

#include <QString>
#include <QVariant>
#include <QVector>

// The tabs above the management grid: every status its rows have, with their
// counts. A tab's data says which rows it lists: none for all of them, a
// status otherwise (empty: never checked), or the mark of today's signings.
namespace StatusTabs {

struct Tab {
    QString text;
    QVariant data;
};

// 全部 first, 今日签收 while something was signed for today, then each status
// present in the catalogue's order, 未查询 last.
QVector<Tab> forCounts(const RegisterGrid::GridCounts &counts);

// The filter narrowed to the rows of the tab with this data.
void narrow(RegisterGrid::GridFilter &filter, const QVariant &tabData);

} // namespace StatusTabs
