// The history of what queries learned about each waybill.
#include "store/CheckHistory.h"

#include "store/BoundText.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/Waybill.h"

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

} // namespace

CheckEffect CheckHistory::recordOne(QSqlDatabase &db, const StateCheck &check, Outcome *outcome)
{
    CheckEffect effect;
    QSqlQuery q(db);
    q.prepare(withText(QStringLiteral("SELECT 状态 FROM 快递单 WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(check.number));
    if (Outcome r = m_store.exec(q); !r) {
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
        if (Outcome r = m_store.exec(q); !r) {
            report(outcome, r);
            return effect;
        }
        effect.newlySigned = !wasSigned;
    }
    const QString table = historyTable();
    q.prepare(withText(QStringLiteral("SELECT %3, 状态, 已签收, %2 FROM %1 WHERE 快递单号 = ? "
                                      "ORDER BY 查询时间 DESC, %3 DESC LIMIT 1")
                           .arg(table, kStatusColumn, m_store.dialect().order)));
    q.addBindValue(nonNull(check.number));
    if (Outcome r = m_store.exec(q); !r) {
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
                               .arg(kStatusColumn,
                                    m_store.dialect().later.arg(QStringLiteral("最后查询"), QStringLiteral("?")),
                                    m_store.dialect().order)));
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
    if (Outcome r = m_store.exec(q); !r)
        report(outcome, r);
    return effect;
}

QVector<CheckEffect> CheckHistory::recordChecks(const QVector<StateCheck> &checks, Outcome *outcome)
{
    QVector<CheckEffect> effects;
    QSqlDatabase db = m_store.database();
    // The write lock up front, with the connection's wait: a deferred
    // transaction reads first and then fails at once on a lock held elsewhere,
    // since SQLite cannot wait there without risking a deadlock.
    if (QSqlQuery begin(db); !begin.exec(m_store.dialect().beginWrite)) {
        report(outcome, m_store.failure(QStringLiteral("无法保存查询记录"), begin.lastError().text()));
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
        report(outcome, m_store.failure(QStringLiteral("无法保存查询记录"), reason));
        return QVector<CheckEffect>(checks.size());
    }
    report(outcome, Outcome::success());
    return effects;
}

CheckEffect CheckHistory::recordCheck(const StateCheck &check, Outcome *outcome)
{
    const QVector<CheckEffect> effects = recordChecks({check}, outcome);
    return effects.value(0);
}

QVector<StateEntry> CheckHistory::stateHistory(const QString &number, Outcome *outcome) const
{
    QVector<StateEntry> entries;
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(withText(QStringLiteral("SELECT 查询时间, 最后查询, 来源, 状态, 已签收, %2 FROM %1 WHERE 快递单号 = ? "
                                      "ORDER BY 查询时间 DESC, %3 DESC")
                           .arg(historyTable(), kStatusColumn, m_store.dialect().order)));
    q.addBindValue(nonNull(number));
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    while (result && q.next())
        entries.push_back({StoreShared::fromIso(q.value(0)), StoreShared::fromIso(q.value(1)), q.value(2).toString(),
                           q.value(3).toString(), q.value(4).toBool(), q.value(5).toString()});
    return entries;
}

CheckSummaries CheckHistory::checkSummaries(Outcome *outcome) const
{
    CheckSummaries summaries;
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(m_store.dialect().newestChecks.arg(historyTable(), kStatusColumn));
    Outcome result = m_store.exec(q);
    while (result && q.next())
        summaries.insert(q.value(0).toString(), {StoreShared::fromIso(q.value(2)),
                                                 q.value(3).toString(),
                                                 q.value(4).toString(),
                                                 {},
                                                 StoreShared::fromIso(q.value(1))});
    if (result) {
        q.prepare(QStringLiteral("SELECT 快递单号, min(查询时间) FROM %1 WHERE 已签收 <> 0 GROUP BY 快递单号")
                      .arg(historyTable()));
        result = m_store.exec(q);
        while (result && q.next())
            summaries[q.value(0).toString()].signedAt = StoreShared::fromIso(q.value(1));
    }
    report(outcome, result);
    return summaries;
}
