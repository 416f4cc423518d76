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

// PostgreSQL's insufficient_privilege: a role that may only read the register.
inline bool isDenied(const QString &sqlState)
{
    return sqlState == QLatin1String("42501");
}
inline bool isDenied(const QSqlError &error)
{
    return isDenied(error.nativeErrorCode());
}

inline QString deniedText()
{
    return QStringLiteral("当前数据库用户只能读取登记簿，不能修改。请联系管理员。");
}

// A SQLite file and whatever journals an interrupted use left beside it.
void removeWithJournals(const QString &path);

} // namespace StoreShared
