#include "core/GbkText.h"
#include "manage/RegisterExport.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"
#include "transfer/ExportWriter.h"
#include "transfer/ImportReader.h"
#include "transfer/XlsxText.h"

#include <QtTest>

class TestExportWriter : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

private Q_SLOTS:
    void aFailedWriteIsReported();
    void rowsBeyondGbkAreKeptAndCounted_data();
    void rowsBeyondGbkAreKeptAndCounted();
    void aWorkbookImportsBackAsTheSameRows();
    void aWorkbookReplacesAnOldFileOnlyWhenWhole();
    void aWorkbookPartCutShortIsSeen();
    void aRegisterThatCannotBeReadWholeKeepsTheOldFile();
};

// Values that a spreadsheet or a careless writer would change: numbers that
// lose their zeros or digits when stored as numbers, the text export's
// separator, quotes, characters beyond GBK, and text that looks like Excel's
// own escapes or formulas.
static QVector<Waybill> awkwardRows(int count)
{
    const auto u = [](const char *s) { return QString::fromUtf8(s); };
    const QStringList carriers{u("顺丰速运"), u("中通,快递"), u("韵达\"快递\"")};
    const QStringList goods{u("📦 易碎"), u("a\u00A0b€"), QString(), u("  两端空格  "), u("_x0041_"), u("制表\t符")};
    const QStringList amounts{u("007.50"), u("1e5"), u("-0"), QString(), u("12345678901234567890")};
    const QStringList times{u("2026/12/7 08:05:00"), u("2026-12-07"), u("45000"), QString()};
    const QStringList names{u("张三"), u("O'Brien"), u("\"引号\""), u("𠀀𠀁")};
    const QStringList phones{u("013800138000"), u("+86 138-0013-8000"), u("0000"), u("00000000000000000001")};
    const QStringList addresses{u("北京市,朝阳区"), u("=SUM(A1)"), u("喆 镕 堃"), u("TRUE")};
    QVector<Waybill> rows;
    for (int i = 0; i < count; ++i) {
        Waybill w;
        w.status = i % 2 ? kSignedFor : kNotSignedFor;
        w.daysInTransit = QString::number(i % 9);
        switch (i % 3) {
        case 0:
            w.number = QStringLiteral("%1").arg(i, 20, 10, QLatin1Char('0'));
            break;
        case 1:
            w.number = QStringLiteral("9%1").arg(i, 19, 10, QLatin1Char('0'));
            break;
        default:
            w.number = u("SF,\"%1\"单").arg(i);
            break;
        }
        w.carrier = carriers.at(i % carriers.size());
        w.goods = goods.at(i % goods.size());
        w.amount = amounts.at(i % amounts.size());
        w.time = times.at(i % times.size());
        w.name = names.at(i % names.size());
        w.phone = phones.at(i % phones.size());
        w.address = addresses.at(i % addresses.size());
        w.notes = goods.at((i + 1) % goods.size()) + addresses.at(i % addresses.size());
        rows << w;
    }
    return rows;
}

void TestExportWriter::aWorkbookImportsBackAsTheSameRows()
{
    const QVector<Waybill> rows = awkwardRows(1000);
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("out.xlsx"));
    const Outcome written = ExportWriter::writeWorkbook(path, rows);
    QVERIFY2(written.ok, qPrintable(written.error));

    SheetData sheet;
    const Outcome read = XlsxSheet::read(path, &sheet);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(sheet.columns, 11);
    QCOMPARE(sheet.rows.value(1), ExportWriter::workbookHeader().mid(0, ImportBatch::kFields));
    QCOMPARE(ExportWriter::workbookHeader().size(), 11);

    // Through the program's own import, helper process and all.
    ImportBatch batch;
    const Outcome imported = ImportReader::readExcelFile(path, &batch);
    QVERIFY2(imported.ok, qPrintable(imported.error));
    QVERIFY2(batch.skipped().isEmpty(), qPrintable(batch.skipped().value(0).text()));
    QCOMPARE(batch.count(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const Waybill back = batch.row(i);
        for (const WaybillColumns::Column column : WaybillColumns::kTyped) {
            // An empty value comes back as an empty cell, which the import stores as null.
            QVERIFY2(WaybillColumns::value(back, column) == WaybillColumns::value(rows.at(i), column),
                     qPrintable(QStringLiteral("row %1, %2: %3 != %4")
                                    .arg(i)
                                    .arg(WaybillColumns::name(column), WaybillColumns::value(back, column),
                                         WaybillColumns::value(rows.at(i), column))));
        }
    }
}

