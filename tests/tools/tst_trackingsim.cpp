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

Fetched fetch(const QString &url, int transferTimeoutMs = 10000)
{
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply *reply = network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.error = reply->error();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (reply->isOpen())
        result.body = reply->readAll();
    delete reply;
    return result;
}

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
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
    void printsItsPortAndAnswers();
    void conciseAnswerFollowsTheLastDigit_data();
    void conciseAnswerFollowsTheLastDigit();
    void unknownCompanyIsSaidSo();
    void encodedNumberArrivesWhole();
    void trackingPagesCarryTheSourcesIds_data();
    void trackingPagesCarryTheSourcesIds();
    void pageRecordHoldsTheConciseLastState();
    void updateFilesAndUnknownPaths();
    void statusAndTimeoutFaults();
    void answerContentFaults();
    void pageAndUpdateFaults();
    void faultNumberLimitsTheFault();
    void latencyDelaysAnswers();
    void unknownFaultIsRefused();
};

void TestTrackingSim::printsItsPortAndAnswers()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY2(sim.isListening(), sim.output().constData());
    QVERIFY(sim.port() > 0);
    const Fetched start = fetch(sim.baseUrl() + QStringLiteral("/"));
    QCOMPARE(start.status, 200);
    QVERIFY(start.contentType.startsWith("text/html"));
}

void TestTrackingSim::conciseAnswerFollowsTheLastDigit_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("mustHold");
    QTest::addColumn<QString>("mustLack");

    QTest::newRow("1 signed for") << u("SF10000001") << u("已签收") << u("妥投");
    QTest::newRow("2 delivered") << u("778899002") << u("妥投") << u("签收");
    QTest::newRow("0 unknown") << u("1230") << u("查无") << u("签收");
    QTest::newRow("other in transit") << u("4455667") << u("快件") << u("签收");
    QTest::newRow("letter in transit") << u("ab12c") << u("快件") << u("妥投");
}

void TestTrackingSim::conciseAnswerFollowsTheLastDigit()
{
    QFETCH(QString, number);
    QFETCH(QString, mustHold);
    QFETCH(QString, mustLack);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const Fetched answer = fetch(sim.baseUrl() + QStringLiteral("/apione?com=shunfeng&nu=%1&show=3").arg(number));
    QCOMPARE(answer.status, 200);
    QVERIFY(answer.contentType.contains("utf-8"));
    const QString text = answer.text();
    QVERIFY(text.endsWith(u("更多")));
    QCOMPARE(text.count(u("更多")), 1);
    const QString state = text.chopped(2);
    QVERIFY2(state.contains(mustHold), qPrintable(state));
    QVERIFY2(!state.contains(mustLack), qPrintable(state));
    if (number.endsWith(QLatin1Char('0')) || number.endsWith(QLatin1Char('c')))
        QVERIFY(!signedWords(state));
}

void TestTrackingSim::unknownCompanyIsSaidSo()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const QString known = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ztky&nu=5551&show=3")).text();
    const QString unknown = fetch(sim.baseUrl() + QStringLiteral("/apione?com=nosuch&nu=5551&show=3")).text();
    QVERIFY(signedWords(known));
    QVERIFY2(unknown.contains(u("不支持")), qPrintable(unknown));
    QVERIFY(!signedWords(unknown));
}

void TestTrackingSim::encodedNumberArrivesWhole()
{
    // "&nu=12&3#1" percent-encoded: the number ends in 1, so signed for; had
    // the server split it at "&" or "#", it would have seen "12" (delivered).
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const QString text = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=12%263%23%201&show=3")).text();
    QVERIFY2(text.contains(u("签收")), qPrintable(text));
}

void TestTrackingSim::trackingPagesCarryTheSourcesIds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("startLine");
    QTest::addColumn<QString>("endLine");

    QTest::newRow("default") << u("/all/htky.shtml") << u("postid") << u("query") << u("更多查询记录>>")
                             << u("转发查询结果>>");
    QTest::newRow("backup 1") << u("/broad-asia.html") << u("ExpressNo") << u("Enter") << u("查询结果") << u("简介");
    QTest::newRow("backup 2") << u("/index.html?types=zjs2") << u("ExpressNo") << u("enter") << u("查询结果")
                              << u("指定单号不存在。 操作建议：");
}

void TestTrackingSim::trackingPagesCarryTheSourcesIds()
{
    QFETCH(QString, path);
    QFETCH(QString, field);
    QFETCH(QString, button);
    QFETCH(QString, startLine);
    QFETCH(QString, endLine);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const Fetched page = fetch(sim.baseUrl() + path);
    QCOMPARE(page.status, 200);
    QVERIFY(page.contentType.startsWith("text/html"));
    const QString html = page.text();
    QVERIFY(html.contains(QStringLiteral("id=\"%1\"").arg(field)));
    QVERIFY(html.contains(QStringLiteral("id=\"%1\"").arg(button)));
    // The markers come only from the click's script, so a harvest before the
    // click finds nothing.
    const QString staticPart = pageWithoutScript(html);
    QVERIFY(!staticPart.isEmpty());
    QVERIFY(!staticPart.contains(startLine.toHtmlEscaped()) && !staticPart.contains(startLine));
    QVERIFY(!staticPart.contains(endLine));
    QVERIFY(html.contains(endLine));
}

