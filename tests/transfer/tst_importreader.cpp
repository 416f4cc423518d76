#include "core/GbkText.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"
#include "support/TestRegister.h"
#include "transfer/ExportWriter.h"
#include "transfer/ImportReader.h"
#include "transfer/WaybillImporter.h"

#include <QtTest>

class TestImportReader : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static QByteArray gbk(const char *s) { return GbkText::encode(QString::fromUtf8(s)); }
    // The nine imported fields in table order.
    static QString fields(const Waybill &w) { return w.values().mid(WaybillColumns::Number).join(QLatin1Char('|')); }
    static QString reasons(const QVector<SkippedLine> &skipped)
    {
        QStringList out;
        for (const SkippedLine &s : skipped)
            out << QStringLiteral("%1:%2").arg(s.line).arg(s.reason);
        return out.join(QLatin1Char('|'));
    }

private Q_SLOTS:
    void textEdgeCases_data();
    void textEdgeCases();
    void encodings_data();
    void encodings();
    void controlCharactersAreNeverStored();
    void badLinesAreSkippedWithTheirLineNumbers();
    void registerRefusalsAreReportedAndTheRestStored();
    void nothingImportedIsNotCalledASuccess();
    void anEmptyCarrierIsDetectedOnlyWhenSure();
    void ownExportImportsBackAsItWas();
    void workbooks_data();
    void workbooks();
    void notAWorkbookIsRefused();
    void numbersAsPlainText_data();
    void numbersAsPlainText();
};

void TestImportReader::textEdgeCases_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("fields");
    QTest::newRow("nine fields in table order") << gbk("SF1,顺丰速运,书,12.5,2026/12/7,张三,138,北京,易碎\r\n")
                                                << u("SF1|顺丰速运|书|12.5|2026/12/7|张三|138|北京|易碎");
    QTest::newRow("eleven fields keep the first nine") << gbk("A1,顺丰速运,书,5,2026/1/1,张三,1,北京,备注,多余,又多余")
                                                       << u("A1|顺丰速运|书|5|2026/1/1|张三|1|北京|备注");
    QTest::newRow("empty fields, no final line break") << gbk("A1,顺丰速运,,,,,,,") << u("A1|顺丰速运|||||||");
    QTest::newRow("fields are not trimmed") << gbk("A1,顺丰速运, 书 ,5,,,,,x ") << u("A1|顺丰速运| 书 |5|||||x ");
    QTest::newRow("quotes are plain characters")
        << gbk("A1,顺丰速运,\"书\",O'Neil,,,,,") << u("A1|顺丰速运|\"书\"|O'Neil|||||");
}

void TestImportReader::textEdgeCases()
{
    QFETCH(QByteArray, bytes);
    const ImportBatch batch = ImportReader::parseText(bytes);
    QCOMPARE(batch.rows().size(), 1);
    QVERIFY(batch.skipped().isEmpty());
    QCOMPARE(batch.lines(), QVector<int>{1});
    const Waybill w = batch.row(0);
    QTEST(fields(w), "fields");
    QVERIFY(!w.goods.isNull() && !w.notes.isNull()); // text leaves empty text, not null
    QVERIFY(w.status.isNull() && w.daysInTransit.isNull());
}

void TestImportReader::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = u("A1,顺丰速运,书,,,,,,\nA2,圆通快递,笔,,,,,,\nA3,中通速递,纸,,,,,,\n");
    auto utf16 = [](const QString &t, bool bigEndian) {
        QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : t) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            out += bigEndian ? QByteArray{&hi, 1} + QByteArray{&lo, 1} : QByteArray{&lo, 1} + QByteArray{&hi, 1};
        }
        return out;
    };
    const struct {
        const char *name;
        const char *end;
    } ends[] = {{"LF", "\n"}, {"CR LF", "\r\n"}, {"CR", "\r"}};
    for (const auto &end : ends) {
        QString lines = text;
        lines.replace(QLatin1Char('\n'), QString::fromLatin1(end.end));
        QTest::addRow("GBK, %s", end.name) << GbkText::encode(lines);
        QTest::addRow("UTF-8, %s", end.name) << lines.toUtf8();
        QTest::addRow("UTF-8 with its mark, %s", end.name) << QByteArray("\xEF\xBB\xBF") + lines.toUtf8();
        QTest::addRow("UTF-16 LE, %s", end.name) << utf16(lines, false);
        QTest::addRow("UTF-16 BE, %s", end.name) << utf16(lines, true);
    }
}

