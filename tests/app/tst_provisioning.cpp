#include "app/Provisioning.h"
#include "core/GbkText.h"
#include "store/BatchScratch.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"
#include "transfer/ImportReader.h"
#include "transfer/ImportTemplate.h"

#include <QDir>
#include <QtTest>

class TestProvisioning : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

private Q_SLOTS:
    void firstStartInAnEmptyFolder();
    void secondStartRewritesOnlyTheHelpText();
    void existingConfigFolderIsLeftAlone();
    void helpTextIsGbkWithCrLfAndItsSections();
    void templateIsAnExcelWorkbookWithTheNineHeaders();
    void unwritableFolderIsReportedWithItsPath();
    void occupiedNamesAreReported();
    void leftoversOfAnInterruptedSaveAreRemoved();
    void dataFolderIsBesideTheProgramUnlessInstalledOrReadOnly_data();
    void dataFolderIsBesideTheProgramUnlessInstalledOrReadOnly();
};

void TestProvisioning::firstStartInAnEmptyFolder()
{
    TestFolder folder;
    const Provisioning::Report report = Provisioning::run(folder.path());
    QVERIFY2(report.outcome.ok, qPrintable(report.outcome.error));
    QVERIFY(report.createdDatabase && report.createdConfigFolder && report.wroteTemplate);

    StoreConnection store;
    QVERIFY(store.open(folder.file(QStringLiteral("kd.db"))).ok);
    QCOMPARE(Waybills(store).count(), 0);
    QVERIFY(BatchScratch(store).tempRows().isEmpty());
    for (const QString &skin : Provisioning::skinRelativePaths())
        QVERIFY2(folder.read(skin).contains("QWidget"), qPrintable(skin));
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("kd.mdb"))));
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("config.ini")))); // the main window writes it
}

