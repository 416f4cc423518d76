// What the management grid lists: the first screen, the ordered list of rows
// and pages of it, all under one condition built here.
#include "store/RegisterGrid.h"

#include "store/BoundText.h"
#include "store/CheckHistory.h"
#include "store/QuickSearch.h"
#include "store/RegisterGrid_sql.h"
#include "store/SearchIndex.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;
using namespace GridSql;
using StoreShared::report;

namespace {

QString sortExpression(const StoreDialect &d, int column)
{
    if (column >= 0 && column < WaybillColumns::Count)
        return QStringLiteral("快递单.") + WaybillColumns::name(column);
    switch (column - WaybillColumns::Count) {
    case 0:
        return newest(d, QStringLiteral("最后查询"));
    case 1:
        return newest(d, CheckHistory::kStatusColumn);
    case 2:
        return newest(d, QStringLiteral("状态"));
    default:
        return QString();
    }
}

QString orderBy(const StoreDialect &d, const RegisterGrid::GridFilter &filter)
{
    const QString direction = filter.descending ? QStringLiteral(" DESC") : QString();
    const QString sort = sortExpression(d, filter.sortColumn);
    return QStringLiteral(" ORDER BY ") + (sort.isEmpty() ? QString() : sort + direction + QStringLiteral(", ")) +
           QStringLiteral("快递单.") + d.order + direction;
}

QString gridColumns(const StoreDialect &d)
{
    QStringList columns{QStringLiteral("快递单.") + d.order};
    for (const QString &name : WaybillColumns::names())
        columns << d.read(QStringLiteral("快递单.") + name);
    // Subqueries rather than a join: the search condition names 快递单's columns bare.
    columns << newest(d, QStringLiteral("最后查询")) << newest(d, QStringLiteral("状态"))
            << newest(d, CheckHistory::kStatusColumn) << kSignedAt;
    return columns.join(QStringLiteral(", "));
}

} // namespace

SqlCondition RegisterGrid::archivedExpression(const QDate &today, int days)
{
    // Archived when signed for more than `days` days before today: the local
    // day of the first signed check, else the dispatch date, before the cut.
    const QDate cut = today.addDays(-days);
    return {QStringLiteral(
                "(快递单.状态 = %2 AND coalesce(%1 < %2, %1 IS NULL AND dispatch_date(快递单.时间) < %2, FALSE))")
                .arg(kSignedAt, kText),
            {nonNull(kSignedFor), nonNull(utcText(cut)), nonNull(cut.toString(Qt::ISODate))}};
}

std::optional<SqlCondition> RegisterGrid::gridCondition(const GridFilter &filter, bool withTab, Outcome *outcome,
                                                        StoreEngine engine)
{
    const StoreDialect &d = StoreDialect::of(engine);
    SqlCondition all{QStringLiteral("TRUE"), {}};
    const auto add = [&all](const SqlCondition &part) {
        all.sql += QStringLiteral(" AND ") + part.sql;
        all.binds += part.binds;
    };
    if (!filter.column.isEmpty()) {
        const std::optional<SqlCondition> search =
            QuickSearch::searchCondition(filter.column, filter.key, outcome, engine);
        if (!search)
            return std::nullopt;
        add({QStringLiteral("(%1)").arg(search->sql), search->binds});
    }
    report(outcome, Outcome::success());
    if (!filter.showArchived) {
        const SqlCondition archived = archivedExpression(filter.today, filter.archiveDays);
        add({QStringLiteral("NOT ") + archived.sql, archived.binds});
    }
    if (withTab && filter.signedToday)
        add({QStringLiteral("(%1 >= %2 AND %1 < %2)").arg(kSignedAt, kText),
             {nonNull(utcText(filter.today)), nonNull(utcText(filter.today.addDays(1)))}});
    else if (withTab && filter.status)
        add({QStringLiteral("coalesce(%1, '') = %2").arg(newest(d, CheckHistory::kStatusColumn), kText),
             {nonNull(*filter.status)}});
    return all;
}

QVector<RegisterGrid::GridRow> RegisterGrid::gridRows(const GridFilter &filter, int limit, Outcome *outcome) const
{
    if (std::optional<QVector<GridRow>> rows = gridRowsFromIndex(filter, limit, outcome))
        return std::move(*rows);
    const std::optional<SqlCondition> where = gridCondition(filter, true, outcome, m_store.engine());
    if (!where)
        return {};
    return gridRowsWhere(*where, orderBy(m_store.dialect(), filter) + QStringLiteral(" LIMIT %1").arg(limit), filter,
                         outcome);
}

std::optional<RegisterGrid::IndexDrive> RegisterGrid::indexDrive(const GridFilter &filter, bool withTab,
                                                                 Outcome *outcome) const
{
    if (m_store.engine() != StoreEngine::SQLite || filter.column.isEmpty())
        return std::nullopt;
    const std::optional<QuickSearch::IndexedSearch> search = QuickSearch::indexedSearch(filter.column, filter.key);
    if (!search || !QuickSearch(m_store).searchIndexComplete())
        return std::nullopt;
    GridFilter rest = filter;
    rest.column.clear();
    std::optional<SqlCondition> where = gridCondition(rest, withTab, outcome);
    if (!where)
        return std::nullopt;
    where->sql += QStringLiteral(" AND ") + search->recheck.sql;
    where->binds += search->recheck.binds;
    IndexDrive drive;
    // A subquery, as the search condition names 快递单's columns bare, and so do the index's.
    drive.from = {QStringLiteral("(SELECT rowid AS 查找到 FROM %1 WHERE %1.%2 MATCH %3) AS 查找 CROSS JOIN 快递单 "
                                 "ON 快递单.rowid = 查找.查找到")
                      .arg(SearchIndex::table(), search->column, kText),
                  {nonNull(search->phrase)}};
    drive.where = *where;
    // Numbers that differ from their normal form are not in the index as the
    // key reads; the few there are come from their own index.
    drive.oddRowsToo = search->oddRowsToo;
    drive.oddFrom = QStringLiteral("快递单 INDEXED BY %1").arg(SearchIndex::oddNumbersTable());
    drive.oddWhere = {StoreDialect::of(StoreEngine::SQLite).oddNumber + QStringLiteral(" AND ") + where->sql,
                      where->binds};
    return drive;
}

