// Waybill numbers compared in their normal form.
#include "store/NormalNumbers.h"

#include "store/BoundText.h"
#include "store/SearchIndex.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/Waybill.h"

#include <QSqlQuery>
#include <QVariant>

#include <optional>

using namespace BoundText;

SqlCondition NormalNumbers::matches(const QString &normal, const StoreDialect &dialect)
{
    const QVariant bound = nonNull(normal);
    return {QStringLiteral("(%1 OR (%2 AND %3))")
                .arg(dialect.contains.arg(QStringLiteral("快递单号"), kText), dialect.oddNumber,
                     dialect.contains.arg(QStringLiteral("normal_number(快递单号)"), kText)),
            {bound, bound}};
}

SqlCondition NormalNumbers::searchCondition(const QString &key, const StoreDialect &dialect)
{
    // LIKE already ignores the case of ASCII letters; blanks and full-width
    // characters of a stored number need its normal form.
    const QString normal = WaybillNumber::normalForm(key);
    const QVariant bound = nonNull(normal);
    const QString matching = matches(normal, dialect).sql;
    // The server's trigram indexes serve its ILIKE by themselves.
    const std::optional<SqlCondition> rows =
        dialect.engine == StoreEngine::SQLite
            ? SearchIndex::rowidsContaining(WaybillColumns::name(WaybillColumns::Number), normal)
            : std::nullopt;
    if (!rows)
        return {matching, {bound, bound}};
    // The odd rows come from their own small index, the others from the search index.
    return {QStringLiteral("rowid IN (%1 UNION ALL SELECT rowid FROM 快递单 WHERE %2 AND normal_number(快递单号) "
                           "LIKE '%' || %3 || '%') AND %4")
                .arg(rows->sql, dialect.oddNumber, kText, matching),
            rows->binds + QVariantList{bound, bound, bound}};
}

QSet<QString> NormalNumbers::oddStored(const StoreConnection &store, Outcome *outcome)
{
    QSet<QString> out;
    QSqlQuery q(store.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 快递单号 FROM 快递单 WHERE %1").arg(store.dialect().oddNumber));
    const Outcome result = store.exec(q);
    StoreShared::report(outcome, result);
    while (result && q.next())
        out.insert(WaybillNumber::normalForm(q.value(0).toString()));
    return out;
}
