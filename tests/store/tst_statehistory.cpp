// What queries learned about each waybill: the history table beside the register.
#include "store/Archive.h"
#include "store/CheckHistory.h"
#include "store/HistoryLoader.h"
#include "store/RegisterGrid.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"
#include "support/TestRegister.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}
const QDateTime kT0(QDate(2026, 12, 7), QTime(6, 3), Qt::UTC);

struct Fixture : TestRegister {
    Fixture() : TestRegister({QStringLiteral("SF1"), QStringLiteral("SF2")}) {}
    QString status(const QString &number) const { return Waybills(store).find(number)->status; }
};
} // namespace

class TestStateHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Eight hours east of UTC, as the program's users are: a local day then
    // differs from the UTC day, wherever the test runs.
    void initTestCase() { qputenv("TZ", "Asia/Shanghai"); }
    void checksMakeOneRowPerChangeOfState_data();
    void checksMakeOneRowPerChangeOfState();
    void signedForMarkAndHistoryShareOneTransaction();
    void olderRegisterGetsTheTableAndKeepsItsOwn();
    void summariesGiveTheNewestStateAndTheSigning();
    void archiveCountsFromTheSigning_data();
    void archiveCountsFromTheSigning();
    void lastCheckIsDescribedWithItsAge_data();
    void lastCheckIsDescribedWithItsAge();
};

void TestStateHistory::checksMakeOneRowPerChangeOfState_data()
{
    // Checks of SF1 an hour apart: the states in order, the history it must
    // leave newest first, and which checks counted as a change.
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QList<bool>>("changed");
    QTest::newRow("same state thrice") << QStringList{u("在途"), u("在途"), u("在途")} << QStringList{u("在途")}
                                       << QList<bool>{false, false, false};
    QTest::newRow("new state") << QStringList{u("揽收"), u("在途")} << QStringList{u("在途"), u("揽收")}
                               << QList<bool>{false, true};
    QTest::newRow("back to an earlier state")
        << QStringList{u("A"), u("B"), u("A")} << QStringList{u("A"), u("B"), u("A")} << QList<bool>{false, true, true};
}

void TestStateHistory::checksMakeOneRowPerChangeOfState()
{
    QFETCH(QStringList, states);
    QFETCH(QStringList, history);
    QFETCH(QList<bool>, changed);
    Fixture f;
    for (int i = 0; i < states.size(); ++i) {
        Outcome outcome;
        const CheckEffect effect = CheckHistory(f.store).recordCheck(
            {QStringLiteral("SF1"), kT0.addSecs(3600 * i), StateSource::kConcise, states[i]}, &outcome);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QVERIFY(effect.stored);
        QCOMPARE(effect.changed, changed[i]);
    }
    const QVector<StateEntry> entries = CheckHistory(f.store).stateHistory(QStringLiteral("SF1"));
    QStringList shown;
    for (const StateEntry &e : entries)
        shown << e.state;
    QCOMPARE(shown, history);
    // The newest row was last confirmed by the last check, and a clock set back does not undo that.
    const QDateTime last = kT0.addSecs(3600 * (states.size() - 1));
    QCOMPARE(entries.first().lastCheck, last);
    CheckHistory(f.store).recordCheck({QStringLiteral("SF1"), last.addSecs(-60), StateSource::kConcise, states.last()});
    QCOMPARE(CheckHistory(f.store).stateHistory(QStringLiteral("SF1")).first().lastCheck, last);
    QVERIFY(CheckHistory(f.store).stateHistory(QStringLiteral("SF2")).isEmpty());
    // A number that is not stored leaves no trace.
    const CheckEffect stranger =
        CheckHistory(f.store).recordCheck({QStringLiteral("XX"), kT0, StateSource::kConcise, u("在途")});
    QVERIFY(!stranger.stored);
    QCOMPARE(f.raw(QStringLiteral("SELECT count(*) FROM 查询记录")), QStringList{QString::number(history.size())});
}

