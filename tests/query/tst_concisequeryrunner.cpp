#include "query/ConciseQuery.h"
#include "query/ConciseQueryRunner.h"
#include "settings/Endpoints.h"
#include "support/TrackingSim.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

void pointAt(const QString &base)
{
    Endpoints endpoints;
    endpoints.trackingService = base;
    Endpoints::setCurrent(endpoints);
}

QStringList args(const char *line)
{
    return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QVector<ConciseJob> jobsFor(const QStringList &numbers)
{
    QVector<ConciseJob> jobs;
    for (const QString &number : numbers)
        jobs.push_back({number, u("顺丰速运"), QStringLiteral("shunfeng")});
    return jobs;
}

// Runs a pass to its end and hands back the rows in the order they came.
struct Pass {
    explicit Pass(ConciseQueryRunner &runner)
        : rows(&runner, &ConciseQueryRunner::rowReady), progress(&runner, &ConciseQueryRunner::progress),
          finished(&runner, &ConciseQueryRunner::finished)
    {
    }
    ConciseRow row(int i) const { return rows.at(i).at(0).value<ConciseRow>(); }
    QStringList numbers() const
    {
        QStringList list;
        for (int i = 0; i < rows.size(); ++i)
            list << row(i).number;
        return list;
    }
    QSignalSpy rows;
    QSignalSpy progress;
    QSignalSpy finished;
};

} // namespace

class TestConciseQueryRunner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsKeepJobOrderAndCarryTheLastState();
    void aSlowFirstAnswerStillComesFirst();
    void oneFailedRequestFailsOnlyItsRow();
    void unreachableServiceFailsEveryRow();
    void carrierWithoutApiCodeNeedsNoRequest();
    void stopAbortsAndFinishesOnce();
    void stopFromARowEndsThePass();
    void zeroJobsFinishAtOnceButNotInsideStart();
};

void TestConciseQueryRunner::rowsKeepJobOrderAndCarryTheLastState()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--latency 150"));
    QVERIFY(sim.isListening());
    pointAt(sim.baseUrl());
    ConciseQueryRunner runner;
    Pass pass(runner);
    const QStringList numbers{u("101"), u("102"), u("103"), u("100"), u("111"), u("112"), u("113"), u("a&b 1")};
    QVERIFY(runner.start(jobsFor(numbers)));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 20000);
    QCOMPARE(pass.finished.at(0).at(0).toBool(), false);
    QVERIFY(!runner.isRunning());
    QCOMPARE(pass.numbers(), numbers);

    const QVector<bool> signedFor{true, true, false, false, true, true, false, true};
    for (int i = 0; i < numbers.size(); ++i) {
        const ConciseRow row = pass.row(i);
        QVERIFY(!row.failed);
        QCOMPARE(row.carrier, u("顺丰速运"));
        QCOMPARE(row.signedFor, signedFor[i]);
        QVERIFY2(!row.state.isEmpty() && !row.state.contains(u("更多")), qPrintable(row.state));
    }
    QVERIFY(pass.row(0).state.contains(u("已签收")));
    QVERIFY(pass.row(1).state.contains(u("妥投")));
    QVERIFY(pass.row(3).state.contains(u("查无")));

    QCOMPARE(pass.progress.size(), numbers.size());
    for (int i = 0; i < numbers.size(); ++i) {
        QCOMPARE(pass.progress.at(i).at(0).toInt(), i + 1);
        QCOMPARE(pass.progress.at(i).at(1).toInt(), int(numbers.size()));
    }
}

void TestConciseQueryRunner::aSlowFirstAnswerStillComesFirst()
{
    // The first waybill's request hangs until its transfer time-out, long after
    // the others have come back.
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault timeout --fault-number 901"));
    QVERIFY(sim.isListening());
    pointAt(sim.baseUrl());
    ConciseQueryRunner runner;
    QCOMPARE(runner.transferTimeout(), 60000);
    runner.setTransferTimeout(700);
    Pass pass(runner);
    QVERIFY(runner.start(jobsFor({u("901"), u("902"), u("903")})));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 20000);
    QCOMPARE(pass.numbers(), (QStringList{u("901"), u("902"), u("903")}));
    QVERIFY(pass.row(0).failed);
    QCOMPARE(pass.row(0).state, u("查询失败：连接超时"));
    QVERIFY(!pass.row(0).signedFor);
    QVERIFY(!pass.row(1).failed);
    QVERIFY(pass.row(1).signedFor);
}

