#include "support/TrackingSim.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QtTest>

namespace {

struct Fetched {
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray contentType;
    QByteArray body;
    QString text() const { return QString::fromUtf8(body); }
};

Fetched fetch(const TrackingSim &sim, const QString &path, int transferTimeoutMs = 10000)
{
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(sim.baseUrl() + path)};
    request.setTransferTimeout(transferTimeoutMs);
    QScopedPointer<QNetworkReply> reply(network.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->error(),
            reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(),
            reply->isOpen() ? reply->readAll() : QByteArray()};
}

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList args(const char *line)
{
    return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool signedWords(const QString &text)
{
    return text.contains(u("签收")) || text.contains(u("妥投"));
}

// The static part of a page, without the script that writes the record.
QString pageWithoutScript(const QString &html)
{
    return html.left(html.indexOf(QStringLiteral("<script")));
}

} // namespace

class TestTrackingSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void conciseAnswerFollowsTheLastDigit_data();
    void conciseAnswerFollowsTheLastDigit();
    void trackingPagesCarryTheSourcesIds_data();
    void trackingPagesCarryTheSourcesIds();
    void pageRecordHoldsTheConciseLastState();
    void otherFilesAndUnknownPaths();
    void statusAndTimeoutFaults();
    void answerContentFaults();
    void pageAndUpdateFaults();
    void faultNumberLimitsTheFault();
    void latencyDelaysAnswers();
};

void TestTrackingSim::conciseAnswerFollowsTheLastDigit_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("mustHold");
    QTest::addColumn<QString>("mustLack");

    QTest::newRow("1 signed for") << u("com=shunfeng&nu=SF10000001") << u("已签收") << u("妥投");
    QTest::newRow("2 delivered") << u("com=ztky&nu=778899002") << u("妥投") << u("签收");
    QTest::newRow("0 unknown") << u("com=ems&nu=1230") << u("查无") << u("签收");
    QTest::newRow("other in transit") << u("com=ems&nu=4455667") << u("快件") << u("签收");
    QTest::newRow("letter in transit") << u("com=ems&nu=ab12c") << u("快件") << u("妥投");
    QTest::newRow("unknown company") << u("com=nosuch&nu=5551") << u("不支持") << u("签收");
    // "12&3# 1" encoded ends in 1; split at "&" it would be "12" (delivered).
    QTest::newRow("encoded number whole") << u("com=ems&nu=12%263%23%201") << u("已签收") << u("妥投");
}

void TestTrackingSim::conciseAnswerFollowsTheLastDigit()
{
    QFETCH(QString, query);
    QFETCH(QString, mustHold);
    QFETCH(QString, mustLack);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY2(sim.isListening(), sim.output().constData());
    const Fetched answer = fetch(sim, QStringLiteral("/apione?%1&show=3").arg(query));
    QCOMPARE(answer.status, 200);
    QVERIFY(answer.contentType.contains("utf-8"));
    const QString text = answer.text();
    QVERIFY(text.endsWith(u("更多")));
    QCOMPARE(text.count(u("更多")), 1);
    const QString state = text.chopped(2);
    QVERIFY2(state.contains(mustHold) && !state.contains(mustLack), qPrintable(state));
    if (mustHold != u("已签收") && mustHold != u("妥投"))
        QVERIFY(!signedWords(state));
}

void TestTrackingSim::trackingPagesCarryTheSourcesIds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("endLine");

    QTest::newRow("default") << u("/all/htky.shtml") << u("postid") << u("query") << u("转发查询结果>>");
    QTest::newRow("backup 1") << u("/broad-asia.html") << u("ExpressNo") << u("Enter") << u("简介");
    QTest::newRow("backup 2") << u("/index.html?types=zjs2") << u("ExpressNo") << u("enter")
                              << u("指定单号不存在。 操作建议：");
}

void TestTrackingSim::trackingPagesCarryTheSourcesIds()
{
    QFETCH(QString, path);
    QFETCH(QString, field);
    QFETCH(QString, button);
    QFETCH(QString, endLine);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const Fetched page = fetch(sim, path);
    QCOMPARE(page.status, 200);
    QVERIFY(page.contentType.startsWith("text/html"));
    const QString html = page.text();
    QVERIFY(html.contains(QStringLiteral("id=\"%1\"").arg(field)));
    QVERIFY(html.contains(QStringLiteral("id=\"%1\"").arg(button)));
    // The markers come only from the click's script: a harvest before the
    // click finds nothing.
    QVERIFY(html.contains(endLine));
    QVERIFY(!pageWithoutScript(html).contains(endLine));
    QVERIFY(!pageWithoutScript(html).contains(u("查询结果")));
}

