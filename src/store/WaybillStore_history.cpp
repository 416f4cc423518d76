// The history of what queries learned about each waybill.
#include "store/BoundText.h"
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;
using StoreShared::report;

namespace {

// ISO 8601 in UTC, to the second: sorts as text in time order.
QString isoUtc(const QDateTime &at)
{
    return at.toUTC().toString(Qt::ISODate);
}

QDateTime fromIso(const QVariant &value)
{
    if (value.isNull())
        return {};
    QDateTime at = QDateTime::fromString(value.toString(), Qt::ISODate);
    return at.isValid() ? at.toUTC() : at;
}

} // namespace

Outcome WaybillStore::addHistoryTable(QSqlQuery &q) const
{
    const QString table = historyTable();
    // The index serves both the details dialog (one number, newest first) and
    // the check for an unchanged state before each write. On the server a
    // table already there is left alone: a role that may only read would be
    // refused even CREATE … IF NOT EXISTS.
    const bool present = m_engine == StoreEngine::PostgreSQL && q.exec(dialect().columnsOf.arg(table)) && q.next();
    const bool ok =
        present ||
        (q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (快递单号 TEXT NOT NULL, 查询时间 TEXT NOT NULL, "
                               "最后查询 TEXT NOT NULL, 来源 TEXT NOT NULL, 状态 TEXT NOT NULL, "
                               "已签收 INTEGER NOT NULL%2)")
                    .arg(table, dialect().orderDefinition)) &&
         q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1_单号时间 ON %1 (快递单号, 查询时间)").arg(table)));
    if (!ok)
        return failure(QStringLiteral("无法添加查询记录表"), q.lastError().text());
    // Registers from before the status model get the column, empty in their old rows.
    if (!q.exec(dialect().columnsOf.arg(table)))
        return failure(QStringLiteral("无法读取表结构"), q.lastError().text());
    bool hasStatus = false;
    while (q.next())
        hasStatus = hasStatus || q.value(0).toString() == kStatusColumn;
    if (!hasStatus &&
        !q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT NOT NULL DEFAULT ''").arg(table, kStatusColumn)))
        return failure(QStringLiteral("无法添加查询记录表"), q.lastError().text());
    return Outcome::success();
}

CheckEffect WaybillStore::recordOne(QSqlDatabase &db, const StateCheck &check, Outcome *outcome)
{
    CheckEffect effect;
    QSqlQuery q(db);
    q.prepare(withText(QStringLiteral("SELECT 状态 FROM 快递单 WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(check.number));
    if (Outcome r = exec(q); !r) {
        report(outcome, r);
        return effect;
    }
    report(outcome, Outcome::success());
    if (!q.next())
        return effect;
    effect.stored = true;
    const bool wasSigned = q.value(0).toString() == kSignedFor;
    q.finish();
    if (check.signedFor) {
        q.prepare(withText(QStringLiteral("UPDATE 快递单 SET 状态 = ? WHERE 快递单号 = ?")));
        q.addBindValue(nonNull(kSignedFor));
        q.addBindValue(nonNull(check.number));
        if (Outcome r = exec(q); !r) {
            report(outcome, r);
            return effect;
        }
        effect.newlySigned = !wasSigned;
    }
    const QString table = historyTable();
    q.prepare(withText(QStringLiteral("SELECT %3, 状态, 已签收, %2 FROM %1 WHERE 快递单号 = ? "
                                      "ORDER BY 查询时间 DESC, %3 DESC LIMIT 1")
                           .arg(table, kStatusColumn, dialect().order)));
    q.addBindValue(nonNull(check.number));
    if (Outcome r = exec(q); !r) {
        report(outcome, r);
        return effect;
    }
    const QString at = isoUtc(check.at);
    const bool known = q.next();
    const QString knownStatus = known ? q.value(3).toString() : QString();
    // A row from before the status column is the same state: it learns its status.
    const bool same = known && q.value(1).toString() == check.state && q.value(2).toBool() == check.signedFor &&
                      (knownStatus == check.status || knownStatus.isEmpty() || check.status.isEmpty());
    const qint64 newest = known ? q.value(0).toLongLong() : -1;
    q.finish();
    if (same) {
        // A clock set back never moves the last check into the past.
        q.prepare(withText(QStringLiteral("UPDATE %1 SET 最后查询 = %4, %3 = ? WHERE %5 = %2")
                               .arg(table)
                               .arg(newest)
                               .arg(kStatusColumn, dialect().later.arg(QStringLiteral("最后查询"), QStringLiteral("?")),
                                    dialect().order)));
        q.addBindValue(nonNull(at));
        q.addBindValue(nonNull(check.status.isEmpty() ? knownStatus : check.status));
    } else {
        q.prepare(
            withText(QStringLiteral("INSERT INTO %1 (快递单号, 查询时间, 最后查询, 来源, 状态, 已签收, %3) "
                                    "VALUES (?, ?, ?, ?, ?, %2, ?)")
                         .arg(table, check.signedFor ? QStringLiteral("1") : QStringLiteral("0"), kStatusColumn)));
        for (const QString &value : {check.number, at, at, check.source, check.state, check.status})
            q.addBindValue(nonNull(value));
        effect.changed = known;
    }
    if (Outcome r = exec(q); !r)
        report(outcome, r);
    return effect;
}

QVector<CheckEffect> WaybillStore::recordChecks(const QVector<StateCheck> &checks, Outcome *outcome)
{
    QVector<CheckEffect> effects;
    QSqlDatabase db = database();
    // The write lock up front, with the connection's wait: a deferred
    // transaction reads first and then fails at once on a lock held elsewhere,
    // since SQLite cannot wait there without risking a deadlock.
    if (QSqlQuery begin(db); !begin.exec(dialect().beginWrite)) {
        report(outcome, failure(QStringLiteral("无法保存查询记录"), begin.lastError().text()));
        return QVector<CheckEffect>(checks.size());
    }
    for (const StateCheck &check : checks) {
        Outcome one;
        effects.push_back(recordOne(db, check, &one));
        if (!one) {
            db.rollback();
            report(outcome, one);
            return QVector<CheckEffect>(checks.size());
        }
    }
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        report(outcome, failure(QStringLiteral("无法保存查询记录"), reason));
        return QVector<CheckEffect>(checks.size());
    }
    report(outcome, Outcome::success());
    return effects;
}

CheckEffect WaybillStore::recordCheck(const StateCheck &check, Outcome *outcome)
{
    const QVector<CheckEffect> effects = recordChecks({check}, outcome);
    return effects.value(0);
}

QVector<StateEntry> WaybillStore::stateHistory(const QString &number, Outcome *outcome) const
{
    QVector<StateEntry> entries;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(withText(QStringLiteral("SELECT 查询时间, 最后查询, 来源, 状态, 已签收, %2 FROM %1 WHERE 快递单号 = ? "
                                      "ORDER BY 查询时间 DESC, %3 DESC")
                           .arg(historyTable(), kStatusColumn, dialect().order)));
    q.addBindValue(nonNull(number));
    const Outcome result = exec(q);
    report(outcome, result);
    while (result && q.next())
        entries.push_back({fromIso(q.value(0)), fromIso(q.value(1)), q.value(2).toString(), q.value(3).toString(),
                           q.value(4).toBool(), q.value(5).toString()});
    return entries;
}

CheckSummaries WaybillStore::checkSummaries(Outcome *outcome) const
{
    CheckSummaries summaries;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(dialect().newestChecks.arg(historyTable(), kStatusColumn));
    Outcome result = exec(q);
    while (result && q.next())
        summaries.insert(q.value(0).toString(),
                         {fromIso(q.value(2)), q.value(3).toString(), q.value(4).toString(), {}, fromIso(q.value(1))});
    if (result) {
        q.prepare(QStringLiteral("SELECT 快递单号, min(查询时间) FROM %1 WHERE 已签收 <> 0 GROUP BY 快递单号")
                      .arg(historyTable()));
        result = exec(q);
        while (result && q.next())
            summaries[q.value(0).toString()].signedAt = fromIso(q.value(1));
    }
    report(outcome, result);
    return summaries;
}
