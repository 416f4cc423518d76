// The background refresh under a fake clock: when each waybill may be asked,
// how often, how many at once, and that it stands aside for the user.
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "query/BackgroundRefresh.h"
#include "query/RefreshSchedule.h"
#include "services/WaybillStatus.h"
#include "settings/AppSettings.h"
#include "store/CheckHistory.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"
#include "support/TestRegister.h"
#include "support/TinyHttpServer.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}
const QDateTime kStart(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);

// A register with two unsigned waybills and a signed one, the refresh over it.
struct Fixture : TestRegister {
    FixedClock clock{kStart};
    bool userBusy = false;
    std::unique_ptr<BackgroundRefresh> refresh;

    explicit Fixture(const QString &autoRefresh = QStringLiteral("1"))
        : TestRegister({QStringLiteral("R1"), QStringLiteral("R2"), QStringLiteral("DONE")})
    {
        Waybills(store).markSignedFor(QStringLiteral("DONE"));
        AppSettings::write(folder.path(), AppSettings::kAutoRefresh, autoRefresh);
        refresh = std::make_unique<BackgroundRefresh>(folder.path(), clock, [this] { return userBusy; });
    }
    [[nodiscard]] bool tick() const
    {
        QSignalSpy done(refresh.get(), &BackgroundRefresh::tickDone);
        refresh->tick();
        return done.count() > 0 || done.wait(60000);
    }
};
} // namespace

class TestRefreshSchedule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void eachWaybillWaitsTheInterval();
    void noWaybillIsAskedMoreThanTwelveTimesADay();
    void aFewAtATimeSpreadOverTheInterval_data();
    void aFewAtATimeSpreadOverTheInterval();
    void manyWaybillsComeRoundWithinTheInterval();
    void theWaitFollowsTheStatus_data();
    void theWaitFollowsTheStatus();
    void aThousandWaybillsKeepWithinTheDailyBudget();
    void aClockThatWentBackNeverStopsTheRefresh();
    void refreshRecordsUnsignedWaybillsOnly();
    void standsAsideForTheUserAndTheSetting();
    void withoutNetworkOneQuietLine();
    void demoIntervalInSecondsReplacesTheHours();
    void aTimeFlagIsAnnouncedOnce();

private:
    TinyHttpServer m_server;
};

void TestRefreshSchedule::initTestCase()
{
    QVERIFY(m_server.start());
    Endpoints hosts;
    hosts.trackingService = m_server.base();
    Endpoints::setCurrent(hosts);
    m_server.answers.insert(QStringLiteral("/apione?com=shunfeng&nu=R1&show=3&phone=8000"),
                            {200, "text/plain; charset=utf-8", u("北京 已签收 更多").toUtf8()});
    m_server.answers.insert(QStringLiteral("/apione?com=shunfeng&nu=R2&show=3&phone=8000"),
                            {200, "text/plain; charset=utf-8", u("到达上海 更多").toUtf8()});
}

void TestRefreshSchedule::eachWaybillWaitsTheInterval()
{
    RefreshSchedule schedule(3600);
    const QStringList both{QStringLiteral("A"), QStringLiteral("B")};
    QCOMPARE(schedule.due(both, kStart), both);
    schedule.noteChecked(QStringLiteral("A"), kStart);
    QCOMPARE(schedule.due(both, kStart.addSecs(3599)), QStringList{"B"});
    QCOMPARE(schedule.due(both, kStart.addSecs(3600)), (QStringList{"B", "A"})); // never asked goes first
    // The one asked longest ago goes first.
    schedule.noteChecked(QStringLiteral("B"), kStart.addSecs(-60));
    QCOMPARE(schedule.due(both, kStart.addSecs(7200)), (QStringList{"B", "A"}));
}

