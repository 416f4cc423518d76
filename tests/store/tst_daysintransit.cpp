#include "store/DaysInTransit.h"

#include <QtTest>

class TestDaysInTransit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dates_data();
    void dates();
    void valuesAreTodayMinusTheDate();
};

void TestDaysInTransit::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    const QDate d(2026, 12, 7);
    QTest::newRow("slashes") << "2026/12/7" << d;
    QTest::newRow("dashes padded") << "2026-12-07" << d;
    QTest::newRow("dots") << "2026.12.7" << d;
    QTest::newRow("chinese") << QString::fromUtf8("2026年12月7日") << d;
    QTest::newRow("with time") << "2026/12/7 13:45:10" << d;
    QTest::newRow("with short time") << "2026-12-07 8:05" << d;
    QTest::newRow("chinese with time") << QString::fromUtf8("2026年12月7日 08:00") << d;
    QTest::newRow("surrounding blanks") << "  2026/12/7  " << d;
    QTest::newRow("mixed separators") << "2026/12-7" << QDate();
    QTest::newRow("no day") << "2026/12" << QDate();
    QTest::newRow("chinese without 日") << QString::fromUtf8("2026年12月7") << QDate();
    QTest::newRow("impossible day") << "2026/2/30" << QDate();
    QTest::newRow("words") << QString::fromUtf8("昨天") << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("trailing junk") << "2026/12/7abc" << QDate();
}

void TestDaysInTransit::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const std::optional<QDate> parsed = DaysInTransit::parseDate(text);
    QCOMPARE(parsed.value_or(QDate()), date);
}

void TestDaysInTransit::valuesAreTodayMinusTheDate()
{
    const QDate today(2026, 12, 7);
    QCOMPARE(DaysInTransit::fromTimeText(QStringLiteral("2026/12/2"), today).value(), QString::fromUtf8("5天"));
    QCOMPARE(DaysInTransit::fromTimeText(QStringLiteral("2026/12/7 23:59"), today).value(), QString::fromUtf8("0天"));
    QCOMPARE(DaysInTransit::fromTimeText(QStringLiteral("2026/12/8"), today).value(), QString::fromUtf8("-1天"));
    // Beyond what a 16-bit count could hold.
    QCOMPARE(DaysInTransit::fromTimeText(QStringLiteral("1900/1/1"), today).value(), QString::fromUtf8("46361天"));
    QCOMPARE(DaysInTransit::fromTimeText(QStringLiteral("2027/1/1"), QDate(2026, 12, 31)).value(),
             QString::fromUtf8("-1天"));
    // No date: no value, so callers leave the column alone.
    QVERIFY(!DaysInTransit::fromTimeText(QStringLiteral("明天"), today).has_value());
    // Eight characters fill the column; a value that would not fit is no value either.
    QCOMPARE(DaysInTransit::fromTimeText(QStringLiteral("3000/1/1"), today).value(), QString::fromUtf8("-355406天"));
    QVERIFY(!DaysInTransit::fromTimeText(QStringLiteral("9999/12/31"), today).has_value());
}

QTEST_GUILESS_MAIN(TestDaysInTransit)
#include "tst_daysintransit.moc"
