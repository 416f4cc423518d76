#include "support/TestFolder.h"
#include "transfer/ImportReader.h"
#include "transfer/NumberFormat.h"

#include <QtTest>

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

    // An .xls built byte by byte: BIFF records, the workbook stream of a
    // global part (`globals` after the sheet list) and "sheet1" (`cells`),
    // in a compound file; streams under 4,096 bytes go in its mini stream.
    static QByteArray le(quint64 value, int bytes)
    {
        QByteArray out;
        for (int i = 0; i < bytes; ++i)
            out += char(value >> (8 * i));
        return out;
    }
    template <size_t N> static QByteArray raw(const char (&bytes)[N]) { return QByteArray(bytes, N - 1); }
    static QByteArray rec(quint16 type, const QByteArray &body) { return le(type, 2) + le(body.size(), 2) + body; }
    static QByteArray cell(quint16 type, int column, const QByteArray &rest, int xf = 0)
    {
        return rec(type, le(1, 2) + le(column, 2) + le(xf, 2) + rest);
    }
    static QByteArray stream(const QByteArray &globals, const QByteArray &cells, quint16 version = 0x600)
    {
        const auto bof = [version](int kind) { return rec(0x809, le(version, 2) + le(kind, 2) + QByteArray(12, 0)); };
        const QByteArray name = version == 0x600 ? QByteArray("\x06\x00sheet1", 8) : QByteArray("\x06sheet1", 7);
        const int sheetAt = bof(5).size() + rec(0x85, le(0, 6) + name).size() + globals.size() + 4;
        return bof(5) + rec(0x85, le(sheetAt, 4) + le(0, 2) + name) + globals + rec(0x0A, {}) + bof(0x10) + cells +
               rec(0x0A, {});
    }
    static QByteArray compound(QByteArray workbook, int padTo = 0)
    {
        workbook.append(QByteArray(std::max(0, padTo - int(workbook.size())), 0));
        const bool mini = workbook.size() < 4096;
        const int size = int(workbook.size()), unit = mini ? 64 : 512;
        workbook.append(QByteArray((unit - size % unit) % unit, 0));
        workbook.append(QByteArray((512 - workbook.size() % 512) % 512, 0));
        const int first = mini ? 3 : 2, sectors = int(workbook.size() / 512);
        QByteArray header(512, '\xff'), fat(512, '\xff'), dir(512, 0), miniFat(mini ? 512 : 0, '\xff');
        header.replace(0, 80,
                       QByteArray(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(16, 0) + le(0x3E, 2) +
                                  le(3, 2) + le(0xFFFE, 2) + le(9, 2) + le(6, 2) + QByteArray(10, 0) + le(1, 4) +
                                  le(1, 4) + le(0, 4) + le(4096, 4) + le(mini ? 2 : 0xFFFFFFFE, 4) + le(mini, 4) +
                                  le(0xFFFFFFFE, 4) + le(0, 4) + le(0, 4)));
        fat.replace(0, 12, QByteArray(le(0xFFFFFFFD, 4) + le(0xFFFFFFFE, 4) + le(0xFFFFFFFE, 4)));
        for (int i = 0; i < sectors; ++i)
            fat.replace(4 * (first + i), 4, le(i + 1 < sectors ? first + i + 1 : 0xFFFFFFFE, 4));
        for (int i = 0; mini && i < size / 64 + 1; ++i)
            miniFat.replace(4 * i, 4, le(i + 1 < (size + 63) / 64 ? i + 1 : 0xFFFFFFFE, 4));
        const auto entry = [](const QString &name, int type, quint32 child, quint32 start, qint64 length) {
            QByteArray e(128, 0);
            for (int i = 0; i < name.size(); ++i)
                e.replace(2 * i, 2, le(name.at(i).unicode(), 2));
            e.replace(64, 16,
                      QByteArray(le(2 * (name.size() + 1), 2) + le(type, 1) + le(1, 1) + le(0xFFFFFFFF, 4) +
                                 le(0xFFFFFFFF, 4) + le(child, 4)));
            e.replace(116, 8, QByteArray(le(start, 4) + le(length, 4)));
            return e;
        };
        dir.replace(
            0, 256,
            QByteArray(entry(QStringLiteral("Root Entry"), 5, 1, mini ? 3 : 0xFFFFFFFE, mini ? workbook.size() : 0) +
                       entry(QStringLiteral("Workbook"), 2, 0xFFFFFFFF, mini ? 0 : 2, size)));
        return header + fat + dir + miniFat + workbook;
    }
    // A version 4 file (4,096-byte sectors) whose allocation table is 1,025
    // copies of one sector, so that it numbers sectors past 2^20: such a
    // number times the sector size does not fit in 32 bits. The directory
    // starts at `directorySector`; every chain ends after one sector.
    static QByteArray wideTable(quint32 directorySector)
    {
        constexpr int kSector = 4096, kTableSectors = 1025;
        QByteArray header(kSector, 0);
        header.replace(0, 76,
                       QByteArray(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(16, 0) + le(0x3E, 2) +
                                  le(4, 2) + le(0xFFFE, 2) + le(12, 2) + le(6, 2) + QByteArray(10, 0) +
                                  le(kTableSectors, 4) + le(directorySector, 4) + le(0, 4) + le(4096, 4) +
                                  le(0xFFFFFFFE, 4) + le(0, 4) + le(1, 4) + le(1, 4)));
        // The header's 109 table sectors and the rest, listed in sector 1, are all sector 0.
        QByteArray moreTable(kSector, 0);
        moreTable.replace(kSector - 4, 4, le(0xFFFFFFFE, 4));
        return header + le(0xFFFFFFFE, 4).repeated(kSector / 4) + moreTable +
               QByteArray((kTableSectors - 1) * kSector, 0);
    }
    // Formats 14 (a date), 21 (a time) and the workbook's own 164 and 165
    // on XF 1 to 4; an SST of "abc" and, across a CONTINUE, "de张三" after a
    // rich string with a run and phonetic data.
    static QByteArray globals()
    {
        const QByteArray format164 = le(164, 2) + le(8, 2) + raw("\0yyyy/m/d");
        const QByteArray format165 = le(165, 2) + le(7, 2) + raw("\0") + "0.00\"d\"";
        QByteArray xfs;
        for (int id : {0, 14, 21, 164, 165})
            xfs += rec(0xE0, le(0, 2) + le(id, 2) + QByteArray(16, 0));
        const QByteArray sst = rec(0xFC, le(3, 4) + le(3, 4) + le(3, 2) + raw("\0abc") + le(1, 2) + "\x0c" + le(1, 2) +
                                             le(2, 4) + "x" + le(0, 4) + "pp" + le(4, 2) + raw("\0de")) +
                               rec(0x3C, "\x01" + QByteArray("\x20\x5f\x09\x4e", 4));
        return rec(0x41E, format164) + rec(0x41E, format165) + xfs + sst;
    }
    static double rkDouble(quint32 highBits)
    {
        const quint64 bits = quint64(highBits) << 32;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    static QByteArray number(double value)
    {
        QByteArray out(8, 0);
        std::memcpy(out.data(), &value, 8);
        return out;
    }

private Q_SLOTS:
    void customFormatKinds_data();
    void customFormatKinds();
    void refusedWorkbooks_data();
    void refusedWorkbooks();
    void outOfRangeNumbersKeepTheirText_data();
    void outOfRangeNumbersKeepTheirText();
    void aRunOfEmptyRowsIsOneSkip();
    void xlsCells_data();
    void xlsCells();
    void damagedXlsIsRefusedCleanly_data();
    void damagedXlsIsRefusedCleanly();
    void formulasReadAlikeFromXlsAndXlsx();
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
        return QVector<Part>{
            {QStringLiteral("xl/sharedStrings.xml"), "<sst><si><t>" + QByteArray(length, 'x') + "</t></si></sst>"}};
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

void TestExcelSheets::xlsCells_data()
{
    QTest::addColumn<QByteArray>("globals");
    QTest::addColumn<QByteArray>("cells");
    QTest::addColumn<QString>("text"); // columns A to C of row 2
    const QByteArray g = globals();
    QTest::newRow("RK integers") << g
                                 << cell(0x27E, 0, le(30 << 2 | 2, 4)) + cell(0x27E, 1, le(1250 << 2 | 3, 4)) +
                                        cell(0x27E, 2, le(quint32(-7 * 4) | 2, 4))
                                 << u("30|12.5|-7");
    QTest::newRow("RK doubles") << g << cell(0x27E, 0, le(0x40290000, 4)) + cell(0x27E, 1, le(0x40290001, 4))
                                << u("12.5|0.125|");
    QTest::newRow("MULRK") << g
                           << rec(0xBD, le(1, 2) + le(0, 2) + le(0, 2) + le(0x40290000, 4) + le(1, 2) +
                                            le(46359 << 2 | 2, 4) + le(2, 2) + le(0x3FD80000, 4) + le(2, 2))
                           << u("12.5|2026/12/3|9:00:00");
    QTest::newRow("dates by format") << g
                                     << cell(0x203, 0, number(46359.5), 3) + cell(0x203, 1, number(46359), 4) +
                                            cell(0x203, 2, number(13800138000.0))
                                     << u("2026/12/3 12:00:00|46359|13800138000");
    QTest::newRow("1904 dates") << rec(0x22, le(1, 2)) + g << cell(0x27E, 0, le(1 << 2 | 2, 4), 1) << u("1904/1/2||");
    QTest::newRow("shared strings across CONTINUE")
        << g << cell(0xFD, 0, le(0, 4)) + cell(0xFD, 1, le(1, 4)) + cell(0xFD, 2, le(2, 4)) << u("abc|x|de张三");
    QTest::newRow("text, wide and GBK") << rec(0x42, le(936, 2)) + g
                                        << cell(0x204, 0, le(2, 2) + "\x01" + QByteArray("\x20\x5f\x09\x4e", 4)) +
                                               cell(0x204, 1, le(4, 2) + raw("\0\xd5\xc5\xc8\xfd")) +
                                               cell(0x204, 2,
                                                    le(2, 2) + raw("\x01\x00\xd8"
                                                                   "a\0"))
                                        << u("张三|张三|\uFFFDa");
    QTest::newRow("booleans and errors") << g
                                         << cell(0x205, 0, raw("\x01\0")) + cell(0x205, 1, raw("\0\0")) +
                                                cell(0x205, 2, "\x07\x01")
                                         << u("TRUE|FALSE|#DIV/0!");
    const auto formula = [](int column, const QByteArray &result) {
        return cell(0x06, column, result + QByteArray(6, 0) + le(3, 2) + raw("\x1e\x03\0"));
    };
    QTest::newRow("formula number, bool, error")
        << g
        << formula(0, number(3)) + formula(1, le(1, 2) + le(1, 4) + le(0xFFFF, 2)) +
               formula(2, le(2, 2) + le(0x2A, 4) + le(0xFFFF, 2))
        << u("3|TRUE|#N/A");
    QTest::newRow("formula text, empty text")
        << g
        << formula(0, le(0, 6) + le(0xFFFF, 2)) + rec(0x4BC, "shared formula") +
               rec(0x207, le(6, 2) + raw("\0FX0002")) + formula(1, le(3, 6) + le(0xFFFF, 2)) +
               formula(2, le(0, 6) + le(0xFFFF, 2))
        << u("FX0002||");
    // The sheet's very first row (row 0 in the file).
    QTest::newRow("formula text in the first row")
        << g
        << rec(0x06, le(0, 2) + le(0, 2) + le(0, 2) + le(0, 6) + le(0xFFFF, 2) + QByteArray(6, 0) + le(3, 2) +
                         raw("\x1e\x03\0")) +
               rec(0x207, le(2, 2) + raw("\0ab"))
        << u("ab||");
    QTest::newRow("Excel 95") << QByteArray() << cell(0x204, 0, le(2, 2) + "ab") << u("ab||");
}

void TestExcelSheets::xlsCells()
{
    QFETCH(QByteArray, globals);
    QFETCH(QByteArray, cells);
    const QByteArray workbook =
        stream(globals, cells, QByteArray(QTest::currentDataTag()) == "Excel 95" ? 0x500 : 0x600);
    for (int padTo : {0, 5000}) { // in the mini stream and in sectors of its own
        SheetData sheet;
        const Outcome read = XlsSheet::read(compound(workbook, padTo), QStringLiteral("t.xls"), &sheet);
        QVERIFY2(read.ok, qPrintable(read.error));
        QVERIFY(!sheet.rows.isEmpty());
        QTEST(sheet.rows.first().mid(0, 3).join(QLatin1Char('|')), "text");
    }
}

void TestExcelSheets::damagedXlsIsRefusedCleanly_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    const QByteArray good = compound(stream(globals(), cell(0xFD, 0, le(0, 4))));
    const QByteArray big = compound(stream(globals(), cell(0xFD, 0, le(0, 4))), 5000);
    const auto patched = [](QByteArray file, int at, quint32 value) { return file.replace(at, 4, le(value, 4)); };
    QTest::newRow("truncated header") << good.left(300) << u("文件头不完整");
    QTest::newRow("directory chain cycle") << patched(good, 512 + 4, 1) << u("扇区链成环");
    QTest::newRow("stream chain cycle") << patched(big, 512 + 4 * 4, 2) << u("扇区链成环");
    QTest::newRow("directory sector out of range") << patched(good, 48, 0x00FFFFF0) << u("扇区号超出文件");
    QTest::newRow("stream sector out of range") << patched(big, 512 + 4 * 3, 900) << u("扇区号超出文件");
    // Sector numbers the table allows whose offsets lie past 2 GiB, at 4 GiB
    // and just past it: in 32 bits they would be negative, the header, sector 0.
    QTest::newRow("sector past 2 GiB") << wideTable((1u << 19) - 1) << u("扇区号超出文件");
    QTest::newRow("sector at 4 GiB") << wideTable((1u << 20) - 1) << u("扇区号超出文件");
    QTest::newRow("sector past 4 GiB") << wideTable(1u << 20) << u("扇区号超出文件");
    QTest::newRow("chain shorter than the stream") << patched(big, 512 + 4 * 4, 0xFFFFFFFE) << u("数据流不完整");
    QTest::newRow("stream longer than the file") << patched(big, 1024 + 128 + 120, 1 << 24) << u("长度超出文件");
    QTest::newRow("no workbook stream") << QByteArray(good).replace(1024 + 128, 2, raw("X\0")) << u("其中没有工作簿");
    QTest::newRow("SST count lies") << compound(stream(globals().replace(raw("\3\0\0\0\3"), raw("\3\0\0\0\4")), {}))
                                    << u("共享字符串表不完整");
    QTest::newRow("CONTINUE missing") << compound(stream(globals().chopped(9), {})) << u("共享字符串表不完整");
    QTest::newRow("string index beyond the SST")
        << compound(stream(globals(), cell(0xFD, 0, le(3, 4)))) << u("单元格 A2 引用的共享字符串不存在");
    QTest::newRow("record cut short") << compound(stream(globals(), cell(0x203, 0, number(1))).chopped(6))
                                      << u("工作表数据不完整");
    QTest::newRow("last record longer than the stream")
        << compound(stream(globals(), {}).chopped(2) + le(3, 2)) << u("工作表数据不完整");
    QTest::newRow("column beyond IV") << compound(stream(globals(), cell(0xFD, 256, le(0, 4)))) << u("列号超出");
    QTest::newRow("no sheet1") << compound(stream(globals(), {}).replace("sheet1", "sheet2")) << u("没有名为 sheet1");
    QTest::newRow("password") << compound(stream(rec(0x2F, le(0, 6)), {})) << u("设置了打开密码");
}

