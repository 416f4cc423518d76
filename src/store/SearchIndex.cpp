// The quick search's index in SQLite: an FTS5 trigram table, its triggers and its mark.
#include "store/SearchIndex.h"

#include "store/StoreDialect.h"

#include "store/BoundText.h"
#include "store/QuickSearch.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace {

const QString kIndex = QStringLiteral("快递单_查找");
const QString kMark = QStringLiteral("快递单_查找进度");
const QString kOddNumbers = QStringLiteral("快递单_异形单号");
// The mark's value once every row is indexed.
const QString kComplete = QString::number(std::numeric_limits<qint64>::max());
const QString kMarkValue = QStringLiteral("(SELECT 已索引到 FROM %1)").arg(kMark);
const QString kIsComplete = QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE 已索引到 = %2)").arg(kMark, kComplete);

QString columns(const QString &prefix = QString())
{
    QStringList out;
    for (const QString &column : QuickSearch::searchableColumns())
        out << prefix + column;
    return out.join(QStringLiteral(", "));
}

struct Piece {
    QString type;
    QString name;
    QString sql;
};

// Exactly as sqlite_master keeps them, so a changed piece is told from ours.
QVector<Piece> pieces()
{
    const QString insertNew = QStringLiteral("INSERT INTO %1(rowid, %2) SELECT new.rowid, %3 WHERE new.rowid <= %4;")
                                  .arg(kIndex, columns(), columns(QStringLiteral("new.")), kMarkValue);
    const QString deleteOld =
        QStringLiteral("INSERT INTO %1(%1, rowid, %2) SELECT 'delete', old.rowid, %3 WHERE old.rowid <= %4;")
            .arg(kIndex, columns(), columns(QStringLiteral("old.")), kMarkValue);
    return {
        {QStringLiteral("table"), kMark, QStringLiteral("CREATE TABLE %1 (已索引到 INTEGER NOT NULL)").arg(kMark)},
        {QStringLiteral("table"), kIndex,
         QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, content='快递单', tokenize='trigram')")
             .arg(kIndex, columns())},
        {QStringLiteral("trigger"), kIndex + QStringLiteral("_新增"),
         QStringLiteral("CREATE TRIGGER %1_新增 AFTER INSERT ON 快递单 BEGIN %2 END").arg(kIndex, insertNew)},
        {QStringLiteral("trigger"), kIndex + QStringLiteral("_删除"),
         QStringLiteral("CREATE TRIGGER %1_删除 AFTER DELETE ON 快递单 BEGIN %2 END").arg(kIndex, deleteOld)},
        // Only the searchable columns: storing days in transit leaves the index alone.
        {QStringLiteral("trigger"), kIndex + QStringLiteral("_修改"),
         QStringLiteral("CREATE TRIGGER %1_修改 AFTER UPDATE OF %2 ON 快递单 BEGIN %3 %4 END")
             .arg(kIndex, columns(), deleteOld, insertNew)},
    };
}

QString oddNumbersIndex()
{
    // The number search also matches the normal form of these rows; there are
    // few, and this finds them without reading the table.
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON 快递单 (快递单号) WHERE %2")
        .arg(kOddNumbers, StoreDialect::of(StoreEngine::SQLite).oddNumber);
}

bool failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = q.lastError().databaseText().isEmpty() ? q.lastError().text() : q.lastError().databaseText();
    return false;
}

bool inPlace(QSqlQuery &q, const QVector<Piece> &expected, bool *ok)
{
    QStringList names;
    for (const Piece &p : expected)
        names << QLatin1Char('\'') + p.name + QLatin1Char('\'');
    *ok = q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE name IN (%1)")
                     .arg(names.join(QLatin1Char(','))));
    int matching = 0;
    while (*ok && q.next()) {
        for (const Piece &p : expected)
            matching +=
                p.type == q.value(0).toString() && p.name == q.value(1).toString() && p.sql == q.value(2).toString();
    }
    if (!*ok || matching != expected.size())
        return false;
    // One mark, and every table of FTS5's own: a missing one fails every search.
    *ok = q.exec(QStringLiteral("SELECT (SELECT count(*) FROM %1) = 1 AND "
                                "(SELECT count(*) FROM sqlite_master WHERE name IN "
                                "('%2_data', '%2_idx', '%2_docsize', '%2_config')) = 4")
                     .arg(kMark, kIndex));
    return *ok && q.next() && q.value(0).toBool();
}

} // namespace

