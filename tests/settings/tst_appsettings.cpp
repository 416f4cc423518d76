#include "settings/AppSettings.h"
#include "settings/WindowPlace.h"
#include "support/FileSizeLimit.h"
#include "support/TestFolder.h"

#include "core/GbkText.h"

#include <QtTest>

class TestAppSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshFolderGivesEveryDefault();
    void numericReadingOfFlags_data();
    void numericReadingOfFlags();
    void aDialogsKeysAreSavedTogetherOrNotAtAll();
    void windowKeptOnScreen_data();
    void windowKeptOnScreen();
    void windowPlaceRoundTrip();
    void firstPlaceTakesMostOfTheScreen_data();
    void firstPlaceTakesMostOfTheScreen();
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

void TestAppSettings::windowKeptOnScreen_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("kept");
    const QRect big(0, 0, 1920, 1080);
    QTest::newRow("fits") << QRect(100, 50, 900, 800) << big << QRect(100, 50, 900, 800);
    QTest::newRow("past the right and bottom") << QRect(1500, 700, 900, 800) << big << QRect(1020, 280, 900, 800);
    QTest::newRow("left of the screen") << QRect(-400, -20, 900, 800) << big << QRect(0, 0, 900, 800);
    QTest::newRow("screen got smaller") << QRect(600, 100, 1900, 1000) << QRect(0, 0, 1280, 1024)
                                        << QRect(0, 24, 1280, 1000);
    QTest::newRow("second screen left of the first")
        << QRect(-1900, 10, 1000, 700) << QRect(-1280, 0, 1280, 1024) << QRect(-1280, 10, 1000, 700);
    QTest::newRow("never below the minimum")
        << QRect(100, 100, 300, 200) << QRect(0, 0, 800, 600) << QRect(100, 0, 684, 674);
}

void TestAppSettings::windowKeptOnScreen()
{
    QFETCH(QRect, wanted);
    QFETCH(QRect, screen);
    QFETCH(QRect, kept);
    QCOMPARE(WindowPlace::keptOnScreen(wanted, screen, QSize(684, 674)), kept);
}

void TestAppSettings::windowPlaceRoundTrip()
{
    TestFolder folder;
    const QByteArray settings = GbkText::encode(QStringLiteral("[设置]\r\n皮肤=3\r\n"));
    folder.write(AppSettings::kFileName, settings);
    WindowPlace::Place place;
    place.normal = QRect(-20, 40, 900, 700);
    place.maximised = true;
    place.splitters.insert(QStringLiteral("甲"), {120, 0, 300});
    QVERIFY(WindowPlace::write(folder.path(), place));
    const QByteArray written = folder.read(AppSettings::kFileName);
    QVERIFY(written.startsWith(settings)); // a section of its own, in GBK
    QVERIFY(written.contains(GbkText::encode(QStringLiteral("[窗口]\r\n左=-20\r\n"))));
    const WindowPlace::Place back = WindowPlace::read(folder.path(), {QStringLiteral("甲"), QStringLiteral("乙")});
    QCOMPARE(back.normal, place.normal);
    QVERIFY(back.maximised);
    QCOMPARE(back.splitters, place.splitters);

    // Hand-edited nonsense restores nothing of that part.
    folder.write(AppSettings::kFileName, GbkText::encode(QStringLiteral("[窗口]\r\n左=x\r\n上=1\r\n宽=800\r\n"
                                                                        "高=600\r\n甲=1,,2\r\n")));
    const WindowPlace::Place edited = WindowPlace::read(folder.path(), {QStringLiteral("甲")});
    QVERIFY(edited.normal.isNull());
    QVERIFY(!edited.maximised);
    QVERIFY(edited.splitters.isEmpty());
}

void TestAppSettings::firstPlaceTakesMostOfTheScreen_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("place");
    QTest::newRow("1366x768") << QRect(0, 0, 1366, 768) << QRect(136, 47, 1093, 674);
    QTest::newRow("1920x1080 under a panel") << QRect(0, 32, 1920, 1048) << QRect(192, 137, 1536, 838);
    QTest::newRow("second screen") << QRect(-1280, 0, 1280, 1024) << QRect(-1151, 102, 1024, 819);
    QTest::newRow("smaller than the minimum") << QRect(0, 0, 640, 480) << QRect(0, 0, 684, 674);
}

void TestAppSettings::firstPlaceTakesMostOfTheScreen()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, place);
    QCOMPARE(WindowPlace::firstPlace(screen, QSize(684, 674)), place);
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