void TestRefreshSchedule::noWaybillIsAskedMoreThanTwelveTimesADay()
{
    // Ticks every ten minutes for two days with a one-hour interval; user
    // checks in between count as well.
    RefreshSchedule schedule(3600);
    QVector<QDateTime> asked;
    for (int minute = 0; minute < 48 * 60; minute += 10) {
        const QDateTime now = kStart.addSecs(minute * 60);
        if (minute == 30)
            schedule.noteChecked(QStringLiteral("A"), now); // the user's own query
        if (!schedule.due({QStringLiteral("A")}, now).isEmpty()) {
            schedule.noteChecked(QStringLiteral("A"), now);
            asked << now;
        }
    }
    QVERIFY(asked.size() > 12);
    for (const QDateTime &from : asked) {
        const auto inDay = std::count_if(asked.cbegin(), asked.cend(),
                                         [&](const QDateTime &t) { return t >= from && t < from.addDays(1); });
        QVERIFY2(inDay <= RefreshSchedule::kDailyCap - (from <= kStart.addSecs(1800) ? 1 : 0),
                 qPrintable(from.toString(Qt::ISODate)));
    }
    for (int i = 1; i < asked.size(); ++i)
        QVERIFY(asked[i - 1].secsTo(asked[i]) >= 3600);
}

void TestRefreshSchedule::aClockThatWentBackNeverStopsTheRefresh()
{
    RefreshSchedule schedule(3600);
    const QString a = QStringLiteral("A"), b = QStringLiteral("B");
    // Checks dated 40 days ahead by a PC with a wrong date: A is due, however
    // many they were, and B's real check an hour ago still counts.
    for (int i = 0; i < RefreshSchedule::kDailyCap; ++i)
        schedule.noteChecked(a, kStart.addDays(40).addSecs(i * 60));
    schedule.noteChecked(b, kStart.addDays(40));
    schedule.noteChecked(b, kStart.addSecs(-1800)); // the user's query today
    QCOMPARE(schedule.due({a, b}, kStart), QStringList{a});
    schedule.noteChecked(a, kStart);
    QCOMPARE(schedule.due({a, b}, kStart.addSecs(1800)), QStringList{b});
    // The clock set back by a day while running: half an hour since A's
    // check is half an hour, not a day in the future.
    const QDateTime back = kStart.addDays(-1).addSecs(1800);
    QCOMPARE(schedule.due({a}, back), QStringList());
    QCOMPARE(schedule.due({a}, back.addSecs(1799)), QStringList());
    QCOMPARE(schedule.due({a}, back.addSecs(1800)), QStringList{a});
}

void TestRefreshSchedule::aFewAtATimeSpreadOverTheInterval_data()
{
    QTest::addColumn<int>("waiting");
    QTest::addColumn<qint64>("tick");
    QTest::newRow("one waybill") << 1 << qint64(7200);
    QTest::newRow("one tick's worth") << 4 << qint64(7200);
    QTest::newRow("a hundred") << 100 << qint64(7200 / 25);
    QTest::newRow("too many for a minute apart") << 100000 << qint64(60);
}

void TestRefreshSchedule::aFewAtATimeSpreadOverTheInterval()
{
    QFETCH(int, waiting);
    QFETCH(qint64, tick);
    RefreshSchedule schedule(7200);
    QCOMPARE(schedule.tickSeconds(waiting), tick);
    QStringList many;
    for (int i = 0; i < waiting && i < 10; ++i)
        many << QString::number(i);
    QCOMPARE(schedule.due(many, kStart).size(), std::min<qsizetype>(many.size(), RefreshSchedule::kPerTick));
}

void TestRefreshSchedule::manyWaybillsComeRoundWithinTheInterval()
{
    // Ticks a minute apart, four at a time, would take over eight hours here.
    RefreshSchedule schedule(3600);
    schedule.setDailyBudget(0); // the spread alone
    QStringList numbers;
    for (int i = 0; i < 2000; ++i)
        numbers << QString::number(i);
    QCOMPARE(schedule.tickSeconds(2000), qint64(60));
    QCOMPARE(schedule.perTick(2000), 34);
    QHash<QString, QVector<qint64>> asked;
    for (qint64 at = 0; at < 3600 + 900; at += schedule.tickSeconds(2000)) {
        const QStringList due = schedule.due(numbers, kStart.addSecs(at));
        QVERIFY(due.size() <= 34);
        for (const QString &number : due) {
            schedule.noteChecked(number, kStart.addSecs(at));
            asked[number] << at;
        }
    }
    QCOMPARE(asked.size(), 2000);
    for (const QVector<qint64> &times : std::as_const(asked)) {
        QVERIFY(times.first() < 3600);
        for (int i = 1; i < times.size(); ++i)
            QVERIFY(times[i] - times[i - 1] >= 3600);
    }
}

