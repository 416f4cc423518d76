#include "query/ConciseQuery.h"
#include "settings/Endpoints.h"

#include <QUrl>
#include <QUrlQuery>
#include <QtTest>

class TestConciseQuery : public QObject {
    Q_OBJECT
    static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

private Q_SLOTS:
    void decodesUtf8_data();
    void decodesUtf8();
    void lastStateIsTheTextBeforeTheLastMore_data();
    void lastStateIsTheTextBeforeTheLastMore();
    void lastStateHasNoLengthLimit();
    void signedForRule_data();
    void signedForRule();
    void addressCarriesTheNumberWhole_data();
    void addressCarriesTheNumberWhole();
};

void TestConciseQuery::decodesUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QString replacement(QChar::ReplacementCharacter);
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("abc 123") << u("abc 123");
    QTest::newRow("chinese") << QByteArray("\xe5\xb7\xb2\xe7\xad\xbe\xe6\x94\xb6") << u("已签收");
    QTest::newRow("bom stays") << QByteArray("\xef\xbb\xbfok") << QString(QChar(0xFEFF)) + u("ok");
    QTest::newRow("only a bom") << QByteArray("\xef\xbb\xbf") << QString(QChar(0xFEFF));
    QTest::newRow("invalid byte") << QByteArray("a\xff"
                                                "b")
                                  << u("a") + replacement + u("b");
    QTest::newRow("lone continuation") << QByteArray("\x80") << replacement;
    QTest::newRow("truncated at end is not swallowed") << QByteArray("x\xe5\x9c") << u("x") + replacement + replacement;
    QTest::newRow("nul kept") << QByteArray("a\0b", 3) << QString(u("a") + QChar(0) + u("b"));
    QTest::newRow("outside the BMP") << QByteArray("\xf0\x9f\x93\xa6") << QString::fromUcs4(U"\U0001F4E6");
}

void TestConciseQuery::decodesUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(Utf8ToUnicode(bytes), expected);
}

void TestConciseQuery::lastStateIsTheTextBeforeTheLastMore_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("state");

    QTest::newRow("one") << u("已到达上海更多") << u("已到达上海");
    QTest::newRow("two: the second counts") << u("甲更多乙更多丙") << u("甲更多乙");
    QTest::newRow("none") << u("已签收，签收人：本人") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("starts with it only") << u("更多的记录请登录") << QString();
    QTest::newRow("nothing after it is kept") << u("状态 更多 详情") << u("状态 ");
    QTest::newRow("not trimmed") << u("  在途 \r\n更多") << u("  在途 \r\n");
    QTest::newRow("adjacent") << u("更多更多") << u("更多");
    QTest::newRow("half of it is no match") << u("更 多更") << QString();
}

void TestConciseQuery::lastStateIsTheTextBeforeTheLastMore()
{
    QFETCH(QString, answer);
    QFETCH(QString, state);
    QCOMPARE(GetLastState(answer), state);
}

void TestConciseQuery::lastStateHasNoLengthLimit()
{
    const QString prefix = QString(40000, QLatin1Char('x')) + u("已签收");
    const QString state = GetLastState(prefix + u("更多"));
    QCOMPARE(state.size(), prefix.size());
    QVERIFY(IsSignedFor(state));
    // "更多" itself beyond 32,767 units, with an earlier one before it.
    QCOMPARE(GetLastState(u("a更多") + QString(33000, QLatin1Char('y')) + u("更多")),
             u("a更多") + QString(33000, QLatin1Char('y')));
}

void TestConciseQuery::signedForRule_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("isSigned");

    QTest::newRow("signed") << u("快件已签收，签收人：本人") << true;
    QTest::newRow("delivered only") << u("邮件已妥投") << true;
    QTest::newRow("at the very start") << u("签收") << true;
    QTest::newRow("in transit") << u("快件已到达上海转运中心") << false;
    QTest::newRow("split by a blank") << u("签 收") << false;
    QTest::newRow("refused") << u("收件人拒签") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestConciseQuery::signedForRule()
{
    QFETCH(QString, state);
    QFETCH(bool, isSigned);
    QCOMPARE(IsSignedFor(state), isSigned);
}

void TestConciseQuery::addressCarriesTheNumberWhole_data()
{
    QTest::addColumn<QString>("number");

    QTest::newRow("plain") << u("SF1234567890");
    QTest::newRow("ampersand") << u("12&show=9");
    QTest::newRow("hash") << u("12#34");
    QTest::newRow("blanks") << u(" 12 34 ");
    QTest::newRow("plus and percent") << u("1+2%41");
    QTest::newRow("chinese") << u("单号123");
    QTest::newRow("empty") << QString();
}

void TestConciseQuery::addressCarriesTheNumberWhole()
{
    QFETCH(QString, number);
    Endpoints endpoints;
    endpoints.trackingService = QStringLiteral("http://127.0.0.1:4321");
    Endpoints::setCurrent(endpoints);

    const QString address = ConciseQueryAddress(QStringLiteral("shunfeng"), number);
    QVERIFY(address.startsWith(QStringLiteral("http://127.0.0.1:4321/apione?com=shunfeng&nu=")));
    QVERIFY(address.endsWith(QStringLiteral("&show=3")));
    const QUrl url(address, QUrl::StrictMode);
    QVERIFY2(url.isValid(), qPrintable(address));
    QVERIFY(!url.hasFragment());
    const QUrlQuery query(url);
    QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 3);
    QCOMPARE(query.queryItemValue(QStringLiteral("com"), QUrl::FullyDecoded), QStringLiteral("shunfeng"));
    QCOMPARE(query.queryItemValue(QStringLiteral("nu"), QUrl::FullyDecoded), number);
    QCOMPARE(query.queryItemValue(QStringLiteral("show")), QStringLiteral("3"));
}

QTEST_GUILESS_MAIN(TestConciseQuery)
#include "tst_concisequery.moc"
