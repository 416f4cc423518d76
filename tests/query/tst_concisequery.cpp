#include "core/Endpoints.h"
#include "services/ConciseQuery.h"
#include "services/WaybillStatus.h"

#include <QtTest>

class TestConciseQuery : public QObject {
    Q_OBJECT
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

private Q_SLOTS:
    void decodesUtf8();
    void lastStateAndSignedFor_data();
    void lastStateAndSignedFor();
    void addressCarriesTheNormalForm();
};

void TestConciseQuery::decodesUtf8()
{
    const QString bad(QChar::ReplacementCharacter);
    QCOMPARE(Utf8ToUnicode("\xef\xbb\xbfok"), QString(QChar(0xFEFF)) + u("ok")); // a BOM stays
    QCOMPARE(Utf8ToUnicode(QByteArray("a\xff") + "b"), u("a") + bad + u("b"));
    QCOMPARE(Utf8ToUnicode("x\xe5\x9c"), u("x") + bad + bad); // truncated at the end, not swallowed
    QCOMPARE(Utf8ToUnicode("\xf0\x9f\x93\xa6"), QString::fromUcs4(U"\U0001F4E6"));
}

void TestConciseQuery::lastStateAndSignedFor_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("isSigned");

    const QString longState = QString(40000, QLatin1Char('x')) + u("已签收");
    QTest::newRow("one") << u("快件已签收，签收人：本人更多") << u("快件已签收，签收人：本人") << true;
    QTest::newRow("two: the second counts") << u("甲更多乙妥投更多丙") << u("甲更多乙妥投") << true;
    QTest::newRow("none") << u("已签收，签收人：本人") << QString() << false;
    QTest::newRow("starts with it only") << u("更多的记录请登录") << QString() << false;
    QTest::newRow("not trimmed") << u("  在途 \r\n更多") << u("  在途 \r\n") << false;
    QTest::newRow("adjacent") << u("更多更多") << u("更多") << false;
    QTest::newRow("long, no limit") << longState + u("更多") << longState << true;
    QTest::newRow("delivered only") << u("邮件已妥投更多") << u("邮件已妥投") << true;
    QTest::newRow("split by a blank") << u("签 收更多") << u("签 收") << false;
    QTest::newRow("refused") << u("收件人拒签更多") << u("收件人拒签") << false;
    // A signing that did not happen is no signing; one that did still counts beside it.
    QTest::newRow("not signed") << u("派送不成功，收件人未签收更多") << u("派送不成功，收件人未签收") << false;
    QTest::newRow("signing failed") << u("签收失败，改日派送更多") << u("签收失败，改日派送") << false;
    QTest::newRow("refused to sign") << u("收件人拒签收 拒绝签收更多") << u("收件人拒签收 拒绝签收") << false;
    QTest::newRow("not delivered") << u("邮件未妥投更多") << u("邮件未妥投") << false;
    QTest::newRow("waiting to be signed for") << u("快件已到驿站，待签收更多") << u("快件已到驿站，待签收") << false;
    QTest::newRow("failed, then signed") << u("签收失败；次日已签收更多") << u("签收失败；次日已签收") << true;
}

void TestConciseQuery::lastStateAndSignedFor()
{
    QFETCH(QString, answer);
    QFETCH(QString, state);
    QFETCH(bool, isSigned);
    QCOMPARE(GetLastState(answer), state);
    QCOMPARE(IsSignedFor(state), isSigned);
}

void TestConciseQuery::addressCarriesTheNormalForm()
{
    Endpoints hosts;
    hosts.trackingService = QStringLiteral("http://t");
    Endpoints::setCurrent(hosts);
    for (const QString &typed : {u("ＳＦ１２３４５６７８９０４４３"), u("SF 1234 5678 9044 3"), u("sf1234567890443")})
        QCOMPARE(ConciseQueryAddress(u("shunfeng"), typed),
                 u("http://t/apione?com=shunfeng&nu=SF1234567890443&show=3"));
    QCOMPARE(ConciseQueryAddress(u("ems"), u("a&b #1")), u("http://t/apione?com=ems&nu=A%26B%231&show=3"));
}

QTEST_GUILESS_MAIN(TestConciseQuery)
#include "tst_concisequery.moc"