void TestRefreshSchedule::theWaitFollowsTheStatus_data()
{
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("heldDays");
    QTest::addColumn<int>("failures");
    QTest::addColumn<qint64>("wait"); // 0: not asked again
    using namespace WaybillStatus;
    const auto row = [](const char *name, qint64 interval, const QString &status, int held, int failures, qint64 wait) {
        QTest::newRow(name) << interval << status << held << failures << wait;
    };
    row("out for delivery: half", 7200, kOutForDelivery, 0, 0, 3600);
    row("in a locker: half", 7200, kAwaitingPickup, 1, 0, 3600);
    row("never under half an hour", 2400, kOutForDelivery, 0, 0, 1800);
    row("the demo's seconds stay", 30, kOutForDelivery, 0, 0, 30);
    row("in transit: the interval", 7200, kInTransit, 59, 0, 7200);
    row("not known yet: the interval", 7200, QString(), 0, 0, 7200);
    row("stuck: twice", 7200, kTrouble, 0, 0, 14400);
    row("signed: never", 7200, kSigned, 0, 0, 0);
    row("returned and signed: never", 7200, kReturnSigned, 0, 0, 0);
    row("no record for 2 days", 7200, kAwaitingCollection, 2, 0, 7200);
    row("no record for 3 days: stopped", 7200, kAwaitingCollection, 3, 0, 0);
    row("no change for 60 days: stopped", 7200, kInTransit, 60, 0, 0);
    row("one failure backs off", 7200, kInTransit, 0, 1, 14400);
    row("two failures back off further", 7200, kOutForDelivery, 0, 2, 14400);
    row("backing off stops at a day", 7200, kInTransit, 0, 9, 86400);
}

void TestRefreshSchedule::theWaitFollowsTheStatus()
{
    QFETCH(qint64, interval);
    QFETCH(QString, status);
    QFETCH(int, heldDays);
    QFETCH(int, failures);
    QFETCH(qint64, wait);
    RefreshSchedule schedule(interval);
    const QStringList a{QStringLiteral("A")};
    schedule.noteStatus(a[0], status, kStart.addDays(-heldDays));
    schedule.noteChecked(a[0], kStart);
    for (int i = 0; i < failures; ++i)
        schedule.noteFailure(a[0], kStart);
    if (wait == 0) {
        QVERIFY(schedule.due(a, kStart.addSecs(2 * 86400)).isEmpty());
        QVERIFY(!schedule.stoppedWhy(a[0], kStart).isEmpty());
        // 刷新 starts a stopped one again, though the next tick notes the same
        // status; its days count from then. A final one stays stopped.
        schedule.restart(a[0], kStart);
        schedule.noteStatus(a[0], status, kStart.addDays(-heldDays));
        QCOMPARE(schedule.stoppedWhy(a[0], kStart.addDays(2)).isEmpty(), !WaybillStatus::isFinal(status));
        QVERIFY(!schedule.stoppedWhy(a[0], kStart.addDays(heldDays)).isEmpty());
        return;
    }
    QVERIFY(schedule.due(a, kStart.addSecs(wait - 1)).isEmpty());
    QCOMPARE(schedule.due(a, kStart.addSecs(wait)), a);
    schedule.noteChecked(a[0], kStart.addSecs(wait)); // an answer ends the backing off
    QCOMPARE(schedule.due(a, kStart.addSecs(wait + schedule.waitFor(status))), a);
}

