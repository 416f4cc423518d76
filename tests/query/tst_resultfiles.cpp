#include "app/GbkText.h"
#include "query/ResultFiles.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestResultFiles : public QObject {
    Q_OBJECT
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

private Q_SLOTS:
    void conciseRowsAreTabSeparatedGbkLines();
    void emptyConciseListGivesAnEmptyFile();
    void detailedTextGetsOneMoreLineEnd_data();
    void detailedTextGetsOneMoreLineEnd();
    void existingFileIsReplaced();
    void unwritablePathIsReportedAndNothingWritten();
};

void TestResultFiles::conciseRowsAreTabSeparatedGbkLines()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("简洁.txt"));
    const QVector<QStringList> rows{
        {u("SF1"), u("顺丰速运"), u("已签收")},
        {u("2"), QString(), u("第一行\r\n第二行")},
    };
    QVERIFY(SaveConciseResults(path, rows).ok);
    const QByteArray expected = GbkText::encode(u("SF1\t顺丰速运\t已签收\r\n2\t\t第一行\r\n第二行\r\n"));
    QCOMPARE(folder.read(QStringLiteral("简洁.txt")), expected);
    // Two bytes per Chinese character: really GBK, not UTF-8.
    QCOMPARE(folder.read(QStringLiteral("简洁.txt")).left(10), QByteArray("SF1\t\xcb\xb3\xb7\xe1\xcb\xd9"));
}

void TestResultFiles::emptyConciseListGivesAnEmptyFile()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("empty.txt"));
    QVERIFY(SaveConciseResults(path, {}).ok);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void TestResultFiles::detailedTextGetsOneMoreLineEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray("\r\n");
    QTest::newRow("crlf kept") << u("a\r\nb\r\n") << QByteArray("a\r\nb\r\n\r\n");
    QTest::newRow("lone lf mended") << u("a\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("leading lf") << u("\nx") << QByteArray("\r\nx\r\n");
    QTest::newRow("mixed") << u("a\r\n\nb") << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("chinese") << u("已签收") << QByteArray("\xd2\xd1\xc7\xa9\xca\xd5\r\n");
}

void TestResultFiles::detailedTextGetsOneMoreLineEnd()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    TestFolder folder;
    QVERIFY(SaveDetailedResults(folder.file(QStringLiteral("d.txt")), text).ok);
    QCOMPARE(folder.read(QStringLiteral("d.txt")), bytes);
}

void TestResultFiles::existingFileIsReplaced()
{
    TestFolder folder;
    folder.write(QStringLiteral("r.txt"), QByteArray("old content that is longer\r\n"));
    QVERIFY(SaveDetailedResults(folder.file(QStringLiteral("r.txt")), u("new")).ok);
    QCOMPARE(folder.read(QStringLiteral("r.txt")), QByteArray("new\r\n"));
    QVERIFY(SaveConciseResults(folder.file(QStringLiteral("r.txt")), {{u("1"), u("2")}}).ok);
    QCOMPARE(folder.read(QStringLiteral("r.txt")), QByteArray("1\t2\r\n"));
}

void TestResultFiles::unwritablePathIsReportedAndNothingWritten()
{
    TestFolder folder;
    const QString missingFolder = folder.file(QStringLiteral("no/such/folder/r.txt"));
    const Outcome concise = SaveConciseResults(missingFolder, {{u("1")}});
    QVERIFY(!concise.ok);
    QVERIFY2(concise.error.contains(QStringLiteral("r.txt")), qPrintable(concise.error));
    QVERIFY(!QFileInfo::exists(missingFolder));

    const QString unwritable = TestFolder::unwritableFolder();
    if (unwritable.isEmpty())
        QSKIP("no folder here refuses writing");
    const QString path = unwritable + QStringLiteral("/detail.txt");
    const Outcome detailed = SaveDetailedResults(path, u("x"));
    QVERIFY(!detailed.ok);
    QVERIFY(detailed.error.contains(QStringLiteral("detail.txt")));
    QVERIFY(detailed.error.startsWith(u("无法保存文件")));
}

QTEST_GUILESS_MAIN(TestResultFiles)
#include "tst_resultfiles.moc"
