// A pass through each account service, against the local stand-in that
// speaks its protocol: results and traces, failures that name their cause
// and mark nothing, the move to the next service, and the services' limits.
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "query/BackgroundRefresh.h"
#include "query/ConciseQueryRunner.h"
#include "query/TrackingServices.h"
#include "services/KeyStore.h"
#include "services/WaybillStatus.h"
#include "settings/AppSettings.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "support/TestFolder.h"
#include "support/TrackingSim.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <optional>

namespace {

const auto u = [](const char *utf8) { return QString::fromUtf8(utf8); };

// The stand-in's own accounts.
ServiceAccount accountOf(ServiceId id, bool right = true)
{
    const QString wrong = QStringLiteral("wrong");
    switch (id) {
    case ServiceId::Kuaidi100:
        return {id, {QStringLiteral("tolvane-customer"), right ? QStringLiteral("tolvane-key") : wrong}};
    case ServiceId::Kdniao:
        return {id, {QStringLiteral("1234567"), right ? QStringLiteral("tolvane-apikey") : wrong}};
    case ServiceId::Track17:
        return {id, {QString(), right ? QStringLiteral("tolvane-17token") : wrong}};
    case ServiceId::Classic:
        break;
    }
    return {};
}

void pointAccountsAt(const QString &base)
{
    TrackingSim::pointHostsAt(base);
    Endpoints hosts = Endpoints::current();
    hosts.kuaidi100Service = hosts.kdniaoService = hosts.track17Service = base;
    Endpoints::setCurrent(hosts);
}

struct Pass {
    explicit Pass(ConciseQueryRunner &runner)
        : rows(&runner, &ConciseQueryRunner::rowReady), finished(&runner, &ConciseQueryRunner::finished),
          sent(&runner, &ConciseQueryRunner::requestSent), switched(&runner, &ConciseQueryRunner::serviceSwitched)
    {
    }
    ConciseRow row(int i) const { return rows.at(i).at(0).value<ConciseRow>(); }
    QSignalSpy rows, finished, sent, switched;
};

QVector<ConciseJob> jobs(const QStringList &numbers, const QString &carrier = u("圆通快递"))
{
    QVector<ConciseJob> out;
    for (const QString &n : numbers)
        out.push_back({n, carrier, QStringLiteral("yuantong"), QStringLiteral("13800138000")});
    return out;
}

} // namespace

class TestTrackingPass final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void eachServiceGivesStatusAndTrace_data();
    void eachServiceGivesStatusAndTrace();
    void refusalsNameTheirCauseAndMarkNothing_data();
    void refusalsNameTheirCauseAndMarkNothing();
    void aFailingServiceHandsThePassOn();
    void seventeenTrackRegistersInBatchesOfForty();
    void aKeyNeverGoesOutInTheClear();
    void onlyTheDigitsACarrierNeedsLeave();
    void answersOfTheLastHalfHourAndTheBudget();
    void theBackgroundKeepsToItsDailyBudget();

private:
    std::optional<TrackingSim> m_sim;
};

void TestTrackingPass::init()
{
    m_sim.reset();
}

void TestTrackingPass::eachServiceGivesStatusAndTrace_data()
{
    QTest::addColumn<int>("service");
    const QList<ServiceId> services{ServiceId::Kuaidi100, ServiceId::Kdniao, ServiceId::Track17};
    for (ServiceId id : services)
        QTest::newRow(qPrintable(Services::key(id))) << int(id);
}

