#pragma once

#include <QString>
#include <QVariantList>

// A condition on 快递单 for any statement that reads it (a page of the grid, a
// count, the search); `binds` fill its placeholders in order.
struct SqlCondition {
    QString sql;
    QVariantList binds;
};
