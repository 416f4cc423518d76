#include "support/TestFolder.h"
#include "transfer/ImportReader.h"

#include <QtTest>

#include <freexl.h>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

struct Part {
    QString name;
    QByteArray data;
    qint64 claimedSize = -1; // a directory entry that lies about its size
};
Q_DECLARE_METATYPE(QVector<Part>)

// Workbooks that other programs or hostile senders produce: the reader refuses
// what Excel itself could not hold and keeps odd numbers as they are.
class TestExcelSheets : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

    // A package with workbook, relations, styles (style 1 is a date, 2 a time)
    // and the given sheet data.
    static QString workbook(TestFolder &folder, const QByteArray &sheetData, QVector<Part> extra = {})
    {
        const QString path = folder.file(QStringLiteral("book%1.xlsx").arg(++s_books));
        QuaZip zip(path);
        if (!zip.open(QuaZip::mdCreate))
            return QString();
        extra.prepend(
            {QStringLiteral("xl/workbook.xml"),
             "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet "
             "name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"});
        extra.prepend({QStringLiteral("xl/_rels/workbook.xml.rels"),
                       "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                       "</Relationships>"});
        extra.prepend({QStringLiteral("xl/styles.xml"),
                       "<styleSheet><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"21\"/>"
                       "</cellXfs></styleSheet>"});
        const bool sheetGiven = std::any_of(extra.cbegin(), extra.cend(), [](const Part &p) {
            return p.name == QLatin1String("xl/worksheets/sheet1.xml");
        });
        if (!sheetGiven)
            extra.append({QStringLiteral("xl/worksheets/sheet1.xml"),
                          "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"});
        for (const Part &part : extra) {
            QuaZipFile file(&zip);
            QuaZipNewInfo info(part.name);
            bool written;
            if (part.claimedSize >= 0) {
                info.uncompressedSize = ulong(part.claimedSize);
                written = file.open(QIODevice::WriteOnly, info, nullptr, 0, 0, 0, true) &&
                          file.write(part.data) == part.data.size();
                file.close();
            } else {
                written = file.open(QIODevice::WriteOnly, info) && file.write(part.data) == part.data.size();
                file.close();
            }
            if (!written)
                return QString();
        }
        zip.close();
        return path;
    }
    static QByteArray headings() { return "<row r=\"1\"><c r=\"I1\" t=\"inlineStr\"><is><t>h</t></is></c></row>"; }
    static QByteArray numberRow(int row, const QByteArray &value, int style = 0)
    {
        return QByteArray("<row r=\"") + QByteArray::number(row) + "\"><c r=\"A" + QByteArray::number(row) +
               "\" t=\"inlineStr\"><is><t>N" + QByteArray::number(row) + "</t></is></c><c r=\"D" +
               QByteArray::number(row) + "\" s=\"" + QByteArray::number(style) + "\"><v>" + value + "</v></c></row>";
    }
    static inline int s_books = 0;

private Q_SLOTS:
    void refusedWorkbooks_data();
    void refusedWorkbooks();
    void outOfRangeNumbersKeepTheirText_data();
    void outOfRangeNumbersKeepTheirText();
    void aRunOfEmptyRowsIsOneSkip();
    void xlsDatesTheReaderCouldNotMake_data();
    void xlsDatesTheReaderCouldNotMake();
    void aFailingReaderIsReportedNotFatal_data();
    void aFailingReaderIsReportedNotFatal();
};

void TestExcelSheets::refusedWorkbooks_data()
{
    QTest::addColumn<QByteArray>("sheetData");
    QTest::addColumn<QVector<Part>>("extra");
    QTest::addColumn<QString>("message");
    const QVector<Part> none;
    QTest::newRow("row beyond Excel's last") << headings() + numberRow(1048577, "1") << none << u("行号超出");
    QTest::newRow("row 2147483647") << QByteArray("<row r=\"2147483647\"><c><v>1</v></c></row>") << none
                                    << u("行号超出");
    QTest::newRow("cell name with row 2147483647")
        << QByteArray("<row><c r=\"A2147483647\"><v>1</v></c></row>") << none << u("行号超出");
    QTest::newRow("row 20,000,000") << headings() + numberRow(20000000, "1") << none << u("行号超出");
    QTest::newRow("column beyond XFD") << QByteArray("<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>") << none
                                       << u("列号超出");
    QTest::newRow("column name that overflows")
        << QByteArray("<row r=\"2\"><c r=\"ZZZZZZZZZZZZZZZZ2\"><v>1</v></c></row>") << none << u("单元格名称");
    QTest::newRow("cell name without a row")
        << QByteArray("<row r=\"2\"><c r=\"A\"><v>1</v></c></row>") << none << u("单元格名称");
    QTest::newRow("sheet part of 300 MB")
        << QByteArray() << QVector<Part>{{QStringLiteral("xl/worksheets/sheet1.xml"), "<x/>", 300LL << 20}}
        << u("过大");
    QTest::newRow("shared strings of 300 MB")
        << headings() << QVector<Part>{{QStringLiteral("xl/sharedStrings.xml"), "<sst/>", 300LL << 20}} << u("过大");
    // A few KB that stand for gigabytes: one long shared string in many cells.
    const auto sharedString = [](int length) {
        return QVector<Part>{{QStringLiteral("xl/sharedStrings.xml"), "<sst><si><t>" + QByteArray(length, 'x') + "</t></si></sst>"}};
    };
    QByteArray manyCells = headings();
    for (int row = 2; row < 2300; ++row)
        manyCells += "<row r=\"" + QByteArray::number(row) + "\"><c t=\"s\"><v>0</v></c><c t=\"s\"><v>0</v></c></row>";
    QTest::newRow("a cell longer than Excel's") << headings() + "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c></row>"
                                                << sharedString(40000) << u("单元格 B2 的文字有 40000 个字符");
    QTest::newRow("one string in 4,600 cells") << manyCells << sharedString(30000) << u("工作表的文字超过");
}

void TestExcelSheets::refusedWorkbooks()
{
    QFETCH(QByteArray, sheetData);
    QFETCH(QVector<Part>, extra);
    QFETCH(QString, message);
    TestFolder folder;
    const QString path = workbook(folder, sheetData, extra);
    QVERIFY(!path.isEmpty());
    ImportBatch batch;
    const Outcome read = ImportReader::readExcelFile(path, &batch);
    QVERIFY(!read.ok);
    QVERIFY2(read.error.contains(message), qPrintable(read.error));
    QVERIFY(batch.rows().isEmpty());
}

void TestExcelSheets::outOfRangeNumbersKeepTheirText_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("text");
    QTest::newRow("eleven digits") << QByteArray("99999999999") << 0 << u("99999999999");
    QTest::newRow("eleven digits as a date") << QByteArray("99999999999") << 1 << u("99999999999");
    QTest::newRow("1e300 as a date") << QByteArray("1e300") << 1 << u("1e+300");
    QTest::newRow("1e300 as a time") << QByteArray("1e300") << 2 << u("1e+300");
    QTest::newRow("negative date") << QByteArray("-3") << 1 << u("-3");
    QTest::newRow("last day Excel knows") << QByteArray("2958465") << 1 << u("9999/12/31");
    QTest::newRow("an ordinary date") << QByteArray("46363.5") << 1 << u("2026/12/7 12:00:00");
}

