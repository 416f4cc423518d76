#include "core/GbkText.h"
#include "settings/IniFile.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestIniFile : public QObject {
    Q_OBJECT

    static QByteArray gbk(const char *utf8) { return GbkText::encode(QString::fromUtf8(utf8)); }
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

private Q_SLOTS:
    void readsLikeThePrivateProfileReader_data();
    void readsLikeThePrivateProfileReader();
    void missingFileSectionOrKeyGivesTheDefault();
    void longValuesAreCutTo254();
    void writeReplacesInPlaceAndKeepsEverythingElse();
    void writeAppendsToItsSectionBeforeTheNextOne();
    void writeCreatesMissingSectionAndFile();
    void writtenTextIsGbkWithCrLf();
    void aUtf8FileIsWrittenBackAsUtf8();
    void aLineBreakInAValueCannotForgeAnotherKey();
    void failedWriteIsReportedAndLeavesTheFile();
};

void TestIniFile::readsLikeThePrivateProfileReader_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << gbk("[设置]\r\n皮肤=2\r\n") << u("设置") << u("皮肤") << u("2");
    QTest::newRow("case-insensitive names") << QByteArray("[Ver]\r\nNEW=3.1\r\n") << u("ver") << u("new") << u("3.1");
    QTest::newRow("blanks around") << gbk("  [ 设置 ]  \r\n  读取间隔  =   10   \r\n") << u("设置") << u("读取间隔")
                                   << u("10");
    QTest::newRow("double quotes") << gbk("[设置]\r\n默认快递=\"sf\"\r\n") << u("设置") << u("默认快递") << u("sf");
    QTest::newRow("single quotes") << gbk("[设置]\r\n默认快递=' sf '\r\n") << u("设置") << u("默认快递") << u(" sf ");
    QTest::newRow("quotes around nothing") << gbk("[设置]\r\nk=\"\"\r\n") << u("设置") << u("k") << u("");
    QTest::newRow("unbalanced quote stays") << gbk("[设置]\r\nk=\"abc\r\n") << u("设置") << u("k") << u("\"abc");
    QTest::newRow("LF only") << gbk("[设置]\n皮肤=1\n") << u("设置") << u("皮肤") << u("1");
    QTest::newRow("key in other section ignored")
        << gbk("[其他]\r\n皮肤=3\r\n[设置]\r\n皮肤=1\r\n") << u("设置") << u("皮肤") << u("1");
    QTest::newRow("first of two sections")
        << gbk("[设置]\r\na=1\r\n[设置]\r\na=2\r\n") << u("设置") << u("a") << u("1");
    QTest::newRow("equals in value") << gbk("[设置]\r\nk=a=b\r\n") << u("设置") << u("k") << u("a=b");
    QTest::newRow("comment is no key") << gbk("[设置]\r\n;皮肤=9\r\n皮肤=1\r\n") << u("设置") << u("皮肤") << u("1");
    QTest::newRow("empty value") << gbk("[设置]\r\n皮肤=\r\n") << u("设置") << u("皮肤") << u("");
    QTest::newRow("UTF-8") << QByteArray("[设置]\n默认快递=顺丰速运\n") << u("设置") << u("默认快递") << u("顺丰速运");
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF[设置]\n皮肤=蓝\n") << u("设置") << u("皮肤")
                                         << u("蓝");
}

void TestIniFile::readsLikeThePrivateProfileReader()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TestFolder folder;
    folder.write(QStringLiteral("config.ini"), content);
    QCOMPARE(GetFromINI(section, key, QStringLiteral("<default>"), folder.file(QStringLiteral("config.ini"))),
             expected);
}

void TestIniFile::missingFileSectionOrKeyGivesTheDefault()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("config.ini"));
    QCOMPARE(GetFromINI(u("设置"), u("皮肤"), u("0"), path), u("0"));
    folder.write(QStringLiteral("config.ini"), gbk("[其他]\r\n皮肤=1\r\n"));
    QCOMPARE(GetFromINI(u("设置"), u("皮肤"), u("0"), path), u("0"));
    folder.write(QStringLiteral("config.ini"), gbk("[设置]\r\n版本号=3.0\r\n"));
    QCOMPARE(GetFromINI(u("设置"), u("皮肤"), u("0"), path), u("0"));
    QCOMPARE(GetFromINI(u("设置"), u("版本号"), QString(), path), u("3.0"));
}

void TestIniFile::longValuesAreCutTo254()
{
    TestFolder folder;
    const QString longValue(300, QLatin1Char('x'));
    QVERIFY(WriteToINI(u("设置"), u("k"), longValue, folder.file(QStringLiteral("c.ini"))).ok);
    QCOMPARE(GetFromINI(u("设置"), u("k"), QString(), folder.file(QStringLiteral("c.ini"))).size(), 254);
}

void TestIniFile::writeReplacesInPlaceAndKeepsEverythingElse()
{
    TestFolder folder;
    // Unknown keys, a comment, odd spacing, a byte sequence that is no valid
    // GBK and a last line without a line end all survive as they were.
    QByteArray before = gbk("; 用户的注释\r\n[设置]\r\n未知键 = 保留\r\n皮肤=0\r\n  其它 =x\r\n[别的]\r\n") +
                        QByteArray("raw=\xff\xfe\x80\r\n") + QByteArray("tail=1");
    folder.write(QStringLiteral("config.ini"), before);
    const QString path = folder.file(QStringLiteral("config.ini"));
    QVERIFY(WriteToINI(u("设置"), u("皮肤"), u("黑色"), path).ok);

    QByteArray expected = before;
    expected.replace(gbk("皮肤=0"), gbk("皮肤=黑色"));
    QCOMPARE(folder.read(QStringLiteral("config.ini")), expected);

    // The key keeps the spelling it had in the file.
    folder.write(QStringLiteral("config.ini"), QByteArray("[Ver]\r\nNew=1\r\n"));
    QVERIFY(WriteToINI(u("ver"), u("new"), u("2"), path).ok);
    QCOMPARE(folder.read(QStringLiteral("config.ini")), QByteArray("[Ver]\r\nNew=2\r\n"));
}

