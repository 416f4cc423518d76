#include "store/WaybillLoader.h"
#include "store/WaybillStore.h"
#include "support/TestFolder.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// A register of `count` waybills A0, A1, ... sent on 2026/12/7 with no days stored yet.
struct Register {
    TestFolder folder;
    WaybillStore store;
    QString path;

    explicit Register(int count)
    {
        path = folder.file(WaybillStore::fileName());
        if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok)
            qFatal("cannot create the test database");
        QVector<Waybill> rows;
        for (int i = 0; i < count; ++i) {
            Waybill w;
            w.number = QStringLiteral("A%1").arg(i);
            w.carrier = u("顺丰速运");
            w.time = QStringLiteral("2026/12/7");
            rows.push_back(w);
        }
        Outcome imported;
        store.importWaybills(rows, &imported);
        if (!imported || store.count() != count)
            qFatal("cannot store the test rows");
    }
};

const QDate kToday(2026, 12, 17);
} // namespace

Q_DECLARE_METATYPE(WaybillLoader::Result)

class TestWaybillLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readStoresTheDaysItComputes();
    void readStopsWhenNoLongerWanted();
    void onlyTheNewestRequestIsDelivered();
    void cancelDeliversNothing();
};

void TestWaybillLoader::readStoresTheDaysItComputes()
{
    Register r(3);
    WaybillLoader::Request request;
    request.today = kToday;
    const WaybillLoader::Result all = WaybillLoader::read(r.path, request, {});
    QVERIFY(all.read.ok && all.stored.ok);
    QCOMPARE(all.rows.size(), 3);
    QCOMPARE(all.rows[2].daysInTransit, u("10天"));
    QCOMPARE(all.fill.changedDays.size(), 3);
    QCOMPARE(all.fill.widthsTwips.size(), int(WaybillColumns::Count));
    QCOMPARE(r.store.find(QStringLiteral("A1"))->daysInTransit, u("10天"));

    // Without the days step nothing is computed or stored.
    request.updateDays = false;
    request.today = kToday.addDays(1);
    const WaybillLoader::Result plain = WaybillLoader::read(r.path, request, {});
    QVERIFY(plain.fill.changedDays.isEmpty());
    QCOMPARE(r.store.find(QStringLiteral("A1"))->daysInTransit, u("10天"));

    request.search = true;
    request.column = u("快递单号");
    request.key = QStringLiteral("A2");
    request.updateDays = true;
    const WaybillLoader::Result found = WaybillLoader::read(r.path, request, {});
    QCOMPARE(found.rows.size(), 1);
    QCOMPARE(r.store.find(QStringLiteral("A2"))->daysInTransit, u("11天"));
    QCOMPARE(r.store.find(QStringLiteral("A1"))->daysInTransit, u("10天")); // not in the result
}

void TestWaybillLoader::readStopsWhenNoLongerWanted()
{
    Register r(1500);
    int asked = 0;
    WaybillLoader::Request request;
    request.today = kToday;
    const WaybillLoader::Result stopped = WaybillLoader::read(r.path, request, [&asked] { return ++asked < 2; });
    QVERIFY(!stopped.read.ok); // a cut-short read is never taken for the whole table
    QVERIFY(stopped.rows.isEmpty());
    QCOMPARE(asked, 2);
    QCOMPARE(r.store.find(QStringLiteral("A0"))->daysInTransit, QString()); // nothing stored

    const WaybillLoader::Result whole = WaybillLoader::read(r.path, request, [] { return true; });
    QVERIFY(whole.read.ok);
    QCOMPARE(whole.rows.size(), 1500);
}

void TestWaybillLoader::onlyTheNewestRequestIsDelivered()
{
    Register r(2000);
    WaybillLoader loader(r.path);
    QSignalSpy delivered(&loader, &WaybillLoader::delivered);
    QSignalSpy reading(&loader, &WaybillLoader::readingChanged);
    loader.readAll(kToday, true);
    loader.search(u("快递单号"), QStringLiteral("A1"), kToday);
    loader.search(u("快递单号"), QStringLiteral("A19"), kToday);
    QVERIFY(loader.isReading());
    QTRY_VERIFY_WITH_TIMEOUT(!loader.isReading(), 5000);
    QCOMPARE(delivered.count(), 1);
    const auto result = delivered.at(0).at(0).value<WaybillLoader::Result>();
    QCOMPARE(result.request.key, QStringLiteral("A19"));
    QCOMPARE(result.rows.size(), 111); // A19, A190 to A199, A1900 to A1999
    QCOMPARE(reading.count(), 2);
    QCOMPARE(reading.at(0).at(0).toBool(), true);
    QCOMPARE(reading.at(1).at(0).toBool(), false);
}

void TestWaybillLoader::cancelDeliversNothing()
{
    Register r(10);
    WaybillLoader loader(r.path);
    QSignalSpy delivered(&loader, &WaybillLoader::delivered);
    loader.readAll(kToday, true);
    loader.cancel();
    QTRY_VERIFY_WITH_TIMEOUT(!loader.isReading(), 5000);
    QCOMPARE(delivered.count(), 0);

    loader.readAll(kToday, true); // still usable afterwards
    QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 1, 5000);
    QCOMPARE(delivered.at(0).at(0).value<WaybillLoader::Result>().rows.size(), 10);
}

QTEST_GUILESS_MAIN(TestWaybillLoader)
#include "tst_waybillloader.moc"
