#include "core/NetworkFailure.h"
#include "query/ConciseQueryRunner.h"
#include "services/WaybillStatus.h"
#include "support/DueNow.h"
#include "support/TinyHttpServer.h"
#include "support/TrackingSim.h"

#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <optional>

namespace {

const auto u = [](const char *utf8) { return QString::fromUtf8(utf8); };

// Numbers starting with "N" belong to a carrier without an API code.
QVector<ConciseJob> jobsFor(const QStringList &numbers)
{
    QVector<ConciseJob> jobs;
    for (const QString &number : numbers)
        jobs.push_back(
            {number, u("顺丰速运"), number.startsWith(QLatin1Char('N')) ? QString() : u("shunfeng"), u("13800138000")});
    return jobs;
}

// Records a pass: its rows in the order they came, its progress and its end.
struct Pass {
    explicit Pass(ConciseQueryRunner &runner)
        : rows(&runner, &ConciseQueryRunner::rowReady), progress(&runner, &ConciseQueryRunner::progress),
          finished(&runner, &ConciseQueryRunner::finished)
    {
    }
    ConciseRow row(int i) const { return rows.at(i).at(0).value<ConciseRow>(); }
    bool stopped(int pass) const { return finished.at(pass).at(0).toBool(); }
    QSignalSpy rows;
    QSignalSpy progress;
    QSignalSpy finished;
};

} // namespace

class TestConciseQueryRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsKeepJobOrder_data();
    void rowsKeepJobOrder();
    void zeroJobsAndStop();
    void longStatesAreCutForShowing();
    void everyRecordOfTheServiceHasItsStatus();
    void telephoneDigitsGoOnlyWhereTheCarrierAsks();
    void onlyTheServicesOwnTextIsAnAnswer();
};

// Each row's state holds the expected text; a failed row's state is exactly it.
// "a&b #1" ends in 1 only if the address carries it whole.
void TestConciseQueryRunner::rowsKeepJobOrder_data()
{
    QTest::addColumn<QString>("simArguments"); // empty: nothing listens at all
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QStringList>("states");

    const QString signedFor = u("已签收"), inTransit = u("快件");
    const QString none = ConciseQueryRunner::unsupportedCarrierState();
    QTest::newRow("latency") << u("--latency 150")
                             << QStringList{u("101"), u("102"), u("103"), u("100"), u("111"), u("a&b #1"), u("N7771")}
                             << QStringList{signedFor, u("妥投"), inTransit, u("查无"), signedFor, signedFor, none};
    // The first request hangs until its time-out, which falls due once the others came back.
    QTest::newRow("time-out") << u("--fault timeout --fault-number 901") << QStringList{u("901"), u("911"), u("923")}
                              << QStringList{u("查询失败：连接超时"), signedFor, inTransit};
    // Answers without end, of half a gigabyte, or trickling in: each ends in a
    // failed row of its own, and the pass goes on.
    QTest::newRow("endless") << u("--fault endless --fault-number 901") << QStringList{u("901"), u("911")}
                             << QStringList{u("查询失败：应答过大"), signedFor};
    QTest::newRow("huge") << u("--fault huge --fault-number 901") << QStringList{u("901"), u("911")}
                          << QStringList{u("查询失败：应答过大"), signedFor};
    QTest::newRow("trickle") << u("--fault trickle --fault-number 901") << QStringList{u("901"), u("911")}
                             << QStringList{u("查询失败：连接超时"), signedFor};
    QTest::newRow("redirect loop") << u("--fault redirect-loop --fault-number 901") << QStringList{u("901"), u("911")}
                                   << QStringList{u("查询失败：重定向"), signedFor};
    QTest::newRow("compression bomb") << u("--fault bomb --fault-number 901") << QStringList{u("901"), u("911")}
                                      << QStringList{u("查询失败：应答无法解压"), signedFor};
    // 551 would be signed for; its failure must not say so.
    QTest::newRow("HTTP 500") << u("--fault status500 --fault-number 551")
                              << QStringList{u("541"), u("551"), u("563"), u("571"), u("581")}
                              << QStringList{signedFor, u("查询失败：服务器返回错误（HTTP 500）。"), inTransit,
                                             signedFor, signedFor};
    QTest::newRow("HTTP 204") << u("--fault no-content --fault-number 551") << QStringList{u("551"), u("561")}
                              << QStringList{u("查询失败：服务器没有返回任何内容"), signedFor};
    QTest::newRow("unreachable") << QString() << QStringList{u("1"), u("N2")}
                                 << QStringList{u("查询失败：无法连接服务器（连接被拒绝）。"), none};
}

