#include "app/GbkText.h"
#include "store/ExportWriter.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestExportWriter : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

private Q_SLOTS:
    void twoRowsOfElevenValuesEachFollowedByAComma();
    void aFailedWriteKeepsTheOldFile();
};

void TestExportWriter::twoRowsOfElevenValuesEachFollowedByAComma()
{
    Waybill first;
    first.status = u("未签收");
    first.daysInTransit = u("3天");
    first.number = QStringLiteral("SF1001");
    first.carrier = u("顺丰速运");
    first.goods = u("书");
    first.amount = QStringLiteral("12.5");
    first.time = QStringLiteral("2026/12/7");
    first.name = u("张三");
    first.phone = QStringLiteral("13800138000");
    first.address = u("北京市");
    first.notes = u("易碎");
    Waybill second; // imported: days in transit and most columns null
    second.status = u("已签收");
    second.number = QStringLiteral("YT2002");
    second.carrier = u("圆通快递");
    second.notes = QStringLiteral("");

    TestFolder folder;
    const QString path = folder.file(QStringLiteral("导出.txt"));
    QVERIFY(ExportWriter::write(path, {first, second}).ok);
    const QByteArray bytes = folder.read(QStringLiteral("导出.txt"));
    const QByteArray expected =
        GbkText::encode(u("未签收,3天,SF1001,顺丰速运,书,12.5,2026/12/7,张三,13800138000,北京市,易碎,\r\n"
                          "已签收,,YT2002,圆通快递,,,,,,,,\r\n"));
    QCOMPARE(bytes, expected);
    // GBK, not UTF-8: 未 is two bytes.
    QCOMPARE(bytes.left(2), QByteArray("\xCE\xB4"));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].count(','), 11);
    QCOMPARE(lines[1].count(','), 11);
}

void TestExportWriter::aFailedWriteKeepsTheOldFile()
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