// The refresh's own ticks over a day of 1,000 waybills of every open status.
void TestRefreshSchedule::aThousandWaybillsKeepWithinTheDailyBudget()
{
    RefreshSchedule schedule(3600);
    const QStringList statuses = {WaybillStatus::kOutForDelivery, WaybillStatus::kAwaitingPickup,
                                  WaybillStatus::kInTransit, WaybillStatus::kTrouble, WaybillStatus::kPickedUp};
    QStringList numbers;
    for (int i = 0; i < 1000; ++i) {
        numbers << QString::number(i);
        schedule.noteStatus(numbers.last(), statuses[i % statuses.size()], kStart);
    }
    QHash<QString, qint64> last;
    QHash<QString, int> byStatus;
    int requests = 0;
    for (qint64 at = 0; at < 86400; at += schedule.tickSeconds(1000)) {
        for (const QString &number : schedule.due(numbers, kStart.addSecs(at))) {
            QVERIFY(!last.contains(number) || at - last[number] >= RefreshSchedule::kShortestWaitSeconds);
            last[number] = at;
            schedule.noteChecked(number, kStart.addSecs(at));
            ++byStatus[statuses[number.toInt() % statuses.size()]];
            ++requests;
        }
    }
    QCOMPARE(last.size(), 1000);
    QVERIFY2(requests <= 1000 * RefreshSchedule::kDailyBudgetPer100 / 100, qPrintable(QString::number(requests)));
    QVERIFY(requests >= 4500); // the budget is used, not wasted
    // Under the budget the statuses keep their order: out for delivery before in transit before stuck.
    QVERIFY(byStatus[WaybillStatus::kOutForDelivery] > byStatus[WaybillStatus::kInTransit]);
    QVERIFY(byStatus[WaybillStatus::kInTransit] > byStatus[WaybillStatus::kTrouble]);
}

void TestRefreshSchedule::refreshRecordsUnsignedWaybillsOnly()
{
    Fixture f;
    m_server.requests.clear();
    QSignalSpy checked(f.refresh.get(), &BackgroundRefresh::checked);
    QVERIFY(f.tick());
    QCOMPARE(m_server.requests.size(), 2); // not DONE, already signed for
    QCOMPARE(checked.size(), 2);
    const QVector<StateEntry> r1 = CheckHistory(f.store).stateHistory(QStringLiteral("R1"));
    QCOMPARE(r1.size(), 1);
    QCOMPARE(r1[0].source, StateSource::kBackground);
    QCOMPARE(Waybills(f.store).find(QStringLiteral("R1"))->status, u("已签收"));
    QVERIFY(checked[0][1].value<CheckEffect>().newlySigned || checked[1][1].value<CheckEffect>().newlySigned);
    // The next tick waits its share of the two-hour interval.
    QCOMPARE(f.refresh->nextTickMs(), 7200 * 1000);
    QVERIFY(f.tick());
    QCOMPARE(m_server.requests.size(), 2); // nothing due yet
    f.clock.set(kStart.addSecs(7200));
    QVERIFY(f.tick());
    QCOMPARE(m_server.requests.size(), 3); // only R2 is still unsigned
    QCOMPARE(CheckHistory(f.store).stateHistory(QStringLiteral("R2")).size(), 1);
    QCOMPARE(CheckHistory(f.store).stateHistory(QStringLiteral("R2"))[0].lastCheck, kStart.addSecs(7200));
}

void TestRefreshSchedule::standsAsideForTheUserAndTheSetting()
{
    {
        Fixture off(QStringLiteral("0"));
        m_server.requests.clear();
        QVERIFY(off.tick());
        QVERIFY(m_server.requests.isEmpty());
    }
    {
        // Another PC's pass holds the lock: this tick asks nothing; once free, the pass holds it until its end.
        Fixture shared;
        int held = 0;
        bool free = false;
        shared.refresh->setPassLock([&] { return free && ++held > 0; }, [&] { --held; });
        m_server.requests.clear();
        QVERIFY(shared.tick());
        QVERIFY(m_server.requests.isEmpty());
        free = true;
        QSignalSpy done(shared.refresh.get(), &BackgroundRefresh::tickDone);
        shared.refresh->tick();
        QCOMPARE(held, 1);
        QVERIFY(done.wait(60000));
        QCOMPARE(held, 0);
        QVERIFY(!m_server.requests.isEmpty());
    }
    Fixture f;
    m_server.requests.clear();
    f.userBusy = true;
    {
        QSignalSpy done(f.refresh.get(), &BackgroundRefresh::tickDone);
        f.refresh->tick();
        QCOMPARE(done.size(), 1); // at once: not even the register is read
    }
    QVERIFY(m_server.requests.isEmpty());
    QVERIFY(CheckHistory(f.store).stateHistory(QStringLiteral("R2")).isEmpty());
    // A pass that starts while the register is read: nothing is asked.
    f.userBusy = false;
    {
        QSignalSpy done(f.refresh.get(), &BackgroundRefresh::tickDone);
        f.refresh->tick();
        f.userBusy = true;
        QVERIFY(done.wait(60000));
        QVERIFY(m_server.requests.isEmpty());
    }
    // A pass that starts while the requests run ends the refresh's tick at once.
    f.userBusy = false;
    QSignalSpy done(f.refresh.get(), &BackgroundRefresh::tickDone);
    f.refresh->tick();
    QVERIFY(f.refresh->isBusy());
    f.refresh->yieldToUser();
    QVERIFY(!f.refresh->isBusy());
    QCOMPARE(done.size(), 1);
    QTest::qWait(200);
    QVERIFY(CheckHistory(f.store).stateHistory(QStringLiteral("R2")).isEmpty());
}