void TestProvisioning::secondStartRewritesOnlyTheHelpText()
{
    TestFolder folder;
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    {
        StoreConnection store;
        QVERIFY(store.open(folder.file(QStringLiteral("kd.db"))).ok);
        Waybill w;
        w.number = QStringLiteral("KEEP");
        w.carrier = u("TNT");
        QVERIFY(Waybills(store).insertFromInputForm(w).ok);
    }
    folder.write(Provisioning::skinRelativePaths().first(), QByteArray("/* the user's own */"));
    folder.write(QStringLiteral("help.txt"), Provisioning::helpTextBytes() + QByteArray("user's addition"));

    const Provisioning::Report again = Provisioning::run(folder.path());
    QVERIFY(again.outcome.ok);
    QVERIFY(!again.createdDatabase && !again.createdConfigFolder && !again.wroteTemplate);
    QCOMPARE(folder.read(Provisioning::skinRelativePaths().first()), QByteArray("/* the user's own */"));
    // A style sheet as an earlier version wrote it is ours and takes today's.
    const QString black = Provisioning::skinRelativePaths().last(); // 黑色酷炫
    QFile earlier(QStringLiteral(TOLVANE_TEST_DATA "/black-earlier.qss"));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    folder.write(black, earlier.readAll());
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    QFile shipped(QStringLiteral(":/payloads/skins/black.qss"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QCOMPARE(folder.read(black), shipped.readAll());
    QCOMPARE(folder.read(QStringLiteral("help.txt")), Provisioning::helpTextBytes());
    StoreConnection store;
    QVERIFY(store.open(folder.file(QStringLiteral("kd.db"))).ok);
    QVERIFY(Waybills(store).numberExists(QStringLiteral("KEEP")));
}

void TestProvisioning::existingConfigFolderIsLeftAlone()
{
    TestFolder folder;
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    const QString deleted = Provisioning::skinRelativePaths().at(1);
    QVERIFY(QFile::remove(folder.file(deleted)));
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    QVERIFY(!QFile::exists(folder.file(deleted))); // only deleting the whole folder brings it back
    QVERIFY(QDir(folder.file(QStringLiteral("config"))).removeRecursively());
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    QVERIFY(QFile::exists(folder.file(deleted)));

    // The template alone comes back whenever it is missing.
    QVERIFY(QFile::remove(folder.file(ImportTemplate::relativePath())));
    QVERIFY(Provisioning::run(folder.path()).wroteTemplate);
    QVERIFY(QFile::exists(folder.file(ImportTemplate::relativePath())));
}

void TestProvisioning::helpTextIsGbkWithCrLfAndItsSections()
{
    TestFolder folder;
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    const QByteArray bytes = folder.read(QStringLiteral("help.txt"));
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n")); // every line end is CR LF
    QCOMPARE(GbkText::encode(GbkText::decode(bytes)), bytes);
    const QString text = GbkText::decode(bytes);
    const qsizetype intro = text.indexOf(u("* 软件介绍："));
    const qsizetype help = text.indexOf(u("* 软件使用帮助"));
    const qsizetype notes = text.indexOf(u("* 软件使用注意"));
    QVERIFY(intro >= 0 && help > intro && notes > help);
    QVERIFY(text.contains(u("软件启动慢的话，可以在设置中取消更新提示。")));
    QVERIFY(text.contains(u("读取延迟")));
    // Every feature of the program has its paragraph.
    for (const char *feature : {"已自动选择", "自动刷新", "签收提醒", "查询历史", "归档天数", "显示已归档", "统计",
                                "导出为文本文件或 EXCEL", "从 TXT 或 EXCEL 导入", "数据文件夹", "分隔条", "点列标题"})
        QVERIFY2(text.contains(u(feature)), feature);
    QVERIFY(!text.contains(QLatin1Char('{'))); // every placeholder filled
}

void TestProvisioning::templateIsAnExcelWorkbookWithTheNineHeaders()
{
    TestFolder folder;
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    SheetData sheet;
    const Outcome read = XlsSheet::read(folder.file(ImportTemplate::relativePath()), &sheet);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(sheet.rows.keys(), QList<int>{1}); // headers only, no data rows
    QCOMPARE(sheet.columns, 9);
    const QStringList headers = sheet.rows.value(1);
    QCOMPARE(headers, (QStringList{u("快递单号"), u("快递公司"), u("物品"), u("金额"), u("时间"), u("姓名"), u("电话"),
                                   u("联系地址"), u("备注")}));
}

void TestProvisioning::unwritableFolderIsReportedWithItsPath()
{
    const QString folder = TestFolder::unwritableFolder();
    if (folder.isEmpty())
        QSKIP("no folder here that refuses writes");
    const Provisioning::Report report = Provisioning::run(folder);
    QVERIFY(!report.outcome.ok);
    QVERIFY2(report.outcome.error.contains(folder), qPrintable(report.outcome.error));
}

void TestProvisioning::occupiedNamesAreReported()
{
    {
        // help.txt is a folder: writing the help text fails and says where.
        TestFolder folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("help.txt")));
        const Provisioning::Report report = Provisioning::run(folder.path());
        QVERIFY(!report.outcome.ok);
        QVERIFY(report.outcome.error.contains(folder.file(QStringLiteral("help.txt"))));
    }
    {
        // config is a file: the skins are not written, and the template has
        // nowhere to go; start-up still succeeds.
        TestFolder folder;
        folder.write(QStringLiteral("config"), QByteArray("x"));
        const Provisioning::Report report = Provisioning::run(folder.path());
        QVERIFY(report.outcome.ok);
        QVERIFY(!report.createdConfigFolder);
        QCOMPARE(folder.read(QStringLiteral("config")), QByteArray("x"));
    }
    {
        const Provisioning::Report report = Provisioning::run(QStringLiteral("/nonexistent/tolvane"));
        QVERIFY(!report.outcome.ok);
        QVERIFY(report.outcome.error.contains(QStringLiteral("/nonexistent/tolvane")));
    }
}

