#pragma once

#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/PostgresCluster.h"
#include "support/TestFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <optional>

// A fresh register in a folder of its own, holding unsigned waybills of the
// given numbers and carrier, each with a telephone: a kd.db, or a new database of
// the test server when the program runs on PostgreSQL. A register that cannot be made ends the test.
struct TestRegister {
    TestFolder folder;
    StoreConnection store;
    std::optional<ServerLocation> server;

    explicit TestRegister(const QStringList &numbers = {}, const QString &carrier = QString::fromUtf8("顺丰速运"))
    {
        if (PostgresCluster::current) {
            server = PostgresCluster::current->newDatabase();
            if (const Outcome opened = store.open(*server); !opened)
                qFatal("cannot create the test database: %s", qPrintable(opened.error));
        } else {
            const QString path = folder.file(RegisterSchema::fileName());
            if (!RegisterSchema::createDatabase(path).ok || !store.open(path).ok)
                qFatal("cannot create the test database");
        }
        for (const QString &number : numbers) {
            Waybill w;
            w.number = number;
            w.carrier = carrier;
            w.phone = QStringLiteral("13800138000"); // 顺丰 and 中通 are asked for with its last digits
            if (!Waybills(store).insertFromInputForm(w).ok)
                qFatal("cannot add a waybill");
        }
    }

    StoreLocation location() const
    {
        return server ? StoreLocation(*server) : StoreLocation(folder.file(RegisterSchema::fileName()));
    }

    // Opens this register in `other` (or again in its own store), on a new connection.
    Outcome openIn(StoreConnection &other) const
    {
        return server ? other.open(*server) : other.open(folder.file(RegisterSchema::fileName()));
    }

    // Raw SQL beside the store, on a connection of its own: the first column of each row.
    QStringList raw(const QString &sql, bool *ok = nullptr) const
    {
        return server ? rawAt(*server, sql, ok) : rawAt(std::nullopt, sql, ok, folder.file(RegisterSchema::fileName()));
    }
    static QStringList rawAt(const std::optional<ServerLocation> &at, const QString &sql, bool *ok = nullptr,
                             const QString &file = QString())
    {
        QStringList out;
        const QString name = QStringLiteral("test-register-raw");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(at ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
            if (at) {
                db.setHostName(at->host);
                db.setPort(at->port);
                db.setUserName(at->user);
                db.setDatabaseName(at->database);
            } else {
                db.setDatabaseName(file);
            }
            QSqlQuery q(db);
            const bool done = db.open() && q.exec(sql);
            if (ok)
                *ok = done;
            while (q.next())
                out << q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(name);
        return out;
    }
};
