// The quick search and its index.
#include "store/QuickSearch.h"

#include "store/BoundText.h"
#include "store/NormalNumbers.h"
#include "store/SearchIndex.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/Waybills.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

using namespace BoundText;
using StoreShared::report;

QStringList QuickSearch::searchableColumns()
{
    return {QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("状态"), QStringLiteral("物品"),
            QStringLiteral("姓名"),     QStringLiteral("时间"),     QStringLiteral("备注")};
}

std::optional<SqlCondition> QuickSearch::searchCondition(const QString &column, const QString &key, Outcome *outcome,
                                                         StoreEngine engine)
{
    const StoreDialect &dialect = StoreDialect::of(engine);
    // The column is spliced into the statement, so only known names pass.
    if (!searchableColumns().contains(column)) {
        report(outcome, Outcome::failure(QStringLiteral("不能按“%1”查找。").arg(column)));
        return std::nullopt;
    }
    report(outcome, Outcome::success());
    // SQLite's LIKE reads its pattern up to the first NUL, so such a key would
    // match every row; no stored value holds one.
    if (key.contains(QChar(0)))
        return SqlCondition{dialect.never, {}};
    if (column == WaybillColumns::name(WaybillColumns::Number))
        return NormalNumbers::searchCondition(key, dialect);
    const SqlCondition contains{dialect.contains.arg(column, kText), {nonNull(key)}};
    const std::optional<SqlCondition> rows =
        dialect.engine == StoreEngine::SQLite ? SearchIndex::rowidsContaining(column, key) : std::nullopt;
    if (!rows)
        return contains;
    return SqlCondition{QStringLiteral("rowid IN (%1) AND %2").arg(rows->sql, contains.sql),
                        rows->binds + contains.binds};
}

std::optional<QuickSearch::IndexedSearch> QuickSearch::indexedSearch(const QString &column, const QString &key)
{
    if (!searchableColumns().contains(column) || key.contains(QChar(0)))
        return std::nullopt;
    const StoreDialect &dialect = StoreDialect::of(StoreEngine::SQLite);
    if (column == WaybillColumns::name(WaybillColumns::Number)) {
        const QString normal = WaybillNumber::normalForm(key);
        const std::optional<QString> phrase = SearchIndex::matchPhrase(normal);
        if (!phrase)
            return std::nullopt;
        return IndexedSearch{column, *phrase, NormalNumbers::matches(normal, dialect), true};
    }
    const std::optional<QString> phrase = SearchIndex::matchPhrase(key);
    if (!phrase)
        return std::nullopt;
    return IndexedSearch{column, *phrase, {dialect.contains.arg(column, kText), {nonNull(key)}}, false};
}

bool QuickSearch::searchIndexComplete(Outcome *outcome) const
{
    // A server's trigram indexes are kept by the server itself: nothing to build.
    if (m_store.engine() != StoreEngine::SQLite) {
        report(outcome, Outcome::success());
        return true;
    }
    QSqlDatabase db = m_store.database();
    QString error;
    const std::optional<bool> complete = SearchIndex::isComplete(db, &error);
    report(outcome, complete ? Outcome::success() : m_store.failure(QStringLiteral("无法读取查找索引"), error));
    return complete.value_or(false);
}

Outcome QuickSearch::buildSearchIndex(const std::function<bool(qint64, qint64)> &progress)
{
    // Batches short enough that the user's own saves wait for none of them long.
    constexpr int kBatchRows = 20000;
    QSqlDatabase db = m_store.database();
    Outcome counted;
    const qint64 total = Waybills(m_store).count(&counted);
    if (!counted)
        return counted;
    qint64 done = 0;
    for (;;) {
        QString error;
        const std::optional<SearchIndex::Batch> batch = SearchIndex::indexBatch(db, kBatchRows, &error);
        if (!batch)
            return m_store.failure(QStringLiteral("无法建立查找索引"), error);
        done += batch->indexed;
        if (batch->complete)
            return Outcome::success();
        if (progress && !progress(std::min(done, total), total))
            return Outcome::failure(QStringLiteral("查找索引尚未建完。"));
    }
}

QVector<Waybill> QuickSearch::search(const QString &column, const QString &key, Outcome *outcome,
                                     const KeepGoing &keepGoing) const
{
    const std::optional<SqlCondition> condition = searchCondition(column, key, outcome, m_store.engine());
    if (!condition)
        return {};
    const StoreDialect &d = m_store.dialect();
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(d.selectAll + QStringLiteral(" WHERE ") + condition->sql + QStringLiteral(" ORDER BY ") + d.order);
    for (const QVariant &bind : condition->binds)
        q.addBindValue(bind);
    return StoreShared::readRows(m_store, q, outcome, keepGoing);
}
