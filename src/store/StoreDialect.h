#pragma once

#include <QString>
#include <QVariant>

// Where a register lives: the kd.db file (the default) or a PostgreSQL server.
enum class StoreEngine { SQLite, PostgreSQL };

// A register on a PostgreSQL server. libpq finds the password in ~/.pgpass,
// PGPASSFILE or a service of pg_service.conf; one typed by the user is kept
// for the session only, never written anywhere.
struct ServerLocation {
    QString host; // a name, an address or a folder holding the server's socket
    int port = 5432;
    QString database;
    QString user;
    QString sslmode;         // empty: as libpq negotiates it
    int connectSeconds = 10; // an unreachable server is reported, never waited on for long
    QString service;         // a service of pg_service.conf; its settings fill what is left empty here
    QString password;        // typed in this session; empty: as libpq finds it
    // How messages name the register, in place of a file's path.
    QString display() const;
};

// Where a register lives, as the parts that open their own store take it:
// a kd.db path, or a server.
struct StoreLocation {
    StoreLocation(const QString &file = QString()) : file(file) {}
    StoreLocation(const ServerLocation &server) : server(server), onServer(true) {}
    QString file;
    ServerLocation server;
    bool onServer = false;
};

// The SQL that differs between the two engines, one entry per statement or
// piece of one. Everything else is written once and runs on both.
struct StoreDialect {
    StoreEngine engine = StoreEngine::SQLite;
    // The column that keeps the order rows were added in: SQLite's rowid, a
    // generated column on PostgreSQL (not listed among the register's columns).
    QString order;
    // Declares that column after a table's own columns; SQLite needs nothing.
    QString orderDefinition;
    // A stored number that may differ from its normal form.
    QString oddNumber;
    // "a = b" that holds for two nulls as well, and its negation.
    QString same;
    QString notSame;
    // A condition that holds for no row.
    QString never;
    // The search's "contains": ASCII case ignored (SQLite's LIKE), % and _ as wildcards, no escape character.
    QString contains;
    // Begins a transaction that writes; SQLite takes the write lock up front.
    QString beginWrite;
    // The later of two ISO times, for the last-check time.
    QString later;
    // The names of the register's tables present in the database.
    QString ourTables;
    // A table's columns in order (%1: the table as stored).
    QString columnsOf;
    // How a table's name is stored: PostgreSQL folds unquoted ASCII to lower case.
    QString storedName(const QString &table) const;
    // The newest check of every waybill: number, newest check time, last check, state, status (%1 table, %2 status
    // column).
    QString newestChecks;
    // The database's text encoding and the one it must be.
    QString encoding;
    QString utf8;
    // The primary key's constraint of a table: SQLite keeps the classic name
    // on both tables; PostgreSQL names constraints per schema.
    QString keyConstraint(const QString &table) const;

    // A text column as a statement reads it, and every column of 快递单 in
    // register order. The server's text is read as UTF-8 bytes: Qt's driver
    // decodes text with QString::fromUtf8, which drops a leading U+FEFF.
    QString read(const QString &column) const;
    QString selectAll;
    // A value read through read(), as text.
    static QString text(const QVariant &value);

    // Text as the engine's placeholder takes it: SQLite gets UTF-8 bytes that
    // the statement casts back (so a leading U+FEFF is kept), PostgreSQL the text itself.
    QVariant boundText(const QVariant &value) const;

    static const StoreDialect &of(StoreEngine engine);
};
