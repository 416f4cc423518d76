#include "query/FlaggedWaybills.h"
#include "query/TimeFlags.h"
#include "services/WaybillStatus.h"
#include "store/CheckHistory.h"
#include "store/Waybill.h"
#include "support/TestRegister.h"

#include <QtTest>

using namespace TimeFlags;
using namespace WaybillStatus;

namespace {
const QDateTime kNow(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
QDateTime ago(qint64 hours, qint64 seconds = 0)
{
    return kNow.addSecs(-hours * 3600 - seconds);
}
} // namespace

class TestTimeFlags : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachFlagAtItsThreshold_data();
    void eachFlagAtItsThreshold();
    void registerRowsGiveTheirFacts();
    void aLockerWaitStartsAtItsFirstLine();
    void aFlagIsToldOnceASpell();
};

void TestTimeFlags::eachFlagAtItsThreshold_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("signedFor");
    QTest::addColumn<QDateTime>("dispatched");
    QTest::addColumn<QDateTime>("newestLine");
    QTest::addColumn<QDateTime>("statusSince");
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("flags");
    const QDateTime none;
    // Default thresholds: 48 h to collect, 3 days silent, 7 days in transit, 2 days in a locker.
    QTest::newRow("no record, 48 h") << QString() << false << ago(48) << none << none << 2
                                     << QStringList{kNotCollected};
    QTest::newRow("no record, a second short")
        << QString() << false << ago(48, -1) << none << none << 1 << QStringList{};
    QTest::newRow("not found, 48 h") << kAwaitingCollection << false << ago(48) << ago(40) << ago(40) << 2
                                     << QStringList{kNotCollected};
    QTest::newRow("picked up is collected") << kPickedUp << false << ago(100) << ago(1) << ago(1) << 4 << QStringList{};
    QTest::newRow("silent 3 days") << kInTransit << false << ago(10) << ago(72) << ago(72) << 0 << QStringList{kSilent};
    QTest::newRow("silent a second short")
        << kInTransit << false << ago(10) << ago(72, -1) << ago(80) << 0 << QStringList{};
    QTest::newRow("not found is not silent")
        << kAwaitingCollection << false << none << ago(100) << ago(100) << -1 << QStringList{};
    QTest::newRow("8 days in transit") << kInTransit << false << ago(8 * 24) << ago(1) << ago(1) << 8
                                       << QStringList{kNotSigned};
    QTest::newRow("7 days is not more than 7")
        << kInTransit << false << ago(7 * 24) << ago(1) << ago(1) << 7 << QStringList{};
    QTest::newRow("locker 2 days") << kAwaitingPickup << false << ago(30) << ago(1) << ago(48) << 1
                                   << QStringList{kUncollectedPickup};
    QTest::newRow("locker a second short")
        << kAwaitingPickup << false << ago(30) << ago(1) << ago(48, -1) << 1 << QStringList{};
    QTest::newRow("every flag at once") << kAwaitingPickup << false << ago(30 * 24) << ago(30 * 24) << ago(30 * 24)
                                        << 30 << QStringList{kSilent, kNotSigned, kUncollectedPickup};
    // Done parcels are never stuck, however old.
    QTest::newRow("signed") << kSigned << false << ago(30 * 24) << ago(30 * 24) << ago(30 * 24) << 30 << QStringList{};
    QTest::newRow("return signed") << kReturnSigned << false << ago(30 * 24) << ago(30 * 24) << ago(30 * 24) << 30
                                   << QStringList{};
    QTest::newRow("marked signed by hand") << QString() << true << ago(30 * 24) << none << none << 30 << QStringList{};
}

void TestTimeFlags::eachFlagAtItsThreshold()
{
    QFETCH(QString, status);
    QFETCH(bool, signedFor);
    QFETCH(QDateTime, dispatched);
    QFETCH(QDateTime, newestLine);
    QFETCH(QDateTime, statusSince);
    QFETCH(int, days);
    QFETCH(QStringList, flags);
    const QVector<Flag> found = of({status, signedFor, dispatched, newestLine, statusSince, days}, kNow, {});
    QStringList names;
    for (const Flag &f : found) {
        names << f.flag;
        QVERIFY2(f.since <= kNow, qPrintable(f.flag));
    }
    QCOMPARE(names, flags);
    // The user's thresholds move the edge: one more hour or day turns each flag off.
    const QVector<Flag> later =
        of({status, signedFor, dispatched, newestLine, statusSince, days}, kNow, {49, 4, 30, 3});
    QCOMPARE(later.size(), names.size() == 3 ? 2 : 0); // 30 days is not more than 30
}

