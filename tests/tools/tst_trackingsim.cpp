#include "carriers/CarrierCatalogue.h"
#include "query/HarvestRules.h"
#include "support/TrackingSim.h"

#include <QElapsedTimer>
#include <QStringDecoder>
#include <QtTest>

namespace {

const auto u = [](const char *utf8) { return QString::fromUtf8(utf8); };

} // namespace

class TestTrackingSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersPagesFilesAndFaults_data();
    void answersPagesFilesAndFaults();
    void everyCarrierOnTheThreeSources();
};

// Every text in "has" must first appear at or after "from"; no text in "lacks"
// may appear before a page's script, which alone writes the record.
void TestTrackingSim::answersPagesFilesAndFaults_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("has");
    QTest::addColumn<QStringList>("lacks");
    QTest::addColumn<int>("from");

    const QString answer = QStringLiteral("/apione?com=ems&nu=71&show=3");
    const auto ask = [](const char *query) { return QStringLiteral("/apione?%1&show=3").arg(QLatin1String(query)); };
    const QString more = u("更多"), signedFor = u("签收"), delivered = u("妥投");
    const auto id = [](const char *name) { return QStringLiteral("id=\"%1\"").arg(QLatin1String(name)); };
    const auto row = [](const char *tag, const char *arguments, const QString &path, int status,
                        const QStringList &has = {}, const QStringList &lacks = {},
                        int from = 0) { QTest::newRow(tag) << u(arguments) << path << status << has << lacks << from; };
    // The concise answer follows the last digit of the number.
    row("1 signed for", "", ask("com=shunfeng&nu=SF10000001&phone=8000"), 200, {u("已签收"), more}, {delivered});
    // 顺丰 and 中通 answer only with four digits of a telephone, as the real service.
    const QString phoneNeeded = u("电话号码后四位");
    row("no telephone", "", ask("com=shunfeng&nu=SF10000001"), 200, {phoneNeeded, more}, {signedFor});
    row("three digits", "", ask("com=zhongtong&nu=7301&phone=800"), 200, {phoneNeeded}, {signedFor});
    row("others need none", "", ask("com=yuantong&nu=7301"), 200, {u("已签收")}, {phoneNeeded});
    row("2 delivered", "", ask("com=ztky&nu=778899002"), 200, {delivered, more}, {signedFor});
    row("0 unknown", "", ask("com=ems&nu=1230"), 200, {u("查无"), more}, {signedFor, delivered});
    row("other in transit", "", ask("com=ems&nu=4455667"), 200, {u("快件"), more}, {signedFor, delivered});
    row("letter in transit", "", ask("com=ems&nu=ab12c"), 200, {u("快件"), more}, {signedFor, delivered});
    row("unknown company", "", ask("com=nosuch&nu=5551"), 200, {u("不支持"), more}, {signedFor, delivered});
    row("today's carrier", "", ask("com=jtexpress&nu=JT0000000000001"), 200, {u("已签收"), more});
    // "12&3# 1" encoded ends in 1; split at "&" it would be "12" (delivered).
    row("encoded number whole", "", ask("com=ems&nu=12%263%23%201"), 200, {u("已签收"), more}, {delivered});
    row("default page", "", u("/all/htky.shtml"), 200, {id("postid"), id("query"), u("转发查询结果>>")},
        {u("转发查询结果>>"), u("查询结果")});
    row("backup 1 page", "", u("/broad-asia.html"), 200, {id("ExpressNo"), id("Enter"), u("简介")},
        {u("简介"), u("查询结果")});
    row("backup 2 page", "", u("/index.html?types=zjs2"), 200,
        {id("ExpressNo"), id("enter"), u("指定单号不存在。 操作建议：")}, {u("指定单号不存在。"), u("查询结果")});
    row("update file", "--update-version 3.5", u("/update.ini"), 200, {u("[Ver]\r\nnew=3.5\r\n")});
    row("unknown page", "", u("/all/sf.html"), 404);
    row("no page for the carrier", "", u("/index.html?types=ups"), 200, {u("暂不支持")},
        {id("ExpressNo"), id("enter")});
    row("unknown file", "", u("/update"), 404);
    row("status500 answer", "--fault status500", answer, 500);
    row("status500 page", "--fault status500", u("/all/ems.shtml"), 500);
    row("faults spare the update file", "--fault status500 --fault timeout", u("/update.ini"), 200);
    row("timeout", "--fault timeout", answer, 0);
    row("no-more", "--fault no-more", answer, 200, {signedFor}, {more});
    row("long", "--fault long", answer, 200, {signedFor, more}, {}, 32768); // beyond the 16-bit range
    row("bad-utf8", "--fault bad-utf8", answer, 200, {signedFor});
    row("no-field", "--fault no-field", u("/all/sf.shtml"), 200, {id("query")}, {id("postid")});
    row("update-fail", "--fault update-fail", u("/update.ini"), 500);
    row("update-fail spares answers", "--fault update-fail", answer, 200, {more});
    const char *limited = "--fault status500 --fault no-more --fault-number 5003";
    row("fault-number hits", limited, ask("com=ems&nu=5003"), 500);
    row("fault-number spares others", limited, ask("com=ems&nu=5013"), 200, {more});
    // A page cannot know the number before its click: it is served, field and all.
    row("fault-number spares pages", limited, u("/sf.html"), 200, {id("ExpressNo")});
    row("latency", "--latency 300", answer, 200);
}

