#include "manage/WaybillLoader.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/TestRegister.h"

#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// A register of `count` waybills A0, A1, ... sent on 2026/12/7 with no days stored yet.
struct Register : TestRegister {
    StoreLocation path;

    explicit Register(int count) : path(location())
    {
        QVector<Waybill> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({{},
                            {},
                            QStringLiteral("A%1").arg(i),
                            u("顺丰速运"),
                            {},
                            {},
                            QStringLiteral("2026/12/7"),
                            {},
                            {},
                            {},
                            {}});
        Outcome imported;
        WaybillImport(store).importWaybills(rows, &imported);
        if (!imported || Waybills(store).count() != count)
            qFatal("cannot store the test rows");
    }
    QString days(int i) const
    {
        return Waybills(store).find(QStringLiteral("A%1").arg(i)).value_or(Waybill()).daysInTransit;
    }
};

const QDate kToday(2026, 12, 17);
} // namespace

class TestWaybillLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readStoresTheDaysOfTheRowsItReads();
    void readStopsWhenNoLongerWanted();
    void aFirstScreenShowingNothingSaysWhatTheReadFound_data();
    void aFirstScreenShowingNothingSaysWhatTheReadFound();
};

void TestWaybillLoader::readStoresTheDaysOfTheRowsItReads()
{
    Register r(3);
    WaybillLoader::Request request;
    request.filter.today = kToday;
    const WaybillLoader::Result all = WaybillLoader::read(r.path, request, {});
    QVERIFY(all.read.ok && all.stored.ok);
    QCOMPARE(all.ids.size(), 3);
    QCOMPARE(r.days(1), u("10天"));

    // Without the days step nothing is stored.
    request.updateDays = false;
    request.filter.today = kToday.addDays(1);
    const WaybillLoader::Result plain = WaybillLoader::read(r.path, request, {});
    QCOMPARE(plain.firstScreen.size(), 3);
    QCOMPARE(r.days(1), u("10天"));

    // A search brings only the rows it found up to date.
    request.filter.column = u("快递单号");
    request.filter.key = QStringLiteral("A2");
    request.updateDays = true;
    QCOMPARE(WaybillLoader::read(r.path, request, {}).ids.size(), 1);
    QCOMPARE(r.days(2), u("11天"));
    QCOMPARE(r.days(1), u("10天"));
}

void TestWaybillLoader::readStopsWhenNoLongerWanted()
{
    Register r(2500); // more than one batch of days
    int asked = 0;
    WaybillLoader::Request request;
    request.filter.today = kToday;
    const WaybillLoader::Result stopped = WaybillLoader::read(r.path, request, [&asked] { return ++asked < 2; });
    QVERIFY(!stopped.listed); // a cut-short read is never taken for the whole table
    QVERIFY(stopped.ids.isEmpty());
    QCOMPARE(asked, 2);
    QCOMPARE(r.days(0), QString()); // nothing stored

    // The first screen comes before the list and the counts, and then the rest follow.
    QVector<WaybillLoader::Step> steps;
    const WaybillLoader::Result whole = WaybillLoader::read(
        r.path, request, [] { return true; },
        [&steps](const WaybillLoader::Result &seen, WaybillLoader::Step step) {
            if (step == WaybillLoader::Step::FirstScreen && (seen.listed || seen.counted))
                qFatal("the first screen waited for the list");
            steps << step;
        });
    QVERIFY(whole.listed && whole.counted);
    QCOMPARE(whole.firstScreen.size(), WaybillLoader::kFirstScreenRows);
    QCOMPARE(whole.ids.size(), 2500);
    QCOMPARE(whole.counts.total, 2500);
    QCOMPARE(steps, (QVector<WaybillLoader::Step>{WaybillLoader::Step::FirstScreen, WaybillLoader::Step::Listed,
                                                  WaybillLoader::Step::Counted}));
    QCOMPARE(r.days(2499), u("10天"));

    // A search read from its index stores the days batch after batch as well.
    request.filter.column = u("快递公司");
    request.filter.key = u("顺丰速");
    request.filter.today = kToday.addDays(1);
    QCOMPARE(WaybillLoader::read(r.path, request, {}).ids.size(), 2500);
    QCOMPARE(r.days(0), u("11天"));
    QCOMPARE(r.days(2499), u("11天"));
}

void TestWaybillLoader::aFirstScreenShowingNothingSaysWhatTheReadFound_data()
{
    QTest::addColumn<QString>("key"); // in 快递单号; empty: no search
    QTest::addColumn<QString>("tab"); // a status tab; empty: every status
    QTest::addColumn<bool>("showArchived");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("archivedHidden");
    QTest::newRow("archived, searched") << u("A2") << QString() << false << 0 << false << 1;
    QTest::newRow("archived, shown") << u("A2") << QString() << true << 1 << true << 0;
    QTest::newRow("under another tab") << QString() << u("运输中") << false << 0 << true << 0;
    QTest::newRow("archived under another tab") << u("A2") << u("运输中") << false << 0 << false << 1;
    QTest::newRow("nowhere") << u("A9") << QString() << false << 0 << false << 0;
}

void TestWaybillLoader::aFirstScreenShowingNothingSaysWhatTheReadFound()
{
    QFETCH(QString, key);
    QFETCH(QString, tab);
    QFETCH(bool, showArchived);
    QFETCH(int, shown);
    QFETCH(bool, found);
    QFETCH(int, archivedHidden);
    // Sent on 2026/12/7: A2, signed for, is archived five days on; none was ever checked.
    Register r(3);
    QVERIFY(Waybills(r.store).markSignedFor(QStringLiteral("A2")).ok);
    WaybillLoader::Request request;
    request.filter.today = kToday;
    request.filter.archiveDays = 5;
    request.filter.showArchived = showArchived;
    if (!key.isEmpty()) {
        request.filter.column = u("快递单号");
        request.filter.key = key;
    }
    if (!tab.isEmpty())
        request.filter.status = tab;
    request.updateDays = false;
    const WaybillLoader::Result result = WaybillLoader::read(r.path, request, {});
    QVERIFY2(result.read.ok, qPrintable(result.read.error));
    QCOMPARE(result.firstScreen.size(), shown);
    QCOMPARE(result.found, found);
    QCOMPARE(result.archivedHidden, archivedHidden);
}

TOLVANE_ENGINE_TEST_MAIN(TestWaybillLoader)
#include "tst_waybillloader.moc"