void TestConciseQueryRunner::rowsKeepJobOrder()
{
    QFETCH(QString, simArguments);
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, states);
    std::optional<TrackingSim> sim;
    QTcpServer probe;
    if (simArguments.isEmpty()) {
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        TrackingSim::pointHostsAt(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
        probe.close();
    } else {
        sim.emplace(QStringLiteral(TRACKING_SIM), simArguments.toUtf8().constData());
        QVERIFY2(sim->isListening(), sim->output().constData());
        sim->serveAllHosts();
    }
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start(jobsFor(numbers)));
    if (states.first().contains(u("连接超时"))) {
        // Only the first request is left: its deadline, armed for the full wait, falls due now.
        QTRY_COMPARE_WITH_TIMEOUT(DueNow::armed(&runner, NetworkFailure::kDeadlineName).size(), 1, 60000);
        QTimer *deadline = DueNow::armed(&runner, NetworkFailure::kDeadlineName).first();
        QCOMPARE(deadline->interval(), ConciseQueryRunner::kDefaultTransferTimeoutMs);
        QVERIFY(qobject_cast<QNetworkReply *>(deadline->parent())->url().query().contains(u("nu=") + numbers.first()));
        DueNow::fire(deadline);
    }
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    QVERIFY(!pass.stopped(0) && !runner.isRunning());
    QVERIFY(pass.rows.size() == numbers.size() && pass.progress.size() == numbers.size());
    for (int i = 0; i < numbers.size(); ++i) {
        const ConciseRow row = pass.row(i);
        QCOMPARE(row.number, numbers[i]);
        QCOMPARE(row.carrier, u("顺丰速运"));
        QCOMPARE(row.failed, states[i].startsWith(u("查询失败")));
        QCOMPARE(row.signedFor, states[i] == u("已签收") || states[i] == u("妥投"));
        QVERIFY2((row.failed ? row.state.startsWith(states[i]) : row.state.contains(states[i])) &&
                     !row.state.contains(u("更多")),
                 qPrintable(row.state));
        QCOMPARE(pass.progress.at(i), (QVariantList{i + 1, int(numbers.size())}));
    }
}

void TestConciseQueryRunner::zeroJobsAndStop()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), "--fault timeout");
    QVERIFY2(sim.isListening(), sim.output().constData());
    sim.serveAllHosts();
    ConciseQueryRunner runner;
    Pass pass(runner);
    // Zero jobs finish at once, but not inside start().
    QVERIFY(runner.start({}));
    QCOMPARE(pass.finished.size(), 0);
    QTRY_COMPARE(pass.finished.size(), 1);
    QVERIFY(!pass.stopped(0) && !runner.isRunning());

    QVERIFY(runner.start(jobsFor({u("1"), u("2"), u("3"), u("4"), u("5"), u("6")})));
    QTest::qWait(300);
    QVERIFY(runner.isRunning());
    runner.stop();
    QCOMPARE(pass.finished.size(), 2);
    QVERIFY(pass.stopped(1) && !runner.isRunning());
    runner.stop(); // a second stop is no second finish
    QTest::qWait(300);
    QCOMPARE(pass.finished.size(), 2);
    QCOMPARE(pass.rows.size() + pass.progress.size(), 0);

    // The runner can be used again, and stopped from inside a row.
    connect(&runner, &ConciseQueryRunner::rowReady, &runner, [&runner] { runner.stop(); });
    QVERIFY(runner.start(jobsFor({u("N7"), u("N8"), u("N9")})));
    QTRY_COMPARE(pass.finished.size(), 3);
    QTest::qWait(100);
    QCOMPARE(pass.finished.size(), 3);
    QVERIFY(pass.stopped(2));
    QCOMPARE(pass.rows.size(), 1);
}

void TestConciseQueryRunner::longStatesAreCutForShowing()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), "--fault long");
    QVERIFY2(sim.isListening(), sim.output().constData());
    sim.serveAllHosts();
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start(jobsFor({u("1")})));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 20000);
    const ConciseRow row = pass.row(0);
    QVERIFY(!row.failed);
    QVERIFY(row.signedFor); // decided by the whole state, whose end says so
    QCOMPARE(row.state.size(), ConciseQueryRunner::kShownStateLength + 1);
    QVERIFY(row.state.endsWith(QChar(0x2026)));
}