void TestProvisioning::leftoversOfAnInterruptedSaveAreRemoved()
{
    // A kill between writing and renaming leaves the whole new file beside the old.
    TestFolder folder;
    const QStringList leftovers{QStringLiteral("config.ini.a1B2c3"), QStringLiteral("help.txt.Zz9Yy8"),
                                QStringLiteral("update.ini.qWeRtY"),
                                QStringLiteral(".config.ini.tolvane-partial-abcdefgh")};
    const QStringList usersOwn{QStringLiteral("config.ini.bak"), QStringLiteral("config.ini.backup"),
                               QStringLiteral("notes.txt.abcdef")};
    for (const QString &name : leftovers + usersOwn)
        folder.write(name, QByteArray("[设置]\r\n版本号=3.0\r\n"));
    QVERIFY(Provisioning::run(folder.path()).outcome.ok);
    for (const QString &name : leftovers)
        QVERIFY2(!QFile::exists(folder.file(name)), qPrintable(name));
    for (const QString &name : usersOwn)
        QVERIFY2(QFile::exists(folder.file(name)), qPrintable(name));
}

void TestProvisioning::dataFolderIsBesideTheProgramUnlessInstalledOrReadOnly_data()
{
    QTest::addColumn<QStringList>("files"); // in the prefix, e.g. bin/kd.db
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("portable");
    const QString entry = QStringLiteral("share/applications/tolvane.desktop");
    QTest::newRow("writable folder") << QStringList{} << false << true;
    QTest::newRow("installed") << QStringList{entry} << false << false;
    QTest::newRow("installed, register beside") << QStringList{entry, QStringLiteral("bin/kd.db")} << false << true;
    QTest::newRow("installed, settings beside")
        << QStringList{entry, QStringLiteral("bin/config.ini")} << false << true;
    QTest::newRow("another program's entry")
        << QStringList{QStringLiteral("share/applications/other.desktop")} << false << true;
    QTest::newRow("read-only folder") << QStringList{} << true << false;
    // A read-only folder (the probe says so) that holds a register: the user's folder, offered a copy.
    QTest::newRow("read-only, register beside") << QStringList{QStringLiteral("bin/kd.db")} << true << false;
    QTest::newRow("read-only, settings beside") << QStringList{QStringLiteral("bin/config.ini")} << true << false;
    QTest::newRow("read-only installed, register beside")
        << QStringList{entry, QStringLiteral("bin/kd.db")} << true << false;
}

void TestProvisioning::dataFolderIsBesideTheProgramUnlessInstalledOrReadOnly()
{
    QFETCH(QStringList, files);
    QFETCH(bool, readOnly);
    QFETCH(bool, portable);
    TestFolder prefix;
    prefix.write(QStringLiteral("bin/tolvane"), "");
    for (const QString &file : files)
        prefix.write(file, "x");
    QString program = prefix.file(QStringLiteral("bin"));
    Provisioning::WritableProbe writable = Provisioning::canWrite;
    if (readOnly && files.isEmpty()) {
        program = TestFolder::unwritableFolder();
        if (program.isEmpty())
            QSKIP("no unwritable folder on this machine");
    } else if (readOnly) {
        writable = [](const QString &) { return false; };
    }
    const QString user = prefix.file(QStringLiteral("home/.local/share/Tolvane"));
    const Provisioning::DataFolder chosen = Provisioning::chooseDataFolder(program, user, writable);
    QCOMPARE(chosen.portable, portable);
    QCOMPARE(chosen.path, portable ? program : user);
    QCOMPARE(chosen.readOnlyRegister, readOnly && !files.isEmpty() ? program : QString());
    QVERIFY(QDir(program).entryList({QStringLiteral(".tolvane-probe-*")}, QDir::Hidden | QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(TestProvisioning)
#include "tst_provisioning.moc"
