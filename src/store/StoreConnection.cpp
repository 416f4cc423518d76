// The register's connection and its failures; opening the file.
#include "store/StoreConnection.h"

#include "store/RegisterSchema.h"
#include "store/StoreFailure.h"
#include "store/StoreShared.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

namespace {
QAtomicInt connectionCounter;
} // namespace

StoreConnection::StoreConnection()
    : m_connection(QStringLiteral("tolvane-store-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

StoreConnection::~StoreConnection()
{
    close();
}

QSqlDatabase StoreConnection::database() const
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

bool StoreConnection::connectionBroke(const QSqlError &error) const
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

Outcome StoreConnection::lostConnection(const QString &detail) const
{
    m_broken = true;
    return Outcome::failure(QStringLiteral("%1，这一步没有完成，没有保存任何改动（数据库 %2）。"
                                           "服务器恢复后程序会自动重新连接：%3")
                                .arg(kConnectionLost, m_path, detail.trimmed()));
}

Outcome StoreConnection::failure(const QString &what, const QString &detail) const
{
    // Transactions fail on the connection itself, not through exec().
    if (m_broken || (database().lastError().type() != QSqlError::NoError && connectionBroke(database().lastError())))
        return lostConnection(detail);
    // A full disk may reach SQLite as an I/O error; errno tells them apart.
    int systemError = 0;
    if (sqlite3 *handle = StoreShared::sqliteHandle(database()))
        systemError = sqlite3_system_errno(handle);
    return Outcome::failure(
        QStringLiteral("%1（数据库 %2）：%3").arg(what, m_path, StoreFailure::fromText(detail, systemError)));
}

Outcome StoreConnection::exec(QSqlQuery &query) const
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

Outcome StoreConnection::statementFailure(const QString &text) const
{
    if (text.contains(QLatin1String("UNIQUE constraint failed")))
        return Outcome::failure(QStringLiteral("快递单号已存在！"));
    if (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy")))
        return failure(QStringLiteral("数据库正被其他程序占用，请稍后再试"), text);
    return failure(QStringLiteral("数据库操作失败"), text);
}

Outcome StoreConnection::open(const QString &path)
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
    Outcome checked = openFile(path);
    if (!checked)
        close();
    return checked;
}

Outcome StoreConnection::openFile(const QString &path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open()) {
        if (StoreShared::isBusy(db.lastError()))
            return Outcome::failure(StoreShared::inUse(path));
        return Outcome::failure(
            QStringLiteral("无法打开数据库 %1：%2").arg(path, StoreFailure::fromText(db.lastError().text())));
    }
    return RegisterSchema(*this).setUpFile(db);
}

void StoreConnection::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool StoreConnection::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && database().isOpen();
}
