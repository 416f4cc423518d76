#pragma once

#include "core/Outcome.h"
#include "store/KeepGoing.h"
#include "store/Waybill.h"

#include <QDateTime>
#include <QSqlError>
#include <QString>
#include <QVector>

class QSqlDatabase;
class QSqlQuery;
class StoreConnection;
struct sqlite3;

// What the files of the register's parts share beyond BoundText; no caller
// outside src/store includes it.
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

// A server's failure in the user's words: a refusal to a role that may only
// read, else what the server said.
QString reasonOf(const QSqlError &error);

// What opening says of a register that another program holds.
QString inUse(const QString &path);

// A SQLite file and whatever journals an interrupted use left beside it.
void removeWithJournals(const QString &path);

// The SQLite handle under a connection; null on any other driver.
sqlite3 *sqliteHandle(const QSqlDatabase &db);

// U+FFFE and U+FFFF are no text: SQLite turns them into U+FFFD on the way out.
// NUL would end the value for every reader of the file. The first such
// character of a value, else -1.
int unstorableCharacter(QStringView value);
// The refusal of a value holding such a character, naming its field.
Outcome unstorable(const QString &field, int bad);
Outcome checkCharacters(const QString &field, QStringView value);

// The row a statement that reads every column of 快递单 stands on.
Waybill waybillFrom(const QSqlQuery &query);
// Runs the statement and reads its rows, asking `keepGoing` every few hundred.
QVector<Waybill> readRows(const StoreConnection &store, QSqlQuery &query, Outcome *outcome, const KeepGoing &keepGoing);

// A stored ISO time in UTC; null for NULL, invalid for text that is no time.
QDateTime fromIso(const QVariant &value);

} // namespace StoreShared
