// What the management grid counts: the rows per status, the rows of a
// condition, the days in transit of the filter's rows and storing them.
#include "store/BoundText.h"
#include "store/CheckHistory.h"
#include "store/RegisterGrid.h"
#include "store/RegisterGrid_sql.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;
using namespace GridSql;
using StoreShared::report;

RegisterGrid::GridCounts RegisterGrid::gridCounts(const GridFilter &filter, Outcome *outcome) const
{
    GridCounts counts;
    const std::optional<SqlCondition> where = gridCondition(filter, false, outcome, m_store.engine());
    if (!where)
        return counts;
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT coalesce(%1, ''), count(*), sum(CASE WHEN %2 >= %3 AND %2 < %3 THEN 1 ELSE 0 END) "
                             "FROM 快递单 WHERE %4 GROUP BY 1")
                  .arg(newest(m_store.dialect(), CheckHistory::kStatusColumn), kSignedAt, kText, where->sql));
    q.addBindValue(nonNull(utcText(filter.today)));
    q.addBindValue(nonNull(utcText(filter.today.addDays(1))));
    bindAll(q, where->binds);
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    while (result && q.next()) {
        const int n = q.value(1).toInt();
        counts.byStatus.insert(q.value(0).toString(), n);
        counts.total += n;
        counts.signedToday += q.value(2).toInt();
    }
    return counts;
}

int RegisterGrid::countWhere(const SqlCondition &condition, int limit, Outcome *outcome) const
{
    QSqlQuery q(m_store.database());
    const QString rows = QStringLiteral("SELECT 1 FROM 快递单 WHERE %1%2")
                             .arg(condition.sql, limit > 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString());
    q.prepare(QStringLiteral("SELECT count(*) FROM (%1) AS found").arg(rows));
    bindAll(q, condition.binds);
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    return result && q.next() ? q.value(0).toInt() : 0;
}

QVector<QPair<qint64, DaysUpdate>> RegisterGrid::gridDays(const GridFilter &filter, qint64 afterId, int limit,
                                                          Outcome *outcome) const
{
    using Days = QPair<qint64, DaysUpdate>;
    const StoreDialect &d = m_store.dialect();
    const auto read = [&](const SqlCondition &from, const QString &order, const SqlCondition &where, Outcome *result) {
        QVector<Days> rows;
        QSqlQuery q(m_store.database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT 快递单.%1, %2, %3, %4 FROM %5 WHERE %6 > ? AND %7 ORDER BY %6 LIMIT %8")
                      .arg(d.order, d.read(QStringLiteral("快递单号")), d.read(QStringLiteral("时间")),
                           d.read(QStringLiteral("在途时间")), from.sql, order, where.sql)
                      .arg(limit));
        bindAll(q, from.binds);
        q.addBindValue(afterId);
        bindAll(q, where.binds);
        const Outcome done = m_store.exec(q);
        report(result, done);
        while (done && q.next())
            rows.push_back(
                {q.value(0).toLongLong(),
                 {StoreDialect::text(q.value(1)), q.value(2).isNull() ? QString() : StoreDialect::text(q.value(2)),
                  StoreDialect::text(q.value(3))}});
        return rows;
    };
    // Driven by the search index, a batch reads its own rows only, not every match again.
    if (const std::optional<IndexDrive> drive = indexDrive(filter, false, outcome)) {
        Outcome indexed;
        QVector<Days> rows = read(drive->from, QStringLiteral("查找.查找到"), drive->where, &indexed);
        report(outcome, indexed);
        if (!drive->oddRowsToo || !indexed)
            return rows;
        return mergeByRowid(std::move(rows),
                            read({drive->oddFrom, {}}, QStringLiteral("快递单.rowid"), drive->oddWhere, outcome), limit,
                            false, [](const Days &row) { return row.first; });
    }
    const std::optional<SqlCondition> where = gridCondition(filter, false, outcome, m_store.engine());
    if (!where)
        return {};
    return read({QStringLiteral("快递单"), {}}, QStringLiteral("快递单.") + d.order, *where, outcome);
}

std::optional<qint64> RegisterGrid::rowIdOf(const QString &number, Outcome *outcome) const
{
    QSqlQuery q(m_store.database());
    q.prepare(withText(QStringLiteral("SELECT %1 FROM 快递单 WHERE 快递单号 = ?").arg(m_store.dialect().order)));
    q.addBindValue(nonNull(number));
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    if (result && q.next())
        return q.value(0).toLongLong();
    return std::nullopt;
}

Outcome RegisterGrid::storeDaysInTransit(const QVector<DaysUpdate> &updates)
{
    QSqlDatabase db = m_store.database();
    if (!db.transaction())
        return m_store.failure(QStringLiteral("无法开始事务"), db.lastError().text());
    QSqlQuery q(db);
    q.prepare(
        withText(QStringLiteral("UPDATE 快递单 SET 在途时间 = ? WHERE 快递单号 = ? AND 时间 %1 ? AND 在途时间 %2 ?")
                     .arg(m_store.dialect().same, m_store.dialect().notSame)));
    for (const DaysUpdate &update : updates) {
        q.bindValue(0, nonNull(update.days));
        q.bindValue(1, nonNull(update.number));
        q.bindValue(2, bindable(update.time));
        q.bindValue(3, nonNull(update.days));
        if (Outcome r = m_store.exec(q); !r) {
            db.rollback();
            return r;
        }
    }
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        return m_store.failure(QStringLiteral("无法保存在途时间"), reason);
    }
    return Outcome::success();
}
