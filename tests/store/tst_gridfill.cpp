#include "app/GbkText.h"
#include "store/GridFill.h"

#include <QtTest>

class TestGridFill : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static const QDate today() { return QDate(2026, 12, 17); }

    static Waybill row(const QString &number, const QString &time, const QString &days)
    {
        Waybill w;
        w.status = u("未签收");
        w.daysInTransit = days;
        w.number = number;
        w.carrier = u("顺丰速运");
        w.time = time;
        return w;
    }

private Q_SLOTS:
    void daysInTransit_data();
    void daysInTransit();
    void daysAreLeftAloneWhenNotAsked();
    void widthsFollowTheWidestTrimmedValue();
    void byteLengthAgreesWithTheCodePage();
};

void TestGridFill::daysInTransit_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("stored");
    QTest::newRow("ten days back") << u("2026/12/7") << u("0天 ") << u("10天") << true;
    QTest::newRow("five days back, dashes") << u("2026-12-12") << u("0天 ") << u("5天") << true;
    QTest::newRow("tomorrow") << u("2026/12/18") << QString() << u("-1天") << true;
    QTest::newRow("today") << u("2026/12/17") << u("3天") << u("0天") << true;
    QTest::newRow("already current") << u("2026/12/7") << u("10天") << u("10天") << false;
    QTest::newRow("empty time keeps its days") << QStringLiteral("") << u("0天 ") << u("0天 ") << false;
    QTest::newRow("null time keeps its days") << QString() << u("4天") << u("4天") << false;
    QTest::newRow("no date keeps its days") << u("上周三") << u("0天 ") << u("0天 ") << false;
}

void TestGridFill::daysInTransit()
{
    QFETCH(QString, time);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, stored);
    QVector<Waybill> rows{row(QStringLiteral("A1"), QStringLiteral("2026/12/16"), u("0天 ")),
                          row(QStringLiteral("B2"), time, before)};
    const GridFill::Result result = GridFill::apply(rows, today(), true);
    QCOMPARE(rows[1].daysInTransit, after);
    QCOMPARE(rows[0].daysInTransit, u("1天"));
    QVector<QPair<QString, QString>> expected{{QStringLiteral("A1"), u("1天")}};
    if (stored)
        expected.push_back({QStringLiteral("B2"), after});
    QCOMPARE(result.changedDays, expected);
}

void TestGridFill::daysAreLeftAloneWhenNotAsked()
{
    QVector<Waybill> rows{row(QStringLiteral("A1"), u("2026/12/7"), u("0天 "))};
    const GridFill::Result result = GridFill::apply(rows, today(), false);
    QCOMPARE(rows[0].daysInTransit, u("0天 "));
    QVERIFY(result.changedDays.isEmpty());
}

void TestGridFill::widthsFollowTheWidestTrimmedValue()
{
    QVector<Waybill> none;
    const QVector<int> headers = GridFill::apply(none, today(), true).widthsTwips;
    QCOMPARE(headers.size(), 11);
    QCOMPARE(headers[WaybillColumns::Number], 920); // 快递单号: 8 bytes
    QCOMPARE(headers[WaybillColumns::Status], 460); // 状态: 4 bytes
    QCOMPARE(headers[WaybillColumns::Address], 920);

    QVector<Waybill> rows{row(QStringLiteral("1234567890123"), u("2026/12/7"), u("0天 ")),
                          row(QStringLiteral("  12345  "), QString(), QString())};
    rows[0].address = u("北京市海淀区中关村大街1号"); // 12 Chinese characters + 1 digit
    rows[1].notes = u("   ");                         // blanks only count as nothing
    rows[1].goods = QString();                        // null
    const QVector<int> widths = GridFill::apply(rows, today(), true).widthsTwips;
    QCOMPARE(widths[WaybillColumns::Number], 1495); // 13 digits
    QCOMPARE(widths[WaybillColumns::Address], 115 * 25);
    QCOMPARE(widths[WaybillColumns::Time], 115 * 9); // "2026/12/7"
    QCOMPARE(widths[WaybillColumns::Notes], 460);
    QCOMPARE(widths[WaybillColumns::Goods], 460);
    QCOMPARE(GridFill::pixels(1495), 100); // rounded up, 99.7 pixels
    QCOMPARE(GridFill::pixels(920), 62);
    QCOMPARE(GridFill::pixels(0), 0);
}

void TestGridFill::byteLengthAgreesWithTheCodePage()
{
    for (const QString &text : {u("快递单号"), u("SF1001 顺丰"), u("EMS(E邮宝)"), u("１２３，。"), QString()})
        QCOMPARE(GridFill::ansiByteLength(text), GbkText::byteLength(text));
}

QTEST_GUILESS_MAIN(TestGridFill)
#include "tst_gridfill.moc"