// One pass over every record: each service's own codes give the status the
// record's words give, and a returned parcel signed for is never 已签收.
void TestTrackingPass::eachServiceGivesStatusAndTrace()
{
    QFETCH(int, service);
    const ServiceId id = ServiceId(service);
    m_sim.emplace(QStringLiteral(TRACKING_SIM));
    QVERIFY2(m_sim->isListening(), m_sim->output().constData());
    pointAccountsAt(m_sim->baseUrl());
    ConciseQueryRunner runner;
    runner.setServices({accountOf(id)});
    Pass pass(runner);
    // Every record the stand-in keeps, by the number's ending, and the status
    // its text gives on the classic interface.
    const QList<QPair<const char *, QString>> records{
        {"1", WaybillStatus::kSigned},          {"2", WaybillStatus::kSigned},
        {"9", WaybillStatus::kTrouble},         {"73", WaybillStatus::kReturnSigned},
        {"74", WaybillStatus::kReturnSigned},   {"75", WaybillStatus::kReturning},
        {"76", WaybillStatus::kTrouble},        {"77", WaybillStatus::kAwaitingPickup},
        {"78", WaybillStatus::kAwaitingPickup}, {"83", WaybillStatus::kOutForDelivery},
        {"84", WaybillStatus::kRedirected},     {"85", WaybillStatus::kCustoms},
        {"86", WaybillStatus::kPickedUp},       {"87", WaybillStatus::kAwaitingCollection},
        {"88", WaybillStatus::kAwaitingPickup}, {"5", WaybillStatus::kInTransit}};
    QStringList numbers, statuses;
    for (const auto &[ending, status] : records) {
        numbers << u("YT10000000") + QString::fromLatin1(ending).rightJustified(2, QLatin1Char('0'));
        statuses << status;
    }
    QVERIFY(runner.start(jobs(numbers)));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    QCOMPARE(pass.rows.size(), numbers.size());
    for (int i = 0; i < numbers.size(); ++i) {
        const ConciseRow row = pass.row(i);
        QVERIFY2(!row.failed, qPrintable(row.state));
        QCOMPARE(row.number, numbers[i]);
        QCOMPARE(row.service, id);
        QCOMPARE(row.status, statuses[i]);
        QCOMPARE(row.signedFor, statuses[i] == WaybillStatus::kSigned);
        QVERIFY(!row.trace.isEmpty());
        QCOMPARE(row.state, row.trace.first().text);
        for (int t = 1; t < row.trace.size(); ++t)
            QVERIFY2(row.trace[t - 1].time >= row.trace[t].time, "newest first");
    }
    QCOMPARE(runner.health().of(id).failuresInRow, 0);
    QVERIFY(runner.health().of(id).lastSuccess.isValid());
}

void TestTrackingPass::refusalsNameTheirCauseAndMarkNothing_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("simArguments");
    QTest::addColumn<bool>("rightKey");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<int>("failure");
    for (ServiceId id : {ServiceId::Kuaidi100, ServiceId::Kdniao, ServiceId::Track17}) {
        const QByteArray key = Services::key(id).toUtf8();
        QTest::newRow(QByteArray(key + " wrong key").constData())
            << int(id) << QString() << false << u("YT1000000001") << u("圆通快递") << int(TrackFailure::Auth);
        QTest::newRow(QByteArray(key + " quota spent").constData())
            << int(id) << QStringLiteral("--quota %1=0").arg(Services::key(id)) << true << u("YT1000000001")
            << u("圆通快递") << int(TrackFailure::Quota);
        QTest::newRow(QByteArray(key + " unknown number").constData())
            << int(id) << QString() << true << u("YT1000000000") << u("圆通快递") << int(TrackFailure::NumberUnknown);
        QTest::newRow(QByteArray(key + " error page").constData())
            << int(id) << QStringLiteral("--fault html200") << true << u("YT1000000001") << u("圆通快递")
            << int(TrackFailure::BadAnswer);
    }
    QTest::newRow("kuaidi100 carrier it does not know")
        << int(ServiceId::Kuaidi100) << QString() << true << u("X1000000001") << u("CCES")
        << int(TrackFailure::CarrierUnsupported);
    QTest::newRow("network down") << int(ServiceId::Kdniao) << QStringLiteral("down") << true << u("YT1000000001")
                                  << u("圆通快递") << int(TrackFailure::Network);
}

