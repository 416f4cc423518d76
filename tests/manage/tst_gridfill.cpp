#include "core/GbkText.h"
#include "manage/GridFill.h"

#include <QtTest>

class TestGridFill : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static Waybill row(const QString &number, const QString &time, const QString &days)
    {
        return {u("未签收"), days,      number,    u("顺丰速运"), QString(), QString(),
                time,        QString(), QString(), QString(),     QString()};
    }

private Q_SLOTS:
    void onlyChangedDaysAreStored();
    void widthsFollowTheWidestTrimmedValue();
};

void TestGridFill::onlyChangedDaysAreStored()
{
    QVector<Waybill> rows{row(QStringLiteral("A"), QStringLiteral("2026/12/7"), u("0天 ")),
                          row(QStringLiteral("B"), QStringLiteral("2026/12/18"), QString()),
                          row(QStringLiteral("C"), QStringLiteral("2026/12/7"), u("10天")), // already current
                          row(QStringLiteral("D"), QStringLiteral(""), u("0天 ")),
                          row(QStringLiteral("E"), QString(), u("4天")),
                          row(QStringLiteral("F"), u("上周三"), u("0天 "))};
    QVector<Waybill> unasked = rows;
    QVERIFY(GridFill::apply(unasked, QDate(2026, 12, 17), false).changedDays.isEmpty());
    QCOMPARE(unasked[0].daysInTransit, u("0天 "));

    const GridFill::Result result = GridFill::apply(rows, QDate(2026, 12, 17), true);
    QStringList days;
    for (const Waybill &w : rows)
        days << w.daysInTransit;
    // No date leaves the days as they are.
    QCOMPARE(days, (QStringList{u("10天"), u("-1天"), u("10天"), u("0天 "), u("4天"), u("0天 ")}));
    QCOMPARE(result.changedDays, (QVector<DaysUpdate>{{QStringLiteral("A"), rows[0].time, u("10天")},
                                                      {QStringLiteral("B"), rows[1].time, u("-1天")}}));
}

void TestGridFill::widthsFollowTheWidestTrimmedValue()
{
    QVector<Waybill> rows{row(QStringLiteral("1234567890123"), u("2026/12/7"), u("0天 ")),
                          row(QStringLiteral("  12345  "), QString(), QString())};
    rows[0].address = u("北京市海淀区中关村大街1号"); // 12 Chinese characters + 1 digit
    rows[1].notes = u("   ");                         // blanks only count as nothing
    const QVector<int> widths = GridFill::apply(rows, QDate(2026, 12, 17), true).widthsTwips;
    QCOMPARE(widths.size(), 11);
    QCOMPARE(widths[WaybillColumns::Number], 1495); // 13 digits
    QCOMPARE(widths[WaybillColumns::Address], 115 * 25);
    QCOMPARE(widths[WaybillColumns::Time], 115 * 9); // "2026/12/7"
    QCOMPARE(widths[WaybillColumns::Notes], 460);    // the heading, 备注
    QCOMPARE(widths[WaybillColumns::Goods], 460);    // null
    for (const QString &text : {u("快递单号"), u("EMS(E邮宝)"), u("１２３，。"), QString()})
        QCOMPARE(GridFill::ansiByteLength(text), GbkText::byteLength(text));
}

QTEST_GUILESS_MAIN(TestGridFill)
#include "tst_gridfill.moc"
