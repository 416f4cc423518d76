#include "app/Notices.h"
#include "query/FlaggedWaybills.h"
#include "store/StateHistory.h"

#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}
StateCheck check(const QString &number, const QString &state)
{
    return {number, QDateTime(QDate(2026, 12, 8), QTime(9, 0)), QStringLiteral("concise"), state, true};
}
FlaggedWaybill flagged(const QString &number, const QString &flag)
{
    FlaggedWaybill f;
    f.number = number;
    f.carrier = QString::fromUtf8("极兔速递");
    f.flag = flag;
    return f;
}
const CheckEffect kSigned{true, true, true};
} // namespace

class TestNotices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void signingsOfAPassGoInOneNotice();
    void aChangeThatIsNoSigningIsAStatusLine();
    void flagsNameTheirWaybills();
};

void TestNotices::signingsOfAPassGoInOneNotice()
{
    Notices notices;
    QCOMPARE(notices.noteCheck(check(u("SF1"), u("已签收，签收人：本人")), kSigned, u("顺丰速运")), QString());
    std::optional<Notices::Notice> one = notices.takeSignings(true);
    QVERIFY(one && !one->flags);
    QCOMPARE(one->title, u("SF1 已签收（顺丰速运）"));
    QCOMPARE(one->body, u("已签收，签收人：本人"));
    QCOMPARE(one->shown, u("SF1 已签收（顺丰速运）：已签收，签收人：本人"));
    QVERIFY(!notices.takeSignings(true)); // told once

    // Five are named whole; beyond them the title says 等, and the balloon lists twenty.
    for (int i = 1; i <= 5; ++i)
        notices.noteCheck(check(QStringLiteral("YT%1").arg(i), u("已签收")), kSigned, u("圆通速递"));
    QCOMPARE(notices.takeSignings(true)->title, u("5 件快递已签收：YT1（圆通速递）、YT2（圆通速递）、YT3（圆通速递）、"
                                                  "YT4（圆通速递）、YT5（圆通速递）"));
    for (int i = 1; i <= 22; ++i)
        notices.noteCheck(check(QStringLiteral("YT%1").arg(i), u("已签收")), kSigned, u("圆通速递"));
    const std::optional<Notices::Notice> many = notices.takeSignings(true);
    QVERIFY(many);
    QVERIFY(many->title.startsWith(u("22 件快递已签收：YT1（圆通速递）、")));
    QVERIFY(many->title.endsWith(u("、YT5（圆通速递）等")));
    QCOMPARE(many->numbers.size(), 22);
    QCOMPARE(many->body.split(QLatin1Char('\n')).size(), 20);
    QCOMPARE(many->shown, many->title);

    // Turned off in the settings: nothing is told, and nothing waits for the next pass.
    notices.noteCheck(check(u("SF2"), u("已签收")), kSigned, u("顺丰速运"));
    QVERIFY(!notices.takeSignings(false));
    QVERIFY(!notices.takeSignings(true));
}

void TestNotices::aChangeThatIsNoSigningIsAStatusLine()
{
    Notices notices;
    QCOMPARE(notices.noteCheck(check(u("ZT1"), u("派送中")), CheckEffect{true, false, true}, u("中通速递")),
             u("ZT1 状态更新：派送中"));
    QCOMPARE(notices.noteCheck(check(u("ZT1"), u("派送中")), CheckEffect{true, false, false}, u("中通速递")),
             QString());
    QVERIFY(!notices.takeSignings(true));
}

void TestNotices::flagsNameTheirWaybills()
{
    const Notices notices;
    QVERIFY(!notices.flagsCameOn({}));
    const std::optional<Notices::Notice> one = notices.flagsCameOn({flagged(u("JT1"), u("超时未签收"))});
    QVERIFY(one && one->flags);
    QCOMPARE(one->title, u("JT1 超时未签收（极兔速递）"));
    QCOMPARE(one->numbers, QStringList{u("JT1")});
    const std::optional<Notices::Notice> two =
        notices.flagsCameOn({flagged(u("JT1"), u("超时未签收")), flagged(u("JT2"), u("疑难"))});
    QCOMPARE(two->title, u("2 件快递超时：JT1（超时未签收）、JT2（疑难）"));
    QCOMPARE(two->body, u("JT1\nJT2"));
}

QTEST_APPLESS_MAIN(TestNotices)
#include "tst_notices.moc"