void TestExcelSheets::outOfRangeNumbersKeepTheirText()
{
    QFETCH(QByteArray, value);
    QFETCH(int, style);
    TestFolder folder;
    ImportBatch batch;
    const Outcome read = ImportReader::readExcelFile(workbook(folder, headings() + numberRow(2, value, style)), &batch);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(batch.rows().size(), 1);
    QTEST(batch.rows()[0].amount, "text");
}

// The .xls reader hands dates over as its own text; one it could not make
// sense of is kept as that text.
void TestExcelSheets::xlsDatesTheReaderCouldNotMake_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QString>("text");
    QTest::newRow("date") << int(FREEXL_CELL_DATE) << QByteArray("2026-12-07") << u("2026/12/7");
    QTest::newRow("no date") << int(FREEXL_CELL_DATE) << QByteArray("0000-00-00") << u("0000-00-00");
    QTest::newRow("date and time") << int(FREEXL_CELL_DATETIME) << QByteArray("2026-12-07 14:03:00")
                                   << u("2026/12/7 14:03:00");
    QTest::newRow("no date and time") << int(FREEXL_CELL_DATETIME) << QByteArray("-001-13-45 99:00:00")
                                      << u("-001-13-45 99:00:00");
    QTest::newRow("time") << int(FREEXL_CELL_TIME) << QByteArray("09:05:00") << u("9:05:00");
    QTest::newRow("no time") << int(FREEXL_CELL_TIME) << QByteArray("25:61:00") << u("25:61:00");
}