void TestTrackingPass::refusalsNameTheirCauseAndMarkNothing()
{
    QFETCH(int, service);
    QFETCH(QString, simArguments);
    QFETCH(bool, rightKey);
    QFETCH(QString, number);
    QFETCH(QString, carrier);
    QFETCH(int, failure);
    if (simArguments == QLatin1String("down")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        pointAccountsAt(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    } else {
        m_sim.emplace(QStringLiteral(TRACKING_SIM), simArguments.toUtf8().constData());
        QVERIFY2(m_sim->isListening(), m_sim->output().constData());
        pointAccountsAt(m_sim->baseUrl());
    }
    ConciseQueryRunner runner;
    runner.setServices({accountOf(ServiceId(service), rightKey)});
    Pass pass(runner);
    QVERIFY(runner.start(jobs({number}, carrier)));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    const ConciseRow row = pass.row(0);
    QCOMPARE(int(row.failure), failure);
    QVERIFY(row.failed && !row.signedFor && row.status.isEmpty() && row.trace.isEmpty());
    QVERIFY2(!row.state.isEmpty() && !row.state.contains(QLatin1String("<")), qPrintable(row.state));
    // A carrier the service does not know is never sent.
    QCOMPARE(pass.sent.isEmpty(), failure == int(TrackFailure::CarrierUnsupported));
}

// A wrong key on the chosen service: after a few refusals the pass moves to
// the next one, says so once, and every waybill is answered there.
void TestTrackingPass::aFailingServiceHandsThePassOn()
{
    m_sim.emplace(QStringLiteral(TRACKING_SIM));
    QVERIFY(m_sim->isListening());
    pointAccountsAt(m_sim->baseUrl());
    ConciseQueryRunner runner;
    runner.setServices({accountOf(ServiceId::Kuaidi100, false), accountOf(ServiceId::Kdniao)});
    Pass pass(runner);
    QStringList numbers;
    for (int i = 0; i < 8; ++i)
        numbers << QStringLiteral("YT200000000%1").arg(i + 1);
    QVERIFY(runner.start(jobs(numbers)));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    QCOMPARE(pass.switched.size(), 1);
    QCOMPARE(pass.switched.first().at(1).value<ServiceId>(), ServiceId::Kdniao);
    QCOMPARE(pass.rows.size(), numbers.size());
    for (int i = 0; i < numbers.size(); ++i) {
        QCOMPARE(pass.row(i).number, numbers[i]);
        QVERIFY2(!pass.row(i).failed && pass.row(i).service == ServiceId::Kdniao, qPrintable(pass.row(i).state));
    }
    const SourceHealth failing = runner.health().of(ServiceId::Kuaidi100);
    QCOMPARE(failing.failuresInRow, ServiceHealth::kFailuresBeforeSwitch);
    QVERIFY(!failing.lastFailureText.isEmpty() && failing.lastFailure.isValid());
    QVERIFY(runner.health().summary(ServiceId::Kuaidi100).contains(u("连续失败")));
}

// 45 new numbers: none asked more than 40 at a time, each registered once,
// all answered in the jobs' order.
void TestTrackingPass::seventeenTrackRegistersInBatchesOfForty()
{
    m_sim.emplace(QStringLiteral(TRACKING_SIM));
    QVERIFY(m_sim->isListening());
    pointAccountsAt(m_sim->baseUrl());
    ConciseQueryRunner runner;
    runner.setServices({accountOf(ServiceId::Track17)});
    Pass pass(runner);
    QStringList numbers;
    for (int i = 0; i < 45; ++i)
        numbers << QStringLiteral("YT3%1").arg(i * 10 + 1, 10, 10, QLatin1Char('0'));
    QVERIFY(runner.start(jobs(numbers)));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 120000);
    QCOMPARE(pass.rows.size(), 45);
    int asked = 0;
    for (const QVariantList &sent : std::as_const(pass.sent)) {
        QVERIFY(sent.at(1).toInt() <= 40);
        asked += sent.at(1).toInt();
    }
    // Asked, registered, asked again: three times each, and no more.
    QCOMPARE(asked, 3 * 45);
    for (int i = 0; i < 45; ++i)
        QVERIFY2(pass.row(i).number == numbers[i] && pass.row(i).signedFor, qPrintable(pass.row(i).state));
}

void TestTrackingPass::aKeyNeverGoesOutInTheClear()
{
    Endpoints hosts;
    hosts.kdniaoService = QStringLiteral("http://192.0.2.1");
    Endpoints::setCurrent(hosts);
    ConciseQueryRunner runner;
    runner.setServices({accountOf(ServiceId::Kdniao)});
    Pass pass(runner);
    QVERIFY(runner.start(jobs({u("YT1000000001")})));
    QTRY_COMPARE_WITH_TIMEOUT(pass.finished.size(), 1, 60000);
    QVERIFY(pass.sent.isEmpty());
    QVERIFY2(pass.row(0).failed && pass.row(0).state.contains(u("HTTPS")), qPrintable(pass.row(0).state));
    QVERIFY(IsSafeServiceUrl(QUrl(QStringLiteral("http://127.0.0.1:8080/x"))));
    QVERIFY(IsSafeServiceUrl(QUrl(QStringLiteral("https://api.kdniao.com"))));
    QVERIFY(!IsSafeServiceUrl(QUrl(QStringLiteral("http://127.0.0.1.example.com"))));
}

// The last four digits go only where the service asks for them.
void TestTrackingPass::onlyTheDigitsACarrierNeedsLeave()
{
    struct Case {
        ServiceId service;
        const char *carrier;
        bool sent;
    };
    const Case cases[] = {{ServiceId::Kuaidi100, "顺丰速运", true},  {ServiceId::Kuaidi100, "中通速递", true},
                          {ServiceId::Kuaidi100, "圆通快递", false}, {ServiceId::Kdniao, "顺丰速运", true},
                          {ServiceId::Kdniao, "中通速递", false},    {ServiceId::Track17, "顺丰速运", true},
                          {ServiceId::Track17, "圆通快递", false}};
    for (const Case &c : cases) {
        const std::unique_ptr<TrackingProtocol> protocol = MakeProtocol(c.service);
        const TrackJob job = OutgoingJob(*protocol, {u("SF1000000001"), u(c.carrier), u("8000"), u("code")});
        const HttpCall call = protocol->request({job}, accountOf(c.service).credentials);
        const QByteArray sent = QUrl::fromPercentEncoding(call.body).toUtf8();
        QVERIFY2(sent.contains("8000") == c.sent, qPrintable(Services::key(c.service) + u(c.carrier) + sent));
    }
}

