// The Temp table of a batch query pass.
#include "store/BatchScratch.h"
#include "store/StoreConnection.h"
#include "support/StoreFixture.h"

#include <QtTest>

class TestBatchScratch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tempRowsSurviveReopeningAndCanBeCleared();
};

void TestBatchScratch::tempRowsSurviveReopeningAndCanBeCleared()
{
    StoreFixture f;
    QVERIFY(f.scratch.insertTemp(QStringLiteral("T1"), u("TNT")).ok);
    QVERIFY(f.scratch.insertTemp(QStringLiteral("T2"), u("UPS")).ok);
    QCOMPARE(f.scratch.insertTemp(QStringLiteral("T1"), u("UPS")).error, u("快递单号已存在！"));
    f.store.close();
    StoreConnection store;
    QVERIFY(f.openIn(store).ok);
    BatchScratch reopened(store);
    const auto rows = reopened.tempRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0], qMakePair(QStringLiteral("T1"), u("TNT")));
    QVERIFY(reopened.clearTemp().ok);
    QVERIFY(reopened.tempRows().isEmpty());
}

TOLVANE_ENGINE_TEST_MAIN(TestBatchScratch)
#include "tst_batchscratch.moc"
