// What the management grid reads: the first screen, the ordered list of rows,
// pages of it, the counts per status and the days in transit to store; all
// under one condition built here.
#include "store/Archive.h"
#include "store/BoundText.h"
#include "store/SearchIndex.h"
#include "store/StoreDialect.h"
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <iterator>

using namespace BoundText;
using StoreShared::report;

namespace {

// The newest check of the row of 快递单 being read: the history's own order.
QString newest(const StoreDialect &d, const QString &column)
{
    return QStringLiteral("(SELECT n.%1 FROM 查询记录 n WHERE n.快递单号 = 快递单.快递单号 "
                          "ORDER BY n.查询时间 DESC, n.%2 DESC LIMIT 1)")
        .arg(column, d.order);
}

// 已签收 is an integer on both engines; PostgreSQL takes no integer for a condition.
const QString kSignedAt =
    QStringLiteral("(SELECT min(s.查询时间) FROM 查询记录 s WHERE s.快递单号 = 快递单.快递单号 AND s.已签收 <> 0)");

// Times in the history are UTC in ISO form, so a local day is a range of texts.
QString utcText(const QDate &localDay)
{
    return localDay.startOfDay().toUTC().toString(Qt::ISODate);
}

QString sortExpression(const StoreDialect &d, int column)
{
    if (column >= 0 && column < WaybillColumns::Count)
        return QStringLiteral("快递单.") + WaybillColumns::name(column);
    switch (column - WaybillColumns::Count) {
    case 0:
        return newest(d, QStringLiteral("最后查询"));
    case 1:
        return newest(d, WaybillStore::kStatusColumn);
    case 2:
        return newest(d, QStringLiteral("状态"));
    default:
        return QString();
    }
}

QString orderBy(const StoreDialect &d, const WaybillStore::GridFilter &filter)
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
            << newest(d, WaybillStore::kStatusColumn) << kSignedAt;
    return columns.join(QStringLiteral(", "));
}

QDateTime fromIso(const QVariant &value)
{
    if (value.isNull())
        return {};
    QDateTime at = QDateTime::fromString(value.toString(), Qt::ISODate);
    return at.isValid() ? at.toUTC() : at;
}

void bindAll(QSqlQuery &q, const QVariantList &binds)
{
    for (const QVariant &bind : binds)
        q.addBindValue(bind);
}

} // namespace

WaybillStore::Condition WaybillStore::archivedExpression(const QDate &today, int days)
{
    // Archived when signed for more than `days` days before today: the local
    // day of the first signed check, else the dispatch date, before the cut.
    const QDate cut = today.addDays(-days);
    return {QStringLiteral(
                "(快递单.状态 = %2 AND coalesce(%1 < %2, %1 IS NULL AND dispatch_date(快递单.时间) < %2, FALSE))")
                .arg(kSignedAt, kText),
            {nonNull(kSignedFor), nonNull(utcText(cut)), nonNull(cut.toString(Qt::ISODate))}};
}

std::optional<WaybillStore::Condition> WaybillStore::gridCondition(const GridFilter &filter, bool withTab,
                                                                   Outcome *outcome, StoreEngine engine)
{
    const StoreDialect &d = StoreDialect::of(engine);
    Condition all{QStringLiteral("TRUE"), {}};
    const auto add = [&all](const Condition &part) {
        all.sql += QStringLiteral(" AND ") + part.sql;
        all.binds += part.binds;
    };
    if (!filter.column.isEmpty()) {
        const std::optional<Condition> search = searchCondition(filter.column, filter.key, outcome, engine);
        if (!search)
            return std::nullopt;
        add({QStringLiteral("(%1)").arg(search->sql), search->binds});
    }
    report(outcome, Outcome::success());
    if (!filter.showArchived) {
        const Condition archived = archivedExpression(filter.today, filter.archiveDays);
        add({QStringLiteral("NOT ") + archived.sql, archived.binds});
    }
    if (withTab && filter.signedToday)
        add({QStringLiteral("(%1 >= %2 AND %1 < %2)").arg(kSignedAt, kText),
             {nonNull(utcText(filter.today)), nonNull(utcText(filter.today.addDays(1)))}});
    else if (withTab && filter.status)
        add({QStringLiteral("coalesce(%1, '') = %2").arg(newest(d, kStatusColumn), kText), {nonNull(*filter.status)}});
    return all;
}

QVector<WaybillStore::GridRow> WaybillStore::gridRows(const GridFilter &filter, int limit, Outcome *outcome) const
{
    if (std::optional<QVector<GridRow>> rows = gridRowsFromIndex(filter, limit, outcome))
        return std::move(*rows);
    const std::optional<Condition> where = gridCondition(filter, true, outcome, m_engine);
    if (!where)
        return {};
    return gridRowsWhere(*where, orderBy(dialect(), filter) + QStringLiteral(" LIMIT %1").arg(limit), filter, outcome);
}

