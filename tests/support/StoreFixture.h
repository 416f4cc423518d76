#pragma once

#include "store/BatchScratch.h"
#include "store/QuickSearch.h"
#include "store/RegisterGrid.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/TestRegister.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// What the register's own tests share: a waybill to store, a fresh register
// with the parts that work on it, and a plain connection beside the store's.

inline QString u(const char *s)
{
    return QString::fromUtf8(s);
}

inline Waybill sample(const QString &number, const QString &carrier = QString::fromUtf8("顺丰速运"))
{
    return {QString(), QString(), number,    carrier,   u("书"),  QStringLiteral("12.5"),
            QString(), u("张三"), QString(), QString(), QString()};
}

struct StoreFixture : TestRegister {
    Waybills waybills{store};
    QuickSearch quickSearch{store};
    RegisterGrid grid{store};
    WaybillImport importer{store};
    BatchScratch scratch{store};

    [[nodiscard]] bool add(const QStringList &numbers)
    {
        for (const QString &number : numbers) {
            if (!waybills.insertFromInputForm(sample(number)).ok)
                return false;
        }
        return true;
    }
    Waybill get(const QString &number) const { return waybills.find(number).value_or(Waybill()); }
};

// A plain connection of our own to a register file, beside the store's.
struct RawConnection {
    QSqlDatabase db;
    explicit RawConnection(const QString &path) : db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path))
    {
        db.setDatabaseName(path);
        db.open();
    }
    ~RawConnection()
    {
        const QString name = db.connectionName();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    bool exec(const QString &sql) const { return QSqlQuery(db).exec(sql); }
    QStringList values(const QString &sql) const
    {
        QStringList out;
        QSqlQuery q(db);
        for (q.exec(sql); q.next();)
            out << q.value(0).toString();
        return out;
    }
};
