#include "app/Provisioning.h"
#include "app/Startup.h"
#include "core/Endpoints.h"
#include "core/SingleInstance.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"
#include "support/TestRegister.h"

#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshFolderStartsWithoutAWord();
    void damagedDatabaseStopsWithAMessageNamingIt();
    void aMissingDataFolderIsCreatedAndEndpointsAreLookedForInItFirst();
    void aSecondStartOnTheSameFolderBringsTheFirstForward();
    void aReadOnlyRegisterIsOfferedOnceForCopying();
};

void TestStartup::aReadOnlyRegisterIsOfferedOnceForCopying()
{
    // A folder the probe calls read-only, copied or declined; then one made read-only, where that holds.
    for (const auto &[chmod, yes] : {std::pair{false, true}, {false, false}, {true, true}}) {
        TestRegister beside({QStringLiteral("SF1")});
        beside.store.close();
        TestFolder &program = beside.folder;
        TestFolder home;
        program.write(QStringLiteral("config.ini"), "[x]");
        const auto restore = qScopeGuard(
            [&] { QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        QVERIFY(!chmod || QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner));
        if (chmod && Provisioning::canWrite(program.path()))
            QSKIP("running as root: a chmod'ed folder still takes files; the probe rows cover the rule");
        const Provisioning::DataFolder data = Provisioning::chooseDataFolder(
            program.path(), home.file(QStringLiteral("Tolvane")),
            chmod ? Provisioning::WritableProbe(Provisioning::canWrite) : [](const QString &) { return false; });
        QCOMPARE(data.readOnlyRegister, program.path());
        FakeDialogs dialogs;
        dialogs.answers = {yes};
        for (int start = 0; start < 2; ++start) // asked at the first start only
            QCOMPARE(Startup::prepare(data.path, dialogs, program.path(), data.readOnlyRegister).exitCode, 0);
        QCOMPARE(dialogs.texts(),
                 QStringList{
                     QStringLiteral("程序文件夹只读，是否复制数据到 %1？").arg(QDir::toNativeSeparators(data.path))});
        QCOMPARE(home.read(QStringLiteral("Tolvane/config.ini")) == "[x]", yes);
        QVERIFY(beside.store.open(home.file(QStringLiteral("Tolvane/kd.db"))).ok);
        QCOMPARE(Waybills(beside.store).numberExists(QStringLiteral("SF1")), yes);
        QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("config.ini"), QStringLiteral("kd.db")}));
    }
}

void TestStartup::aMissingDataFolderIsCreatedAndEndpointsAreLookedForInItFirst()
{
    TestFolder program;
    TestFolder home;
    const QString data = home.file(QStringLiteral(".local/share/Tolvane"));
    program.write(QStringLiteral("endpoints.ini"), "[hosts]\nmaker_site=http://beside.example\n");
    FakeDialogs dialogs;
    QCOMPARE(Startup::prepare(data, dialogs, program.path()).exitCode, 0);
    QVERIFY(dialogs.shown.isEmpty());
    for (const char *name : {"kd.db", "help.txt", "config"})
        QVERIFY2(QFileInfo::exists(data + QLatin1Char('/') + QLatin1String(name)), name);
    QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("kd.db"))));
    QCOMPARE(Endpoints::current().makerSite, QStringLiteral("http://beside.example"));

    home.write(QStringLiteral(".local/share/Tolvane/endpoints.ini"), "[hosts]\nmaker_site=http://data.example\n");
    QCOMPARE(Startup::prepare(data, dialogs, program.path()).exitCode, 0);
    QCOMPARE(Endpoints::current().makerSite, QStringLiteral("http://data.example"));

    // A data folder that cannot be made is named in the message.
    const QString unwritable = TestFolder::unwritableFolder();
    if (unwritable.isEmpty())
        QSKIP("no unwritable folder on this machine");
    QVERIFY(Startup::prepare(unwritable + QStringLiteral("/Tolvane"), dialogs, program.path()).exitCode != 0);
    QVERIFY2(dialogs.lastText().contains(QString::fromUtf8("无法创建数据文件夹")), qPrintable(dialogs.lastText()));
}

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

void TestStartup::aSecondStartOnTheSameFolderBringsTheFirstForward()
{
    TestFolder folder;
    FakeDialogs dialogs;
    Startup::Result first = Startup::prepare(folder.path(), dialogs);
    QCOMPARE(first.exitCode, 0);
    QVERIFY(first.instance && !first.alreadyRunning);
    QSignalSpy forward(first.instance.get(), &SingleInstance::activationRequested);
    folder.write(QStringLiteral("help.txt"), "the running copy's");

    const Startup::Result second = Startup::prepare(folder.path(), dialogs);
    QVERIFY(second.alreadyRunning && !second.instance);
    QCOMPARE(second.exitCode, 0);
    QVERIFY(dialogs.shown.isEmpty());
    QVERIFY(forward.wait(10000));
    // The second start touched nothing of the folder.
    QCOMPARE(folder.read(QStringLiteral("help.txt")), QByteArray("the running copy's"));

    // A copy that crashed left its lock behind: the next start takes it over.
    first.instance.reset();
    QProcess gone;
    gone.start(QStringLiteral("true"), QStringList());
    QVERIFY(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    QVERIFY(gone.waitForFinished());
    folder.write(SingleInstance::lockFileName(),
                 QByteArray::number(deadPid) + "\ntolvane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    const Startup::Result afterCrash = Startup::prepare(folder.path(), dialogs);
    QVERIFY(!afterCrash.alreadyRunning && afterCrash.instance);
    QCOMPARE(afterCrash.exitCode, 0);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