std::optional<QVector<RegisterGrid::GridRow>> RegisterGrid::gridRowsFromIndex(const GridFilter &filter, int limit,
                                                                              Outcome *outcome) const
{
    // `rowid IN (MATCH …)` builds the whole set of matches before the LIMIT;
    // read from the index in rowid order, the first screen stops at its last row.
    if (filter.sortColumn >= 0)
        return std::nullopt;
    const std::optional<IndexDrive> drive = indexDrive(filter, true, outcome);
    if (!drive)
        return std::nullopt;
    const auto tail = [&](const QString &rowid) -> QString {
        return QStringLiteral(" ORDER BY ") + rowid + (filter.descending ? QStringLiteral(" DESC") : QString()) +
               QStringLiteral(" LIMIT ") + QString::number(limit);
    };
    Outcome read;
    QVector<GridRow> rows =
        gridRowsWhere(drive->where, tail(QStringLiteral("查找.查找到")), filter, &read, drive->from);
    report(outcome, read);
    if (!drive->oddRowsToo || !read)
        return rows;
    return mergeByRowid(
        std::move(rows),
        gridRowsWhere(drive->oddWhere, tail(QStringLiteral("快递单.rowid")), filter, outcome, {drive->oddFrom, {}}),
        limit, filter.descending, [](const GridRow &row) { return row.id; });
}

QVector<RegisterGrid::GridRow> RegisterGrid::gridRowsById(const QVector<qint64> &ids, const GridFilter &filter,
                                                          Outcome *outcome) const
{
    if (ids.isEmpty())
        return {};
    SqlCondition where{
        QStringLiteral("快递单.%1 IN (%2)")
            .arg(m_store.dialect().order, QStringList(ids.size(), QStringLiteral("?")).join(QLatin1Char(','))),
        {}};
    for (const qint64 id : ids)
        where.binds << id;
    const QVector<GridRow> found = gridRowsWhere(where, QString(), filter, outcome);
    QHash<qint64, int> at;
    for (int i = 0; i < found.size(); ++i)
        at.insert(found[i].id, i);
    QVector<GridRow> rows;
    rows.reserve(ids.size());
    for (const qint64 id : ids)
        if (const auto i = at.constFind(id); i != at.cend())
            rows.push_back(found[*i]);
    return rows;
}

QVector<RegisterGrid::GridRow> RegisterGrid::gridRowsWhere(const SqlCondition &where, const QString &tail,
                                                           const GridFilter &filter, Outcome *outcome,
                                                           const SqlCondition &from) const
{
    const SqlCondition archived = filter.showArchived ? archivedExpression(filter.today, filter.archiveDays)
                                                      : SqlCondition{QStringLiteral("FALSE"), {}};
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4%5")
                  .arg(gridColumns(m_store.dialect()), archived.sql, from.sql, where.sql, tail));
    bindAll(q, archived.binds);
    bindAll(q, from.binds);
    bindAll(q, where.binds);
    QVector<GridRow> rows;
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    while (result && q.next()) {
        GridRow row;
        row.id = q.value(0).toLongLong();
        for (int c = 0; c < WaybillColumns::Count; ++c) {
            const QVariant v = q.value(c + 1);
            const QString text = StoreDialect::text(v);
            WaybillColumns::value(row.waybill, c) = v.isNull() ? QString() : text.isNull() ? QStringLiteral("") : text;
        }
        constexpr int kChecks = WaybillColumns::Count + 1;
        row.check.lastCheck = StoreShared::fromIso(q.value(kChecks));
        row.check.state = q.value(kChecks + 1).toString();
        row.check.status = q.value(kChecks + 2).toString();
        row.check.signedAt = StoreShared::fromIso(q.value(kChecks + 3));
        row.archived = q.value(kChecks + 4).toBool();
        rows.push_back(std::move(row));
    }
    return rows;
}

QVector<qint64> RegisterGrid::gridRowIds(const GridFilter &filter, Outcome *outcome, const KeepGoing &keepGoing) const
{
    const std::optional<SqlCondition> where = gridCondition(filter, true, outcome, m_store.engine());
    if (!where)
        return {};
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 快递单.%1 FROM 快递单 WHERE %2%3")
                  .arg(m_store.dialect().order, where->sql, orderBy(m_store.dialect(), filter)));
    bindAll(q, where->binds);
    QVector<qint64> ids;
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    constexpr int kRowsBetweenAsks = 4096;
    for (int n = 1; result && q.next(); ++n) {
        ids.push_back(q.value(0).toLongLong());
        if (keepGoing && n % kRowsBetweenAsks == 0 && !keepGoing()) {
            report(outcome, Outcome::failure(QStringLiteral("读取已取消。")));
            return {};
        }
    }
    return ids;
}
