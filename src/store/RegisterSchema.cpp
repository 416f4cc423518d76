// The register's tables: made whole in a new file or an empty server
// database, and the checks and additions of opening that both engines share.
#include "store/RegisterSchema.h"

#include "store/CheckHistory.h"
#include "store/QuickSearch.h"
#include "store/SearchIndex.h"
#include "store/StoreConnection.h"
#include "store/StoreFailure.h"
#include "store/StoreShared.h"
#include "store/Waybill.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using StoreShared::isBusy;

namespace {

QAtomicInt connectionCounter;

QString columnDefinition(int column)
{
    const QString name = WaybillColumns::name(column);
    return QStringLiteral("%1 VARCHAR(%2)%3 CHECK (length(%1) <= %2)")
        .arg(name)
        .arg(WaybillColumns::maxLength(column))
        .arg(WaybillColumns::required(column) ? QStringLiteral(" NOT NULL") : QString());
}

QString registerTableDefinition(const StoreDialect &dialect = StoreDialect::of(StoreEngine::SQLite))
{
    QStringList parts;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        parts << columnDefinition(c);
    parts << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (快递单号)%2")
                 .arg(dialect.keyConstraint(QStringLiteral("快递单")), dialect.orderDefinition);
    return QStringLiteral("CREATE TABLE 快递单 (%1)").arg(parts.join(QStringLiteral(", ")));
}

QString tempTableDefinition(const StoreDialect &dialect = StoreDialect::of(StoreEngine::SQLite))
{
    return QStringLiteral("CREATE TABLE Temp (快递单号 VARCHAR(255) NOT NULL CHECK (length(快递单号) <= 255), "
                          "快递公司 VARCHAR(255) NOT NULL CHECK (length(快递公司) <= 255), "
                          "CONSTRAINT %1 PRIMARY KEY (快递单号)%2)")
        .arg(dialect.keyConstraint(QStringLiteral("Temp")), dialect.orderDefinition);
}

// The name a register is built under before it is renamed into place.
QString buildingName(const QString &path)
{
    return path + QStringLiteral(".building");
}

// A file that SQLite reads as a database without a single table. A hot
// journal of an interrupted creation is rolled back by the read.
bool holdsNoTable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (info.size() == 0)
        return true;
    const QString name = QStringLiteral("tolvane-probe-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    bool empty = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            empty = q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && q.next() && q.value(0).toInt() == 0;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return empty;
}

} // namespace

Outcome RegisterSchema::createDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        return Outcome::failure(QStringLiteral("数据库 %1 已存在，不会被覆盖。").arg(path));
    const QString building = buildingName(path);
    StoreShared::removeWithJournals(building);
    const QString name = QStringLiteral("tolvane-create-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    Outcome result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(building);
        if (!db.open()) {
            result = Outcome::failure(QStringLiteral("无法创建数据库 %1：%2").arg(path, db.lastError().text()));
        } else {
            QSqlQuery q(db);
            // Values are bound as UTF-8 bytes and cast to text, which only
            // keeps them as they are when the file's own encoding is UTF-8.
            const bool ok = q.exec(QStringLiteral("PRAGMA encoding = 'UTF-8'")) && db.transaction() &&
                            q.exec(registerTableDefinition()) && q.exec(tempTableDefinition()) && db.commit();
            if (!ok) {
                const QString reason = q.lastError().text().isEmpty() ? db.lastError().text() : q.lastError().text();
                db.rollback();
                result =
                    Outcome::failure(QStringLiteral("无法创建数据库 %1：%2").arg(path, StoreFailure::fromText(reason)));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    // Only a complete file takes the register's name; the rename never
    // replaces a file that appeared meanwhile.
    if (result && !QFile::rename(building, path))
        result = Outcome::failure(QStringLiteral("无法创建数据库 %1：不能把新文件改为这个名字。").arg(path));
    StoreShared::removeWithJournals(building);
    return result;
}

Outcome RegisterSchema::createIfMissing(const QString &path, bool *created)
{
    if (created)
        *created = false;
    StoreShared::removeWithJournals(buildingName(path));
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!holdsNoTable(path))
            return Outcome::success();
        StoreShared::removeWithJournals(path);
    }
    Outcome made = createDatabase(path);
    if (made && created)
        *created = true;
    return made;
}

QString RegisterSchema::flagTableDefinition()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (快递单号 TEXT NOT NULL, 标记 TEXT NOT NULL, "
                          "起始 TEXT NOT NULL, PRIMARY KEY (快递单号, 标记))")
        .arg(CheckHistory::flagTable());
}

