#include "app/Startup.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshFolderStartsWithoutAWord();
    void damagedDatabaseStopsWithAMessageNamingIt();
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

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