void TestIniFile::writeAppendsToItsSectionBeforeTheNextOne()
{
    TestFolder folder;
    folder.write(QStringLiteral("config.ini"), gbk("[设置]\r\n版本号=3.0\r\n\r\n[其他]\r\na=1\r\n"));
    const QString path = folder.file(QStringLiteral("config.ini"));
    QVERIFY(WriteToINI(u("设置"), u("皮肤"), u("2"), path).ok);
    QCOMPARE(folder.read(QStringLiteral("config.ini")), gbk("[设置]\r\n版本号=3.0\r\n皮肤=2\r\n\r\n[其他]\r\na=1\r\n"));
    QCOMPARE(GetFromINI(u("其他"), u("皮肤"), u("-"), path), u("-"));
    // A last line without a line end, in another section, is not this write's business.
    folder.write(QStringLiteral("config.ini"), gbk("[设置]\r\na=1\r\n[其他]\r\nb=2"));
    QVERIFY(WriteToINI(u("设置"), u("皮肤"), u("3"), path).ok);
    QCOMPARE(folder.read(QStringLiteral("config.ini")), gbk("[设置]\r\na=1\r\n皮肤=3\r\n[其他]\r\nb=2"));
    folder.write(QStringLiteral("config.ini"), gbk("[设置]\r\na=1")); // the line the new key follows
    QVERIFY(WriteToINI(u("设置"), u("皮肤"), u("3"), path).ok);
    QCOMPARE(folder.read(QStringLiteral("config.ini")), gbk("[设置]\r\na=1\r\n皮肤=3\r\n"));
}

void TestIniFile::writeCreatesMissingSectionAndFile()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("config.ini"));
    QVERIFY(WriteToINI(u("设置"), u("版本号"), u("3.0"), path).ok);
    QCOMPARE(folder.read(QStringLiteral("config.ini")), gbk("[设置]\r\n版本号=3.0\r\n"));

    folder.write(QStringLiteral("other.ini"), QByteArray("[a]\r\nx=1")); // no final line end
    QVERIFY(WriteToINI(u("设置"), u("k"), u("v"), folder.file(QStringLiteral("other.ini"))).ok);
    QCOMPARE(folder.read(QStringLiteral("other.ini")), gbk("[a]\r\nx=1\r\n[设置]\r\nk=v\r\n"));
}

void TestIniFile::writtenTextIsGbkWithCrLf()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("config.ini"));
    QVERIFY(WriteToINI(u("设置"), u("皮肤"), u("默认皮肤"), path).ok);
    const QByteArray bytes = folder.read(QStringLiteral("config.ini"));
    // "设置" in GBK is C9 E8 D6 C3.
    QVERIFY(bytes.startsWith(QByteArray("[\xc9\xe8\xd6\xc3]\r\n")));
    QVERIFY(!bytes.contains("\xe8\xae\xbe")); // not UTF-8
    QCOMPARE(GetFromINI(u("设置"), u("皮肤"), QString(), path), u("默认皮肤"));
}

void TestIniFile::aUtf8FileIsWrittenBackAsUtf8()
{
    const QByteArray mark("\xEF\xBB\xBF"), added = gbk("[设置]\r\n皮肤=蓝\r\n");
    const QByteArray cases[][2] = {{"[设置]\r\n皮肤=1\r\n", "[设置]\r\n皮肤=蓝\r\n"},
                                   {mark + "[设置]\n皮肤=1\n", mark + "[设置]\n皮肤=蓝\n"},
                                   {mark, mark + "[设置]\r\n皮肤=蓝\r\n"},
                                   {gbk("[设置]\r\n皮肤=1\r\n"), added},
                                   {"[a]\r\n", "[a]\r\n" + added}}; // ASCII only: GBK
    TestFolder folder;
    for (const auto &c : cases) {
        folder.write(QStringLiteral("config.ini"), c[0]);
        QVERIFY(WriteToINI(u("设置"), u("皮肤"), u("蓝"), folder.file(QStringLiteral("config.ini"))).ok);
        QCOMPARE(folder.read(QStringLiteral("config.ini")), c[1]);
    }
}

void TestIniFile::aLineBreakInAValueCannotForgeAnotherKey()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("config.ini"));
    QVERIFY(WriteToINI(u("设置"), u("读取间隔"), u("5\r\n自动更新=1"), path).ok);
    QCOMPARE(GetFromINI(u("设置"), u("自动更新"), u("0"), path), u("0"));
    QCOMPARE(GetFromINI(u("设置"), u("读取间隔"), QString(), path), u("5  自动更新=1"));
}

void TestIniFile::failedWriteIsReportedAndLeavesTheFile()
{
    TestFolder folder;
    // A folder where the file should be: the write cannot happen.
    QDir(folder.path()).mkdir(QStringLiteral("config.ini"));
    const Outcome outcome = WriteToINI(u("设置"), u("皮肤"), u("1"), folder.file(QStringLiteral("config.ini")));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(folder.file(QStringLiteral("config.ini"))));
    QVERIFY(QFileInfo(folder.file(QStringLiteral("config.ini"))).isDir());
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