Outcome RegisterSchema::setUpFile(QSqlDatabase &db) const
{
    const QString path = m_store.path();
    if (!addNumberFunction(db))
        return Outcome::failure(QStringLiteral("无法打开数据库 %1：SQLite 不接受函数 normal_number").arg(path));
    if (!addDateFunction(db))
        return Outcome::failure(QStringLiteral("无法打开数据库 %1：SQLite 不接受函数 dispatch_date").arg(path));
    QSqlQuery q(db);
    if (!q.exec(m_store.dialect().ourTables)) {
        if (isBusy(q.lastError()))
            return Outcome::failure(StoreShared::inUse(path));
        return Outcome::failure(QStringLiteral("数据库 %1 已损坏或不是本程序的数据库，程序不会改动它。"
                                               "请把它移走（或换成备份）后再启动，程序会新建数据库。")
                                    .arg(path));
    }
    int tables = 0;
    while (q.next())
        ++tables;
    if (tables != 2) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 缺少快递单或 Temp 表，不是本程序的数据库，程序不会改动它。").arg(path));
    }
    if (Outcome layout = checkLayout(q); !layout)
        return layout;
    // A write lock held elsewhere shows here rather than at the first save.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        if (isBusy(q.lastError()))
            return Outcome::failure(StoreShared::inUse(path));
        return Outcome::failure(QStringLiteral("数据库 %1 无法写入：%2").arg(path, q.lastError().databaseText()));
    }
    q.exec(QStringLiteral("ROLLBACK"));
    if (Outcome history = addHistoryTable(q); !history)
        return history;
    q.finish(); // a statement left open would keep the index's tables from being dropped
    return addSearchIndex();
}

Outcome RegisterSchema::createServerTables(QSqlQuery &q) const
{
    const StoreDialect &d = m_store.dialect();
    if (!q.exec(QStringLiteral("BEGIN")))
        return m_store.failure(QStringLiteral("无法创建数据库"), q.lastError().databaseText());
    if (!q.exec(registerTableDefinition(d)) || !q.exec(tempTableDefinition(d)) || !q.exec(numberFunctionDefinition()) ||
        !q.exec(dateFunctionDefinition()) || !q.exec(QStringLiteral("COMMIT"))) {
        const QString reason = q.lastError().databaseText();
        q.exec(QStringLiteral("ROLLBACK"));
        return m_store.failure(QStringLiteral("无法创建数据库"), reason);
    }
    // The search's "contains" reads every row without a trigram index. Only
    // speed depends on it: a server without pg_trgm (or a role that may not
    // add it) searches all the same.
    if (q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"))) {
        for (const QString &column : QuickSearch::searchableColumns())
            q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS 快递单_%1_包含 ON 快递单 USING gin (%1 gin_trgm_ops)")
                       .arg(column));
    }
    return Outcome::success();
}

Outcome RegisterSchema::checkLayout(QSqlQuery &q) const
{
    const StoreDialect &d = m_store.dialect();
    const QVector<QPair<QString, QStringList>> expected{
        {QStringLiteral("快递单"), WaybillColumns::names()},
        {QStringLiteral("Temp"), {QStringLiteral("快递单号"), QStringLiteral("快递公司")}},
    };
    for (const auto &[table, columns] : expected) {
        if (!q.exec(d.columnsOf.arg(d.storedName(table))))
            return m_store.failure(QStringLiteral("无法读取表结构"), q.lastError().databaseText());
        QStringList found;
        while (q.next())
            found << q.value(0).toString();
        if (found != columns) {
            return Outcome::failure(
                QStringLiteral("数据库 %1 的表“%2”的列与本程序不符（应为 %3，实为 %4），"
                               "不是本程序的数据库，程序不会改动它。")
                    .arg(m_store.path(), table, columns.join(QStringLiteral("、")), found.join(QStringLiteral("、"))));
        }
    }
    if (q.exec(d.encoding) && q.next() && q.value(0).toString() != d.utf8) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 的文字编码是 %2，本程序只能使用 UTF-8 编码的数据库，程序不会改动它。")
                .arg(m_store.path(), q.value(0).toString()));
    }
    return Outcome::success();
}

Outcome RegisterSchema::addHistoryTable(QSqlQuery &q) const
{
    const StoreDialect &d = m_store.dialect();
    const QString table = CheckHistory::historyTable();
    const QString &status = CheckHistory::kStatusColumn;
    // The index serves both the details dialog (one number, newest first) and
    // the check for an unchanged state before each write. On the server a
    // table already there is left alone: a role that may only read would be
    // refused even CREATE … IF NOT EXISTS.
    const bool present = m_store.engine() == StoreEngine::PostgreSQL && q.exec(d.columnsOf.arg(table)) && q.next();
    const bool ok =
        present ||
        (q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (快递单号 TEXT NOT NULL, 查询时间 TEXT NOT NULL, "
                               "最后查询 TEXT NOT NULL, 来源 TEXT NOT NULL, 状态 TEXT NOT NULL, "
                               "已签收 INTEGER NOT NULL%2)")
                    .arg(table, d.orderDefinition)) &&
         q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1_单号时间 ON %1 (快递单号, 查询时间)").arg(table)));
    if (!ok)
        return m_store.failure(QStringLiteral("无法添加查询记录表"), q.lastError().text());
    // Registers from before the status model get the column, empty in their old rows.
    if (!q.exec(d.columnsOf.arg(table)))
        return m_store.failure(QStringLiteral("无法读取表结构"), q.lastError().text());
    bool hasStatus = false;
    while (q.next())
        hasStatus = hasStatus || q.value(0).toString() == status;
    if (!hasStatus &&
        !q.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT NOT NULL DEFAULT ''").arg(table, status)))
        return m_store.failure(QStringLiteral("无法添加查询记录表"), q.lastError().text());
    return Outcome::success();
}

Outcome RegisterSchema::addSearchIndex() const
{
    QSqlDatabase db = m_store.database();
    QString error;
    return SearchIndex::install(db, &error) ? Outcome::success()
                                            : m_store.failure(QStringLiteral("无法建立查找索引"), error);
}
