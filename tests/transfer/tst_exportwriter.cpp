#include "core/GbkText.h"
#include "support/TestFolder.h"
#include "transfer/ExportWriter.h"

#include <QtTest>

class TestExportWriter : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

private Q_SLOTS:
    void aFailedWriteIsReported();
    void rowsBeyondGbkAreKeptAndCounted_data();
    void rowsBeyondGbkAreKeptAndCounted();
};

void TestExportWriter::rowsBeyondGbkAreKeptAndCounted_data()
{
    QTest::addColumn<QStringList>("notes"); // one row each
    QTest::addColumn<int>("beyond");
    QTest::newRow("GBK only") << QStringList{u("易碎，轻放"), u("ABC 123")} << 0;
    QTest::newRow("emoji") << QStringList{u("📦"), u("书")} << 1;
    QTest::newRow("euro sign") << QStringList{u("5€")} << 1;
    QTest::newRow("no-break space") << QStringList{u("a\u00A0b")} << 1;
    QTest::newRow("two rows of three") << QStringList{u("📦"), u("好"), u("€\u00A0😀")} << 2;
}

void TestExportWriter::rowsBeyondGbkAreKeptAndCounted()
{
    QFETCH(QStringList, notes);
    QFETCH(int, beyond);
    QVector<Waybill> rows;
    for (const QString &note : notes) {
        Waybill w;
        w.number = QStringLiteral("N");
        w.notes = note;
        rows << w;
    }
    TestFolder folder;
    int counted = -1;
    QVERIFY(ExportWriter::write(folder.file(QStringLiteral("out.txt")), rows, &counted).ok);
    QCOMPARE(counted, beyond);
    // Nothing is lost: the file reads back as the text that was written.
    const QString back = GbkText::decode(folder.read(QStringLiteral("out.txt")));
    for (const QString &note : notes)
        QVERIFY2(back.contains(QStringLiteral(",") + note + QStringLiteral(",\r\n")), qPrintable(note));
}

void TestExportWriter::aFailedWriteIsReported()
{
    const QString folder = TestFolder::unwritableFolder();
    if (folder.isEmpty())
        QSKIP("no unwritable folder on this machine");
    const Outcome written = ExportWriter::write(folder + QStringLiteral("/x.txt"), {Waybill()});
    QVERIFY(!written.ok);
    QVERIFY(written.error.contains(u("无法写入")));
}

QTEST_GUILESS_MAIN(TestExportWriter)
#include "tst_exportwriter.moc"
