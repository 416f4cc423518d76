#include "settings/AppSettings.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestAppSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshFolderGivesEveryDefault();
    void numericReadingOfFlags_data();
    void numericReadingOfFlags();
};

void TestAppSettings::freshFolderGivesEveryDefault()
{
    TestFolder folder;
    // The readers' defaults differ: an empty version, "4" seconds, "0" elsewhere.
    QCOMPARE(AppSettings::read(folder.path(), AppSettings::kVersion), QString());
    QCOMPARE(AppSettings::read(folder.path(), AppSettings::kReadDelay), QStringLiteral("4"));
    QCOMPARE(AppSettings::read(folder.path(), AppSettings::kDataSource), QStringLiteral("0"));
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("config.ini")))); // reading never creates it
}

void TestAppSettings::numericReadingOfFlags_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("one") << "1" << 1.0;
    QTest::newRow("zero") << "0" << 0.0;
    QTest::newRow("blank") << "" << 0.0;
    QTest::newRow("words") << "是" << 0.0;
    QTest::newRow("leading number") << "2abc" << 2.0;
    QTest::newRow("decimal") << "1.0" << 1.0;
    QTest::newRow("fraction above one is not one") << "1.9" << 1.9;
    QTest::newRow("fraction below one is not zero") << "0.5" << 0.5;
    QTest::newRow("negative") << "-1" << -1.0;
}

void TestAppSettings::numericReadingOfFlags()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(AppSettings::readNumber(text), number);
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