void TestTrackingSim::pageRecordHoldsTheConciseLastState()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const QString html = fetch(sim, QStringLiteral("/all/sf.shtml")).text();
    for (const char *number : {"81", "82", "83"}) {
        const QString answer =
            fetch(sim, QStringLiteral("/apione?com=shunfeng&nu=%1&show=3").arg(QLatin1String(number))).text();
        const QString lastState = answer.chopped(2);
        QVERIFY2(html.contains(QLatin1Char('"') + lastState + QLatin1Char('"')), qPrintable(lastState));
    }
}

void TestTrackingSim::otherFilesAndUnknownPaths()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--update-version 3.5"));
    QVERIFY(sim.isListening());
    QVERIFY(fetch(sim, QStringLiteral("/")).contentType.startsWith("text/html"));
    const Fetched ini = fetch(sim, QStringLiteral("/update.ini"));
    QCOMPARE(ini.status, 200);
    QCOMPARE(ini.body, QByteArray("[Ver]\r\nnew=3.5\r\n"));
    const Fetched zip = fetch(sim, QStringLiteral("/update/tolvane.zip"));
    QCOMPARE(zip.contentType, QByteArray("application/zip"));
    QVERIFY(zip.body.startsWith("PK"));
    for (const char *path : {"/nothing", "/all/sf.html", "/a/b.html", "/update"})
        QCOMPARE(fetch(sim, QLatin1String(path)).status, 404);
}

void TestTrackingSim::statusAndTimeoutFaults()
{
    {
        TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault status500"));
        QVERIFY(sim.isListening());
        QCOMPARE(fetch(sim, QStringLiteral("/apione?com=ems&nu=1&show=3")).status, 500);
        QCOMPARE(fetch(sim, QStringLiteral("/all/ems.shtml")).status, 500);
        QCOMPARE(fetch(sim, QStringLiteral("/update.ini")).status, 200);
    }
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault timeout"));
    QVERIFY(sim.isListening());
    const Fetched silent = fetch(sim, QStringLiteral("/apione?com=ems&nu=1&show=3"), 400);
    QCOMPARE(silent.error, QNetworkReply::OperationCanceledError);
    QCOMPARE(silent.status, 0);
    QCOMPARE(fetch(sim, QStringLiteral("/update.ini")).status, 200);
}

void TestTrackingSim::answerContentFaults()
{
    const QString path = QStringLiteral("/apione?com=ems&nu=71&show=3");
    {
        TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault bad-utf8"));
        QVERIFY(sim.isListening());
        QStringDecoder strict(QStringDecoder::Utf8);
        const QString decoded = strict.decode(fetch(sim, path).body);
        QVERIFY(strict.hasError());
        QVERIFY(decoded.contains(u("签收")));
    }
    {
        TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault no-more"));
        QVERIFY(sim.isListening());
        const QString text = fetch(sim, path).text();
        QVERIFY(text.contains(u("签收")) && !text.contains(u("更多")));
    }
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault long"));
    QVERIFY(sim.isListening());
    const QString text = fetch(sim, path).text();
    QVERIFY(text.size() > 40000);
    QVERIFY(text.endsWith(u("更多")));
    QVERIFY(text.indexOf(u("签收")) > 32767); // only beyond the 16-bit range
}

void TestTrackingSim::pageAndUpdateFaults()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault no-field --fault update-fail"));
    QVERIFY(sim.isListening());
    const QString html = fetch(sim, QStringLiteral("/all/sf.shtml")).text();
    QVERIFY(!pageWithoutScript(html).contains(QStringLiteral("id=\"postid\"")));
    QVERIFY(html.contains(QStringLiteral("id=\"query\"")));
    QCOMPARE(fetch(sim, QStringLiteral("/update.ini")).status, 500);
    QVERIFY(fetch(sim, QStringLiteral("/apione?com=ems&nu=71&show=3")).text().endsWith(u("更多")));
}

void TestTrackingSim::faultNumberLimitsTheFault()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--fault status500 --fault no-more --fault-number 5003"));
    QVERIFY(sim.isListening());
    QCOMPARE(fetch(sim, QStringLiteral("/apione?com=ems&nu=5003&show=3")).status, 500);
    const Fetched other = fetch(sim, QStringLiteral("/apione?com=ems&nu=5013&show=3"));
    QCOMPARE(other.status, 200);
    QVERIFY(other.text().endsWith(u("更多")));
    // A page cannot know the number before its click: it is served, field and all.
    const Fetched page = fetch(sim, QStringLiteral("/sf.html"));
    QCOMPARE(page.status, 200);
    QVERIFY(page.text().contains(QStringLiteral("id=\"ExpressNo\"")));
}

void TestTrackingSim::latencyDelaysAnswers()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), args("--latency 300"));
    QVERIFY(sim.isListening());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetch(sim, QStringLiteral("/apione?com=ems&nu=1&show=3")).status, 200);
    QVERIFY(clock.elapsed() >= 280);
}

QTEST_GUILESS_MAIN(TestTrackingSim)
#include "tst_trackingsim.moc"
