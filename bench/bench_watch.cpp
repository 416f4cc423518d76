// How soon a change made on one connection reaches another PC's watch: a
// waybill saved through one store, until RegisterWatch on its own connection
// names it. A private server is started for the run.
#include "BenchShared.h"

#include "store/RegisterWatch.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/PostgresCluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kRounds = 20;
    PostgresCluster cluster;
    if (!cluster.error().isEmpty()) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(cluster.error()));
        figure(QStringLiteral("change seen by another PC (median of 20)"), QStringLiteral("n/a"),
               QStringLiteral("< 1000 ms"), QStringLiteral("n/a"));
        return 0;
    }
    const ServerLocation at = cluster.newDatabase();
    StoreConnection store;
    if (const Outcome opened = store.open(at); !opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error));
        return 1;
    }
    RegisterWatch watch(at);
    if (!watch.start()) {
        std::fprintf(stderr, "the watch cannot listen\n");
        return 1;
    }
    QVector<double> ms;
    for (int i = 0; i < kRounds; ++i) {
        Waybill w;
        w.number = QStringLiteral("W%1").arg(i, 6, 10, QLatin1Char('0'));
        w.carrier = QStringLiteral("圆通快递");
        QEventLoop loop;
        QElapsedTimer clock;
        bool seen = false;
        const auto connection = QObject::connect(&watch, &RegisterWatch::changed, [&](const QStringList &numbers) {
            if (numbers.contains(w.number)) {
                seen = true;
                loop.quit();
            }
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit); // only a lost notice waits this long
        clock.start();
        if (!Waybills(store).insertFromInputForm(w).ok) {
            std::fprintf(stderr, "cannot save %s\n", qPrintable(w.number));
            return 1;
        }
        if (!seen)
            loop.exec();
        const double elapsed = clock.nsecsElapsed() / 1e6;
        QObject::disconnect(connection);
        if (!seen) {
            std::fprintf(stderr, "the change of %s never arrived\n", qPrintable(w.number));
            return 1;
        }
        ms << elapsed;
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms[kRounds / 2 - 1] + ms[kRounds / 2]) / 2;
    std::printf("change seen by another connection: median %.1f ms, min %.1f, max %.1f (%d rounds)\n", median,
                ms.first(), ms.last(), kRounds);
    figure(QStringLiteral("change seen by another PC (median of 20)"),
           QStringLiteral("%1 ms (%2–%3)").arg(median, 0, 'f', 1).arg(ms.first(), 0, 'f', 1).arg(ms.last(), 0, 'f', 1),
           QStringLiteral("< 1000 ms"), median < 1000 ? QStringLiteral("ok") : QStringLiteral("over"));
    return 0;
}
