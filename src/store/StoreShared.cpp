// What the register's parts share: failures, files, rows read.
#include "store/StoreShared.h"

#include "store/StoreConnection.h"
#include "store/StoreDialect.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

QString StoreShared::reasonOf(const QSqlError &error)
{
    if (isDenied(error))
        return deniedText();
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text() : text;
}

QString StoreShared::inUse(const QString &path)
{
    return QStringLiteral("数据库 %1 正被其他程序使用，请关闭那个程序后再试。").arg(path);
}

void StoreShared::removeWithJournals(const QString &path)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

sqlite3 *StoreShared::sqliteHandle(const QSqlDatabase &db)
{
    const QSqlDriver *driver = db.driver();
    const QVariant h = driver ? driver->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

int StoreShared::unstorableCharacter(QStringView value)
{
    for (const QChar c : value) {
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF || c.unicode() == 0)
            return c.unicode();
    }
    return -1;
}

Outcome StoreShared::unstorable(const QString &field, int bad)
{
    return Outcome::failure(QStringLiteral("“%1”含有无法保存的字符（U+%2），请删去后再试。未保存。")
                                .arg(field, QString::number(bad, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
}

Outcome StoreShared::checkCharacters(const QString &field, QStringView value)
{
    const int bad = unstorableCharacter(value);
    return bad < 0 ? Outcome::success() : unstorable(field, bad);
}

Waybill StoreShared::waybillFrom(const QSqlQuery &query)
{
    Waybill w;
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        const QVariant v = query.value(c);
        const QString text = StoreDialect::text(v);
        WaybillColumns::value(w, c) = v.isNull() ? QString() : text.isNull() ? QStringLiteral("") : text;
    }
    return w;
}

QVector<Waybill> StoreShared::readRows(const StoreConnection &store, QSqlQuery &query, Outcome *outcome,
                                       const KeepGoing &keepGoing)
{
    QVector<Waybill> rows;
    const Outcome result = store.exec(query);
    if (!result) {
        report(outcome, result);
        return rows;
    }
    constexpr int kRowsBetweenAsks = 512;
    for (int n = 1; query.next(); ++n) {
        rows.push_back(waybillFrom(query));
        if (keepGoing && n % kRowsBetweenAsks == 0 && !keepGoing()) {
            report(outcome, Outcome::failure(QStringLiteral("读取已取消。")));
            return rows;
        }
    }
    report(outcome, Outcome::success());
    return rows;
}

QDateTime StoreShared::fromIso(const QVariant &value)
{
    if (value.isNull())
        return {};
    QDateTime at = QDateTime::fromString(value.toString(), Qt::ISODate);
    return at.isValid() ? at.toUTC() : at;
}
