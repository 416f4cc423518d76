#pragma once

#include "core/Outcome.h"
#include "store/StoreDialect.h"

#include <QString>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// One connection to the register: the kd.db file or its database on a
// PostgreSQL server. Opening checks (and on a server sets up) the schema; the
// register's parts (Waybills, RegisterGrid, QuickSearch, CheckHistory,
// WaybillImport, BatchScratch) are views that run their statements on it.
// Values are always bound, so quotes are stored and found as typed. Each
// connection is its own; several may be open on the register at once.
class StoreConnection final {
public:
    StoreConnection();
    ~StoreConnection();
    StoreConnection(const StoreConnection &) = delete;
    StoreConnection &operator=(const StoreConnection &) = delete;

    // Opens an existing file and checks that it is a readable register that can
    // be written; a damaged or locked file is reported, never replaced.
    Outcome open(const QString &path);
    // Opens the register on a PostgreSQL server; an empty database gets the
    // register's tables. A database with other tables is reported, never changed.
    Outcome open(const ServerLocation &server);
    Outcome open(const StoreLocation &where) { return where.onServer ? open(where.server) : open(where.file); }
    // Connects to the server and looks, changing nothing: `found` says whether the
    // database holds a register or is empty; a database that cannot be one fails.
    Outcome probe(const ServerLocation &server, QString *found = nullptr);
    // A connection to the server under `name`, not yet open (invalid without the driver).
    static QSqlDatabase addServerConnection(const ServerLocation &server, const QString &name);
    // In the failure of a server that wants a password it was not given.
    static inline const QString kPasswordNeeded = QStringLiteral("服务器要求密码");
    // How a failure begins when the server's connection broke.
    static inline const QString kConnectionLost = QStringLiteral("与数据库服务器的连接已断开");
    void close();
    bool isOpen() const;
    // The file's path, or how messages name the server's register.
    QString path() const { return m_path; }
    // Where the open register lives, for a worker that opens it on its own connection.
    StoreLocation location() const { return m_location; }
    StoreEngine engine() const { return m_engine; }
    const StoreDialect &dialect() const { return StoreDialect::of(m_engine); }

    // The parts' statements run here. A use after the server's connection
    // broke opens it again first.
    QSqlDatabase database() const;
    Outcome exec(QSqlQuery &query) const;
    // `what` failed for `detail` (as the engine said it), in the user's words.
    Outcome failure(const QString &what, const QString &detail) const;
    // What SQLite said of a failed statement, in the user's words.
    Outcome statementFailure(const QString &sqliteText) const;

private:
    Outcome openFile(const QString &path);
    Outcome openServer(const ServerLocation &server);
    // A server connection that broke is told as such, and the next use opens it again.
    bool connectionBroke(const QSqlError &error) const;
    Outcome lostConnection(const QString &detail) const;

    QString m_connection;
    QString m_path;
    StoreLocation m_location;
    StoreEngine m_engine = StoreEngine::SQLite;
    mutable bool m_broken = false;
};