namespace SearchIndex {

bool install(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const QVector<Piece> expected = pieces();
    bool ok = false;
    if (inPlace(q, expected, &ok))
        return true;
    if (!ok || !q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(q, error);
    // FTS5 cannot drop its table while one of its own is missing.
    const QStringList shadows{
        QStringLiteral("CREATE TABLE IF NOT EXISTS '%1_data'(id INTEGER PRIMARY KEY, block BLOB)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS '%1_idx'(segid, term, pgno, PRIMARY KEY(segid, term)) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS '%1_docsize'(id INTEGER PRIMARY KEY, sz BLOB)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS '%1_config'(k PRIMARY KEY, v) WITHOUT ROWID"),
    };
    bool done = q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = '%1'").arg(kIndex));
    if (done && q.next()) {
        for (const QString &shadow : shadows)
            done = done && q.exec(shadow.arg(kIndex));
    }
    for (auto p = expected.crbegin(); done && p != expected.crend(); ++p)
        done = q.exec(QStringLiteral("DROP %1 IF EXISTS %2").arg(p->type.toUpper(), p->name));
    for (const Piece &p : expected)
        done = done && q.exec(p.sql);
    // An empty register is complete as it stands; rows come in by the triggers.
    // Any other is filled by indexBatch(), on a worker.
    const bool empty =
        done && q.exec(QStringLiteral("SELECT NOT EXISTS (SELECT 1 FROM 快递单)")) && q.next() && q.value(0).toBool();
    done = done &&
           q.exec(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(kMark, empty ? kComplete : QStringLiteral("0")));
    done = done && (!empty || q.exec(oddNumbersIndex()));
    if (!done) {
        failed(q, error);
        q.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return q.exec(QStringLiteral("COMMIT")) || failed(q, error);
}

std::optional<bool> isComplete(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT %1 AND EXISTS (SELECT 1 FROM sqlite_master WHERE name = '%2')")
                    .arg(kIsComplete, kOddNumbers)) ||
        !q.next()) {
        failed(q, error);
        return std::nullopt;
    }
    return q.value(0).toBool();
}

std::optional<Batch> indexBatch(QSqlDatabase &db, int rows, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        failed(q, error);
        return std::nullopt;
    }
    Batch batch;
    const auto step = [&]() -> bool {
        if (!q.exec(oddNumbersIndex()) || !q.exec(QStringLiteral("SELECT %1").arg(kMarkValue)) || !q.next())
            return false;
        const qint64 mark = q.value(0).toLongLong();
        if (QString::number(mark) == kComplete) {
            batch.complete = true;
            return true;
        }
        // The batch's last rowid, or none when the rest fits in this batch.
        if (!q.exec(QStringLiteral("SELECT rowid FROM 快递单 WHERE rowid > %1 ORDER BY rowid LIMIT 1 OFFSET %2")
                        .arg(mark)
                        .arg(rows - 1)))
            return false;
        batch.complete = !q.next();
        const QString last = batch.complete ? kComplete : QString::number(q.value(0).toLongLong());
        if (!q.exec(QStringLiteral("INSERT INTO %1(rowid, %2) SELECT rowid, %2 FROM 快递单 "
                                   "WHERE rowid > %3 AND rowid <= %4")
                        .arg(kIndex, columns())
                        .arg(mark)
                        .arg(last)))
            return false;
        batch.indexed = q.numRowsAffected();
        return q.exec(QStringLiteral("UPDATE %1 SET 已索引到 = %2").arg(kMark, last));
    };
    if (!step()) {
        failed(q, error);
        q.exec(QStringLiteral("ROLLBACK"));
        return std::nullopt;
    }
    if (!q.exec(QStringLiteral("COMMIT"))) {
        failed(q, error);
        q.exec(QStringLiteral("ROLLBACK"));
        return std::nullopt;
    }
    return batch;
}

std::optional<qint64> holdForBulk(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT %1, (SELECT coalesce(max(rowid), 0) FROM 快递单)").arg(kIsComplete)) ||
        !q.next()) {
        failed(q, error);
        return std::nullopt;
    }
    if (!q.value(0).toBool())
        return -1;
    const qint64 last = q.value(1).toLongLong();
    if (!q.exec(QStringLiteral("UPDATE %1 SET 已索引到 = %2").arg(kMark).arg(last))) {
        failed(q, error);
        return std::nullopt;
    }
    return last;
}

bool indexBulk(QSqlDatabase &db, qint64 after, QString *error)
{
    if (after < 0)
        return true;
    QSqlQuery q(db);
    return (q.exec(QStringLiteral("INSERT INTO %1(rowid, %2) SELECT rowid, %2 FROM 快递单 WHERE rowid > %3")
                       .arg(kIndex, columns())
                       .arg(after)) &&
            q.exec(QStringLiteral("UPDATE %1 SET 已索引到 = %2").arg(kMark, kComplete))) ||
           failed(q, error);
}

QString table()
{
    return kIndex;
}

QString oddNumbersTable()
{
    return kOddNumbers;
}

std::optional<QString> matchPhrase(const QString &key)
{
    // Each run of three or more characters between wildcards becomes a phrase
    // that the trigrams find at once.
    QStringList phrases;
    QString run;
    int characters = 0;
    const auto endRun = [&] {
        if (characters >= 3)
            phrases << QLatin1Char('"') + run.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        run.clear();
        characters = 0;
    };
    for (const QChar c : key) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_')) {
            endRun();
            continue;
        }
        run += c;
        characters += c.isLowSurrogate() ? 0 : 1; // FTS5 counts characters, not UTF-16 units
    }
    endRun();
    if (phrases.isEmpty())
        return std::nullopt;
    return phrases.join(QStringLiteral(" AND "));
}

std::optional<SqlCondition> rowidsContaining(const QString &column, const QString &key)
{
    // MATCH leaves out FTS5's reading of every candidate's text that LIKE on
    // the index costs, as the outer LIKE checks them.
    const std::optional<QString> phrases = matchPhrase(key);
    if (!phrases)
        return std::nullopt;
    using BoundText::kText;
    // The mark drives each branch from outside, so the branch not taken
    // never reads its table; a missing mark reads as incomplete.
    const QString mark = QStringLiteral("(SELECT coalesce(%1, 0) AS 已索引到) AS 进度 CROSS JOIN").arg(kMarkValue);
    return SqlCondition{QStringLiteral("SELECT %1.rowid FROM %5 %1 WHERE 进度.已索引到 = %4 AND %1.%2 MATCH %3 "
                                       "UNION ALL SELECT 快递单.rowid FROM %5 快递单 WHERE 进度.已索引到 <> %4 "
                                       "AND 快递单.%2 LIKE '%' || %3 || '%'")
                            .arg(kIndex, column, kText, kComplete, mark),
                        {BoundText::nonNull(*phrases), BoundText::nonNull(key)}};
}

} // namespace SearchIndex
