// The background refresh over 2,000 unsigned waybills against the local
// tracking service with 100 ms latency and a one-hour interval. A fixed clock
// is moved on by each pause the refresh asks for, so an hour and a quarter of
// its time passes in about a minute of ours; the requests themselves are real.
// Prints requests per simulated minute against the spread the interval implies,
// waybills asked twice within the interval (from the requests and from the
// history table), the longest pass of the window thread's event loop while
// ticks ran, and the history transactions per minute.
#include "core/Clock.h"
#include "query/BackgroundRefresh.h"
#include "settings/AppSettings.h"
#include "store/WaybillStore.h"
#include "support/TestFolder.h"
#include "support/TrackingSim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kWaybills = 2000;
constexpr qint64 kInterval = 3600;
constexpr qint64 kSimulated = kInterval + 15 * 60; // a full round and the start of the next
const QDateTime kStart(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);

qint64 scalar(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), "--latency 100");
    if (!sim.isListening()) {
        std::fprintf(stderr, "tracking-sim did not start: %s\n", sim.output().constData());
        return 1;
    }
    sim.serveAllHosts();

    TestFolder folder;
    const QString path = folder.file(WaybillStore::fileName());
    {
        WaybillStore store;
        if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok) {
            std::fprintf(stderr, "cannot create the register\n");
            return 1;
        }
        QVector<Waybill> rows(kWaybills);
        for (int i = 0; i < kWaybills; ++i) {
            // Last digits 3 to 8: the service answers "in transit", so none drops out by being signed for.
            rows[i].number = QStringLiteral("SF%1%2").arg(1000000 + i).arg(3 + i % 6);
            rows[i].carrier = QStringLiteral("顺丰速运");
        }
        store.importWaybills(rows);
    }
    AppSettings::write(folder.path(), AppSettings::kAutoRefresh, QStringLiteral("1"));
    AppSettings::write(folder.path(), AppSettings::kRefreshHours, QStringLiteral("1"));

    FixedClock clock(kStart);
    BackgroundRefresh refresh(folder.path(), clock, [] { return false; });

    // Every request the refresh makes, with the simulated time it was answered at.
    QHash<QString, QVector<qint64>> asked;
    QMap<qint64, int> perMinute;
    int requests = 0;
    int failed = 0;
    qint64 simNow = 0;
    auto *network = refresh.findChild<QNetworkAccessManager *>();
    if (!network) {
        std::fprintf(stderr, "no network access manager under the refresh\n");
        return 1;
    }
    QObject::connect(network, &QNetworkAccessManager::finished, [&](QNetworkReply *reply) {
        ++requests;
        failed += reply->error() != QNetworkReply::NoError ? 1 : 0;
        asked[QUrlQuery(reply->url()).queryItemValue(QStringLiteral("nu"))].push_back(simNow);
        ++perMinute[simNow / 60];
    });
    int checks = 0;
    QObject::connect(&refresh, &BackgroundRefresh::checked, [&checks] { ++checks; });
    QStringList statusLines;
    QObject::connect(&refresh, &BackgroundRefresh::status, [&](const QString &text) { statusLines << text; });
    bool tickDone = false;
    QObject::connect(&refresh, &BackgroundRefresh::tickDone, [&tickDone] { tickDone = true; });

    // A second connection sees each commit of the refresh's as a new data version.
    QSqlDatabase watcher = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("watcher"));
    watcher.setDatabaseName(path);
    watcher.open();
    qint64 version = scalar(watcher, QStringLiteral("PRAGMA data_version"));

    int ticks = 0;
    int writingTicks = 0;
    qint64 longestPass = 0;
    QElapsedTimer real;
    real.start();
    QElapsedTimer step;
    while (simNow < kSimulated) {
        clock.set(kStart.addSecs(simNow));
        tickDone = false;
        step.start();
        refresh.tick();
        longestPass = std::max(longestPass, step.elapsed());
        while (!tickDone) {
            QThread::usleep(200);
            step.restart();
            app.processEvents();
            longestPass = std::max(longestPass, step.elapsed());
        }
        ++ticks;
        if (const qint64 now = scalar(watcher, QStringLiteral("PRAGMA data_version")); now != version) {
            ++writingTicks;
            version = now;
        }
        const int nextMs = refresh.nextTickMs();
        if (nextMs <= 0) {
            std::fprintf(stderr, "the refresh armed no next tick\n");
            return 1;
        }
        simNow += nextMs / 1000;
    }
    const qint64 realMs = real.elapsed();

    // The first interval: how the requests spread over its minutes.
    QVector<int> minutes;
    for (qint64 m = 0; m < kInterval / 60; ++m)
        minutes << perMinute.value(m);
    int inFirstInterval = 0;
    for (const int n : minutes)
        inFirstInterval += n;
    QVector<int> sorted = minutes;
    std::sort(sorted.begin(), sorted.end());
    int busyMinutes = 0;
    for (const int n : minutes)
        busyMinutes += n > 0 ? 1 : 0;
    QSet<QString> coveredInFirst;
    int twice = 0;
    for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
        QVector<qint64> times = it.value();
        std::sort(times.begin(), times.end());
        if (times.first() < kInterval)
            coveredInFirst.insert(it.key());
        for (int i = 1; i < times.size(); ++i)
            twice += times[i] - times[i - 1] < kInterval ? 1 : 0;
    }
    // The history's view: a repeated check of the same state moves only the
    // last check, so any row whose two times are closer than the interval is a repeat.
    const qint64 historyRows = scalar(watcher, QStringLiteral("SELECT count(*) FROM 查询记录"));
    const qint64 historyNumbers = scalar(watcher, QStringLiteral("SELECT count(DISTINCT 快递单号) FROM 查询记录"));
    const qint64 historyTwice =
        scalar(watcher, QStringLiteral("SELECT count(*) FROM 查询记录 WHERE 最后查询 <> 查询时间 AND "
                                       "strftime('%s', 最后查询) - strftime('%s', 查询时间) < %1")
                            .arg(kInterval));
    watcher.close();

    const double simMinutes = double(simNow) / 60.0;
    std::printf("background refresh: %d unsigned waybills, interval %lld s, tracking-sim --latency 100\n", kWaybills,
                static_cast<long long>(kInterval));
    std::printf("simulated %.1f min in %.1f s real: %d ticks, %d requests (%d failed), %d checks written\n", simMinutes,
                double(realMs) / 1000.0, ticks, requests, failed, checks);
    std::printf("requests per simulated minute over the first interval: mean %.1f, median %d, min %d, max %d, "
                "%d of %d minutes with requests\n",
                double(inFirstInterval) / double(minutes.size()), sorted[sorted.size() / 2], sorted.first(),
                sorted.last(), busyMinutes, int(minutes.size()));
    std::printf("  goal: the spread the interval implies, %d per hour = %.1f per minute\n", kWaybills,
                double(kWaybills) * 60.0 / double(kInterval));
    std::printf("waybills asked within the first interval: %d of %d (goal: all)\n", int(coveredInFirst.size()),
                kWaybills);
    std::printf("asked twice within the interval: %d by the requests, %lld by the history table "
                "(%lld rows for %lld numbers) (goal: 0)\n",
                twice, static_cast<long long>(historyTwice), static_cast<long long>(historyRows),
                static_cast<long long>(historyNumbers));
    std::printf("longest pass of the window thread's event loop while ticks ran: %lld ms (goal <= 50 ms)\n",
                static_cast<long long>(longestPass));
    std::printf("history transactions: %d in %.1f simulated min = %.2f per minute, %.1f checks each "
                "(one per tick that wrote)\n",
                writingTicks, simMinutes, double(writingTicks) / simMinutes,
                writingTicks ? double(checks) / writingTicks : 0.0);
    for (const QString &line : std::as_const(statusLines))
        std::printf("status line: %s\n", qPrintable(line));
    std::fflush(stdout);
    return 0;
}
