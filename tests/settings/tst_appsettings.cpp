#include "settings/AppSettings.h"
#include "support/FileSizeLimit.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestAppSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshFolderGivesEveryDefault();
    void numericReadingOfFlags_data();
    void numericReadingOfFlags();
    void aDialogsKeysAreSavedTogetherOrNotAtAll();
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

void TestAppSettings::aDialogsKeysAreSavedTogetherOrNotAtAll()
{
    TestFolder folder;
    const QByteArray old = "[设置]\r\n皮肤=1\r\n" + QByteArray(900, ';') + "\r\n";
    folder.write(AppSettings::kFileName, old);
    AppSettings::Changes changes;
    changes.set(AppSettings::kSkin, QStringLiteral("3"));
    changes.set(AppSettings::kReadDelay, QString(200, QLatin1Char('9')));
    changes.set(AppSettings::kSkin, QStringLiteral("2")); // the last choice counts
    {
        // Room for one more key, not for both: neither is written.
        const FileSizeLimit disk(rlim_t(old.size() + 40));
        QVERIFY(!changes.save(folder.path()));
    }
    QCOMPARE(folder.read(AppSettings::kFileName), old);
    QVERIFY(changes.save(folder.path()));
    QCOMPARE(AppSettings::read(folder.path(), AppSettings::kSkin), QStringLiteral("2"));
    QCOMPARE(AppSettings::read(folder.path(), AppSettings::kReadDelay), QString(200, QLatin1Char('9')));
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
