#include "query/HarvestRules.h"

#include <QtTest>

class TestHarvestRules : public QObject {
    Q_OBJECT
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }
    static QStringList numbered(int count)
    {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << QStringLiteral("line %1").arg(i);
        return lines;
    }

private Q_SLOTS:
    void pageIdsPerSource();
    void splitsInnerTextIntoLines_data();
    void splitsInnerTextIntoLines();
    void harvestsBetweenTheLastMarkers_data();
    void harvestsBetweenTheLastMarkers();
    void noSourceHarvestsNothing();
    void headerAndWaybillLineTexts();
    void foundNothingIsTheHeaderPlusOneEmptyLine();
};

void TestHarvestRules::pageIdsPerSource()
{
    const struct {
        DataSource source;
        const char *field;
        const char *button;
    } cases[] = {
        {DataSource::Default, "postid", "query"},
        {DataSource::Backup1, "ExpressNo", "Enter"},
        {DataSource::Backup2, "ExpressNo", "enter"},
        {DataSource::None, "ExpressNo", "Enter"},
    };
    for (const auto &c : cases) {
        const PageIds ids = PageIdsFor(c.source);
        QCOMPARE(ids.numberField, QLatin1String(c.field));
        QCOMPARE(ids.queryButton, QLatin1String(c.button));
    }
}

void TestHarvestRules::splitsInnerTextIntoLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty has no line") << QString() << QStringList();
    QTest::newRow("one") << u("a") << QStringList{u("a")};
    QTest::newRow("lf") << u("a\nb") << QStringList{u("a"), u("b")};
    QTest::newRow("crlf") << u("a\r\nb\r\n") << QStringList{u("a"), u("b"), QString()};
    QTest::newRow("empty line kept") << u("a\n\nb") << QStringList{u("a"), QString(), u("b")};
    QTest::newRow("only one cr dropped") << u("a\r\r\nb") << QStringList{u("a\r"), u("b")};
    QTest::newRow("inner cr kept") << u("a\rb") << QStringList{u("a\rb")};
    QTest::newRow("only a line break") << u("\n") << QStringList{QString(), QString()};
}

void TestHarvestRules::splitsInnerTextIntoLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitPageText(text), lines);
}

void TestHarvestRules::harvestsBetweenTheLastMarkers_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("harvest");

    const int def = int(DataSource::Default);
    const int b1 = int(DataSource::Backup1);
    const int b2 = int(DataSource::Backup2);

    QStringList page = numbered(20);
    page[10] = u("更多查询记录>>");
    page[14] = u("转发查询结果>>");
    QTest::newRow("default: markers at 10 and 14") << def << page << page.mid(11, 3);

    QStringList twice = page;
    twice[3] = u("更多查询记录>>");
    twice[17] = u("转发查询结果>>");
    QTest::newRow("default: last of each counts") << def << twice << twice.mid(11, 6);

    QStringList notEqual = page;
    notEqual[10] = u(" 更多查询记录>>");
    QTest::newRow("default: start must be equal, so from line 1") << def << notEqual << notEqual.mid(1, 13);

    QStringList endBeforeStart = numbered(8);
    endBeforeStart[2] = u("转发查询结果>>");
    endBeforeStart[5] = u("更多查询记录>>");
    QTest::newRow("default: end before start") << def << endBeforeStart << QStringList();

    QStringList unknown{u("标题"), u("更多查询记录>>"), QString(), u("转发查询结果>>"), u("页脚")};
    QTest::newRow("default: one empty line") << def << unknown << QStringList{QString()};

    QStringList startAtZero{u("更多查询记录>>"), u("a"), u("转发查询结果>>")};
    QTest::newRow("default: start at line 0") << def << startAtZero << QStringList{u("a")};

    QStringList b1Page{u("头"), u("查询结果"), u("2024 揽收"), u("2024 签收"), u("顺丰速运公司简介：……"), u("尾")};
    QTest::newRow("backup 1: end contains 简介") << b1 << b1Page << b1Page.mid(2, 2);

    QStringList b1Contains = b1Page;
    b1Contains[1] = u("查询结果如下");
    QTest::newRow("backup 1: start must be equal") << b1 << b1Contains << b1Contains.mid(1, 3);

    QStringList b2Page{u("头"), u("本次查询结果："), u("记录一"), u("记录二"), u("指定单号不存在。 操作建议："),
                       u("尾")};
    QTest::newRow("backup 2: start contains 查询结果") << b2 << b2Page << b2Page.mid(2, 2);

    QStringList b2NoEnd = b2Page;
    b2NoEnd[4] = u("指定单号不存在。操作建议：");
    QTest::newRow("backup 2: end must be equal, none: nothing") << b2 << b2NoEnd << QStringList();

    QTest::newRow("no markers at all") << b1 << numbered(5) << QStringList();
}

void TestHarvestRules::harvestsBetweenTheLastMarkers()
{
    QFETCH(int, source);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, harvest);
    QCOMPARE(HarvestLines(lines, DataSource(source)), harvest);
}

void TestHarvestRules::noSourceHarvestsNothing()
{
    const QStringList page{u("查询结果"), u("a"), u("简介"), u("更多查询记录>>"), u("b"), u("转发查询结果>>")};
    QVERIFY(!HarvestLines(page, DataSource::Backup1).isEmpty());
    QVERIFY(HarvestLines(page, DataSource::None).isEmpty());
}

void TestHarvestRules::headerAndWaybillLineTexts()
{
    const QString stars(59, QLatin1Char('*'));
    QCOMPARE(DetailHeader(u("SF123"), u("顺丰速运")), u("当前快递单信息\r\n") + stars +
                                                          u("\r\n快递单号： SF123\t\t快递公司： 顺丰速运\r\n") + stars +
                                                          u("\r\n"));
    QCOMPARE(WaybillLine(u("7788"), u("CCES")), u("当前快递单号： 7788\t\t快递公司： CCES\r\n"));
    QCOMPARE(WaybillLine(QString(), QString()), u("当前快递单号： \t\t快递公司： \r\n"));
    QCOMPARE(HarvestedText({u("a"), QString(), u("b")}), u("a\r\n\r\nb\r\n"));
    QCOMPARE(HarvestedText({}), QString());
}

void TestHarvestRules::foundNothingIsTheHeaderPlusOneEmptyLine()
{
    const QString header = DetailHeader(u("10"), u("宅急送"));
    QVERIFY(FoundNothing(header + HarvestedText({QString()}), u("10"), u("宅急送")));
    QVERIFY(!FoundNothing(header, u("10"), u("宅急送")));
    QVERIFY(!FoundNothing(header + HarvestedText({u("在途")}), u("10"), u("宅急送")));
    QVERIFY(!FoundNothing(header + HarvestedText({QString(), QString()}), u("10"), u("宅急送")));
    // Labels changed since the query started: the header no longer matches.
    QVERIFY(!FoundNothing(header + u("\r\n"), u("11"), u("宅急送")));
}

QTEST_GUILESS_MAIN(TestHarvestRules)
#include "tst_harvestrules.moc"
