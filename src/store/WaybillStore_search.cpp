// Reading the register: every row, a count, one number, the quick search and its index.
#include "store/BoundText.h"
#include "store/SearchIndex.h"
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>

using namespace BoundText;
using StoreShared::report;

namespace {

Waybill fromRecord(const QSqlQuery &query)
{
    Waybill w;
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        const QVariant v = query.value(c);
        const QString text = StoreDialect::text(v);
        WaybillColumns::value(w, c) = v.isNull() ? QString() : text.isNull() ? QStringLiteral("") : text;
    }
    return w;
}

} // namespace

QVector<Waybill> WaybillStore::readRows(QSqlQuery &query, Outcome *outcome, const KeepGoing &keepGoing) const
{
    QVector<Waybill> rows;
    const Outcome result = exec(query);
    if (!result) {
        report(outcome, result);
        return rows;
    }
    constexpr int kRowsBetweenAsks = 512;
    for (int n = 1; query.next(); ++n) {
        rows.push_back(fromRecord(query));
        if (keepGoing && n % kRowsBetweenAsks == 0 && !keepGoing()) {
            report(outcome, Outcome::failure(QStringLiteral("读取已取消。")));
            return rows;
        }
    }
    report(outcome, Outcome::success());
    return rows;
}

QVector<Waybill> WaybillStore::allWaybills(Outcome *outcome, const KeepGoing &keepGoing) const
{
    QVector<Waybill> rows;
    const Outcome read = eachWaybill(
        [&rows](const Waybill &w) {
            rows.push_back(w);
            return true;
        },
        keepGoing);
    report(outcome, read);
    return read ? rows : QVector<Waybill>();
}

Outcome WaybillStore::eachWaybill(const std::function<bool(const Waybill &)> &visit, const KeepGoing &keepGoing) const
{
    const Outcome stopped = Outcome::failure(QStringLiteral("读取已取消。"));
    constexpr int kRowsBetweenAsks = 512;
    const auto goOn = [&keepGoing](int n) { return !keepGoing || n % kRowsBetweenAsks != 0 || keepGoing(); };
    const QByteArray sql = (dialect().selectAll + QStringLiteral(" ORDER BY ") + dialect().order).toUtf8();
    // Straight from SQLite, without a QVariant for every value: the export
    // reads the whole register this way.
    const QVariant h = database().driver()->handle();
    if (m_engine == StoreEngine::SQLite && h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0) {
        sqlite3 *handle = *static_cast<sqlite3 *const *>(h.constData());
        sqlite3_stmt *select = nullptr;
        if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &select, nullptr) != SQLITE_OK)
            return statementFailure(QString::fromUtf8(sqlite3_errmsg(handle)));
        const auto finalize = qScopeGuard([select] { sqlite3_finalize(select); });
        int stepped = SQLITE_ROW;
        Waybill w;
        // UTF-8 as SQLite keeps it. QString::fromUtf8 drops a leading U+FEFF,
        // which is part of the value here, so such a value has a decoder of its own.
        QStringDecoder keepingBom(QStringDecoder::Utf8,
                                  QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const auto toText = [&keepingBom](const char *text, int size) {
            const QByteArrayView bytes(text, size);
            return bytes.startsWith("\xEF\xBB\xBF") ? QString(keepingBom(bytes)) : QString::fromUtf8(bytes);
        };
        for (int n = 1; (stepped = sqlite3_step(select)) == SQLITE_ROW; ++n) {
            for (int c = 0; c < WaybillColumns::Count; ++c) {
                QString &value = WaybillColumns::value(w, c);
                if (sqlite3_column_type(select, c) == SQLITE_NULL) {
                    value = QString();
                    continue;
                }
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(select, c));
                const int size = sqlite3_column_bytes(select, c);
                value = size > 0 ? toText(text, size) : QStringLiteral("");
            }
            if (!visit(w) || !goOn(n))
                return stopped;
        }
        if (stepped != SQLITE_DONE)
            return statementFailure(QString::fromUtf8(sqlite3_errmsg(handle)));
        return Outcome::success();
    }
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QString::fromUtf8(sql));
    if (const Outcome result = exec(q); !result)
        return result;
    for (int n = 1; q.next(); ++n) {
        if (!visit(fromRecord(q)) || !goOn(n))
            return stopped;
    }
    return Outcome::success();
}

QVector<Waybill> WaybillStore::summaryColumns(Outcome *outcome) const
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 状态, 快递公司, 时间, 在途时间, 快递单号 FROM 快递单"));
    QVector<Waybill> rows;
    if (const Outcome result = exec(q); !result) {
        report(outcome, result);
        return rows;
    }
    while (q.next()) {
        Waybill w;
        w.status = q.value(0).toString();
        w.carrier = q.value(1).toString();
        w.time = q.value(2).toString();
        w.daysInTransit = q.value(3).toString();
        w.number = q.value(4).toString();
        rows.push_back(std::move(w));
    }
    report(outcome, Outcome::success());
    return rows;
}

