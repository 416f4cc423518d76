#include "app/GbkText.h"
#include "store/ImportReader.h"
#include "store/WaybillImporter.h"
#include "store/WaybillStore.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestImportReader : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static QByteArray gbk(const char *s) { return GbkText::encode(QString::fromUtf8(s)); }
    static QString reasons(const QVector<SkippedLine> &skipped)
    {
        QStringList out;
        for (const SkippedLine &s : skipped)
            out << QStringLiteral("%1:%2").arg(s.line).arg(s.reason);
        return out.join(QLatin1Char('|'));
    }

private Q_SLOTS:
    void nineFieldsInTableOrder();
    void textEdgeCases_data();
    void textEdgeCases();
    void encodings();
    void badLinesAreSkippedWithTheirLineNumbers();
    void registerRefusalsAreReportedAndTheRestStored();
    void nothingImportedIsNotCalledASuccess();
    void workbooks_data();
    void workbooks();
    void notAWorkbookIsRefused();
    void numbersAsPlainText_data();
    void numbersAsPlainText();
};

void TestImportReader::nineFieldsInTableOrder()
{
    const ImportBatch batch = ImportReader::parseText(gbk("SF1,顺丰速运,书,12.5,2026/12/7,张三,138,北京,易碎\r\n"));
    QCOMPARE(batch.rows().size(), 1);
    const Waybill &w = batch.rows()[0];
    QCOMPARE(QStringList({w.number, w.carrier, w.goods, w.amount, w.time, w.name, w.phone, w.address, w.notes}),
             QStringList({QStringLiteral("SF1"), u("顺丰速运"), u("书"), QStringLiteral("12.5"),
                          QStringLiteral("2026/12/7"), u("张三"), QStringLiteral("138"), u("北京"), u("易碎")}));
    QVERIFY(w.status.isNull());
    QVERIFY(w.daysInTransit.isNull());
    QCOMPARE(batch.lines(), QVector<int>{1});
}

void TestImportReader::textEdgeCases_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("goods");
    QTest::addColumn<QString>("amount");
    QTest::newRow("eleven fields keep the first nine")
        << gbk("A1,顺丰速运,书,5,2026/1/1,张三,1,北京,备注,多余,又多余") << u("备注") << u("书") << u("5");
    QTest::newRow("empty fields in the middle are empty text")
        << gbk("A1,顺丰速运,,,2026/1/1,张三,1,北京,备注") << u("备注") << QStringLiteral("") << QStringLiteral("");
    QTest::newRow("no final line break") << gbk("A1,顺丰速运,书,5,,,,,") << QStringLiteral("") << u("书") << u("5");
    QTest::newRow("fields are not trimmed") << gbk("A1,顺丰速运, 书 ,5,,,,,x ") << u("x ") << u(" 书 ") << u("5");
    QTest::newRow("quotes are plain characters")
        << gbk("A1,顺丰速运,\"书\",O'Neil,,,,,") << QStringLiteral("") << u("\"书\"") << u("O'Neil");
}

void TestImportReader::textEdgeCases()
{
    QFETCH(QByteArray, bytes);
    const ImportBatch batch = ImportReader::parseText(bytes);
    QCOMPARE(batch.rows().size(), 1);
    QVERIFY(batch.skipped().isEmpty());
    const Waybill &w = batch.rows()[0];
    QCOMPARE(w.number, QStringLiteral("A1"));
    QTEST(w.notes, "notes");
    QTEST(w.goods, "goods");
    QTEST(w.amount, "amount");
    QVERIFY(!w.goods.isNull() && !w.notes.isNull());
}

void TestImportReader::encodings()
{
    const QByteArray line = QByteArray("A1,") + "\xE9\xA1\xBA\xE4\xB8\xB0\xE9\x80\x9F\xE8\xBF\x90" + ",,,,,,,\n";
    const ImportBatch utf8 = ImportReader::parseText(QByteArray("\xEF\xBB\xBF") + line);
    QCOMPARE(utf8.rows().size(), 1);
    QCOMPARE(utf8.rows()[0].number, QStringLiteral("A1")); // the mark is not part of the number
    QCOMPARE(utf8.rows()[0].carrier, u("顺丰速运"));
    // The same bytes without the mark are GBK, and GBK is what users' files are.
    QCOMPARE(ImportReader::parseText(gbk("A1,顺丰速运,,,,,,,")).rows()[0].carrier, u("顺丰速运"));
    QVERIFY(ImportReader::parseText(line).rows()[0].carrier != u("顺丰速运"));
}

