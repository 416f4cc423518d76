// A concise pass of 200 waybills through each service's protocol against the
// local stand-in at 100 ms latency, against the floor that the service's
// documented limits allow (requests at once, pace, numbers a request). 17TRACK
// asks, registers and asks again 40 numbers at a time. Goal: within 1.05x.
#include "BenchShared.h"
#include "core/Endpoints.h"
#include "query/ConciseQueryRunner.h"
#include "support/TrackingSim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int kWaybills = 200;
constexpr int kLatencyMs = 100;

ServiceAccount accountOf(ServiceId id)
{
    switch (id) {
    case ServiceId::Kuaidi100:
        return {id, {QStringLiteral("tolvane-customer"), QStringLiteral("tolvane-key")}};
    case ServiceId::Kdniao:
        return {id, {QStringLiteral("1234567"), QStringLiteral("tolvane-apikey")}};
    case ServiceId::Track17:
        return {id, {QString(), QStringLiteral("tolvane-17token")}};
    case ServiceId::Classic:
        break;
    }
    return {};
}

// The shortest time the limits allow for `calls` requests that each take the latency.
double floorMs(const ServiceLimits &limits, int calls)
{
    const double byPace = double(calls - 1) * limits.minIntervalMs + kLatencyMs;
    const double byConcurrency = std::ceil(double(calls) / limits.maxInFlight) * kLatencyMs;
    return std::max(byPace, byConcurrency);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    for (ServiceId id : Services::all()) {
        const QByteArray latency = "--latency " + QByteArray::number(kLatencyMs);
        // A fresh stand-in each run: 17TRACK's numbers start unregistered.
        const int runs = 3;
        int calls = 0;
        const Bench::Spread spread = Bench::timed(
            [&](int run) -> qint64 {
                TrackingSim sim(QStringLiteral(TRACKING_SIM), latency.constData());
                if (!sim.isListening())
                    return -1;
                TrackingSim::pointHostsAt(sim.baseUrl());
                Endpoints hosts = Endpoints::current();
                hosts.kuaidi100Service = hosts.kdniaoService = hosts.track17Service = sim.baseUrl();
                Endpoints::setCurrent(hosts);
                QVector<ConciseJob> jobs;
                for (int i = 0; i < kWaybills; ++i)
                    jobs.push_back({QStringLiteral("YT%1%2").arg(run).arg(i * 10 + 1, 10, 10, QLatin1Char('0')),
                                    QStringLiteral("圆通快递"), QStringLiteral("yuantong")});
                ConciseQueryRunner runner;
                runner.setServices({id == ServiceId::Classic ? ServiceAccount{} : accountOf(id)});
                int failed = 0;
                calls = 0;
                QObject::connect(&runner, &ConciseQueryRunner::rowReady,
                                 [&](const ConciseRow &row) { failed += row.failed ? 1 : 0; });
                QObject::connect(&runner, &ConciseQueryRunner::requestSent, [&] { ++calls; });
                QEventLoop loop;
                QObject::connect(&runner, &ConciseQueryRunner::finished, &loop, &QEventLoop::quit);
                QElapsedTimer timer;
                timer.start();
                runner.start(jobs);
                loop.exec();
                const qint64 took = timer.elapsed();
                if (failed > 0) {
                    std::fprintf(stderr, "%s: %d of %d failed\n", qPrintable(Services::key(id)), failed, kWaybills);
                    return -1;
                }
                return took;
            },
            runs);
        const double floor = floorMs(MakeProtocol(id)->limits(), calls);
        const QString what =
            QStringLiteral("简洁查询 200 单（%1，100 ms 延迟，%2 次请求）").arg(Services::displayName(id)).arg(calls);
        Bench::line(qPrintable(Services::key(id)), spread);
        if (spread.median < 0) {
            figure(what, QStringLiteral("n/a"), QString(), QStringLiteral("n/a"));
            status = 1;
            continue;
        }
        const double ratio = spread.median / floor;
        figure(what,
               QStringLiteral("%1 ms = %2x 下限 %3 ms").arg(spread.median).arg(ratio, 0, 'f', 3).arg(floor, 0, 'f', 0),
               QStringLiteral("<= 1.05x"), ratio <= 1.05 ? QStringLiteral("ok") : QStringLiteral("over"));
    }
    return status;
}