void TestStateHistory::signedForMarkAndHistoryShareOneTransaction()
{
    Fixture f;
    const QString source = StateSource::detailed(QStringLiteral("mrly"));
    CheckEffect effect = CheckHistory(f.store).recordCheck({QStringLiteral("SF1"), kT0, source, u("已签收"), true});
    QVERIFY(effect.newlySigned);
    QCOMPARE(f.status(QStringLiteral("SF1")), u("已签收"));
    QCOMPARE(f.status(QStringLiteral("SF2")), u("未签收"));
    effect = CheckHistory(f.store).recordCheck({QStringLiteral("SF1"), kT0.addSecs(60), source, u("已签收"), true});
    QVERIFY(!effect.newlySigned); // announced once
    QCOMPARE(CheckHistory(f.store).stateHistory(QStringLiteral("SF1")).first().source, source);

    // Without the history table the write fails, and the mark goes with it.
    f.raw(QStringLiteral("DROP TABLE 查询记录"));
    Outcome outcome;
    CheckHistory(f.store).recordChecks({{QStringLiteral("SF2"), kT0, StateSource::kBackground, u("已签收"), true}},
                                       &outcome);
    QVERIFY(!outcome.ok);
    QVERIFY(!outcome.error.isEmpty());
    QCOMPARE(f.status(QStringLiteral("SF2")), u("未签收"));
}

void TestStateHistory::olderRegisterGetsTheTableAndKeepsItsOwn()
{
    Fixture f;
    f.store.close();
    f.raw(QStringLiteral("DROP TABLE 查询记录"));
    // The file's own record of its tables; the server's runs the same case without it.
    const QString tables =
        QStringLiteral("SELECT group_concat(sql) FROM sqlite_master WHERE name IN ('快递单', 'Temp')");
    const QString before = f.server ? QString() : f.raw(tables).join(QString());
    QVERIFY(f.openIn(f.store).ok);
    bool present = false;
    f.raw(QStringLiteral("SELECT 1 FROM 查询记录"), &present);
    QVERIFY(present);
    if (!f.server) {
        QCOMPARE(f.raw(QStringLiteral("SELECT name FROM sqlite_master WHERE tbl_name = '查询记录' ORDER BY name")),
                 (QStringList{u("查询记录"), u("查询记录_单号时间")}));
        QCOMPARE(f.raw(tables).join(QString()), before);
    }
    QCOMPARE(Waybills(f.store).count(), 2);
    // Opening again finds the table there and leaves it as it is.
    QVERIFY(CheckHistory(f.store).recordCheck({QStringLiteral("SF1"), kT0, StateSource::kConcise, u("在途")}).stored);
    QVERIFY(f.openIn(f.store).ok);
    QCOMPARE(CheckHistory(f.store).stateHistory(QStringLiteral("SF1")).size(), 1);

    // A history from before the status column gets it; its rows learn their status from the next check.
    f.store.close();
    f.raw(QStringLiteral("DROP TABLE 查询记录"));
    f.raw(
        QStringLiteral("CREATE TABLE 查询记录 (快递单号 TEXT NOT NULL, 查询时间 TEXT NOT NULL, 最后查询 TEXT NOT NULL, "
                       "来源 TEXT NOT NULL, 状态 TEXT NOT NULL, 已签收 INTEGER NOT NULL%1)")
            .arg(f.server ? QStringLiteral(", 序号 BIGINT GENERATED ALWAYS AS IDENTITY") : QString()));
    f.raw(
        u("INSERT INTO 查询记录 VALUES ('SF2', '2026-12-07T06:03:00Z', '2026-12-07T06:03:00Z', 'concise', '在途', 0)"));
    QVERIFY(f.openIn(f.store).ok);
    QCOMPARE(CheckHistory(f.store).stateHistory(QStringLiteral("SF2")).first().status, QString());
    StateCheck again{QStringLiteral("SF2"), kT0.addSecs(60), StateSource::kConcise, u("在途"), false, u("运输中")};
    QVERIFY(!CheckHistory(f.store).recordCheck(again).changed);
    const QVector<StateEntry> rows = CheckHistory(f.store).stateHistory(QStringLiteral("SF2"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].status, u("运输中"));
    QCOMPARE(rows[0].lastCheck, kT0.addSecs(60));
    // A check without a status (a stored state of an older program) leaves it.
    again.status.clear();
    CheckHistory(f.store).recordCheck(again);
    QCOMPARE(CheckHistory(f.store).checkSummaries()[QStringLiteral("SF2")].status, u("运输中"));
}