void TestImportReader::encodings()
{
    QFETCH(QByteArray, bytes);
    const ImportBatch batch = ImportReader::parseText(bytes);
    QCOMPARE(reasons(batch.skipped()), QString());
    QCOMPARE(batch.lines(), (QVector<int>{1, 2, 3}));
    QStringList carriers;
    for (const Waybill &w : batch.rows())
        carriers << w.number + w.carrier + w.goods + w.notes;
    QCOMPARE(carriers, (QStringList{u("A1顺丰速运书"), u("A2圆通快递笔"), u("A3中通速递纸")}));
}

void TestImportReader::controlCharactersAreNeverStored()
{
    QByteArray bytes = gbk("A1,顺丰速运,,,,,,,\n");
    bytes += QByteArray("A2,x,", 5) + QByteArray(1, '\0') + QByteArray(",,,,,,\n");
    bytes += QByteArray("A3,x,\x01,,,,,,\n");
    bytes += QByteArray("\xFF\xFF\xFF,x,,,,,,,\n"); // no text in any encoding
    bytes += gbk("A5,顺丰速运,\t书,,,,,,\n");
    const ImportBatch batch = ImportReader::parseText(bytes);
    QCOMPARE(batch.lines(), (QVector<int>{1, 5}));
    QCOMPARE(reasons(batch.skipped()),
             u("2:含有控制字符（U+0000）|3:含有控制字符（U+0001）|4:含有无法识别的字符（文件编码不对？）"));
    // Fields handed over whole: a lone surrogate, and a control of the second
    // range (U+0080–009F) next to a character just past it.
    ImportBatch given;
    given.addFields(1, {QStringLiteral("A1"), QString(QChar(0xD800)), {}, {}, {}, {}, {}, {}, {}});
    given.addFields(2, {QStringLiteral("A2"), QString(QChar(0x9F)), {}, {}, {}, {}, {}, {}, {}});
    given.addFields(3, {QStringLiteral("A3"), QString(QChar(0xA0)), {}, {}, {}, {}, {}, {}, {}});
    given.addFields(4, {QStringLiteral("A4"), QString(QChar(0x7F)), {}, {}, {}, {}, {}, {}, {}});
    QCOMPARE(reasons(given.skipped()),
             u("1:含有无法识别的字符（文件编码不对？）|2:含有控制字符（U+009F）|4:含有控制字符（U+007F）"));
    QCOMPARE(given.lines(), QVector<int>{3});
}

void TestImportReader::badLinesAreSkippedWithTheirLineNumbers()
{
    const ImportBatch batch = ImportReader::parseText(gbk("A1,顺丰速运,,,,,,,\r\n"
                                                          "\r\n"
                                                          "A2,圆通快递,书\r\n"
                                                          "A1,中通速递,,,,,,,\r\n"
                                                          "A3,********,,,,,,,\r\n"
                                                          "A4,中通速递,,,,,,,\r\n"
                                                          "ａ 1,中通速递,,,,,,,\r\n"
                                                          "a5,中通速递,,,,,,,\r\n"
                                                          ",,,,,,,,\r\n"
                                                          "A9,0天,,,,,,,\r\n"
                                                          "A10, 12天 ,,,,,,,\r\n"
                                                          "A11,天天快递,,,,,,,\r\n"));
    QCOMPARE(batch.lines(), (QVector<int>{1, 6, 8, 12}));
    QCOMPARE(batch.row(2).number, u("A5")); // numbers in normal form, repeats found on it
    QCOMPARE(reasons(batch.skipped()), u("2:空行|3:只有 3 个字段，少于 9 个|4:快递单号与第 1 行重复|"
                                         "5:快递公司“********”无效|7:快递单号与第 1 行重复|9:快递单号为空|"
                                         "10:快递公司“0天”无效|11:快递公司“ 12天 ”无效"));
}

