#include "query/ResultFiles.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestResultFiles : public QObject {
    Q_OBJECT
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

private Q_SLOTS:
    void writesExactGbkBytes_data();
    void writesExactGbkBytes();
    void unwritablePathIsReportedAndNothingWritten();
};

// Concise rows are given as tab-separated fields, rows separated by "|"; an empty list of
// rows must give an empty file. Each save replaces a longer existing file.
void TestResultFiles::writesExactGbkBytes_data()
{
    QTest::addColumn<bool>("concise");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("concise rows") << true << u("SF1\t顺丰速运\t已签收|2\t\t第一行\r\n第二行")
                                  << QByteArray("SF1\t\xcb\xb3\xb7\xe1\xcb\xd9\xd4\xcb\t\xd2\xd1\xc7\xa9\xca\xd5\r\n"
                                                "2\t\t\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xda\xb6\xfe\xd0\xd0\r\n");
    QTest::newRow("no concise rows") << true << QString() << QByteArray();
    QTest::newRow("detailed empty") << false << QString() << QByteArray("\r\n");
    QTest::newRow("detailed crlf kept") << false << u("a\r\nb\r\n") << QByteArray("a\r\nb\r\n\r\n");
    QTest::newRow("detailed lone lf mended") << false << u("\na\r\n\nb") << QByteArray("\r\na\r\n\r\nb\r\n");
    QTest::newRow("detailed chinese") << false << u("已签收") << QByteArray("\xd2\xd1\xc7\xa9\xca\xd5\r\n");
}

void TestResultFiles::writesExactGbkBytes()
{
    QFETCH(bool, concise);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    TestFolder folder;
    folder.write(QStringLiteral("r.txt"), QByteArray(200, 'o'));
    const QString path = folder.file(QStringLiteral("r.txt"));
    if (concise) {
        QVector<QStringList> rows;
        for (const QString &line : text.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            rows << line.split(QLatin1Char('\t'));
        QVERIFY(SaveConciseResults(path, rows).ok);
    } else {
        QVERIFY(SaveDetailedResults(path, text).ok);
    }
    QCOMPARE(folder.read(QStringLiteral("r.txt")), bytes);
}

void TestResultFiles::unwritablePathIsReportedAndNothingWritten()
{
    TestFolder folder;
    const QString missingFolder = folder.file(QStringLiteral("no/such/folder/r.txt"));
    const Outcome concise = SaveConciseResults(missingFolder, {{u("1")}});
    QVERIFY2(!concise.ok && concise.error.startsWith(u("无法保存文件")), qPrintable(concise.error));
    QVERIFY(concise.error.contains(QStringLiteral("r.txt")));
    QVERIFY(!QFileInfo::exists(missingFolder));

    const QString unwritable = TestFolder::unwritableFolder();
    if (unwritable.isEmpty())
        QSKIP("no folder here refuses writing");
    const Outcome detailed = SaveDetailedResults(unwritable + QStringLiteral("/detail.txt"), u("x"));
    QVERIFY2(!detailed.ok && detailed.error.contains(QStringLiteral("detail.txt")), qPrintable(detailed.error));
}

QTEST_GUILESS_MAIN(TestResultFiles)
#include "tst_resultfiles.moc"