int WaybillStore::count(Outcome *outcome) const
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT count(*) FROM 快递单"));
    const Outcome result = exec(q);
    report(outcome, result);
    return result && q.next() ? q.value(0).toInt() : 0;
}

std::optional<Waybill> WaybillStore::find(const QString &number, Outcome *outcome) const
{
    QSqlQuery q(database());
    q.prepare(withText(dialect().selectAll + QStringLiteral(" WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(number));
    const Outcome result = exec(q);
    report(outcome, result);
    if (result && q.next())
        return fromRecord(q);
    return result ? findByNormalForm(number, outcome) : std::nullopt;
}

bool WaybillStore::numberExists(const QString &number, Outcome *outcome) const
{
    return find(number, outcome).has_value();
}

QStringList WaybillStore::searchableColumns()
{
    return {QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("状态"), QStringLiteral("物品"),
            QStringLiteral("姓名"),     QStringLiteral("时间"),     QStringLiteral("备注")};
}

std::optional<WaybillStore::Condition> WaybillStore::searchCondition(const QString &column, const QString &key,
                                                                     Outcome *outcome, StoreEngine engine)
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
        return Condition{dialect.never, {}};
    if (column == WaybillColumns::name(WaybillColumns::Number))
        return numberCondition(key, dialect);
    const Condition contains{dialect.contains.arg(column, kText), {nonNull(key)}};
    const std::optional<Condition> rows =
        dialect.engine == StoreEngine::SQLite ? SearchIndex::rowidsContaining(column, key) : std::nullopt;
    if (!rows)
        return contains;
    return Condition{QStringLiteral("rowid IN (%1) AND %2").arg(rows->sql, contains.sql), rows->binds + contains.binds};
}
std::optional<WaybillStore::IndexedSearch> WaybillStore::indexedSearch(const QString &column, const QString &key)
{
    if (!searchableColumns().contains(column) || key.contains(QChar(0)))
        return std::nullopt;
    const StoreDialect &dialect = StoreDialect::of(StoreEngine::SQLite);
    if (column == WaybillColumns::name(WaybillColumns::Number)) {
        const QString normal = WaybillNumber::normalForm(key);
        const std::optional<QString> phrase = SearchIndex::matchPhrase(normal);
        if (!phrase)
            return std::nullopt;
        return IndexedSearch{column, *phrase, numberMatches(normal, dialect), true};
    }
    const std::optional<QString> phrase = SearchIndex::matchPhrase(key);
    if (!phrase)
        return std::nullopt;
    return IndexedSearch{column, *phrase, {dialect.contains.arg(column, kText), {nonNull(key)}}, false};
}

Outcome WaybillStore::addSearchIndex()
{
    QSqlDatabase db = database();
    QString error;
    return SearchIndex::install(db, &error) ? Outcome::success() : failure(QStringLiteral("无法建立查找索引"), error);
}

bool WaybillStore::searchIndexComplete(Outcome *outcome) const
{
    // A server's trigram indexes are kept by the server itself: nothing to build.
    if (m_engine != StoreEngine::SQLite) {
        report(outcome, Outcome::success());
        return true;
    }
    QSqlDatabase db = database();
    QString error;
    const std::optional<bool> complete = SearchIndex::isComplete(db, &error);
    report(outcome, complete ? Outcome::success() : failure(QStringLiteral("无法读取查找索引"), error));
    return complete.value_or(false);
}

Outcome WaybillStore::buildSearchIndex(const std::function<bool(qint64, qint64)> &progress)
{
    // Batches short enough that the user's own saves wait for none of them long.
    constexpr int kBatchRows = 20000;
    QSqlDatabase db = database();
    Outcome counted;
    const qint64 total = count(&counted);
    if (!counted)
        return counted;
    qint64 done = 0;
    for (;;) {
        QString error;
        const std::optional<SearchIndex::Batch> batch = SearchIndex::indexBatch(db, kBatchRows, &error);
        if (!batch)
            return failure(QStringLiteral("无法建立查找索引"), error);
        done += batch->indexed;
        if (batch->complete)
            return Outcome::success();
        if (progress && !progress(std::min(done, total), total))
            return Outcome::failure(QStringLiteral("查找索引尚未建完。"));
    }
}

QVector<Waybill> WaybillStore::search(const QString &column, const QString &key, Outcome *outcome,
                                      const KeepGoing &keepGoing) const
{
    const std::optional<Condition> condition = searchCondition(column, key, outcome, m_engine);
    if (!condition)
        return {};
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(dialect().selectAll + QStringLiteral(" WHERE ") + condition->sql + QStringLiteral(" ORDER BY ") +
              dialect().order);
    for (const QVariant &bind : condition->binds)
        q.addBindValue(bind);
    return readRows(q, outcome, keepGoing);
}
