// The background refresh over 1,000 open waybills of mixed statuses (by the
// tracking service's number endings) against the local tracking service with
// 20 ms latency and a one-hour interval. A fixed clock is moved on by each
// pause the refresh asks for, so a day of its time passes in a few minutes of
// ours; the requests themselves are real. Prints requests per simulated hour
// and per day against the budget of 500 a day per 100 open waybills, waybills
// asked twice within 30 minutes (from the requests and from the history
// table), the longest pass of the window thread's event loop while ticks ran,
// and the history transactions per minute.
#include "BenchShared.h"
#include "core/Clock.h"
#include "query/BackgroundRefresh.h"
#include "settings/AppSettings.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
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
#include <iterator>

namespace {
constexpr int kWaybills = 1000;
constexpr qint64 kInterval = 3600;
constexpr qint64 kSimulated = 24 * 3600;
// 派件中, 待取件 (a locker, a station), 疑难, 已揽收, 清关, 转投, 拒收/退回中, 待揽收, and
// 运输中 three times over: none of them final.
const char *const kEndings[] = {"83", "77", "78", "76", "86", "85", "84", "75", "87", "04", "05", "06"};
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
    TrackingSim sim(QStringLiteral(TRACKING_SIM), "--latency 20");
    if (!sim.isListening()) {
        std::fprintf(stderr, "tracking-sim did not start: %s\n", sim.output().constData());
        return 1;
    }
    sim.serveAllHosts();

    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    {
        StoreConnection store;
        if (!RegisterSchema::createDatabase(path).ok || !store.open(path).ok) {
            std::fprintf(stderr, "cannot create the register\n");
            return 1;
        }
        QVector<Waybill> rows(kWaybills);
        for (int i = 0; i < kWaybills; ++i) {
            rows[i].number =
                QStringLiteral("SF%1%2").arg(1000000 + i).arg(QLatin1String(kEndings[i % int(std::size(kEndings))]));
            rows[i].carrier = QStringLiteral("顺丰速运");
            rows[i].phone = QStringLiteral("13800138000"); // 顺丰 is asked for with its last four digits
        }
        WaybillImport(store).importWaybills(rows);
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

    // Requests per simulated hour, and the shortest gap between two requests for one waybill.
    QVector<int> hours(int(kSimulated / 3600));
    for (auto it = perMinute.cbegin(); it != perMinute.cend(); ++it)
        if (it.key() / 60 < hours.size())
            hours[int(it.key() / 60)] += it.value();
    QVector<int> sorted = hours;
    std::sort(sorted.begin(), sorted.end());
    int withinHalfHour = 0;
    qint64 shortestGap = -1;
    for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
        QVector<qint64> times = it.value();
        std::sort(times.begin(), times.end());
        for (int i = 1; i < times.size(); ++i) {
            const qint64 gap = times[i] - times[i - 1];
            withinHalfHour += gap < 1800 ? 1 : 0;
            shortestGap = shortestGap < 0 ? gap : std::min(shortestGap, gap);
        }
    }
    // The history's view: a repeated check of the same state moves only the
    // last check, so any row whose two times are closer than 30 minutes is a repeat.
    const qint64 historyRows = scalar(watcher, QStringLiteral("SELECT count(*) FROM 查询记录"));
    const qint64 historyNumbers = scalar(watcher, QStringLiteral("SELECT count(DISTINCT 快递单号) FROM 查询记录"));
    const qint64 historyTwice =
        scalar(watcher, QStringLiteral("SELECT count(*) FROM 查询记录 WHERE 最后查询 <> 查询时间 AND "
                                       "strftime('%s', 最后查询) - strftime('%s', 查询时间) < 1800"));
    watcher.close();

    const double simMinutes = double(simNow) / 60.0;
    const double perDayPer100 = double(requests) * 86400.0 / double(simNow) * 100.0 / double(kWaybills);
    std::printf("background refresh: %d open waybills of mixed statuses, interval %lld s, tracking-sim --latency 20\n",
                kWaybills, static_cast<long long>(kInterval));
    std::printf("simulated %.1f min in %.1f s real: %d ticks, %d requests (%d failed), %d checks written\n", simMinutes,
                double(realMs) / 1000.0, ticks, requests, failed, checks);
    std::printf("requests per simulated hour: mean %.1f, median %d, min %d, max %d\n",
                double(requests) * 3600.0 / double(simNow), sorted[sorted.size() / 2], sorted.first(), sorted.last());
    std::printf("requests a day per 100 open waybills: %.0f (goal <= 500)\n", perDayPer100);
    std::printf("waybills asked: %d of %d (goal: all)\n", int(asked.size()), kWaybills);
    std::printf("asked twice within 30 minutes: %d by the requests (shortest gap %lld s), %lld by the history table "
                "(%lld rows for %lld numbers) (goal: 0)\n",
                withinHalfHour, static_cast<long long>(shortestGap), static_cast<long long>(historyTwice),
                static_cast<long long>(historyRows), static_cast<long long>(historyNumbers));
    std::printf("longest pass of the window thread's event loop while ticks ran: %lld ms (goal <= 50 ms)\n",
                static_cast<long long>(longestPass));
    std::printf("history transactions: %d in %.1f simulated min = %.2f per minute, %.1f checks each "
                "(one per tick that wrote)\n",
                writingTicks, simMinutes, double(writingTicks) / simMinutes,
                writingTicks ? double(checks) / writingTicks : 0.0);
    // The mean gap between two requests for one waybill, by its ending.
    QStringList gaps;
    for (const char *ending : kEndings) {
        qint64 sum = 0;
        int count = 0;
        for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
            if (!it.key().endsWith(QLatin1String(ending)))
                continue;
            for (int i = 1; i < it->size(); ++i, ++count)
                sum += it->at(i) - it->at(i - 1);
        }
        gaps << QStringLiteral("%1: %2 min").arg(QLatin1String(ending)).arg(count ? sum / count / 60 : -1);
    }
    std::printf("mean gap by ending (83 派件中, 77/78 待取件, 76 疑难, 86 已揽收, 85 清关, 84 转投, 75 拒收, "
                "87 待揽收, 04-06 运输中): %s\n",
                qPrintable(gaps.join(QStringLiteral(", "))));
    for (const QString &line : std::as_const(statusLines))
        std::printf("status line: %s\n", qPrintable(line));
    const qint64 twice = withinHalfHour + historyTwice;
    figure(QStringLiteral("background refresh, waybills asked twice within 30 min"), QString::number(twice),
           QStringLiteral("0"), twice == 0 ? QStringLiteral("ok") : QStringLiteral("over"));
    figure(QStringLiteral("background refresh, requests a day per 100 open waybills"),
           QString::number(perDayPer100, 'f', 0), QStringLiteral("<= 500"),
           perDayPer100 <= 500 ? QStringLiteral("ok") : QStringLiteral("over"));
    std::fflush(stdout);
    return 0;
}