// The 时间 date is a local day; the history gives the status, the newest line and the locker's start.
void TestTimeFlags::registerRowsGiveTheirFacts()
{
    const QDateTime now = QDate(2026, 12, 7).startOfDay().addSecs(12 * 3600).toUTC();
    Waybill collected, waiting, locker;
    collected.number = QStringLiteral("A");
    collected.time = QStringLiteral("2026-12-05");
    waiting.number = QStringLiteral("B");
    waiting.time = QStringLiteral("2026/12/5 18:00");
    locker.number = QStringLiteral("C");
    locker.time = QStringLiteral("2026-12-06");
    CheckSummaries summaries;
    summaries.insert(QStringLiteral("A"), {now, QStringLiteral("快件已揽收"), kPickedUp, {}, now});
    summaries.insert(QStringLiteral("C"), {now, QStringLiteral("已放入快递柜"), QString(), {}, now.addSecs(-3600)});
    const QHash<QString, QDateTime> pickup{{QStringLiteral("C"), now.addDays(-2)}};
    const QVector<FlaggedWaybill> flagged =
        FlaggedWaybills::of({collected, waiting, locker}, summaries, pickup, now, {});
    QCOMPARE(flagged.size(), 2);
    QCOMPARE(flagged[0].number, QStringLiteral("B")); // 60 hours since the 5th began; never checked
    QCOMPARE(flagged[0].flag, kNotCollected);
    QVERIFY(!flagged[0].checked);
    QCOMPARE(flagged[0].since, QDate(2026, 12, 7).startOfDay().toUTC());
    QCOMPARE(flagged[1].number, QStringLiteral("C")); // an old row's status read from its state
    QCOMPARE(flagged[1].flag, kUncollectedPickup);
    QVERIFY(flagged[1].checked);
}

// A second locker line keeps the wait; a locker left and come back to starts it anew.
void TestTimeFlags::aLockerWaitStartsAtItsFirstLine()
{
    TestRegister r({QStringLiteral("KEPT"), QStringLiteral("BACK"), QStringLiteral("GONE")});
    const auto check = [&r](const char *number, int hour, const char *state, const QString &status) {
        CheckHistory(r.store).recordCheck({QString::fromLatin1(number), ago(hour), StateSource::kBackground,
                                           QString::fromUtf8(state), false, status});
    };
    check("KEPT", 50, "到达上海", kInTransit);
    check("KEPT", 40, "已放入快递柜", kAwaitingPickup);
    check("KEPT", 30, "快递柜：请及时取件", kAwaitingPickup);
    check("BACK", 50, "已放入快递柜", kAwaitingPickup);
    check("BACK", 40, "快件取出，重新派送", kOutForDelivery);
    check("BACK", 30, "已放入驿站", kAwaitingPickup);
    check("GONE", 50, "已放入快递柜", kAwaitingPickup);
    check("GONE", 40, "快件取出，重新派送", kOutForDelivery);
    Outcome outcome;
    const QHash<QString, QDateTime> since = CheckHistory(r.store).statusSince(kAwaitingPickup, &outcome);
    QVERIFY(outcome.ok);
    QCOMPARE(since, (QHash<QString, QDateTime>{{QStringLiteral("KEPT"), ago(40)}, {QStringLiteral("BACK"), ago(30)}}));
}

void TestTimeFlags::aFlagIsToldOnceASpell()
{
    TestRegister r;
    const FlagNote first{QStringLiteral("A"), kSilent, ago(10)};
    Outcome outcome;
    QCOMPARE(CheckHistory(r.store).rememberFlags({first, first}, &outcome), (QVector<bool>{true, false}));
    QVERIFY(outcome.ok);
    QCOMPARE(CheckHistory(r.store).rememberFlags({first, {QStringLiteral("A"), kSilent, ago(5)}}),
             (QVector<bool>{false, true}));
}

TOLVANE_ENGINE_TEST_MAIN(TestTimeFlags)
#include "tst_timeflags.moc"