void TestRefreshSchedule::withoutNetworkOneQuietLine()
{
    Endpoints hosts;
    hosts.trackingService = QStringLiteral("http://127.0.0.1:1"); // nothing listens there
    Endpoints::setCurrent(hosts);
    Fixture f;
    QSignalSpy status(f.refresh.get(), &BackgroundRefresh::status);
    QVERIFY(f.tick());
    QCOMPARE(status.size(), 1);
    QCOMPARE(status[0][0].toString(), BackgroundRefresh::offlineText());
    QVERIFY(CheckHistory(f.store).stateHistory(QStringLiteral("R1")).isEmpty());
    hosts.trackingService = m_server.base();
    Endpoints::setCurrent(hosts);
}

void TestRefreshSchedule::demoIntervalInSecondsReplacesTheHours()
{
    TestFolder folder;
    folder.write(QStringLiteral("endpoints.ini"),
                 "[hosts]\ntracking_service=" + m_server.base().toUtf8() + "/\n[refresh]\ninterval_seconds=30\n");
    const Endpoints saved = Endpoints::current();
    Endpoints::setCurrent(Endpoints::load({folder.path()}));
    QCOMPARE(Endpoints::current().refreshSeconds, 30);
    QCOMPARE(Endpoints::current().trackingService, m_server.base()); // without the slash that ends the line
    Fixture f;
    f.refresh->start();
    QCOMPARE(f.refresh->nextTickMs(), 30000);
    QVERIFY(f.tick());
    QCOMPARE(f.refresh->schedule().interval(), qint64(30));
    QCOMPARE(f.refresh->schedule().dailyBudget(), 0); // the local service has no budget to keep
    QCOMPARE(f.refresh->nextTickMs(), 30000);
    Endpoints::setCurrent(saved);
}

// Told at the first tick that finds it, never again for the same spell, not
// even after the program starts anew.
void TestRefreshSchedule::aTimeFlagIsAnnouncedOnce()
{
    Fixture f;
    Waybill late;
    late.number = QStringLiteral("LATE");
    late.carrier = u("圆通快递");
    late.time = QStringLiteral("2026-12-04");
    QVERIFY(Waybills(f.store).insertFromInputForm(late).ok);
    CheckHistory(f.store).recordCheck({late.number, kStart.addSecs(-60), StateSource::kConcise, u("查无此单号"), false,
                                       WaybillStatus::kAwaitingCollection});
    late.number = QStringLiteral("NEVER"); // no query has answered for it: it may yet be picked up
    late.carrier = u("佳吉快运");
    QVERIFY(Waybills(f.store).insertFromInputForm(late).ok);
    const auto told = [](const QSignalSpy &spy) {
        QStringList flags;
        for (const QList<QVariant> &signal : spy)
            for (const FlaggedWaybill &w : signal.at(0).value<QVector<FlaggedWaybill>>())
                flags << w.number + QLatin1Char(' ') + w.flag;
        return flags;
    };
    QSignalSpy flagged(f.refresh.get(), &BackgroundRefresh::flagged);
    QVERIFY(f.tick());
    QCOMPARE(told(flagged), QStringList{u("LATE 揽收超时")});
    f.clock.set(kStart.addSecs(7200));
    QVERIFY(f.tick());
    QCOMPARE(flagged.size(), 1);
    f.refresh = std::make_unique<BackgroundRefresh>(f.folder.path(), f.clock, [] { return false; });
    QSignalSpy afterRestart(f.refresh.get(), &BackgroundRefresh::flagged);
    QVERIFY(f.tick());
    QVERIFY(afterRestart.isEmpty());
}

QTEST_GUILESS_MAIN(TestRefreshSchedule)
#include "tst_refreshschedule.moc"
