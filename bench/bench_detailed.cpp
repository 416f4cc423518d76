// A stored detailed pass of 20 waybills against the local tracking service,
// with the real browser, offscreen, at two service latencies. Prints the time
// per waybill beside the floor (loading the page as the service serves it) and
// the longest time the window's thread went without serving its events.
#include "BenchShared.h"
#include "query/DetailedQuery.h"
#include "query/WebEngineBrowser.h"
#include "support/TrackingSim.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {
constexpr int kWaybills = 20;

// Milliseconds the event loop spent in the longest stretch without a 5 ms tick.
struct StallWatch {
    QTimer tick;
    QElapsedTimer since;
    qint64 longest = 0;
    StallWatch()
    {
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [this] { longest = qMax(longest, since.restart() - 5); });
        since.start();
        tick.start();
    }
};

void run(const char *latency)
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), latency);
    if (!sim.isListening()) {
        std::printf("tracking-sim did not start\n");
        return;
    }
    sim.serveAllHosts();
    QWidget host;
    host.resize(800, 600);
    host.show();
    WebEngineBrowser browser(&host);
    browser.widget()->resize(800, 600);

    QVector<DetailedJob> jobs;
    for (int i = 0; i < kWaybills; ++i)
        jobs.push_back({QStringLiteral("SF%1").arg(100001 + i * 10 + i % 3), QStringLiteral("顺丰速运")});

    // The floor: the same pages, loaded one after another.
    QElapsedTimer timer;
    QEventLoop loop;
    const QMetaObject::Connection loaded =
        QObject::connect(&browser, &Browser::documentComplete, &loop, &QEventLoop::quit);
    browser.navigate(sim.baseUrl()); // warms the engine
    loop.exec();
    timer.start();
    for (int i = 0; i < kWaybills; ++i) {
        browser.navigate(sim.baseUrl() + QStringLiteral("/all/sf.shtml"));
        loop.exec();
    }
    const double floorMs = double(timer.elapsed()) / kWaybills;
    QObject::disconnect(loaded);

    DetailedQuery query(browser);
    int harvested = 0;
    QObject::connect(&query, &DetailedQuery::harvested,
                     [&harvested](int, const DetailedJob &, const QStringList &lines, bool) {
                         harvested += lines.isEmpty() ? 0 : 1;
                     });
    QObject::connect(&query, &DetailedQuery::finished, &loop, &QEventLoop::quit);
    StallWatch watch;
    timer.restart();
    query.start(jobs, DataSource::Default, 3500);
    loop.exec();
    const double perWaybill = double(timer.elapsed()) / kWaybills;
    std::fflush(stdout);
    std::printf("detailed pass %s: %.0f ms per waybill, floor %.0f ms (%.2fx), %d/%d harvested, "
                "longest stall of the window thread %lld ms\n",
                *latency ? latency : "--latency 0", perWaybill, floorMs, perWaybill / qMax(floorMs, 1.0), harvested,
                kWaybills, static_cast<long long>(watch.longest));
    // The goals: with a slow service no more than 1.3x the floor, with a quick one under 0.3 s a waybill.
    const bool complete = harvested == kWaybills;
    if (*latency) {
        const double ratio = perWaybill / qMax(floorMs, 1.0);
        figure(QStringLiteral("detailed pass, latency 300, against the floor"),
               complete ? QStringLiteral("%1x (%2 / %3 ms)")
                              .arg(ratio, 0, 'f', 2)
                              .arg(perWaybill, 0, 'f', 0)
                              .arg(floorMs, 0, 'f', 0)
                        : QStringLiteral("n/a"),
               QStringLiteral("<= 1.3x floor"),
               !complete      ? QStringLiteral("n/a")
               : ratio <= 1.3 ? QStringLiteral("ok")
                              : QStringLiteral("over"));
    } else {
        figure(QStringLiteral("detailed pass, latency 0, a waybill"),
               complete ? QStringLiteral("%1 ms").arg(perWaybill, 0, 'f', 0) : QStringLiteral("n/a"),
               QStringLiteral("< 300 ms"),
               !complete          ? QStringLiteral("n/a")
               : perWaybill < 300 ? QStringLiteral("ok")
                                  : QStringLiteral("over"));
    }
    std::fflush(stdout);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    run("");
    run("--latency 300");
    return 0;
}