void TestConciseQueryRunner::oneFailedRequestFailsOnlyItsRow()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault status500 --fault-number 551"));
    QVERIFY(sim.isListening());
    pointAt(sim.baseUrl());
    ConciseQueryRunner runner;
    Pass pass(runner);
    // 551 would be signed for; its failure must not say so.
    QVERIFY(runner.start(jobsFor({u("541"), u("551"), u("561"), u("563"), u("564"), u("565")})));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 20000);
    QCOMPARE(pass.rows.size(), 6);
    QCOMPARE(pass.row(1).number, u("551"));
    QVERIFY(pass.row(1).failed);
    QCOMPARE(pass.row(1).state, u("查询失败：HTTP 500"));
    QVERIFY(!pass.row(1).signedFor);
    for (int i : {0, 2})
        QVERIFY(!pass.row(i).failed && pass.row(i).signedFor);
    for (int i : {3, 4, 5})
        QVERIFY(!pass.row(i).failed && !pass.row(i).signedFor);
}

void TestConciseQueryRunner::unreachableServiceFailsEveryRow()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    pointAt(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start(jobsFor({u("1"), u("2")})));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 20000);
    QCOMPARE(pass.rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(pass.row(i).failed);
        QCOMPARE(pass.row(i).state, u("查询失败：无法连接服务器"));
    }
}

void TestConciseQueryRunner::carrierWithoutApiCodeNeedsNoRequest()
{
    pointAt(QStringLiteral("http://127.0.0.1:1")); // nothing listens; no request may go out
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start({{u("7771"), u("某快递"), QString()}, {u("7772"), QString(), QString()}}));
    QTRY_COMPARE(pass.finished.size(), 1);
    QCOMPARE(pass.numbers(), (QStringList{u("7771"), u("7772")}));
    for (int i = 0; i < 2; ++i) {
        QVERIFY(!pass.row(i).failed);
        QVERIFY(!pass.row(i).signedFor);
        QCOMPARE(pass.row(i).state, ConciseQueryRunner::unsupportedCarrierState());
    }
    QCOMPARE(pass.row(0).carrier, u("某快递"));
    QVERIFY(!IsSignedFor(ConciseQueryRunner::unsupportedCarrierState()));
}

void TestConciseQueryRunner::stopAbortsAndFinishesOnce()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault timeout"));
    QVERIFY(sim.isListening());
    pointAt(sim.baseUrl());
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start(jobsFor({u("1"), u("2"), u("3"), u("4"), u("5"), u("6")})));
    QTest::qWait(300);
    QVERIFY(runner.isRunning());
    runner.stop();
    QCOMPARE(pass.finished.size(), 1);
    QCOMPARE(pass.finished.at(0).at(0).toBool(), true);
    QVERIFY(!runner.isRunning());
    runner.stop(); // a second stop is no second finish
    QTest::qWait(300);
    QCOMPARE(pass.finished.size(), 1);
    QCOMPARE(pass.rows.size(), 0);

    // The runner can be used again afterwards.
    QVERIFY(runner.start({{u("8"), u("x"), QString()}}));
    QTRY_COMPARE(pass.finished.size(), 2);
    QCOMPARE(pass.finished.at(1).at(0).toBool(), false);
    QCOMPARE(pass.rows.size(), 1);
}

void TestConciseQueryRunner::stopFromARowEndsThePass()
{
    pointAt(QStringLiteral("http://127.0.0.1:1"));
    ConciseQueryRunner runner;
    Pass pass(runner);
    connect(&runner, &ConciseQueryRunner::rowReady, &runner, [&runner] { runner.stop(); });
    QVERIFY(runner.start({{u("1"), u("a"), QString()}, {u("2"), u("b"), QString()}, {u("3"), u("c"), QString()}}));
    QTRY_COMPARE(pass.finished.size(), 1);
    QTest::qWait(100);
    QCOMPARE(pass.finished.size(), 1);
    QCOMPARE(pass.finished.at(0).at(0).toBool(), true);
    QCOMPARE(pass.rows.size(), 1);
}

void TestConciseQueryRunner::zeroJobsFinishAtOnceButNotInsideStart()
{
    ConciseQueryRunner runner;
    Pass pass(runner);
    QVERIFY(runner.start({}));
    QCOMPARE(pass.finished.size(), 0);
    QTRY_COMPARE(pass.finished.size(), 1);
    QCOMPARE(pass.finished.at(0).at(0).toBool(), false);
    QCOMPARE(pass.rows.size(), 0);
    QCOMPARE(pass.progress.size(), 0);
    QVERIFY(!runner.isRunning());
}

QTEST_GUILESS_MAIN(TestConciseQueryRunner)
#include "tst_concisequeryrunner.moc"