void TestStateHistory::summariesGiveTheNewestStateAndTheSigning()
{
    Fixture f;
    QVERIFY(CheckHistory(f.store).checkSummaries().isEmpty());
    Waybill third;
    third.number = QStringLiteral("SF3");
    third.carrier = u("顺丰速运");
    QVERIFY(Waybills(f.store).insertFromInputForm(third));
    CheckHistory(f.store).recordChecks(
        {{QStringLiteral("SF1"), kT0, StateSource::kConcise, u("在途"), false, u("运输中")},
         {QStringLiteral("SF1"), kT0.addDays(1), StateSource::kConcise, u("已签收"), true, u("已签收")},
         {QStringLiteral("SF1"), kT0.addDays(2), StateSource::kConcise, u("已签收"), true},
         {QStringLiteral("SF2"), kT0, StateSource::kConcise, u("派送中"), false, u("派件中")},
         {QStringLiteral("SF2"), kT0.addDays(3), StateSource::kConcise, u("派送中"), false, u("派件中")},
         // The same words, now signed for, are a new state.
         {QStringLiteral("SF3"), kT0, StateSource::kConcise, u("派送中"), false, u("派件中")},
         {QStringLiteral("SF3"), kT0.addDays(1), StateSource::kConcise, u("派送中"), true, u("已签收")}});
    const CheckSummaries all = CheckHistory(f.store).checkSummaries();
    QCOMPARE(all.size(), 3);
    QCOMPARE(all[QStringLiteral("SF1")].state, u("已签收"));
    QCOMPARE(all[QStringLiteral("SF1")].lastCheck, kT0.addDays(2));
    QCOMPARE(all[QStringLiteral("SF1")].signedAt, kT0.addDays(1));
    QCOMPARE(all[QStringLiteral("SF2")].state, u("派送中"));
    QCOMPARE(all[QStringLiteral("SF2")].status, u("派件中"));
    QCOMPARE(all[QStringLiteral("SF2")].since, kT0); // held since its first check, for the refresh to give up
    QCOMPARE(all[QStringLiteral("SF1")].since, kT0.addDays(1));
    // The history list shows the newest status beside 状态.
    if (!f.server) {
        Outcome read;
        const QVector<HistoryModel::Row> rows = HistoryLoader::read(f.store.path(), &read, {kT0.date(), 5, true});
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].trackingStatus, u("已签收"));
        QCOMPARE(rows[1].trackingStatus, u("派件中"));
    }
    QVERIFY(!all[QStringLiteral("SF2")].signedAt.isValid());
    QCOMPARE(all[QStringLiteral("SF3")].signedAt, kT0.addDays(1));
}

void TestStateHistory::lastCheckIsDescribedWithItsAge_data()
{
    QTest::addColumn<qint64>("secondsAgo");
    QTest::addColumn<QString>("age");
    QTest::newRow("seconds") << qint64(59) << u("刚刚");
    QTest::newRow("minutes") << qint64(60 * 59 + 59) << u("59 分钟前");
    QTest::newRow("an hour") << qint64(3600) << u("1 小时前");
    QTest::newRow("hours") << qint64(3 * 3600 + 10) << u("3 小时前");
    QTest::newRow("a day") << qint64(86400) << u("1 天前");
    QTest::newRow("days") << qint64(86400 * 2) << u("2 天前");
    QTest::newRow("clock set back") << qint64(-600) << u("刚刚");
}

void TestStateHistory::lastCheckIsDescribedWithItsAge()
{
    QFETCH(qint64, secondsAgo);
    QFETCH(QString, age);
    const QDateTime at = QDateTime(QDate(2026, 12, 7), QTime(14, 3));
    QCOMPARE(DescribeLastCheck(at.toUTC(), at.addSecs(secondsAgo)), u("2026-12-07 14:03，") + age);
    QCOMPARE(DescribeLastCheck(QDateTime(), at), u("从未查询"));
}