void TestTrackingSim::pageRecordHoldsTheConciseLastState()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {});
    QVERIFY(sim.isListening());
    const QString html = fetch(sim.baseUrl() + QStringLiteral("/all/sf.shtml")).text();
    for (const char *number : {"81", "82", "83"}) {
        const QString answer =
            fetch(sim.baseUrl() + QStringLiteral("/apione?com=shunfeng&nu=%1&show=3").arg(QLatin1String(number))).text();
        const QString lastState = answer.chopped(2);
        QVERIFY2(html.contains(QLatin1Char('"') + lastState + QLatin1Char('"')), qPrintable(lastState));
    }
}

void TestTrackingSim::updateFilesAndUnknownPaths()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--update-version"), QStringLiteral("3.5")});
    QVERIFY(sim.isListening());
    const Fetched ini = fetch(sim.baseUrl() + QStringLiteral("/update.ini"));
    QCOMPARE(ini.status, 200);
    QCOMPARE(ini.body, QByteArray("[Ver]\r\nnew=3.5\r\n"));
    const Fetched zip = fetch(sim.baseUrl() + QStringLiteral("/update/tolvane.zip"));
    QCOMPARE(zip.status, 200);
    QCOMPARE(zip.contentType, QByteArray("application/zip"));
    QVERIFY(zip.body.startsWith("PK"));
    for (const char *path : {"/nothing", "/all/sf.html", "/a/b.html", "/update"})
        QCOMPARE(fetch(sim.baseUrl() + QLatin1String(path)).status, 404);
}

void TestTrackingSim::statusAndTimeoutFaults()
{
    {
        TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--fault"), QStringLiteral("status500")});
        QVERIFY(sim.isListening());
        QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=1&show=3")).status, 500);
        QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/all/ems.shtml")).status, 500);
        QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/update.ini")).status, 200);
    }
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--fault"), QStringLiteral("timeout")});
    QVERIFY(sim.isListening());
    const Fetched silent = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=1&show=3"), 400);
    QCOMPARE(silent.error, QNetworkReply::OperationCanceledError);
    QCOMPARE(silent.status, 0);
    QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/update.ini")).status, 200);
}

void TestTrackingSim::answerContentFaults()
{
    {
        TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--fault"), QStringLiteral("bad-utf8")});
        QVERIFY(sim.isListening());
        const QByteArray body = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=71&show=3")).body;
        QStringDecoder strict(QStringDecoder::Utf8);
        const QString decoded = strict.decode(body);
        QVERIFY(strict.hasError());
        QVERIFY(decoded.contains(u("签收")));
    }
    {
        TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--fault"), QStringLiteral("no-more")});
        QVERIFY(sim.isListening());
        const QString text = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=71&show=3")).text();
        QVERIFY(text.contains(u("签收")));
        QVERIFY(!text.contains(u("更多")));
    }
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--fault"), QStringLiteral("long")});
    QVERIFY(sim.isListening());
    const QString text = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=71&show=3")).text();
    QVERIFY(text.size() > 40000);
    QVERIFY(text.endsWith(u("更多")));
    // The signed-for words stand only beyond the 16-bit range.
    QVERIFY(text.indexOf(u("签收")) > 32767);
}

void TestTrackingSim::pageAndUpdateFaults()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--fault"), QStringLiteral("no-field"),
                                                   QStringLiteral("--fault"), QStringLiteral("update-fail")});
    QVERIFY(sim.isListening());
    const QString html = fetch(sim.baseUrl() + QStringLiteral("/all/sf.shtml")).text();
    QVERIFY(!pageWithoutScript(html).contains(QStringLiteral("id=\"postid\"")));
    QVERIFY(html.contains(QStringLiteral("id=\"query\"")));
    QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/update.ini")).status, 500);
    // Neither fault touches the concise interface.
    QVERIFY(fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=71&show=3")).text().endsWith(u("更多")));
}

void TestTrackingSim::faultNumberLimitsTheFault()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM),
                    {QStringLiteral("--fault"), QStringLiteral("status500"), QStringLiteral("--fault"),
                     QStringLiteral("no-more"), QStringLiteral("--fault-number"), QStringLiteral("5003")});
    QVERIFY(sim.isListening());
    QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=5003&show=3")).status, 500);
    const Fetched other = fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=5013&show=3"));
    QCOMPARE(other.status, 200);
    QVERIFY(other.text().endsWith(u("更多")));
    // A page cannot know the number before its click: it is served, field and all.
    const Fetched page = fetch(sim.baseUrl() + QStringLiteral("/sf.html"));
    QCOMPARE(page.status, 200);
    QVERIFY(page.text().contains(QStringLiteral("id=\"ExpressNo\"")));
}

void TestTrackingSim::latencyDelaysAnswers()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM), {QStringLiteral("--latency"), QStringLiteral("300")});
    QVERIFY(sim.isListening());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetch(sim.baseUrl() + QStringLiteral("/apione?com=ems&nu=1&show=3")).status, 200);
    QVERIFY(clock.elapsed() >= 280);
}

void TestTrackingSim::unknownFaultIsRefused()
{
    QProcess process;
    process.start(QStringLiteral(TRACKING_SIM), {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--fault"),
                                                 QStringLiteral("meltdown")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().contains("meltdown"));
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestTrackingSim)
#include "tst_trackingsim.moc"
