// The register's file: its connection, creating it whole, opening and checking it.
#include "store/WaybillStore.h"
#include "store/StoreFailure.h"
#include "store/WaybillStore_shared.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

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

} // namespace

WaybillStore::WaybillStore()
    : m_connection(QStringLiteral("tolvane-store-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

WaybillStore::~WaybillStore()
{
    close();
}

QSqlDatabase WaybillStore::database() const
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // The use after a broken connection opens it again; failing that, the
    // statement fails and says the connection is gone.
    if (m_broken && db.isValid()) {
        db.close();
        if (db.open()) {
            m_broken = false;
            QSqlQuery(db).exec(QStringLiteral("SET client_min_messages = warning"));
        }
    }
    return db;
}

bool WaybillStore::connectionBroke(const QSqlError &error) const
{
    if (m_engine != StoreEngine::PostgreSQL)
        return false;
    // 08: connection exceptions; 57P01-57P03: the server ends or refuses the session.
    const QString code = error.nativeErrorCode();
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        return true;
    if (!code.isEmpty())
        return false;
    // libpq's own failures carry no code: a broken socket is told by a
    // connection that can no longer answer the plainest question.
    // (Inside a failed transaction the server still answers, with a code.)
    QSqlQuery probe(QSqlDatabase::database(m_connection, false));
    return !probe.exec(QStringLiteral("SELECT 1")) && probe.lastError().nativeErrorCode().isEmpty();
}

Outcome WaybillStore::lostConnection(const QString &detail) const
{
    m_broken = true;
    return Outcome::failure(QStringLiteral("%1，这一步没有完成，没有保存任何改动（数据库 %2）。"
                                           "服务器恢复后程序会自动重新连接：%3")
                                .arg(kConnectionLost, m_path, detail.trimmed()));
}

Outcome WaybillStore::failure(const QString &what, const QString &detail) const
{
    // Transactions fail on the connection itself, not through exec().
    if (m_broken || (database().lastError().type() != QSqlError::NoError && connectionBroke(database().lastError())))
        return lostConnection(detail);
    // A full disk may reach SQLite as an I/O error; errno tells them apart.
    int systemError = 0;
    if (const QVariant h = database().driver()->handle(); h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        if (sqlite3 *handle = *static_cast<sqlite3 *const *>(h.constData()))
            systemError = sqlite3_system_errno(handle);
    return Outcome::failure(
        QStringLiteral("%1（数据库 %2）：%3").arg(what, m_path, StoreFailure::fromText(detail, systemError)));
}

Outcome WaybillStore::exec(QSqlQuery &query) const
{
    if (m_engine != StoreEngine::SQLite) {
        const QVariantList bound = query.boundValues();
        for (int i = 0; i < bound.size(); ++i)
            query.bindValue(i, dialect().boundText(bound[i]));
    }
    if (query.exec())
        return Outcome::success();
    const QSqlError error = query.lastError();
    // PostgreSQL words its messages in the server's language; its codes stay.
    if (m_engine == StoreEngine::PostgreSQL && error.nativeErrorCode() == QLatin1String("23505"))
        return Outcome::failure(QStringLiteral("快递单号已存在！"));
    if (m_engine == StoreEngine::PostgreSQL && StoreShared::isDenied(error))
        return Outcome::failure(StoreShared::deniedText());
    if (connectionBroke(error))
        return lostConnection(error.databaseText().isEmpty() ? error.text() : error.databaseText());
    return statementFailure(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

// What SQLite said of a failed statement, in the user's words.
Outcome WaybillStore::statementFailure(const QString &text) const
{
    if (text.contains(QLatin1String("UNIQUE constraint failed")))
        return Outcome::failure(QStringLiteral("快递单号已存在！"));
    if (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy")))
        return failure(QStringLiteral("数据库正被其他程序占用，请稍后再试"), text);
    return failure(QStringLiteral("数据库操作失败"), text);
}

namespace {

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

void StoreShared::removeWithJournals(const QString &path)
{
    for (const QString &suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

Outcome WaybillStore::createDatabase(const QString &path)
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

Outcome WaybillStore::createIfMissing(const QString &path, bool *created)
{
    if (created)
        *created = false;
    StoreShared::removeWithJournals(buildingName(path));
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!holdsNoTable(path))
            return Outcome::success();
        StoreShared::removeWithJournals(path);
    }
    const Outcome made = createDatabase(path);
    if (made && created)
        *created = true;
    return made;
}

Outcome WaybillStore::open(const QString &path)
{
    close();
    m_path = path;
    m_location = StoreLocation(path);
    m_engine = StoreEngine::SQLite;
    const QFileInfo info(path);
    if (info.isDir()) {
        return Outcome::failure(
            QStringLiteral("%1 是一个文件夹，不是数据库文件。请把它移走或改名，程序会新建数据库。").arg(path));
    }
    if (!info.isFile())
        return Outcome::failure(QStringLiteral("找不到数据库 %1。").arg(path));
    // Checked by the file's own marks as well: root may write any file, but a
    // file its user made read-only is not meant to be written.
    constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!info.isWritable() || !(info.permissions() & kAnyWrite)) {
        return Outcome::failure(QStringLiteral("数据库 %1 是只读文件，程序无法保存运单。请去掉它的只读属性"
                                               "（或把程序放到可以写入的文件夹）后再启动。")
                                    .arg(path));
    }
    if (!QFileInfo(info.absolutePath()).isWritable()) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 所在的文件夹不能写入，程序无法保存运单。请把程序放到可以写入的文件夹。")
                .arg(path));
    }
    const Outcome checked = openAndCheck(path);
    if (!checked)
        close();
    return checked;
}

Outcome WaybillStore::openAndCheck(const QString &path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    const QString inUse = QStringLiteral("数据库 %1 正被其他程序使用，请关闭那个程序后再试。").arg(path);
    if (!db.open()) {
        if (isBusy(db.lastError()))
            return Outcome::failure(inUse);
        return Outcome::failure(
            QStringLiteral("无法打开数据库 %1：%2").arg(path, StoreFailure::fromText(db.lastError().text())));
    }
    if (!addNumberFunction(db))
        return Outcome::failure(QStringLiteral("无法打开数据库 %1：SQLite 不接受函数 normal_number").arg(path));
    if (!addDateFunction(db))
        return Outcome::failure(QStringLiteral("无法打开数据库 %1：SQLite 不接受函数 dispatch_date").arg(path));
    QSqlQuery q(db);
    if (!q.exec(dialect().ourTables)) {
        if (isBusy(q.lastError()))
            return Outcome::failure(inUse);
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
    if (Outcome layout = checkLayout(q, path); !layout)
        return layout;
    // A write lock held elsewhere shows here rather than at the first save.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        if (isBusy(q.lastError()))
            return Outcome::failure(inUse);
        return Outcome::failure(QStringLiteral("数据库 %1 无法写入：%2").arg(path, q.lastError().databaseText()));
    }
    q.exec(QStringLiteral("ROLLBACK"));
    if (Outcome history = addHistoryTable(q); !history)
        return history;
    q.finish(); // a statement left open would keep the index's tables from being dropped
    return addSearchIndex();
}

Outcome WaybillStore::createServerTables(QSqlQuery &q) const
{
    // Statements on the server bind text as it is; only SQLite needs the
    // register's own normal-form function registered per connection. NFKC,
    // then blanks and invisible format characters dropped, as WaybillNumber::normalForm.
    const QString normalNumber = QStringLiteral(
        "CREATE OR REPLACE FUNCTION normal_number(number TEXT) RETURNS TEXT LANGUAGE SQL IMMUTABLE STRICT "
        "PARALLEL SAFE AS $$ SELECT upper(regexp_replace(normalize(number, NFKC), "
        "'[\\s\\u0085\\u00A0\\u00AD\\u1680\\u180E\\u2000-\\u200F\\u2028-\\u202F\\u205F-\\u2064"
        "\\u2066-\\u206F\\u3000\\uFEFF\\uFFF9-\\uFFFB]', '', 'g')) $$");
    const StoreDialect &d = dialect();
    if (!q.exec(QStringLiteral("BEGIN")))
        return failure(QStringLiteral("无法创建数据库"), q.lastError().databaseText());
    if (!q.exec(registerTableDefinition(d)) || !q.exec(tempTableDefinition(d)) || !q.exec(normalNumber) ||
        !q.exec(dispatchDateFunction()) || !q.exec(QStringLiteral("COMMIT"))) {
        const QString reason = q.lastError().databaseText();
        q.exec(QStringLiteral("ROLLBACK"));
        return failure(QStringLiteral("无法创建数据库"), reason);
    }
    // The search's "contains" reads every row without a trigram index. Only
    // speed depends on it: a server without pg_trgm (or a role that may not
    // add it) searches all the same.
    if (q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"))) {
        for (const QString &column : searchableColumns())
            q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS 快递单_%1_包含 ON 快递单 USING gin (%1 gin_trgm_ops)")
                       .arg(column));
    }
    return Outcome::success();
}

Outcome WaybillStore::checkLayout(QSqlQuery &q, const QString &path) const
{
    const QVector<QPair<QString, QStringList>> expected{
        {QStringLiteral("快递单"), WaybillColumns::names()},
        {QStringLiteral("Temp"), {QStringLiteral("快递单号"), QStringLiteral("快递公司")}},
    };
    for (const auto &[table, columns] : expected) {
        if (!q.exec(dialect().columnsOf.arg(dialect().storedName(table))))
            return failure(QStringLiteral("无法读取表结构"), q.lastError().databaseText());
        QStringList found;
        while (q.next())
            found << q.value(0).toString();
        if (found != columns) {
            return Outcome::failure(
                QStringLiteral("数据库 %1 的表“%2”的列与本程序不符（应为 %3，实为 %4），"
                               "不是本程序的数据库，程序不会改动它。")
                    .arg(path, table, columns.join(QStringLiteral("、")), found.join(QStringLiteral("、"))));
        }
    }
    if (q.exec(dialect().encoding) && q.next() && q.value(0).toString() != dialect().utf8) {
        return Outcome::failure(
            QStringLiteral("数据库 %1 的文字编码是 %2，本程序只能使用 UTF-8 编码的数据库，程序不会改动它。")
                .arg(path, q.value(0).toString()));
    }
    return Outcome::success();
}

void WaybillStore::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool WaybillStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && database().isOpen();
}
