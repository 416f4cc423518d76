// Waybill numbers compared in their normal form. New numbers are stored in
// it; rows stored before may not be, and are matched through normal_number().
#include "store/BoundText.h"
#include "store/SearchIndex.h"
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

using namespace BoundText;

namespace {

void normalNumber(sqlite3_context *context, int, sqlite3_value **values)
{
    const void *text = sqlite3_value_text16(values[0]);
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    const auto size = sqlite3_value_bytes16(values[0]) / qsizetype(sizeof(char16_t));
    const QString normal = WaybillNumber::normalForm(QStringView(static_cast<const char16_t *>(text), size));
    sqlite3_result_text16(context, normal.utf16(), int(normal.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
}

void report(Outcome *target, const Outcome &value)
{
    if (target)
        *target = value;
}

} // namespace

bool WaybillStore::addNumberFunction(QSqlDatabase &db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *handle = *static_cast<sqlite3 *const *>(h.constData());
    return sqlite3_create_function_v2(handle, "normal_number", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                                      normalNumber, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<Waybill> WaybillStore::findByNormalForm(const QString &number, Outcome *outcome) const
{
    const QString normal = WaybillNumber::normalForm(number);
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(
        withText(dialect().selectAll + QStringLiteral(" WHERE 快递单号 = ? OR (%1 AND normal_number(快递单号) = ?) "
                                                      "ORDER BY %2 LIMIT 1")
                                           .arg(dialect().oddNumber, dialect().order)));
    q.addBindValue(nonNull(normal));
    q.addBindValue(nonNull(normal));
    const QVector<Waybill> rows = readRows(q, outcome, {});
    return rows.isEmpty() ? std::nullopt : std::optional<Waybill>(rows.first());
}

Outcome WaybillStore::numberIsNew(const QString &normal, const QString &except) const
{
    QSqlQuery q(database());
    q.prepare(
        withText(QStringLiteral("SELECT 1 FROM 快递单 WHERE (快递单号 = ? OR (%1 AND normal_number(快递单号) = ?)) "
                                "AND 快递单号 %2 ? LIMIT 1")
                     .arg(dialect().oddNumber, dialect().notSame)));
    q.addBindValue(nonNull(normal));
    q.addBindValue(nonNull(normal));
    q.addBindValue(bindable(except));
    if (Outcome result = exec(q); !result)
        return result;
    return q.next() ? Outcome::failure(QStringLiteral("快递单号已存在！")) : Outcome::success();
}

WaybillStore::Condition WaybillStore::numberMatches(const QString &normal, const StoreDialect &dialect)
{
    const QVariant bound = nonNull(normal);
    return {QStringLiteral("(%1 OR (%2 AND %3))")
                .arg(dialect.contains.arg(QStringLiteral("快递单号"), kText), dialect.oddNumber,
                     dialect.contains.arg(QStringLiteral("normal_number(快递单号)"), kText)),
            {bound, bound}};
}

WaybillStore::Condition WaybillStore::numberCondition(const QString &key, const StoreDialect &dialect)
{
    // LIKE already ignores the case of ASCII letters; blanks and full-width
    // characters of a stored number need its normal form.
    const QString normal = WaybillNumber::normalForm(key);
    const QVariant bound = nonNull(normal);
    const QString matches = numberMatches(normal, dialect).sql;
    // The server's trigram indexes serve its ILIKE by themselves.
    const std::optional<Condition> rows =
        dialect.engine == StoreEngine::SQLite
            ? SearchIndex::rowidsContaining(WaybillColumns::name(WaybillColumns::Number), normal)
            : std::nullopt;
    if (!rows)
        return {matches, {bound, bound}};
    // The odd rows come from their own small index, the others from the search index.
    return {QStringLiteral("rowid IN (%1 UNION ALL SELECT rowid FROM 快递单 WHERE %2 AND normal_number(快递单号) "
                           "LIKE '%' || %3 || '%') AND %4")
                .arg(rows->sql, dialect.oddNumber, kText, matches),
            rows->binds + QVariantList{bound, bound, bound}};
}

QSet<QString> WaybillStore::oddNumbersInNormalForm(Outcome *outcome) const
{
    QSet<QString> out;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 快递单号 FROM 快递单 WHERE %1").arg(dialect().oddNumber));
    const Outcome result = exec(q);
    report(outcome, result);
    while (result && q.next())
        out.insert(WaybillNumber::normalForm(q.value(0).toString()));
    return out;
}