void TestTrackingSim::answersPagesFilesAndFaults()
{
    QFETCH(QString, arguments);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QStringList, has);
    QFETCH(QStringList, lacks);
    QFETCH(int, from);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), arguments.toUtf8().constData());
    QVERIFY2(sim.isListening(), sim.output().constData());
    QElapsedTimer clock;
    clock.start();
    // Only the silent fault gets a short wait, which it outlasts.
    const TrackingSim::Reply reply = sim.get(path, status == 0 ? 2000 : 60000);
    QCOMPARE(reply.status, status);
    if (status == 0)
        QCOMPARE(reply.error, QNetworkReply::OperationCanceledError);
    if (arguments.contains(u("--latency")))
        QVERIFY(clock.elapsed() >= 280);
    QStringDecoder strict(QStringDecoder::Utf8);
    const QString text = strict.decode(reply.body);
    QCOMPARE(strict.hasError(), arguments.contains(u("bad-utf8")));
    for (const QString &wanted : has)
        QVERIFY2(text.indexOf(wanted) >= from, qPrintable(wanted));
    const QString beforeScript = text.left(text.indexOf(QStringLiteral("<script")));
    for (const QString &unwanted : lacks)
        QVERIFY2(!beforeScript.contains(unwanted), qPrintable(unwanted));
}

// Each catalogue row's page on each source, as the detailed query loads it:
// with the source's number field and button, or listed here. Where backup
// source 2 lacks a carrier the catalogue falls back to backup source 1's page,
// read with that page's own field and button.
void TestTrackingSim::everyCarrierOnTheThreeSources()
{
    TrackingSim sim(QStringLiteral(TRACKING_SIM));
    QVERIFY2(sim.isListening(), sim.output().constData());
    sim.serveAllHosts();
    QStringList lacking;
    for (const Carrier &c : CarrierCatalogue::all()) {
        for (const DataSource source : {DataSource::Default, DataSource::Backup1, DataSource::Backup2}) {
            const QString where = c.name + QLatin1Char('@') + DataSources::configValue(source);
            const QString address = TrackingPageAddress(c, source);
            if (address.isEmpty()) {
                lacking << where + u("：无页面");
                continue;
            }
            const TrackingSim::Reply reply = sim.get(address.mid(sim.baseUrl().size()));
            QCOMPARE(reply.status, 200);
            const PageIds ids = PageIdsFor(TrackingPageSource(c, source));
            for (const QString &id : {ids.numberField, ids.queryButton}) {
                if (!reply.body.contains(QStringLiteral("id=\"%1\"").arg(id).toUtf8())) {
                    lacking << where + u("：无查询框");
                    break;
                }
            }
        }
    }
    QCOMPARE(lacking,
             (QStringList{u("佳吉快运@mrly：无页面"), u("佳吉快运@byly1：无页面"), u("佳吉快运@byly2：无页面"),
                          u("中铁物流@mrly：无页面"), u("中铁物流@byly1：无页面"), u("中铁物流@byly2：无页面")}));
}

QTEST_GUILESS_MAIN(TestTrackingSim)
#include "tst_trackingsim.moc"