void TestImportReader::badLinesAreSkippedWithTheirLineNumbers()
{
    const ImportBatch batch = ImportReader::parseText(gbk("A1,顺丰速运,,,,,,,\r\n"
                                                          "\r\n"
                                                          "A2,圆通快递,书\r\n"
                                                          "A1,中通速递,,,,,,,\r\n"
                                                          "A3,********,,,,,,,\r\n"
                                                          "A4,中通速递,,,,,,,\r\n"));
    QCOMPARE(batch.lines(), (QVector<int>{1, 6}));
    QCOMPARE(reasons(batch.skipped()),
             u("2:空行|3:只有 3 个字段，少于 9 个|4:快递单号与第 1 行重复|5:快递公司“********”无效"));
}

void TestImportReader::registerRefusalsAreReportedAndTheRestStored()
{
    TestFolder folder;
    const QString path = folder.file(WaybillStore::fileName());
    WaybillStore store;
    QVERIFY(WaybillStore::createDatabase(path).ok && store.open(path).ok);
    Waybill existing;
    existing.number = QStringLiteral("OLD");
    existing.carrier = u("顺丰速运");
    QVERIFY(store.insertFromInputForm(existing).ok);

    QByteArray bytes;
    for (int i = 1; i <= 8; ++i)
        bytes += gbk("N") + QByteArray::number(i) + gbk(",韵达快运,,,,,,,\n");
    bytes += gbk("OLD,顺丰速运,,,,,,,\n");                             // line 9
    bytes += gbk("LONG,顺丰速运,,,,") + QByteArray(21, 'x') + ",,,\n"; // line 10: 姓名 over 20
    bytes += "\n";                                                     // line 11
    bytes += gbk("N9,韵达快运,,,,,,,");                                // line 12
    const ImportResult result = WaybillImporter::store(store, ImportReader::parseText(bytes));
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.imported, 9);
    QCOMPARE(store.count(), 10);
    QVERIFY(!store.numberExists(QStringLiteral("LONG")));
    QCOMPARE(result.skipped.size(), 3);
    QCOMPARE(result.skipped[0].line, 9);
    QCOMPARE(result.skipped[1].line, 10);
    QCOMPARE(result.skipped[2].line, 11);
    const QString message = result.message();
    QVERIFY(message.startsWith(u("导入成功！")));
    QVERIFY(message.contains(u("共导入 9 条")));
    QVERIFY(message.contains(u("跳过 3 行")));
    QVERIFY(message.contains(u("第 9 行：快递单号已存在")));
    QVERIFY(message.contains(u("第 10 行：“姓名”太长")));
    const std::optional<Waybill> stored = store.find(QStringLiteral("N9"));
    QVERIFY(stored);
    QCOMPARE(stored->status, u("未签收"));
    QVERIFY(stored->daysInTransit.isNull());
}

void TestImportReader::nothingImportedIsNotCalledASuccess()
{
    ImportResult result;
    for (int line = 1; line <= 7; ++line)
        result.skipped.push_back({line, u("空行")});
    const QString message = result.message();
    QVERIFY(!message.contains(u("导入成功")));
    QVERIFY(message.contains(u("跳过 7 行")));
    QVERIFY(message.contains(u("第 5 行")));
    QVERIFY(!message.contains(u("第 6 行"))); // only the first few are listed
    QVERIFY(message.endsWith(u("……")));
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
    const Waybill &a = batch.rows()[0];
    QCOMPARE(a.number, QStringLiteral("SF1001"));
    QCOMPARE(a.carrier, u("顺丰速运"));
    QCOMPARE(a.amount, QStringLiteral("12.5"));
    QCOMPARE(a.time, QStringLiteral("2026/12/7"));
    QCOMPARE(a.phone, QStringLiteral("13800138000"));
    QVERIFY(a.notes.isNull()); // an empty cell leaves its column null
    const Waybill &b = batch.rows()[1];
    QCOMPARE(b.number, QStringLiteral("7700123456789"));
    QVERIFY(b.goods.isNull());
    QCOMPARE(b.amount, QStringLiteral("30"));
    QCOMPARE(b.time, QStringLiteral("2026/1/15"));
    QCOMPARE(b.phone, QStringLiteral("010-12345678"));
    QCOMPARE(b.notes, u("放门口"));
    const Waybill &c = batch.rows()[2];
    QCOMPARE(c.amount, u("免费"));
    QCOMPARE(c.time, QStringLiteral("2026/3/1"));
    QCOMPARE(c.phone, QStringLiteral("13900139000"));
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
}

void TestImportReader::numbersAsPlainText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("phone") << 13800138000.0 << QStringLiteral("13800138000");
    QTest::newRow("waybill") << 7700123456789.0 << QStringLiteral("7700123456789");
    QTest::newRow("fraction") << 12.5 << QStringLiteral("12.5");
    QTest::newRow("binary noise") << 0.1 + 0.2 << QStringLiteral("0.3");
    QTest::newRow("negative") << -3.0 << QStringLiteral("-3");
}

void TestImportReader::numbersAsPlainText()
{
    QFETCH(double, value);
    QTEST(ImportReader::numberText(value), "text");
}

QTEST_GUILESS_MAIN(TestImportReader)
#include "tst_importreader.moc"
