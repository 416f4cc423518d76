#include "store/CheckHistory.h"
#include "store/Statistics.h"
#include "support/TestRegister.h"

#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

Waybill row(const char *status, const char *carrier, const char *time, const char *days)
{
    Waybill w;
    w.status = u(status);
    w.carrier = u(carrier);
    w.time = u(time);
    w.daysInTransit = u(days);
    return w;
}

QString text(const Statistics::Counts &counts)
{
    QStringList out;
    for (const auto &[name, count] : counts)
        out << QStringLiteral("%1=%2").arg(name).arg(count);
    return out.join(QLatin1Char(' '));
}
} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void countsMonthsAndDaysInTransit();
    void statusIsWhatTheNewestCheckFound();
};

void TestStatistics::countsMonthsAndDaysInTransit()
{
    const QVector<Waybill> rows{
        row("已签收", "顺丰速运", "2026/11/3", "2天"),
        row("已签收", "顺丰速运", "2026-11-20 10:00", "4天"),
        row("未签收", "顺丰速运", "2026年12月1日", "9天"),
        row("未签收", "中通速递", "2026.12.2", "3天"),
        row("未签收", "中通速递", "", ""),
        row("未签收", "中通速递", "不是日期", "七天"),
    };
    const Statistics::Summary all = Statistics::compute(rows, {});
    QCOMPARE(all.total, 6);
    QCOMPARE(text(all.byStatus), u("未签收=4 已签收=2"));
    QCOMPARE(text(all.byCarrier), u("中通速递=3 顺丰速运=3"));
    QCOMPARE(text(all.byMonth), u("2026-11=2 2026-12=2"));
    QCOMPARE(all.transit.size(), 2);
    QCOMPARE(all.transit[0].carrier, u("顺丰速运")); // slowest median first
    QCOMPARE(all.transit[0].median, 4.0);
    QCOMPARE(all.transit[0].slowest, 9);
    QCOMPARE(all.transit[1].median, 3.0);
    QCOMPARE(all.transit[1].count, 1); // "七天" and an empty value are no days
    QCOMPARE(Statistics::compute({row("未签收", "TNT", "", "0天")}, {}).transit.value(0).count, 1); // "0天" is one

    // A range counts dated rows sent within it, its ends included.
    const Statistics::Summary november = Statistics::compute(rows, {QDate(2026, 11, 20), QDate(2026, 12, 1)});
    QCOMPARE(november.total, 2);
    QCOMPARE(text(november.byMonth), u("2026-11=1 2026-12=1"));
    QCOMPARE(november.transit[0].median, 6.5); // 4 and 9: the middle of an even count
}

void TestStatistics::statusIsWhatTheNewestCheckFound()
{
    TestRegister reg({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    const QDateTime t0(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
    CheckHistory(reg.store).recordChecks(
        {{QStringLiteral("A"), t0, StateSource::kConcise, u("派送中"), false, u("派件中")},
         {QStringLiteral("A"), t0.addDays(1), StateSource::kConcise, u("滞留"), false, u("疑难")},
         {QStringLiteral("B"), t0, StateSource::kConcise, u("滞留"), false, u("疑难")},
         {QStringLiteral("C"), t0, StateSource::kConcise, u("已签收"), true, u("已签收")}});
    Outcome read;
    const Statistics::Summary s = Statistics::read(reg.location(), {}, &read);
    QVERIFY2(read, qPrintable(read.error));
    QCOMPARE(text(s.byStatus), u("疑难=2 已签收=1 未签收=1"));
}

TOLVANE_ENGINE_TEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