void TestImportReader::registerRefusalsAreReportedAndTheRestStored()
{
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    StoreConnection store;
    QVERIFY(RegisterSchema::createDatabase(path).ok && store.open(path).ok);
    QVERIFY(WaybillImport(store)
                .importWaybills(ImportReader::parseText(gbk("OLD,顺丰速运,,,,,,,")).rows())
                .first()
                .isEmpty());

    const QByteArray bytes = gbk("N1,韵达快运,,,,,,,\n"
                                 "OLD,顺丰速运,,,,,,,\n"
                                 "\n"
                                 "LONG,顺丰速运,,,,") +
                             QByteArray(21, 'x') + gbk(",,,\nN2,韵达快运,,,,,,,");
    const ImportResult result = WaybillImporter::store(store, ImportReader::parseText(bytes));
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.imported, 2);
    QCOMPARE(Waybills(store).count(), 3);
    QVERIFY(!Waybills(store).numberExists(QStringLiteral("LONG")));
    QCOMPARE(result.message(),
             u("导入成功！\n共导入 2 条快递单。\n跳过 3 行：\n第 2 行：快递单号已存在！\n第 3 行：空行\n"
               "第 4 行：“姓名”太长：最多 20 个字符，现在是 21 个。未保存。"));
}

void TestImportReader::anEmptyCarrierIsDetectedOnlyWhenSure()
{
    TestRegister shop(
        {QStringLiteral("431234560000000"), QStringLiteral("431234560000001"), QStringLiteral("431234560000002")},
        u("韵达快运"));
    const QString path = shop.store.path();
    TestFolder &folder = shop.folder;
    folder.write(QStringLiteral("in.txt"), gbk("SF123456789012,,书,,,,,,\n"
                                               "431234560000099,,,,,,,,\n"
                                               "123456789,,,,,,,,\n"
                                               "ZZ1,,,,,,,,\n"
                                               "ZZ2,申通E物流,,,,,,,\n"));
    const ImportResult result = WaybillImporter::importFile(path, folder.file(QStringLiteral("in.txt")), false);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.error));
    QCOMPARE(result.imported, 3);
    QCOMPARE(reasons(result.skipped), u("3:快递公司为空，可能是：TNT / 德邦物流|4:快递公司为空，无法按单号识别"));
    const StoreConnection &store = shop.store;
    QCOMPARE(Waybills(store).find(QStringLiteral("SF123456789012"))->carrier, u("顺丰速运"));
    QCOMPARE(Waybills(store).find(QStringLiteral("431234560000099"))->carrier, u("韵达快运"));
    QCOMPARE(Waybills(store).find(QStringLiteral("SF123456789012"))->goods, u("书"));
}

void TestImportReader::ownExportImportsBackAsItWas()
{
    TestRegister source({QStringLiteral("SF1"), QStringLiteral("SF2")}), copy;
    QVERIFY(Waybills(source.store).markSignedFor(QStringLiteral("SF2")).ok);
    Waybill full;
    full.number = u("YT4");
    full.carrier = u("圆通快递");
    full.notes = u("易碎");
    QVERIFY(Waybills(source.store).insertQuickAdd(full, u("12天")).ok);
    const QByteArray exported = ExportWriter::format(Waybills(source.store).allWaybills());
    copy.folder.write(QStringLiteral("export.txt"),
                      exported + gbk("已签收,3天,SF1,顺丰速运,,,,,,,,\r\n"
                                     "丢失,3天,SF5,顺丰速运,,,,,,,,\r\nSF6,顺丰速运,,,,,,,"));
    const ImportResult result =
        WaybillImporter::importFile(copy.store.path(), copy.folder.file(QStringLiteral("export.txt")), false);
    QCOMPARE(reasons(result.skipped), u("4:快递单号与第 1 行重复|5:状态“丢失”无效|6:只有 9 个字段，少于 11 个"));
    QCOMPARE(ExportWriter::format(Waybills(copy.store).allWaybills()), exported); // 已签收 and 12天 included
}

