#include "app/Form1.h"
#include "app/Startup.h"
#include "settings/AppSettings.h"
#include "app/Clock.h"
#include "support/FakeBrowser.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshFolderStartsWithoutAWord();
    void damagedDatabaseStopsWithAMessageNamingIt();
    void unwritableFolderStopsWithAMessage();
    void mainWindowWritesTheVersion();
};

void TestStartup::freshFolderStartsWithoutAWord()
{
    TestFolder folder;
    FakeDialogs dialogs;
    const Startup::Result result = Startup::prepare(folder.path(), dialogs);
    QCOMPARE(result.exitCode, 0);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestStartup::damagedDatabaseStopsWithAMessageNamingIt()
{
    TestFolder folder;
    folder.write(QStringLiteral("kd.db"), QByteArray(8192, '\x7f'));
    FakeDialogs dialogs;
    const Startup::Result result = Startup::prepare(folder.path(), dialogs);
    QVERIFY(result.exitCode != 0);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown.first().kind, QStringLiteral("critical"));
    QVERIFY(dialogs.lastText().contains(folder.file(QStringLiteral("kd.db"))));
    QCOMPARE(folder.read(QStringLiteral("kd.db")), QByteArray(8192, '\x7f')); // never replaced
}

void TestStartup::unwritableFolderStopsWithAMessage()
{
    const QString folder = TestFolder::unwritableFolder();
    if (folder.isEmpty())
        QSKIP("no folder here that refuses writes");
    FakeDialogs dialogs;
    QVERIFY(Startup::prepare(folder, dialogs).exitCode != 0);
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY(dialogs.lastText().contains(folder));
}

void TestStartup::mainWindowWritesTheVersion()
{
    TestFolder folder;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    QCOMPARE(Startup::prepare(folder.path(), dialogs).exitCode, 0);
    folder.write(QStringLiteral("config.ini"), QByteArray("[\xc9\xe8\xd6\xc3]\r\n\xb0\xe6\xb1\xbe\xba\xc5=2.9\r\n"));
    FixedClock clock(QDate(2026, 12, 7));
    Form1 window(folder.path(), {dialogs, launcher, clock}, std::make_unique<FakeBrowser>());
    QCOMPARE(window.windowTitle(), QStringLiteral("Tolvane V3.0"));
    QCOMPARE(AppSettings::read(folder.path(), AppSettings::kVersion), QStringLiteral("3.0"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
