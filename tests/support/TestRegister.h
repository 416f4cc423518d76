#pragma once

#include "store/WaybillStore.h"
#include "support/TestFolder.h"

#include <QStringList>

// A fresh register in a folder of its own, holding unsigned waybills of the
// given numbers and carrier, each with a telephone. A register that cannot be made ends the test.
struct TestRegister {
    TestFolder folder;
    WaybillStore store;

    explicit TestRegister(const QStringList &numbers = {}, const QString &carrier = QString::fromUtf8("顺丰速运"))
    {
        const QString path = folder.file(WaybillStore::fileName());
        if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok)
            qFatal("cannot create the test database");
        for (const QString &number : numbers) {
            Waybill w;
            w.number = number;
            w.carrier = carrier;
            w.phone = QStringLiteral("13800138000"); // 顺丰 and 中通 are asked for with its last digits
            if (!store.insertFromInputForm(w).ok)
                qFatal("cannot add a waybill");
        }
    }
};