// The service's records by the number's ending; the locker's comes with a
// state code, its text alone would read as in transit.
void TestConciseQueryRunner::everyRecordOfTheServiceHasItsStatus()
{
    using namespace WaybillStatus;
    const QVector<QPair<QString, QString>> expected = {
        {u("SF1"), kSigned},          {u("SF2"), kSigned},
        {u("SF9"), kTrouble},         {u("SF0"), kAwaitingCollection},
        {u("SF4"), kInTransit},       {u("SF73"), kReturnSigned},
        {u("SF74"), kReturnSigned},   {u("SF75"), kReturning},
        {u("SF76"), kTrouble},        {u("SF77"), kAwaitingPickup},
        {u("SF78"), kAwaitingPickup}, {u("SF83"), kOutForDelivery},
        {u("SF84"), kRedirected},     {u("SF85"), kCustoms},
        {u("SF86"), kPickedUp},       {u("SF87"), kAwaitingCollection},
        {u("SF88"), kAwaitingPickup},
    };
    TrackingSim sim(QStringLiteral(TRACKING_SIM));
    QVERIFY2(sim.isListening(), sim.output().constData());
    sim.serveAllHosts();
    QStringList numbers;
    for (const auto &[number, status] : expected)
        numbers << number;
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start(jobsFor(numbers)));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(pass.row(i).status, expected[i].second);
        QCOMPARE(pass.row(i).signedFor, expected[i].second == kSigned);
    }
}

// 顺丰 and 中通 get the last four digits of the telephone; a carrier that does
// not ask never sees it; without four digits nothing is sent and the row says why.
void TestConciseQueryRunner::telephoneDigitsGoOnlyWhereTheCarrierAsks()
{
    TinyHttpServer server;
    QVERIFY(server.start());
    TrackingSim::pointHostsAt(server.base());
    const QString sf = u("/apione?com=shunfeng&nu=111&show=3&phone=8000"), yt = u("/apione?com=yuantong&nu=121&show=3");
    server.answers.insert(sf, {200, "text/plain", u("快件已签收更多").toUtf8()});
    server.answers.insert(yt, {200, "text/plain", u("运输中更多").toUtf8()});
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start({{u("111"), u("顺丰速运"), u("shunfeng"), u("138-0013-８０００")},
                          {u("121"), u("圆通快递"), u("yuantong"), u("13800138000")},
                          {u("131"), u("中通速递"), u("zhongtong"), u("分机 12")}}));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    QCOMPARE(server.requests, (QStringList{sf, yt}));
    QVERIFY(pass.row(0).signedFor);
    QCOMPARE(pass.row(1).state, u("运输中"));
    QVERIFY(pass.row(2).failed && !pass.row(2).signedFor);
    QCOMPARE(pass.row(2).state, ConciseQueryRunner::phoneDigitsMissingState());
}

// A proxy's error page or a Wi-Fi portal served with 200, a blank answer and
// one without a state fail with what came back; none becomes a state.
void TestConciseQueryRunner::onlyTheServicesOwnTextIsAnAnswer()
{
    TinyHttpServer server;
    QVERIFY(server.start());
    TrackingSim::pointHostsAt(server.base());
    const struct {
        const char *type;
        QByteArray body;
        const char *shows;
    } answers[] = {
        {"text/html", "<html><head><title>502 Bad Gateway</title></head><body><script>var s='已签收 更多'</script>",
         "查询失败：收到的是网页"},
        {"text/plain", "  \r\n<!DOCTYPE html><p>已签收</p>更多", "查询失败：收到的是网页"},
        {"text/plain", "", "查询失败：查询服务的回答是空白的"},
        {"text/plain", "系统维护中", "查询失败：无法识别查询服务的回答：系统维护中"},
        {"text/plain", "快件已签收更多", "快件已签收"},
    };
    QVector<ConciseJob> jobs;
    for (int i = 0; i < int(std::size(answers)); ++i) {
        const QString number = QStringLiteral("90%1").arg(i);
        server.answers.insert(u("/apione?com=yuantong&nu=") + number + u("&show=3"),
                              {200, answers[i].type, QByteArray(answers[i].body)});
        jobs.push_back({number, u("圆通快递"), u("yuantong")});
    }
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start(jobs));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    for (int i = 0; i < jobs.size(); ++i) {
        const bool answer = i + 1 == jobs.size();
        QVERIFY2(pass.row(i).state.startsWith(u(answers[i].shows)), qPrintable(pass.row(i).state));
        QCOMPARE(pass.row(i).failed, !answer);
        QCOMPARE(pass.row(i).signedFor, answer);
        QCOMPARE(pass.row(i).status.isEmpty(), !answer);
    }
}

QTEST_GUILESS_MAIN(TestConciseQueryRunner)
#include "tst_concisequeryrunner.moc"