void TestStateHistory::archiveCountsFromTheSigning_data()
{
    // Today is 2026-12-17 and rows older than 30 days are archived.
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QDateTime>("signedAt");
    QTest::addColumn<bool>("archived");
    const QDateTime signed31 = QDateTime(QDate(2026, 11, 16), QTime(12, 0));
    QTest::newRow("signed 31 days ago") << u("已签收") << QString() << signed31 << true;
    QTest::newRow("signed 30 days ago") << u("已签收") << QString() << signed31.addDays(1) << false;
    QTest::newRow("not signed for") << u("未签收") << QStringLiteral("2026/1/1") << signed31 << false;
    QTest::newRow("sent long ago, signed lately")
        << u("已签收") << QStringLiteral("2026/1/1") << QDateTime(QDate(2026, 12, 10), QTime(8, 0)) << false;
    QTest::newRow("no history: dispatch date") << u("已签收") << QStringLiteral("2026-11-01") << QDateTime() << true;
    QTest::newRow("no date at all") << u("已签收") << u("上周") << QDateTime() << false;
    // Local days, as the window counts them, also where SQL compares stored UTC texts.
    QTest::newRow("signed late on the 31st day back")
        << u("已签收") << QString() << QDateTime(QDate(2026, 11, 16), QTime(23, 59)) << true;
    QTest::newRow("signed early on the 30th day back")
        << u("已签收") << QString() << QDateTime(QDate(2026, 11, 17), QTime(0, 1)) << false;
    QTest::newRow("dispatched 31 days ago, Chinese date")
        << u("已签收") << u("2026年11月16日 8:00") << QDateTime() << true;
    QTest::newRow("dispatched 30 days ago") << u("已签收") << QStringLiteral("2026.11.17") << QDateTime() << false;
    // The date as each engine's SQL reads it.
    QTest::newRow("blanks, a tab and a time") << u("已签收") << u(" 2026 / 11 / 1\tT8:05:09 ") << QDateTime() << true;
    QTest::newRow("two separators") << u("已签收") << QStringLiteral("2026/11-01") << QDateTime() << false;
    QTest::newRow("Chinese date without 日") << u("已签收") << u("2026年11月1") << QDateTime() << false;
    QTest::newRow("日 after a plain date") << u("已签收") << u("2026-11-1日") << QDateTime() << false;
    QTest::newRow("no such day") << u("已签收") << QStringLiteral("2026-02-30") << QDateTime() << false;
    QTest::newRow("29 February of a leap year") << u("已签收") << QStringLiteral("2024-2-29") << QDateTime() << true;
    QTest::newRow("year 0") << u("已签收") << QStringLiteral("0000-01-01") << QDateTime() << false;
    QTest::newRow("full-width digits") << u("已签收") << u("２０２６-11-01") << QDateTime() << false;
    QTest::newRow("a no-break space") << u("已签收") << u("2026-11-01\u00a08:00") << QDateTime() << false;
}

void TestStateHistory::archiveCountsFromTheSigning()
{
    QFETCH(QString, status);
    QFETCH(QString, time);
    QFETCH(QDateTime, signedAt);
    QFETCH(bool, archived);
    QCOMPARE(Archive::isArchived(status, time, signedAt, QDate(2026, 12, 17), 30), archived);

    // The grid's SQL says the same of a stored row: hidden, or marked when shown.
    TestRegister r;
    Waybill w;
    w.number = QStringLiteral("SF1");
    w.carrier = u("顺丰速运");
    w.time = time;
    QVERIFY(Waybills(r.store).insertQuickAdd(w, QString()).ok);
    bool ok = false;
    r.raw(QStringLiteral("UPDATE 快递单 SET 状态 = '%1'").arg(status), &ok);
    QVERIFY(ok);
    if (signedAt.isValid()) {
        r.raw(QStringLiteral("INSERT INTO 查询记录 (快递单号, 查询时间, 最后查询, 来源, 状态, 已签收) "
                             "VALUES ('SF1', '%1', '%1', 'concise', '已签收', 1)")
                  .arg(signedAt.toUTC().toString(Qt::ISODate)),
              &ok);
        QVERIFY(ok);
    }
    RegisterGrid::GridFilter filter;
    filter.today = QDate(2026, 12, 17);
    filter.archiveDays = 30;
    QCOMPARE(RegisterGrid(r.store).gridRowIds(filter).isEmpty(), archived);
    filter.showArchived = true;
    const QVector<RegisterGrid::GridRow> shown = RegisterGrid(r.store).gridRows(filter, 10);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].archived, archived);
}

TOLVANE_ENGINE_TEST_MAIN(TestStateHistory)
#include "tst_statehistory.moc"
