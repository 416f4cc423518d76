#include "store/StoreFailure.h"

#include "core/DiskFailure.h"

#include <sqlite3.h>

namespace StoreFailure {

QString describe(int sqliteCode, int systemError)
{
    switch (sqliteCode & 0xFF) {
    case SQLITE_FULL:
        return DiskFailure::diskFull();
    case SQLITE_IOERR:
        // A write past a file-size limit or onto a full disk surfaces as an I/O error.
        if (DiskFailure::isFull(systemError))
            return DiskFailure::diskFull();
        return QStringLiteral("读写数据库文件时出错，磁盘可能已满或已被拔出。请腾出磁盘空间、检查磁盘后再试。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("数据库正被其他程序使用。请关闭那个程序（或等它保存完）后再试。");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return QStringLiteral("数据库文件不能写入。请去掉它的只读属性，或检查文件夹的权限，然后再试。");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("数据库文件已损坏。请关闭程序，用备份的数据库文件替换它后再试。");
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开数据库文件。请检查它所在的文件夹是否存在、能否写入，然后再试。");
    case SQLITE_NOMEM:
        return QStringLiteral("内存不足。请关闭其他程序后再试。");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("数据不符合数据库的要求，未保存。");
    default:
        return QStringLiteral("数据库操作失败。请重新启动程序后再试；如果仍然失败，请检查磁盘是否已满。");
    }
}

QString fromText(const QString &sqliteText, int systemError)
{
    // The fixed texts, most specific first ("database table is locked" before
    // "database is locked" is not needed: both are a lock).
    static const int kCodes[] = {SQLITE_FULL,    SQLITE_BUSY,   SQLITE_LOCKED,    SQLITE_READONLY,
                                 SQLITE_CORRUPT, SQLITE_NOTADB, SQLITE_IOERR,     SQLITE_CANTOPEN,
                                 SQLITE_NOMEM,   SQLITE_PERM,   SQLITE_CONSTRAINT};
    for (const int code : kCodes) {
        if (sqliteText.contains(QLatin1String(sqlite3_errstr(code)), Qt::CaseInsensitive))
            return describe(code, systemError);
    }
    if (sqliteText.contains(QLatin1String("locked")) || sqliteText.contains(QLatin1String("busy")))
        return describe(SQLITE_BUSY);
    return describe(SQLITE_ERROR);
}

bool isLock(const QString &message)
{
    return message.contains(describe(SQLITE_BUSY));
}

bool refusesOnlyTheRow(int sqliteCode)
{
    return (sqliteCode & 0xFF) == SQLITE_CONSTRAINT;
}

} // namespace StoreFailure
