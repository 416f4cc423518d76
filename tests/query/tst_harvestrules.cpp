#include "query/HarvestRules.h"

#include <QtTest>

class TestHarvestRules : public QObject {
    Q_OBJECT
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }
    // Lines "line 0".."line N-1" with the given markers put in.
    static QStringList page(int count, const QMap<int, const char *> &markers)
    {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << (markers.contains(i) ? u(markers[i]) : QStringLiteral("line %1").arg(i));
        return lines;
    }

private Q_SLOTS:
    void splitsInnerTextIntoLines();
    void harvestsBetweenTheLastMarkers_data();
    void harvestsBetweenTheLastMarkers();
    void resultTexts();
    void newestStateOfARecordInEitherOrder();
};

void TestHarvestRules::splitsInnerTextIntoLines()
{
    QCOMPARE(SplitPageText(QString()), QStringList()); // an empty text has no line
    QCOMPARE(SplitPageText(u("a\r\nb\r\n")), (QStringList{u("a"), u("b"), QString()}));
    QCOMPARE(SplitPageText(u("a\r\r\nb\rc")), (QStringList{u("a\r"), u("b\rc")})); // only a trailing cr goes
}

void TestHarvestRules::harvestsBetweenTheLastMarkers_data()
{
    QTest::addColumn<DataSource>("source");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("harvest");

    const char *start = "更多查询记录>>";
    const char *end = "转发查询结果>>";
    const QStringList def = page(20, {{10, start}, {14, end}});
    QTest::newRow("default") << DataSource::Default << def << def.mid(11, 3);
    const QStringList twice = page(20, {{3, start}, {10, start}, {14, end}, {17, end}});
    QTest::newRow("default: last of each counts") << DataSource::Default << twice << twice.mid(11, 6);
    const QStringList noStart = page(20, {{10, " 更多查询记录>>"}, {14, end}});
    QTest::newRow("default: no start line (must be equal), from line 1")
        << DataSource::Default << noStart << noStart.mid(1, 13);
    QTest::newRow("default: end before start")
        << DataSource::Default << page(8, {{2, end}, {5, start}}) << QStringList();
    QTest::newRow("default: no end line") << DataSource::Default << page(8, {{2, start}}) << QStringList();

    const QStringList b1{u("头"), u("查询结果"), u("2024 揽收"), u("2024 签收"), u("顺丰速运公司简介：……"), u("尾")};
    QTest::newRow("backup 1: end contains 简介") << DataSource::Backup1 << b1 << b1.mid(2, 2);
    QStringList b1NoStart = b1;
    b1NoStart[1] = u("查询结果如下");
    QTest::newRow("backup 1: no start line (must be equal)") << DataSource::Backup1 << b1NoStart << b1NoStart.mid(1, 3);
    QTest::newRow("backup 1: no end line") << DataSource::Backup1 << b1.mid(0, 4) << QStringList();

    const QStringList b2{u("头"), u("本次查询结果："), u("记录一"), u("记录二"), u("指定单号不存在。 操作建议："),
                         u("尾")};
    QTest::newRow("backup 2: start contains 查询结果") << DataSource::Backup2 << b2 << b2.mid(2, 2);
    QStringList b2NoEnd = b2;
    b2NoEnd[4] = u("指定单号不存在。操作建议：");
    QTest::newRow("backup 2: no end line (must be equal)") << DataSource::Backup2 << b2NoEnd << QStringList();
    QTest::newRow("backup 2: no start line") << DataSource::Backup2 << b2.mid(2) << QStringList{u("记录二")};

    QTest::newRow("no source") << DataSource::None << def + b1 << QStringList();
}

void TestHarvestRules::harvestsBetweenTheLastMarkers()
{
    QFETCH(DataSource, source);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, harvest);
    QCOMPARE(HarvestLines(lines, source), harvest);
}

void TestHarvestRules::resultTexts()
{
    const QString stars(59, QLatin1Char('*'));
    const QString header = DetailHeader(u("10"), u("宅急送"));
    QCOMPARE(header,
             u("当前快递单信息\r\n") + stars + u("\r\n快递单号： 10\t\t快递公司： 宅急送\r\n") + stars + u("\r\n"));

    // Found nothing: exactly the header plus one empty harvested line.
    QVERIFY(FoundNothing(header + HarvestedText({QString()}), u("10"), u("宅急送")));
    QVERIFY(!FoundNothing(header, u("10"), u("宅急送")));
    QVERIFY(!FoundNothing(header + HarvestedText({u("在途")}), u("10"), u("宅急送")));
    QVERIFY(!FoundNothing(header + HarvestedText({QString(), QString()}), u("10"), u("宅急送")));
    // Labels changed since the query started: the header no longer matches.
    QVERIFY(!FoundNothing(header + u("\r\n"), u("11"), u("宅急送")));
}

void TestHarvestRules::newestStateOfARecordInEitherOrder()
{
    const QString taken = u("2024-03-01 09:15:02 【深圳南山营业点】 快件已揽收");
    const QString sent = u("2024/3/2 6:05 【深圳转运中心】 快件已发出");
    const QString signedFor = u("2024-03-03 14:20:09 【上海徐汇营业点】 快件已签收");
    QCOMPARE(LatestHarvestedState({taken, sent, signedFor, QString()}), signedFor);
    QCOMPARE(LatestHarvestedState({u("时间 地点和跟踪进度"), signedFor, sent, taken, u("以上信息仅供参考")}),
             signedFor);
    QCOMPARE(LatestHarvestedState({u("2024/3/4 8:00 派送中"), signedFor}), u("2024/3/4 8:00 派送中"));
    QCOMPARE(LatestHarvestedState({u("已揽收"), u(" 已签收 "), QString()}), u("已签收")); // undated: the last
    QCOMPARE(LatestHarvestedState({QString(), u("  ")}), QString());
}

QTEST_GUILESS_MAIN(TestHarvestRules)
#include "tst_harvestrules.moc"
