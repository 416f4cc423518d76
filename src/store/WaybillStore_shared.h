#pragma once

#include "core/Outcome.h"

#include <QSqlError>
#include <QString>

// What the files of WaybillStore share beyond BoundText.
namespace StoreShared {

inline void report(Outcome *target, const Outcome &value)
{
    if (target)
        *target = value;
}

inline bool isBusy(const QSqlError &error)
{
    // SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file.
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6") ||
           error.databaseText().contains(QLatin1String("locked"));
}

} // namespace StoreShared
