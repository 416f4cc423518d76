#pragma once

#include "store/StoreDialect.h"

#include <QDate>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <algorithm>
#include <iterator>

// The pieces of SQL that both files of RegisterGrid build their statements from.
namespace GridSql {

// The newest check of the row of 快递单 being read: the history's own order.
inline QString newest(const StoreDialect &d, const QString &column)
{
    return QStringLiteral("(SELECT n.%1 FROM 查询记录 n WHERE n.快递单号 = 快递单.快递单号 "
                          "ORDER BY n.查询时间 DESC, n.%2 DESC LIMIT 1)")
        .arg(column, d.order);
}

// 已签收 is an integer on both engines; PostgreSQL takes no integer for a condition.
inline const QString kSignedAt =
    QStringLiteral("(SELECT min(s.查询时间) FROM 查询记录 s WHERE s.快递单号 = 快递单.快递单号 AND s.已签收 <> 0)");

// Times in the history are UTC in ISO form, so a local day is a range of texts.
inline QString utcText(const QDate &localDay)
{
    return localDay.startOfDay().toUTC().toString(Qt::ISODate);
}

inline void bindAll(QSqlQuery &q, const QVariantList &binds)
{
    for (const QVariant &bind : binds)
        q.addBindValue(bind);
}

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

} // namespace GridSql
