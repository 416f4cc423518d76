// How long the main window's history list takes to fill from a register of
// 100,000 waybills: the read (off the window's thread) and the model reset
// (on it). Prints milliseconds; not part of the tests.
#include "store/HistoryLoader.h"
#include "store/HistoryModel.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kd.db"));
    RegisterSchema::createDatabase(path);
    {
        StoreConnection store;
        store.open(path);
        QVector<Waybill> rows(count);
        for (int i = 0; i < count; ++i) {
            rows[i].number = QStringLiteral("SF%1").arg(1000000000 + i);
            rows[i].carrier = QStringLiteral("顺丰速运");
            rows[i].goods = QStringLiteral("书");
        }
        WaybillImport(store).importWaybills(rows);
    }

    QElapsedTimer timer;
    timer.start();
    Outcome outcome;
    QVector<HistoryModel::Row> rows = HistoryLoader::read(path, &outcome, {QDate::currentDate()});
    const qint64 readMs = timer.elapsed();
    timer.restart();
    HistoryModel model;
    model.setRows(std::move(rows));
    const qint64 resetMs = timer.elapsed();
    std::printf("history %d rows: read %lld ms (worker thread), model reset %lld ms (window thread)%s\n", count,
                static_cast<long long>(readMs), static_cast<long long>(resetMs), outcome ? "" : " FAILED");
    return outcome ? 0 : 1;
}
