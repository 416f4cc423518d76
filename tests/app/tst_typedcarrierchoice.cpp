#include "app/TypedCarrierChoice.h"

#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// One thing that happens to the choice: a number typed while the window shows
// a carrier, the user's own choice, 撤销 or a data source.
struct Act {
    enum Kind { Type, User, Undo, Cleared } kind;
    QString text;
    QString shown;
};
Act type(const char *number, const char *shown = "")
{
    return {Act::Type, u(number), u(shown)};
}
const Act user{Act::User, {}, {}};
const Act cleared{Act::Cleared, {}, {}};
Act undo(const char *number)
{
    return {Act::Undo, u(number), {}};
}
} // namespace
Q_DECLARE_METATYPE(QVector<Act>)

class TestTypedCarrierChoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typedNumbers_data();
    void typedNumbers();
    void rewrites_data();
    void rewrites();
};

// The last number typed after the acts before it: whether the automatic choice
// goes, which carrier is turned on, what the line says (made plain).
void TestTypedCarrierChoice::typedNumbers_data()
{
    QTest::addColumn<QVector<Act>>("acts");
    QTest::addColumn<bool>("forget");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("firstOffer");

    const char *sf = "SF1234567890123";
    const QString sfAuto = u("已自动选择：顺丰速运（SF + 12–13 位数字） 撤销");
    QTest::newRow("sure, nothing shown") << QVector<Act>{type(sf)} << false << u("顺丰速运") << sfAuto << QString();
    QTest::newRow("sure, already shown") << QVector<Act>{type(sf, "顺丰速运")} << false << QString() << sfAuto
                                         << QString();
    QTest::newRow("sure beats a carrier chosen in code")
        << QVector<Act>{type(sf, "EMS")} << false << u("顺丰速运") << sfAuto << QString();
    QTest::newRow("the user's carrier stays")
        << QVector<Act>{user, type(sf, "EMS")} << false << QString() << QString() << QString();
    QTest::newRow("the user's carrier still hears a warning")
        << QVector<Act>{user, type("15912345678", "EMS")} << false << QString() << u("像是手机号码，不是快递单号")
        << QString();
    QTest::newRow("an empty box forgets the user's choice")
        << QVector<Act>{user, type(""), type(sf)} << false << u("顺丰速运") << sfAuto << QString();
    QTest::newRow("undone: offered, not chosen")
        << QVector<Act>{type(sf), undo(sf), type(sf)} << false << QString() << u("可能是：顺丰速运") << u("顺丰速运");
    QTest::newRow("undone for that number only")
        << QVector<Act>{type(sf), undo(sf), type("YT1234567890123")} << false << u("圆通快递")
        << u("已自动选择：圆通快递（YT + 13 位数字） 撤销") << QString();
    QTest::newRow("a changed number drops the automatic choice")
        << QVector<Act>{type(sf), type("781234567890", "顺丰速运")} << true << QString()
        << u("可能是：中通速递 / 联邦快递") << u("中通速递");
    QTest::newRow("a carrier chosen in code stays for an unsure number")
        << QVector<Act>{type("781234567890", "EMS")} << false << QString() << QString() << QString();
    QTest::newRow("unsure, nothing shown") << QVector<Act>{type("781234567890")} << false << QString()
                                           << u("可能是：中通速递 / 联邦快递") << u("中通速递");
    QTest::newRow("two numbers refused, the automatic choice goes")
        << QVector<Act>{type(sf), type("781234567890,781234567891", "顺丰速运")} << true << QString()
        << u("单号框里有 2 个单号（781234567890、781234567891），一次只能填一个；多个单号请用“批量快递单”")
        << QString();
    QTest::newRow("a data source clears what was offered")
        << QVector<Act>{type("781234567890"), cleared} << false << QString() << QString() << QString();
}

void TestTypedCarrierChoice::typedNumbers()
{
    QFETCH(QVector<Act>, acts);
    QFETCH(bool, forget);
    QFETCH(QString, chosen);
    QFETCH(QString, hint);
    QFETCH(QString, firstOffer);

    TypedCarrierChoice choice;
    TypedCarrierChoice::Step step;
    for (const Act &act : acts) {
        step = {};
        switch (act.kind) {
        case Act::Type:
            step = choice.typed(act.text, act.shown, nullptr);
            break;
        case Act::User:
            choice.userChose();
            break;
        case Act::Undo:
            choice.undo(act.text);
            break;
        case Act::Cleared:
            choice.carrierCleared();
            break;
        }
    }
    QCOMPARE(step.forget, forget);
    QCOMPARE(step.choose ? step.choose->name : QString(), chosen);
    // As heard: the links' text without their markup and word joiners.
    QCOMPARE(QString(step.hint).remove(QRegularExpression(QStringLiteral("<[^>]*>"))).remove(QChar(0x2060)), hint);
    QCOMPARE(choice.autoChosen(), !chosen.isEmpty() || hint.startsWith(u("已自动选择")));
    QCOMPARE(choice.offersAny(), !firstOffer.isEmpty());
    QCOMPARE(choice.offered(0) ? choice.offered(0)->name : QString(), firstOffer);
    QVERIFY(!choice.offered(-1) && !choice.offered(4));
}

void TestTypedCarrierChoice::rewrites_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("rewritten");
    QTest::newRow("label and dashes") << u("运单号：SF-1234-5678-90123") << u("SF1234567890123");
    QTest::newRow("as stored") << u("SF1234567890123") << QString();
    QTest::newRow("blank") << u("   ") << QString();
    QTest::newRow("two numbers") << u("781234567890,781234567891") << QString();
    QTest::newRow("no digit") << u("顺丰") << QString();
}

void TestTypedCarrierChoice::rewrites()
{
    QFETCH(QString, typed);
    QFETCH(QString, rewritten);
    QCOMPARE(TypedCarrierChoice::rewriteOf(typed), rewritten);
}

QTEST_GUILESS_MAIN(TestTypedCarrierChoice)
#include "tst_typedcarrierchoice.moc"