void TestExcelSheets::damagedXlsIsRefusedCleanly()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    SheetData sheet;
    const Outcome read = XlsSheet::read(file, QStringLiteral("t.xls"), &sheet);
    QVERIFY(!read.ok);
    QVERIFY2(read.error.contains(QStringLiteral("t.xls")) && read.error.contains(message), qPrintable(read.error));
    QVERIFY(sheet.rows.isEmpty());
}

// LibreOffice's .xls and .xlsx of one sheet of formulas (text, numbers,
// dates, truth values, errors, empty text) and of plain cells.
void TestExcelSheets::formulasReadAlikeFromXlsAndXlsx()
{
    QList<QStringList> read;
    for (const QString &name : {QStringLiteral("formulas.xls"), QStringLiteral("formulas.xlsx")}) {
        ImportBatch batch;
        const Outcome outcome = ImportReader::readExcelFile(QStringLiteral(TOLVANE_TEST_DATA "/") + name, &batch);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(batch.lines(), (QVector<int>{2, 3}));
        for (const Waybill &w : batch.rows())
            read << QStringList{w.number, w.carrier, w.goods, w.amount, w.time, w.name, w.phone, w.address, w.notes};
    }
    QCOMPARE(read.mid(0, 2), read.mid(2));
    QCOMPARE(read.at(0), (QStringList{u("FX0002"), u("顺丰速运"), u("张三"), u("3"), u("2026/12/3"), u("#DIV/0!"),
                                      u("TRUE"), QString(), u("FALSE")}));
    QCOMPARE(read.at(1), (QStringList{u("FX0003"), u("顺丰速运"), u("书"), u("-12.5"), u("9:05:00"), u("李四"),
                                      u("13800138000"), u("上海市"), u("TRUE")}));

    // LibreOffice writes an empty text cell that the former reader took for a missing sheet.
    ImportBatch batch;
    const Outcome outcome = ImportReader::readExcelFile(QStringLiteral(TOLVANE_TEST_DATA "/empty-text.xls"), &batch);
    QVERIFY2(outcome.ok, qPrintable(outcome.error));
    QCOMPARE(batch.lines(), QVector<int>{2});
    QCOMPARE((QStringList{batch.row(0).number, batch.row(0).goods, batch.row(0).amount}),
             (QStringList{u("FX0004"), QString(), u("备注前为空")}));
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
// What a workbook's own number format makes of a number: letters inside quotes,
// brackets (colours, conditions, locales) or after a backslash are not codes.
void TestExcelSheets::customFormatKinds_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("kind");
    using K = NumberFormat::Kind;
    const QPair<const char *, K> rows[] = {
        {"yyyy/m/d", K::Date},    {"[$-804]yyyy\"年\"m\"月\"d\"日\"", K::Date},
        {"hh:mm", K::Time},       {"[h]:mm:ss", K::Time},
        {"0.00\"d\"", K::Number}, {"[Red]0.00", K::Number},
        {"\\d0", K::Number},      {"[<=999]0;\"x\"", K::Number},
    };
    for (const auto &[code, kind] : rows)
        QTest::newRow(code) << QString::fromUtf8(code) << int(kind);
}

void TestExcelSheets::customFormatKinds()
{
    QFETCH(QString, code);
    QTEST(int(NumberFormat::custom(code)), "kind");
}

#include "tst_excelsheets.moc"