void TestExcelSheets::xlsDatesTheReaderCouldNotMake()
{
    QFETCH(int, type);
    QFETCH(QByteArray, given);
    FreeXL_CellValue cell;
    cell.type = static_cast<unsigned char>(type);
    cell.value.text_value = given.constData();
    QTEST(XlsSheet::cellText(cell), "text");
}

void TestExcelSheets::aRunOfEmptyRowsIsOneSkip()
{
    TestFolder folder;
    ImportBatch batch;
    const QString path = workbook(folder, headings() + numberRow(2, "1") + numberRow(5, "1") +
                                              "<row r=\"6\"><c r=\"A6\" t=\"inlineStr\"><is><t/></is></c></row>" +
                                              numberRow(1048576, "1"));
    const Outcome read = ImportReader::readExcelFile(path, &batch);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(batch.lines(), (QVector<int>{2, 5, 1048576}));
    QCOMPARE(batch.skipped().size(), 2);
    QCOMPARE(batch.skipped()[0].lines(), u("3–4"));
    QCOMPARE(batch.skipped()[1].lines(), u("6–1048575"));
    QCOMPARE(batch.skipped()[1].reason, u("空行"));
}

void TestExcelSheets::aFailingReaderIsReportedNotFatal_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    const QString workbook = QStringLiteral(TOLVANE_TEST_DATA "/import.xls");
    // Found by fuzzing: FreeXL dies of a segmentation fault on it.
    QTest::newRow("crafted .xls") << QByteArray()
                                  << QStringLiteral(TOLVANE_TEST_DATA "/../fuzz/regressions/xls/freexl-segv.xls")
                                  << u("异常终止");
    QTest::newRow("crash") << QByteArray("crash") << workbook << u("异常终止");
#ifndef TOLVANE_ASAN
    QTest::newRow("memory limit") << QByteArray("memory") << workbook << u("内存超过限制");
#endif
    QTest::newRow("garbage") << QByteArray("garbage") << workbook << u("无法识别");
    QTest::newRow("an answer without end") << QByteArray("flood") << workbook << u("过大");
#ifdef Q_OS_LINUX
    // A reader taken over by a crafted file can write nothing, reach nobody, start nothing.
    QTest::newRow("confined") << QByteArray("escape") << workbook << u("写入=拒绝 网络=拒绝 进程=拒绝");
#endif
}

void TestExcelSheets::aFailingReaderIsReportedNotFatal()
{
    QFETCH(QByteArray, fault);
    QFETCH(QString, file);
    QFETCH(QString, message);
    qputenv("TOLVANE_SHEET_TEST_FAULT", fault);
    ImportBatch batch;
    const Outcome read = ImportReader::readExcelFile(file, &batch);
    qunsetenv("TOLVANE_SHEET_TEST_FAULT");
    QVERIFY(!read.ok);
    const bool wroteBeside = QFile::remove(file + QStringLiteral(".escaped"));
    QVERIFY(!wroteBeside);
    QVERIFY2((read.error.startsWith(u("文件无法读取：")) || fault == "escape") && read.error.contains(message),
             qPrintable(read.error));
    QVERIFY(batch.rows().isEmpty());
}

QTEST_GUILESS_MAIN(TestExcelSheets)
#include "tst_excelsheets.moc"
