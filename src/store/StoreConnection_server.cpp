// The register's connection to a PostgreSQL server: connecting, and looking
// at a database before it is used.
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using StoreShared::reasonOf;

namespace {

// Opens `db` on the server; the failure in the user's words.
Outcome connectTo(QSqlDatabase &db, const ServerLocation &server)
{
    const QString where = server.display();
    if (!db.isValid()) {
        return Outcome::failure(
            QStringLiteral("无法连接数据库 %1：本机没有 PostgreSQL 的驱动（libqt6sql6-psql）。").arg(where));
    }
    if (db.open())
        return Outcome::success();
    const QString reason = reasonOf(db.lastError());
    // libpq names no code here, only words: the server asked and none was found
    // ("fe_sendauth: …", in any language), or it was wrong.
    if (reason.contains(QLatin1String("fe_sendauth")) ||
        reason.contains(QLatin1String("password authentication failed"))) {
        return Outcome::failure(QStringLiteral("无法连接数据库服务器 %1：%2。请输入密码（只在本次运行中保留），"
                                               "或把它写入 ~/.pgpass。（%3）")
                                    .arg(where, StoreConnection::kPasswordNeeded, reason));
    }
    return Outcome::failure(
        QStringLiteral("无法连接数据库服务器 %1，请检查服务器是否开着、地址和用户是否正确：%2").arg(where, reason));
}

} // namespace

Outcome StoreConnection::open(const ServerLocation &server)
{
    close();
    m_engine = StoreEngine::PostgreSQL;
    m_path = server.display();
    m_location = StoreLocation(server);
    Outcome checked = openServer(server);
    if (!checked)
        close();
    return checked;
}

Outcome StoreConnection::openServer(const ServerLocation &server)
{
    QSqlDatabase db = addServerConnection(server, m_connection);
    if (Outcome connected = connectTo(db, server); !connected)
        return connected;
    return RegisterSchema(*this).setUpServer(db);
}

QSqlDatabase StoreConnection::addServerConnection(const ServerLocation &server, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid())
        return db;
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    // Without a typed password libpq reads ~/.pgpass, PGPASSFILE or the service file itself.
    if (!server.password.isEmpty())
        db.setPassword(server.password);
    // A server that vanishes without a word (a cable pulled) is noticed within
    // about half a minute rather than the system's TCP timeout of many minutes.
    QStringList options{QStringLiteral("connect_timeout=%1").arg(qMax(1, server.connectSeconds)),
                        QStringLiteral("keepalives_idle=10"), QStringLiteral("keepalives_interval=5"),
                        QStringLiteral("keepalives_count=3"), QStringLiteral("tcp_user_timeout=20000")};
    if (!server.sslmode.isEmpty())
        options << QStringLiteral("sslmode=%1").arg(server.sslmode);
    if (!server.service.isEmpty())
        options << QStringLiteral("service=%1").arg(server.service);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}

Outcome StoreConnection::probe(const ServerLocation &server, QString *found)
{
    close();
    Outcome result;
    {
        QSqlDatabase db = addServerConnection(server, m_connection);
        result = connectTo(db, server);
        QSqlQuery q(db);
        if (result && !q.exec(StoreDialect::of(StoreEngine::PostgreSQL).ourTables))
            result = Outcome::failure(
                QStringLiteral("已连接到 %1，但无法读取表结构：%2").arg(server.display(), reasonOf(q.lastError())));
        int tables = 0;
        while (result && q.next())
            ++tables;
        QSqlQuery other(db);
        const bool foreign = result && tables == 0 &&
                             other.exec(QStringLiteral("SELECT 1 FROM information_schema.tables "
                                                       "WHERE table_schema = current_schema()")) &&
                             other.next();
        if (foreign || tables == 1) {
            result = Outcome::failure(QStringLiteral("已连接到 %1，但这个数据库%2，不能用作登记簿。")
                                          .arg(server.display(), foreign ? QStringLiteral("已有其他的表")
                                                                         : QStringLiteral("缺少快递单或 Temp 表")));
        } else if (result && found) {
            *found = tables == 2 ? QStringLiteral("数据库中已有登记簿。")
                                 : QStringLiteral("数据库是空的，第一次打开时会在其中建立登记簿。");
        }
    }
    close();
    return result;
}
