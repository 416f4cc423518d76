// What the management grid reads and stores beyond the search.
#include "store/RegisterGrid.h"
#include "support/StoreFixture.h"

#include <QtTest>

class TestRegisterGrid : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void daysInTransitInOneTransaction();
};

void TestRegisterGrid::daysInTransitInOneTransaction()
{
    StoreFixture f;
    QVERIFY(f.add({QStringLiteral("D1"), QStringLiteral("D2")}));
    const QString noTime = QStringLiteral(""); // what an empty time box stores
    QVERIFY(
        f.grid
            .storeDaysInTransit({{QStringLiteral("D1"), noTime, u("10天")}, {QStringLiteral("D2"), noTime, u("-1天")}})
            .ok);
    QCOMPARE(f.get(QStringLiteral("D1")).daysInTransit, u("10天"));
    QCOMPARE(f.get(QStringLiteral("D2")).daysInTransit, u("-1天"));
    // A value that breaks its column rolls the whole batch back.
    QVERIFY(!f.grid
                 .storeDaysInTransit(
                     {{QStringLiteral("D1"), noTime, u("1天")}, {QStringLiteral("D2"), noTime, u("123456789天")}})
                 .ok);
    QCOMPARE(f.get(QStringLiteral("D1")).daysInTransit, u("10天"));
    // Days worked out from a time that was changed meanwhile belong to the old date.
    Waybill moved = f.get(QStringLiteral("D2"));
    moved.time = QStringLiteral("2026-03-01");
    QVERIFY(f.waybills.updateKeepingNumber(moved).ok);
    QVERIFY(
        f.grid.storeDaysInTransit({{QStringLiteral("D2"), noTime, u("7天")}, {QStringLiteral("D1"), noTime, u("8天")}})
            .ok);
    QCOMPARE(f.get(QStringLiteral("D2")).daysInTransit, u("-1天"));
    QCOMPARE(f.get(QStringLiteral("D1")).daysInTransit, u("8天"));
    // An imported row without a time: its null time is still the one the days came from.
    QVERIFY(f.importer.importWaybills({sample(QStringLiteral("D3"))}).first().isEmpty());
    QVERIFY(f.grid.storeDaysInTransit({{QStringLiteral("D3"), QString(), u("2天")}}).ok);
    QCOMPARE(f.get(QStringLiteral("D3")).daysInTransit, u("2天"));
}

TOLVANE_ENGINE_TEST_MAIN(TestRegisterGrid)
#include "tst_registergrid.moc"