std::optional<WaybillStore::IndexDrive> WaybillStore::indexDrive(const GridFilter &filter, bool withTab,
                                                                 Outcome *outcome) const
{
    if (m_engine != StoreEngine::SQLite || filter.column.isEmpty())
        return std::nullopt;
    const std::optional<IndexedSearch> search = indexedSearch(filter.column, filter.key);
    if (!search || !searchIndexComplete())
        return std::nullopt;
    GridFilter rest = filter;
    rest.column.clear();
    std::optional<Condition> where = gridCondition(rest, withTab, outcome);
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

namespace {
// The first `limit` of two lists in the same rowid order, each rowid once.
template <typename Row, typename Id>
QVector<Row> mergeByRowid(QVector<Row> a, const QVector<Row> &b, int limit, bool descending, Id id)
{
    if (b.isEmpty())
        return a;
    QVector<Row> merged;
    std::merge(a.cbegin(), a.cend(), b.cbegin(), b.cend(), std::back_inserter(merged),
               [&](const Row &x, const Row &y) { return descending ? id(x) > id(y) : id(x) < id(y); });
    merged.erase(std::unique(merged.begin(), merged.end(), [&](const Row &x, const Row &y) { return id(x) == id(y); }),
                 merged.end());
    if (merged.size() > limit)
        merged.resize(limit);
    return merged;
}
} // namespace

std::optional<QVector<WaybillStore::GridRow>> WaybillStore::gridRowsFromIndex(const GridFilter &filter, int limit,
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

QVector<WaybillStore::GridRow> WaybillStore::gridRowsById(const QVector<qint64> &ids, const GridFilter &filter,
                                                          Outcome *outcome) const
{
    if (ids.isEmpty())
        return {};
    Condition where{QStringLiteral("快递单.%1 IN (%2)")
                        .arg(dialect().order, QStringList(ids.size(), QStringLiteral("?")).join(QLatin1Char(','))),
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

QVector<WaybillStore::GridRow> WaybillStore::gridRowsWhere(const Condition &where, const QString &tail,
                                                           const GridFilter &filter, Outcome *outcome,
                                                           const Condition &from) const
{
    const Condition archived = filter.showArchived ? archivedExpression(filter.today, filter.archiveDays)
                                                   : Condition{QStringLiteral("FALSE"), {}};
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4%5")
                  .arg(gridColumns(dialect()), archived.sql, from.sql, where.sql, tail));
    bindAll(q, archived.binds);
    bindAll(q, from.binds);
    bindAll(q, where.binds);
    QVector<GridRow> rows;
    const Outcome result = exec(q);
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
        row.check.lastCheck = fromIso(q.value(kChecks));
        row.check.state = q.value(kChecks + 1).toString();
        row.check.status = q.value(kChecks + 2).toString();
        row.check.signedAt = fromIso(q.value(kChecks + 3));
        row.archived = q.value(kChecks + 4).toBool();
        rows.push_back(std::move(row));
    }
    return rows;
}

QVector<qint64> WaybillStore::gridRowIds(const GridFilter &filter, Outcome *outcome, const KeepGoing &keepGoing) const
{
    const std::optional<Condition> where = gridCondition(filter, true, outcome, m_engine);
    if (!where)
        return {};
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 快递单.%1 FROM 快递单 WHERE %2%3")
                  .arg(dialect().order, where->sql, orderBy(dialect(), filter)));
    bindAll(q, where->binds);
    QVector<qint64> ids;
    const Outcome result = exec(q);
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

WaybillStore::GridCounts WaybillStore::gridCounts(const GridFilter &filter, Outcome *outcome) const
{
    GridCounts counts;
    const std::optional<Condition> where = gridCondition(filter, false, outcome, m_engine);
    if (!where)
        return counts;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT coalesce(%1, ''), count(*), sum(CASE WHEN %2 >= %3 AND %2 < %3 THEN 1 ELSE 0 END) "
                             "FROM 快递单 WHERE %4 GROUP BY 1")
                  .arg(newest(dialect(), kStatusColumn), kSignedAt, kText, where->sql));
    q.addBindValue(nonNull(utcText(filter.today)));
    q.addBindValue(nonNull(utcText(filter.today.addDays(1))));
    bindAll(q, where->binds);
    const Outcome result = exec(q);
    report(outcome, result);
    while (result && q.next()) {
        const int n = q.value(1).toInt();
        counts.byStatus.insert(q.value(0).toString(), n);
        counts.total += n;
        counts.signedToday += q.value(2).toInt();
    }
    return counts;
}

int WaybillStore::countWhere(const Condition &condition, int limit, Outcome *outcome) const
{
    QSqlQuery q(database());
    const QString rows = QStringLiteral("SELECT 1 FROM 快递单 WHERE %1%2")
                             .arg(condition.sql, limit > 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString());
    q.prepare(QStringLiteral("SELECT count(*) FROM (%1) AS found").arg(rows));
    bindAll(q, condition.binds);
    const Outcome result = exec(q);
    report(outcome, result);
    return result && q.next() ? q.value(0).toInt() : 0;
}

QVector<QPair<qint64, DaysUpdate>> WaybillStore::gridDays(const GridFilter &filter, qint64 afterId, int limit,
                                                          Outcome *outcome) const
{
    using Days = QPair<qint64, DaysUpdate>;
    const StoreDialect &d = dialect();
    const auto read = [&](const Condition &from, const QString &order, const Condition &where, Outcome *result) {
        QVector<Days> rows;
        QSqlQuery q(database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT 快递单.%1, %2, %3, %4 FROM %5 WHERE %6 > ? AND %7 ORDER BY %6 LIMIT %8")
                      .arg(d.order, d.read(QStringLiteral("快递单号")), d.read(QStringLiteral("时间")),
                           d.read(QStringLiteral("在途时间")), from.sql, order, where.sql)
                      .arg(limit));
        bindAll(q, from.binds);
        q.addBindValue(afterId);
        bindAll(q, where.binds);
        const Outcome done = exec(q);
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
    const std::optional<Condition> where = gridCondition(filter, false, outcome, m_engine);
    if (!where)
        return {};
    return read({QStringLiteral("快递单"), {}}, QStringLiteral("快递单.") + d.order, *where, outcome);
}

std::optional<qint64> WaybillStore::rowIdOf(const QString &number, Outcome *outcome) const
{
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("SELECT %1 FROM 快递单 WHERE 快递单号 = ?").arg(dialect().order)));
    q.addBindValue(nonNull(number));
    const Outcome result = exec(q);
    report(outcome, result);
    if (result && q.next())
        return q.value(0).toLongLong();
    return std::nullopt;
}