void TestExportWriter::aWorkbookReplacesAnOldFileOnlyWhenWhole()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("old.xlsx"));
    folder.write(QStringLiteral("old.xlsx"), "old");
    // A value beyond a cell's 32,767 characters is refused by the library.
    Waybill tooLong;
    tooLong.number = QStringLiteral("1");
    tooLong.notes = QString(40000, QLatin1Char('x'));
    const Outcome refused = ExportWriter::writeWorkbook(path, {tooLong});
    QVERIFY(!refused.ok);
    QVERIFY2(refused.error.contains(u("无法写入文件")), qPrintable(refused.error));
    QCOMPARE(folder.read(QStringLiteral("old.xlsx")), QByteArray("old"));

    QVERIFY(ExportWriter::writeWorkbook(path, awkwardRows(3)).ok);
    SheetData sheet;
    QVERIFY(XlsxSheet::read(path, &sheet).ok);
    QCOMPARE(sheet.rows.size(), 4);
}

void TestExportWriter::rowsBeyondGbkAreKeptAndCounted_data()
{
    QTest::addColumn<QStringList>("notes"); // one row each
    QTest::addColumn<int>("beyond");
    QTest::newRow("GBK only") << QStringList{u("易碎，轻放"), u("ABC 123")} << 0;
    QTest::newRow("emoji") << QStringList{u("📦"), u("书"), u("🌟")} << 2; // 🌟 is 94 39 B2 39
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
        w.goods = w.notes = note; // two values, still one row
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
    QString lines; // byte for byte: each value and a comma, then CR LF
    for (const Waybill &w : rows)
        lines += w.values().join(QLatin1Char(',')) + QStringLiteral(",\r\n");
    QCOMPARE(folder.read(QStringLiteral("out.txt")), GbkText::encode(lines));
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

// The workbook's helper reads its package back; a part that its scratch file
// lost the end of must not pass, wherever the cut fell.
void TestExportWriter::aWorkbookPartCutShortIsSeen()
{
    const QByteArray sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<worksheet xmlns=\"x\"><sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>SF1</t></is></c></row>"
        "<row r=\"2\"><c t=\"inlineStr\"><is><t>&lt;worksheet&gt;</t></is></c></row></sheetData></worksheet>\r\n";
    QVERIFY(XlsxText::endsWhole(sheet));
    QVERIFY(XlsxText::endsWhole("<!-- made by hand --><Types/>"));
    QVERIFY(XlsxText::endsWhole("<Relationships>\n</Relationships>"));
    // Every cut but the white space after the root's end is caught.
    const qsizetype end = sheet.lastIndexOf("</worksheet>") + int(sizeof "</worksheet>") - 1;
    for (qsizetype cut = 0; cut < end; ++cut)
        if (XlsxText::endsWhole(sheet.first(cut)))
            QFAIL(qPrintable(QStringLiteral("cut after %1 bytes passed: %2")
                                 .arg(cut)
                                 .arg(QString::fromUtf8(sheet.first(cut).right(30)))));
    QVERIFY(!XlsxText::endsWhole("<Types/><Default/>"));
    QVERIFY(!XlsxText::endsWhole(""));
}

// The text export writes as it reads: a register that breaks off midway (a
// damaged file) must not leave the rows before the break as the export.
void TestExportWriter::aRegisterThatCannotBeReadWholeKeepsTheOldFile()
{
    TestFolder folder;
    const QString db = folder.file(RegisterSchema::fileName());
    {
        StoreConnection store;
        QVERIFY(RegisterSchema::createDatabase(db).ok && store.open(db).ok);
        QVector<Waybill> rows(20000);
        for (int i = 0; i < rows.size(); ++i) {
            rows[i].number = QStringLiteral("SF%1").arg(100000 + i);
            rows[i].carrier = u("顺丰速运");
            rows[i].address = QString(40, QChar(u'路'));
        }
        Outcome imported;
        WaybillImport(store).importWaybills(rows, &imported);
        QVERIFY(imported);
        // Whole, the file written in pieces as the rows come is the one built at once.
        const RegisterExport::Result whole =
            RegisterExport::write(StoreLocation(db), folder.file(QStringLiteral("whole.txt")));
        QVERIFY(whole.outcome);
        QCOMPARE(whole.rows, 20000);
        QVERIFY(folder.read(QStringLiteral("whole.txt")) == ExportWriter::format(Waybills(store).allWaybills()));
    }
    QFile file(db);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 pages = file.size() / 4096;
    for (qint64 page = pages * 2 / 3; page < pages * 2 / 3 + 8; ++page) {
        file.seek(page * 4096);
        file.write(QByteArray(4096, '\xff'));
    }
    file.close();
    folder.write(QStringLiteral("out.txt"), "old");
    const RegisterExport::Result written =
        RegisterExport::write(StoreLocation(db), folder.file(QStringLiteral("out.txt")));
    QVERIFY2(!written.outcome, qPrintable(QStringLiteral("%1 rows written").arg(written.rows)));
    QVERIFY(written.rows > 1000); // it did break off midway
    QCOMPARE(folder.read(QStringLiteral("out.txt")), QByteArray("old"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("out")),
             QStringList{QStringLiteral("out.txt")});
}