void TestImportReader::nothingImportedIsNotCalledASuccess()
{
    ImportResult result;
    for (int line = 1; line <= 7; ++line)
        result.skipped.push_back({line, u("空行")});
    // Only the first few are listed.
    QCOMPARE(result.message(), u("没有导入任何快递单。\n跳过 7 行：\n第 1 行：空行\n第 2 行：空行\n第 3 行：空行\n"
                                 "第 4 行：空行\n第 5 行：空行\n……"));
}

void TestImportReader::workbooks_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xls") << QStringLiteral(TOLVANE_TEST_DATA "/import.xls");
    QTest::newRow("xlsx") << QStringLiteral(TOLVANE_TEST_DATA "/import.xlsx");
}

void TestImportReader::workbooks()
{
    QFETCH(QString, file);
    ImportBatch batch;
    const Outcome read = ImportReader::readExcelFile(file, &batch);
    QVERIFY2(read.ok, qPrintable(read.error));
    // Row 1 holds the headings; rows 2 to 4 are waybills, row 5 is empty and
    // row 6 repeats row 2's number.
    QCOMPARE(batch.lines(), (QVector<int>{2, 3, 4}));
    QCOMPARE(reasons(batch.skipped()), u("5:空行|6:快递单号与第 2 行重复"));
    const Waybill a = batch.row(0);
    QCOMPARE(a.number, QStringLiteral("SF1001"));
    QCOMPARE(a.carrier, u("顺丰速运"));
    QCOMPARE(a.amount, QStringLiteral("12.5"));
    QCOMPARE(a.time, QStringLiteral("2026/12/7"));
    QCOMPARE(a.phone, QStringLiteral("13800138000"));
    QVERIFY(a.notes.isNull()); // an empty cell leaves its column null
    const Waybill b = batch.row(1);
    QCOMPARE(b.number, QStringLiteral("7700123456789"));
    QVERIFY(b.goods.isNull());
    QCOMPARE(
        QStringList({b.amount, b.time, b.phone, b.notes}),
        QStringList({QStringLiteral("30"), QStringLiteral("2026/1/15"), QStringLiteral("010-12345678"), u("放门口")}));
    const Waybill c = batch.row(2);
    QCOMPARE(QStringList({c.amount, c.time, c.phone}),
             QStringList({u("免费"), QStringLiteral("2026/3/1"), QStringLiteral("13900139000")}));
}

void TestImportReader::notAWorkbookIsRefused()
{
    TestFolder folder;
    folder.write(QStringLiteral("fake.xls"), gbk("A1,顺丰速运,,,,,,,"));
    ImportBatch batch;
    const Outcome read = ImportReader::readExcelFile(folder.file(QStringLiteral("fake.xls")), &batch);
    QVERIFY(!read.ok);
    QVERIFY(read.error.contains(u("不是 Excel 工作簿")));
    QVERIFY(!ImportReader::readExcelFile(folder.file(QStringLiteral("missing.xls")), &batch).ok);
    QVERIFY(batch.rows().isEmpty());

    // A text file beyond what one import takes is refused before it is read
    // (sparse: its size costs no disk).
    QFile huge(folder.file(QStringLiteral("huge.txt")));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write("A1,顺丰速运\r\n") > 0 &&
            huge.resize(ImportReader::kMaxTextFileBytes + 1));
    huge.close();
    const Outcome tooBig = ImportReader::readTextFile(huge.fileName(), &batch);
    QVERIFY2(!tooBig.ok && tooBig.error.contains(u("分成几个较小的文件")), qPrintable(tooBig.error));
    QVERIFY(batch.rows().isEmpty());
}

void TestImportReader::numbersAsPlainText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("phone") << 13800138000.0 << "13800138000";
    QTest::newRow("waybill") << 7700123456789.0 << "7700123456789";
    QTest::newRow("from 1e15 with an exponent") << 1e15 << "1e+15";
    QTest::newRow("fraction") << 12.5 << "12.5";
    QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
    QTest::newRow("negative") << -3.0 << "-3";
}

void TestImportReader::numbersAsPlainText()
{
    QFETCH(double, value);
    QTEST(ImportReader::numberText(value), "text");
}

QTEST_GUILESS_MAIN(TestImportReader)
#include "tst_importreader.moc"
