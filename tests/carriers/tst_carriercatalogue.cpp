#include "carriers/CarrierCatalogue.h"
#include "core/Endpoints.h"

#include <QtTest>

class TestCarrierCatalogue : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

private Q_SLOTS:
    void initTestCase();
    void rowsAndControls();
    void lookupByNameIsExact_data();
    void lookupByNameIsExact();
    void lookupByConfigCodeIsExact();
    void trackingPages_data();
    void trackingPages();
    void carriersWithoutPages();
    void dialogLists();
};

void TestCarrierCatalogue::initTestCase()
{
    Endpoints hosts;
    hosts.defaultSource = QStringLiteral("http://primary");
    hosts.defaultSourceAlternate = QStringLiteral("http://alternate");
    hosts.backupSource1 = QStringLiteral("http://b1");
    hosts.backupSource2 = QStringLiteral("http://b2");
    Endpoints::setCurrent(hosts);
}

void TestCarrierCatalogue::rowsAndControls()
{
    const auto &rows = CarrierCatalogue::all();
    QCOMPARE(rows.size(), 30);
    QCOMPARE(CarrierCatalogue::buttonCarriers().size(), 12);
    QCOMPARE(CarrierCatalogue::listCarriers().size(), 16);
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i].row, i + 1);
    QCOMPARE(CarrierCatalogue::listCarriers().at(0)->name, u("TNT"));
    // Every selectable carrier has a home page; the two extra names do not.
    for (const Carrier &c : rows)
        QCOMPARE(c.homePage.isEmpty(), c.row == 26 || c.row == 27);
    // Today's carriers come after the 27 classic rows, at the end of the list.
    const Carrier *jt = FindCarrierByName(u("极兔速递"));
    QCOMPARE(jt->row, 29);
    QCOMPARE(CarrierCatalogue::listCarriers().at(14), jt);
    QCOMPARE(jt->controlIndex, 14);
    QCOMPARE(jt->apiCode, u("jtexpress"));
    QCOMPARE(FindCarrierByConfigCode(u("jd"))->hotline, u("950616"));
    QCOMPARE(FindCarrierByName(u("中国邮政"))->apiCode, u("youzhengguonei"));
    QCOMPARE(FindCarrierByName(u("中邮物流"))->hotline, FindCarrierByName(u("EMS(E邮宝)"))->hotline);
    QCOMPARE(FindCarrierByName(u("佳吉快运"))->apiCode, u("jiajiwuliu"));
}

void TestCarrierCatalogue::lookupByNameIsExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::newRow("exact") << u("EMS(E邮宝)") << 1;
    QTest::newRow("config code is no name") << u("EMS") << 0;
    QTest::newRow("other case") << u("ems(e邮宝)") << 0;
    QTest::newRow("trailing blank") << u("EMS(E邮宝) ") << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("separator") << u("********") << 0;
    QTest::newRow("list carrier") << u("德邦物流") << 18;
    QTest::newRow("modify-only carrier") << u("中铁物流") << 27;
}

void TestCarrierCatalogue::lookupByNameIsExact()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    const Carrier *c = FindCarrierByName(name);
    QCOMPARE(c ? c->row : 0, row);
}

void TestCarrierCatalogue::lookupByConfigCodeIsExact()
{
    QCOMPARE(FindCarrierByConfigCode(u("CCES"))->row, 12);
    QVERIFY(!FindCarrierByConfigCode(u("cces")));
    QVERIFY(!FindCarrierByConfigCode(u("ems")));
    QVERIFY(!FindCarrierByConfigCode(u("0")));
    QVERIFY(!FindCarrierByConfigCode(QString()));
    const Carrier *fedex = FindCarrierByConfigCode(u("lb"));
    QCOMPARE(fedex->name, u("联邦快递"));
    QCOMPARE(fedex->apiCode, u("fedex"));
}

void TestCarrierCatalogue::trackingPages_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("address");
    const int none = int(DataSource::None), def = int(DataSource::Default), b1 = int(DataSource::Backup1),
              b2 = int(DataSource::Backup2);
    QTest::newRow("UPS backup 2 falls back") << u("UPS") << b2 << u("http://b1/ups.html");
    QTest::newRow("中通 backup 2") << u("中通速递") << b2 << u("http://b2/index.html?types=zto");
    QTest::newRow("汇通 default") << u("汇通快运") << def << u("http://primary/all/htky.shtml");
    QTest::newRow("一邦 backup 2 falls back") << u("一邦速递") << b2 << u("http://b1/ebon.html");
    QTest::newRow("no source means backup 1") << u("顺丰速运") << none << u("http://b1/sf.html");
    QTest::newRow("backup 1") << u("全日通") << b1 << u("http://b1/at.html");
    QTest::newRow("TNT backup 2") << u("TNT") << b2 << u("http://b2/index.html?types=tnt");
    QTest::newRow("宅急送 backup 2 slug") << u("宅急送") << b2 << u("http://b2/index.html?types=zjs2");
    QTest::newRow("极兔 backup 2") << u("极兔速递") << b2 << u("http://b2/index.html?types=jtexpress");
    QTest::newRow("中国邮政 default") << u("中国邮政") << def << u("http://primary/all/youzhengguonei.shtml");
}

void TestCarrierCatalogue::trackingPages()
{
    QFETCH(QString, carrier);
    QFETCH(int, source);
    QFETCH(QString, address);
    QCOMPARE(TrackingPageAddress(*FindCarrierByName(carrier), DataSource(source)), address);
}

void TestCarrierCatalogue::carriersWithoutPages()
{
    const Carrier *jiaji = FindCarrierByName(u("佳吉快运"));
    QVERIFY(jiaji->configCode.isEmpty());
    QVERIFY(TrackingPageAddress(*jiaji, DataSource::Default).isEmpty());
    QVERIFY(TrackingPageAddress(*jiaji, DataSource::Backup2).isEmpty());
    QVERIFY(StartupPageAddress(*jiaji).isEmpty());
    QCOMPARE(StartupPageAddress(*FindCarrierByName(u("TNT"))), u("http://alternate/all/tnt.shtml"));
}

void TestCarrierCatalogue::dialogLists()
{
    const QStringList settings = CarrierCatalogue::settingsDialogEntries();
    QCOMPARE(settings.size(), 29);
    QCOMPARE(settings.at(12), u("********"));
    QCOMPARE(settings.at(13), u("TNT"));
    QCOMPARE(settings.mid(25), (QStringList{u("中铁快运"), u("京东物流"), u("极兔速递"), u("中国邮政")}));
    QCOMPARE(CarrierCatalogue::quickAddEntries(), settings);

    const QStringList modify = CarrierCatalogue::modifyEntries();
    QCOMPARE(modify.size(), 31);
    QCOMPARE(modify.mid(12, 9), (QStringList{u("********"), u("TNT"), u("UPS"), u("鑫飞鸿"), u("全日通"), u("全一快递"),
                                             u("德邦物流"), u("佳吉快运"), u("星辰急便")}));
    QCOMPARE(modify.mid(25),
             (QStringList{u("中邮物流"), u("中铁物流"), u("中铁快运"), u("京东物流"), u("极兔速递"), u("中国邮政")}));
    QCOMPARE(DataSources::fromConfigValue(u("byly2")), DataSource::Backup2);
    QCOMPARE(DataSources::fromConfigValue(u("MRLY")), DataSource::None);
    QCOMPARE(DataSources::configValue(DataSource::Backup1), u("byly1"));
}

QTEST_GUILESS_MAIN(TestCarrierCatalogue)
#include "tst_carriercatalogue.moc"
