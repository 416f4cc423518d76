#pragma once

#include "core/Outcome.h"

#include <QString>

class QSqlDatabase;
class QSqlQuery;
class StoreConnection;

// The register's tables and functions on both engines: 快递单 and Temp made
// whole in a new kd.db or an empty server database, their layout checked on
// opening, and what later versions added (the history, the search index, the
// SQL functions normal_number() and dispatch_date()) added to older registers.
class RegisterSchema final {
public:
    static QString fileName() { return QStringLiteral("kd.db"); }

    // Creates a new file with both tables. Refuses to touch an existing file.
    // The file appears whole or not at all: it is built under another name
    // and renamed into place.
    static Outcome createDatabase(const QString &path);
    // The first start's step: creates the register when it is missing, or
    // when the file holds no table at all (a start cut short by older
    // versions), and removes what an interrupted creation left beside it.
    static Outcome createIfMissing(const QString &path, bool *created = nullptr);
    // The time flags' table, made at the first flag (and by a copy).
    static QString flagTableDefinition();

    explicit RegisterSchema(const StoreConnection &store) : m_store(store) {}
    // Opening's checks on a connection just made: the file or the server's
    // database is a register of ours, or (on a server) an empty database
    // becomes one; what older registers lack is added.
    Outcome setUpFile(QSqlDatabase &db) const;
    Outcome setUpServer(QSqlDatabase &db) const;

private:
    Outcome checkLayout(QSqlQuery &q) const;
    Outcome addHistoryTable(QSqlQuery &q) const;
    Outcome addSearchIndex() const;
    // The server's tables: counted, made in an empty database, or refused.
    Outcome checkServerTables(QSqlQuery &q) const;
    Outcome createServerTables(QSqlQuery &q) const;
    Outcome checkServerFunctions(QSqlQuery &q) const;
    // normal_number(快递单号) gives a stored number's normal form and
    // dispatch_date(时间) the date a row's time reads as (yyyy-MM-dd, else
    // NULL): registered on each SQLite connection, kept in a server's database.
    static bool addNumberFunction(QSqlDatabase &db);
    static bool addDateFunction(QSqlDatabase &db);
    static QString numberFunctionDefinition();
    static QString dateFunctionDefinition();

    const StoreConnection &m_store;
};