// A number an account service answered is not asked again within half an
// hour, and the background's daily budget counts per day.
void TestTrackingPass::answersOfTheLastHalfHourAndTheBudget()
{
    TestFolder folder;
    ServiceSettings settings;
    settings.chosen = ServiceId::Kdniao;
    settings.dailyBudget = 10;
    QVERIFY(settings.save(folder.path()));
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    KeyStore keys;
    TrackingServices services(folder.path(), keys, clock);
    ConciseRow answered{u("YT1"), u("圆通快递"), u("已签收"), false, true, WaybillStatus::kSigned};
    answered.service = ServiceId::Kdniao;
    ConciseRow notSent = answered;
    notSent.number = u("YT2");
    notSent.failed = true;
    notSent.failure = TrackFailure::Network;
    ConciseRow classic = answered;
    classic.number = u("YT3");
    classic.service = ServiceId::Classic;
    for (const ConciseRow &row : {answered, notSent, classic})
        services.remember(row);
    QVERIFY(services.recent(u("YT1")) && !services.recent(u("YT2")) && !services.recent(u("YT3")));
    clock.set(clock.now().addSecs(TrackingServices::kRepeatSeconds - 1));
    QVERIFY(services.recent(u("YT1")));
    clock.set(clock.now().addSecs(1));
    QVERIFY(!services.recent(u("YT1")));

    services.spend(ServiceId::Kdniao, 7);
    QCOMPARE(services.budgetLeft(), 3);
    services.spend(ServiceId::Kdniao, 5);
    QCOMPARE(services.budgetLeft(), 0);
    services.keepUsage();
    TrackingServices restarted(folder.path(), keys, clock);
    QCOMPARE(restarted.budgetLeft(), 0);
    clock.set(clock.now().addDays(1));
    QCOMPARE(restarted.budgetLeft(), 10);
}

// Five open waybills and a budget of three a day: one tick asks three and
// marks what they say; the next says the day's budget is spent, once, and
// asks nothing; the next day it goes on.
void TestTrackingPass::theBackgroundKeepsToItsDailyBudget()
{
    m_sim.emplace(QStringLiteral(TRACKING_SIM));
    QVERIFY(m_sim->isListening());
    pointAccountsAt(m_sim->baseUrl());
    TestFolder folder;
    {
        const QString path = folder.file(RegisterSchema::fileName());
        StoreConnection store;
        QVERIFY(RegisterSchema::createDatabase(path).ok && store.open(path).ok);
        QVector<Waybill> rows(5);
        for (int i = 0; i < rows.size(); ++i) {
            rows[i].number = QStringLiteral("YT400000000%1").arg(i * 2 + 1); // only the first is signed for
            rows[i].carrier = u("圆通快递");
        }
        WaybillImport(store).importWaybills(rows);
    }
    AppSettings::write(folder.path(), AppSettings::kAutoRefresh, QStringLiteral("1"));
    ServiceSettings settings;
    settings.chosen = ServiceId::Kdniao;
    settings.accounts.insert(ServiceId::Kdniao, QStringLiteral("1234567"));
    settings.dailyBudget = 3;
    QVERIFY(settings.save(folder.path()));
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    KeyStore keys;
    keys.setRunKey(ServiceId::Kdniao, QStringLiteral("tolvane-apikey"));
    TrackingServices services(folder.path(), keys, clock);
    QSignalSpy ready(&services, &TrackingServices::ready);
    services.reload();
    QTRY_VERIFY(services.isReady());
    BackgroundRefresh refresh(folder.path(), clock, [] { return false; });
    refresh.setServices(&services);
    QSignalSpy checked(&refresh, &BackgroundRefresh::checked);
    QSignalSpy status(&refresh, &BackgroundRefresh::status);
    QSignalSpy done(&refresh, &BackgroundRefresh::tickDone);
    const auto tick = [&](qint64 laterSeconds) {
        clock.set(clock.now().addSecs(laterSeconds));
        const int before = int(done.size());
        refresh.tick();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), before + 1, 60000);
    };
    tick(0);
    QCOMPARE(checked.size(), 3);
    QVERIFY(status.isEmpty());
    tick(3 * 3600);
    tick(3 * 3600);
    QCOMPARE(checked.size(), 3);
    QCOMPARE(status.size(), 1);
    QVERIFY2(status.first().first().toString().contains(u("额度已用完")),
             qPrintable(status.first().first().toString()));
    tick(24 * 3600);
    QCOMPARE(checked.size(), 6);
    tick(3 * 3600);
    QCOMPARE(checked.size(), 6);
    QCOMPARE(status.size(), 2);
}

QTEST_MAIN(TestTrackingPass)
#include "tst_trackingpass.moc"
