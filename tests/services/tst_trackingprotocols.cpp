#include "core/Endpoints.h"
#include "services/KdniaoProtocol.h"
#include "services/Kuaidi100Protocol.h"
#include "services/ServiceStatus.h"
#include "services/Track17Protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}
const Credentials kAccount{QStringLiteral("CUST1"), QStringLiteral("KEY8")};

std::unique_ptr<TrackingProtocol> make(int id)
{
    switch (ServiceId(id)) {
    case ServiceId::Kuaidi100:
        return MakeKuaidi100Protocol();
    case ServiceId::Kdniao:
        return MakeKdniaoProtocol();
    default:
        return MakeTrack17Protocol();
    }
}

HttpAnswer json(const char *body, int status = 200)
{
    HttpAnswer a;
    a.status = status;
    a.contentType = "application/json";
    a.body = body;
    return a;
}

QString field(const QByteArray &formBody, const char *name)
{
    return QUrlQuery(QString::fromLatin1(formBody)).queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded);
}

TrackJob job(const char *number, const char *carrier, const char *digits = "")
{
    return TrackJob{u(number), u(carrier), u(digits)};
}
} // namespace

class TestTrackingProtocols : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void serviceStatus_data();
    void serviceStatus();
    void signatures();
    void requests();
    void foreignAnswersFailTheBatch_data();
    void foreignAnswersFailTheBatch();
    void serviceAnswers_data();
    void serviceAnswers();
    void track17Batch();
    void track17Registration();
    void probes();
    void carrierCodes();
};

void TestTrackingProtocols::initTestCase()
{
    Endpoints hosts;
    hosts.kuaidi100Service = QStringLiteral("http://127.0.0.1:9/k");
    hosts.kdniaoService = QStringLiteral("http://127.0.0.1:9/n");
    hosts.track17Service = QStringLiteral("http://127.0.0.1:9/t");
    Endpoints::setCurrent(hosts);
}

// Every documented code of each service, read independently of the tables.
void TestTrackingProtocols::serviceStatus_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("codes");
    QTest::addColumn<QString>("status");
    auto row = [](const char *service, const char *codes, const char *status) {
        QTest::addRow("%s %s", service, codes) << u(service) << u(codes) << u(status);
    };
    row("k100", "3 301 302 303 304", "已签收");
    row("k100", "4", "已退签");
    row("k100", "6 14 203", "拒收/退回中");
    row("k100", "2 201 202 204 206 207 208 209 210 401", "疑难");
    row("k100", "501 205", "待取件");
    row("k100", "5", "派件中");
    row("k100", "7", "转投");
    row("k100", "8 10 11 12 13", "清关");
    row("k100", "0 1001 1002 1003", "运输中");
    row("k100", "1 103", "已揽收");
    row("k100", "101 102", "待揽收");
    row("k100", "9 15 305", "");
    row("kdn", "3 301 302 304 311", "已签收");
    row("kdn", "406", "已退签");
    row("kdn", "404 407", "拒收/退回中");
    row("kdn", "4 402 403 405 413 414 415 416 417 418 420 421 422 423", "疑难");
    row("kdn", "211 412", "待取件");
    row("kdn", "202 419", "派件中");
    row("kdn", "5", "转投");
    row("kdn", "6 601 602 603 604", "清关");
    row("kdn", "2 201 204 205 206", "运输中");
    row("kdn", "1", "已揽收");
    row("kdn", "401", "待揽收");
    row("kdn", "0 7 305 408", "");
    row("17", "Delivered Delivered_Other", "已签收");
    row("17", "Exception_Returned", "已退签");
    row("17", "Exception_Returning Exception_Rejected DeliveryFailure_Rejected", "拒收/退回中");
    row("17",
        "Expired Expired_Other DeliveryFailure DeliveryFailure_Other DeliveryFailure_NoBody "
        "DeliveryFailure_Security DeliveryFailure_InvalidAddress Exception Exception_Other Exception_NoBody "
        "Exception_Security Exception_Damage Exception_Delayed Exception_Lost Exception_Destroyed Exception_Cancel",
        "疑难");
    row("17", "AvailableForPickup AvailableForPickup_Other", "待取件");
    row("17", "OutForDelivery OutForDelivery_Other", "派件中");
    row("17", "InTransit_CustomsProcessing InTransit_CustomsReleased InTransit_CustomsRequiringInformation", "清关");
    row("17", "InTransit InTransit_Other InTransit_Departure InTransit_Arrival", "运输中");
    row("17", "InTransit_PickedUp", "已揽收");
    row("17", "InfoReceived", "待揽收");
    row("17", "NotFound NotFound_Other NotFound_InvalidCode delivered", "");
}

void TestTrackingProtocols::serviceStatus()
{
    QFETCH(QString, service);
    QFETCH(QString, codes);
    QFETCH(QString, status);
    for (const QString &code : codes.split(QLatin1Char(' '))) {
        const QString got = service == QLatin1String("k100")  ? ServiceStatus::kuaidi100(code.toInt())
                            : service == QLatin1String("kdn") ? ServiceStatus::kdniao(code.toInt())
                                                              : ServiceStatus::track17(code);
        QVERIFY2(got == status, qPrintable(code + QStringLiteral(" -> ") + got));
    }
}

void TestTrackingProtocols::signatures()
{
    // Computed apart from the program (Python hashlib).
    QCOMPARE(Kuaidi100::sign(u(R"({"com":"yuantong","num":"YT123"})"), u("KEY8"), u("CUST1")),
             QByteArray("8AF8A6900A54800E45EBC553E07BFD7C"));
    // 快递鸟's own worked example of DataSign.
    QCOMPARE(Kdniao::dataSign(u("{'OrderCode':'','ShipperCode':'SF','LogisticCode':'118954907573'}"),
                              u("56da2cf8-c8a2-44b2-b6fa-476cd7d1ba17")),
             QByteArray("OWFhM2I5N2ViM2U2MGRkMjc4YzU2NmVlZWI3ZDk0MmE%3D"));
}

void TestTrackingProtocols::requests()
{
    const HttpCall k = MakeKuaidi100Protocol()->request({job("SF123456", "顺丰速运", "8000")}, kAccount);
    QCOMPARE(k.url.toString(), u("http://127.0.0.1:9/k/poll/query.do"));
    const QString param = field(k.body, "param");
    QCOMPARE(field(k.body, "customer"), u("CUST1"));
    QCOMPARE(field(k.body, "sign").toLatin1(), Kuaidi100::sign(param, u("KEY8"), u("CUST1")));
    const QJsonObject p = QJsonDocument::fromJson(param.toUtf8()).object();
    QCOMPARE(p.value("com").toString() + p.value("phone").toString() + p.value("resultv2").toString(),
             u("shunfeng80004"));
    const HttpCall k2 = MakeKuaidi100Protocol()->request({job("YT1", "圆通快递", "8000")}, kAccount);
    QVERIFY(!QJsonDocument::fromJson(field(k2.body, "param").toUtf8()).object().contains("phone"));

    const HttpCall n = MakeKdniaoProtocol()->request({job("SF99", "顺丰速运", "1234")}, kAccount);
    QCOMPARE(n.url.path(), u("/n/Ebusiness/EbusinessOrderHandle.aspx"));
    const QString data = field(n.body, "RequestData");
    QCOMPARE(field(n.body, "RequestType") + field(n.body, "DataType") + field(n.body, "EBusinessID"), u("10022CUST1"));
    QCOMPARE(QUrl::toPercentEncoding(field(n.body, "DataSign")), Kdniao::dataSign(data, u("KEY8")));
    const QJsonObject d = QJsonDocument::fromJson(data.toUtf8()).object();
    QCOMPARE(d.value("ShipperCode").toString() + d.value("CustomerName").toString(), u("SF1234"));
    const HttpCall n2 = MakeKdniaoProtocol()->request({job("ZT1", "中通速递", "1234")}, kAccount);
    QVERIFY(!QJsonDocument::fromJson(field(n2.body, "RequestData").toUtf8()).object().contains("CustomerName"));
}

void TestTrackingProtocols::foreignAnswersFailTheBatch_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<HttpAnswer>("answer");
    QTest::addColumn<int>("failure");
    HttpAnswer html = json("<!DOCTYPE html><html><body>502 Bad Gateway</body></html>");
    html.contentType = "text/html";
    HttpAnswer htmlAsJson = json("  <html><title>502</title></html>");
    HttpAnswer down;
    down.networkError = u("网络连接失败");
    for (ServiceId id : {ServiceId::Kuaidi100, ServiceId::Kdniao, ServiceId::Track17}) {
        const int s = int(id);
        QTest::addRow("%d html 502 page with 200", s) << s << html << int(TrackFailure::BadAnswer);
        QTest::addRow("%d html labelled json", s) << s << htmlAsJson << int(TrackFailure::BadAnswer);
        QTest::addRow("%d 429", s) << s << json("{}", 429) << int(TrackFailure::RateLimited);
        QTest::addRow("%d 503", s) << s << json(R"({"Success":true})", 503) << int(TrackFailure::BadAnswer);
        QTest::addRow("%d broken json", s) << s << json(R"({"state":"3",)") << int(TrackFailure::BadAnswer);
        QTest::addRow("%d json array", s) << s << json("[]") << int(TrackFailure::BadAnswer);
        QTest::addRow("%d foreign json", s) << s << json(R"({"hello":1})") << int(TrackFailure::BadAnswer);
        QTest::addRow("%d network", s) << s << down << int(TrackFailure::Network);
    }
}

void TestTrackingProtocols::foreignAnswersFailTheBatch()
{
    QFETCH(int, service);
    QFETCH(HttpAnswer, answer);
    QFETCH(int, failure);
    const QVector<TrackJob> batch{job("YT1", "圆通快递"), job("YT2", "圆通快递")};
    const auto p = make(service);
    const QVector<TrackJob> jobs = p->limits().batchSize > 1 ? batch : batch.mid(0, 1);
    const QVector<TrackResult> results = p->parse(jobs, answer);
    QCOMPARE(results.size(), jobs.size());
    for (const TrackResult &r : results) {
        QCOMPARE(int(r.failure), failure);
        QVERIFY(r.status.isEmpty());
        QVERIFY(!r.failureText.isEmpty());
        if (QTest::currentDataTag() && QByteArray(QTest::currentDataTag()).contains("html"))
            QVERIFY2(r.failureText.contains(u("网页")), qPrintable(r.failureText));
    }
}

void TestTrackingProtocols::serviceAnswers_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("status"); // for a failure: a word of its text
    QTest::addColumn<int>("code");
    const int k = int(ServiceId::Kuaidi100), n = int(ServiceId::Kdniao);
    const QByteArray signedFor = R"({"message":"ok","status":"200","state":"3","data":[
        {"time":"2026-12-02 09:00:00","context":"已签收","areaName":"上海","statusCode":"304"},
        {"time":"2026-12-01 10:00:00","context":"已揽收","areaName":"杭州","statusCode":"103"}]})";
    QTest::newRow("k100 signed") << k << signedFor << 0 << u("已签收") << 304;
    QTest::newRow("k100 return signed keeps 退签") << k << QByteArray(R"({"status":"200","state":"4","data":[
        {"time":"t","context":"退回签收","statusCode":"301"}]})")
                                                   << 0 << u("已退签") << 4;
    QTest::newRow("k100 sub-state refines") << k << QByteArray(R"({"status":"200","state":"5","data":[
        {"time":"t","context":"已放入驿站","statusCode":"501"}]})")
                                            << 0 << u("待取件") << 501;
    QTest::newRow("k100 503") << k << QByteArray(R"({"result":false,"returnCode":"503","message":"验证签名失败"})")
                              << int(TrackFailure::Auth) << u("customer") << -1;
    QTest::newRow("k100 601") << k << QByteArray(R"({"result":false,"returnCode":"601","message":"x"})")
                              << int(TrackFailure::Quota) << u("单量") << -1;
    QTest::newRow("k100 500") << k << QByteArray(R"({"result":false,"returnCode":"500","message":"查询无结果"})")
                              << int(TrackFailure::NumberUnknown) << u("查无") << -1;
    QTest::newRow("k100 400") << k << QByteArray(R"({"result":false,"returnCode":"400","message":"找不到对应公司"})")
                              << int(TrackFailure::CarrierUnsupported) << u("不支持") << -1;
    QTest::newRow("k100 408") << k << QByteArray(R"({"result":false,"returnCode":"408","message":"x"})")
                              << int(TrackFailure::PhoneNeeded) << u("后四位") << -1;
    QTest::newRow("k100 502") << k << QByteArray(R"({"result":false,"returnCode":"502","message":"x"})")
                              << int(TrackFailure::RateLimited) << u("频繁") << -1;
    const QByteArray returned = R"({"EBusinessID":"1","Success":true,"State":"4","StateEx":"406","Traces":[
        {"AcceptTime":"2026-12-01 10:00:00","AcceptStation":"已揽收","Location":"杭州"},
        {"AcceptTime":"2026-12-05 10:00:00","AcceptStation":"退货已签收","Location":"杭州"}]})";
    QTest::newRow("kdn 406 return signed") << n << returned << 0 << u("已退签") << 406;
    QTest::newRow("kdn state only") << n << QByteArray(R"({"Success":true,"State":"3","Traces":[
        {"AcceptTime":"t","AcceptStation":"签收"}]})")
                                    << 0 << u("已签收") << 3;
    QTest::newRow("kdn sign") << n << QByteArray(R"({"Success":false,"Reason":"数据签名验证失败"})")
                              << int(TrackFailure::Auth) << u("ApiKey") << -1;
    QTest::newRow("kdn quota") << n << QByteArray(R"({"Success":false,"Reason":"超出每日查询次数"})")
                               << int(TrackFailure::Quota) << u("次数") << -1;
    QTest::newRow("kdn rate") << n << QByteArray(R"({"Success":false,"Reason":"请求过于频繁"})")
                              << int(TrackFailure::RateLimited) << u("频繁") << -1;
    QTest::newRow("kdn carrier") << n << QByteArray(R"({"Success":false,"Reason":"不支持的快递公司"})")
                                 << int(TrackFailure::CarrierUnsupported) << u("不支持") << -1;
    QTest::newRow("kdn no trace") << n
                                  << QByteArray(R"({"Success":true,"State":"0","Reason":"暂无轨迹信息","Traces":[]})")
                                  << int(TrackFailure::NumberUnknown) << u("查无") << -1;
}

void TestTrackingProtocols::serviceAnswers()
{
    QFETCH(int, service);
    QFETCH(QByteArray, body);
    QFETCH(int, failure);
    QFETCH(QString, status);
    QFETCH(int, code);
    const TrackResult r = make(service)->parse({job("YT9", "圆通快递")}, json(body.constData())).first();
    QCOMPARE(r.number, u("YT9"));
    QCOMPARE(int(r.failure), failure);
    if (failure) {
        QVERIFY2(r.failureText.contains(status), qPrintable(r.failureText));
        return;
    }
    QCOMPARE(r.status, status);
    QCOMPARE(r.serviceCode, code);
    QCOMPARE(r.newest, r.trace.first().text);
    if (r.trace.size() > 1) // newest first, whichever order the service used
        QVERIFY(r.trace.first().time > r.trace.last().time);
}

void TestTrackingProtocols::track17Batch()
{
    const auto p = MakeTrack17Protocol();
    QCOMPARE(p->limits().batchSize, 40);
    QVector<TrackJob> batch{job("YT1", "圆通快递"), job("TT2", "天天快递"), job("YT3", "圆通快递"),
                            job("YT4", "圆通快递"), job("YT5", "圆通快递"), job("YT6", "圆通快递")};
    const QJsonArray sent = QJsonDocument::fromJson(p->request(batch, kAccount).body).array();
    QCOMPARE(sent.size(), 6);
    QCOMPARE(sent.at(0).toObject().value("carrier").toInt(), 190157);
    QVERIFY(!sent.at(1).toObject().contains("carrier")); // left to auto-detection
    QCOMPARE(p->request(batch, kAccount).headers.first(), qMakePair(QByteArray("17token"), QByteArray("KEY8")));

    const HttpAnswer answer = json(R"({"code":0,"data":{"accepted":[
        {"number":"YT3","track_info":{"latest_status":{"status":"Exception","sub_status":"Exception_Returned"},
         "tracking":{"providers":[{"events":[{"time_iso":"2026-12-03T10:00:00+08:00","description":"退件签收","location":"杭州"},
                                             {"time_iso":"2026-12-01T08:00:00+08:00","description":"揽收","location":"杭州"}]}]}}},
        {"number":"yt1","track_info":{"latest_status":{"status":"Delivered","sub_status":"Delivered_Other"},
         "latest_event":{"time_iso":"2026-12-02T09:30:00+08:00","description":"已签收","location":"上海"}}},
        {"number":"YT4"},
        {"number":"YT6","track_info":{"latest_status":{"status":"NotFound","sub_status":"NotFound_Other"}}}],
      "rejected":[{"number":"TT2","error":{"code":-18019902,"message":"does not register"}}]}})");
    const QVector<TrackResult> r = p->parse(batch, answer);
    QCOMPARE(r.size(), 6);
    QCOMPARE(r[0].status + r[0].newest + r[0].trace.first().time, u("已签收已签收2026-12-02 09:30:00"));
    QCOMPARE(r[1].failure, TrackFailure::NotRegistered);
    QCOMPARE(r[2].status, u("已退签"));
    QCOMPARE(r[2].trace.size(), 2);
    QCOMPARE(r[2].trace.first().place, u("杭州"));
    QCOMPARE(r[3].failure, TrackFailure::Pending);
    QCOMPARE(r[4].failure, TrackFailure::BadAnswer); // missing from the answer
    QCOMPARE(r[5].failure, TrackFailure::NumberUnknown);

    const QVector<TrackResult> denied =
        p->parse(batch, json(R"({"code":-18010002,"data":{"errors":[{"code":-18010002,"message":"invalid"}]}})"));
    for (const TrackResult &d : denied)
        QCOMPARE(d.failure, TrackFailure::Auth);
}

void TestTrackingProtocols::track17Registration()
{
    const auto p = MakeTrack17Protocol();
    const QVector<TrackJob> batch{job("A1", "圆通快递"), job("A2", "圆通快递"), job("A3", "圆通快递")};
    const std::optional<HttpCall> call = p->registration(batch, kAccount);
    QVERIFY(call);
    QCOMPARE(call->url.path(), u("/t/track/v2.2/register"));
    const QVector<TrackResult> r = p->parseRegistration(batch, json(R"({"code":0,"data":{"accepted":[{"number":"A1"}],
        "rejected":[{"number":"A2","error":{"code":-18019901}},{"number":"A3","error":{"code":-18019908}}]}})"));
    QCOMPARE(r[0].failure, TrackFailure::None);
    QCOMPARE(r[1].failure, TrackFailure::None); // already registered
    QCOMPARE(r[2].failure, TrackFailure::Quota);
    QVERIFY(!MakeKuaidi100Protocol()->registration(batch, kAccount));
}

void TestTrackingProtocols::probes()
{
    const auto t = MakeTrack17Protocol();
    QCOMPARE(t->probe(kAccount).url.path(), u("/t/track/v2.2/getquota"));
    const ProbeResult quota =
        t->parseProbe(json(R"({"code":0,"data":{"quota_total":100,"quota_used":10,"quota_remain":90}})"));
    QVERIFY(quota.ok);
    QCOMPARE(quota.remaining, 90);
    QVERIFY(!t->parseProbe(json(R"({"code":-18010002,"data":{"errors":[{"code":-18010002}]}})")).ok);

    const auto k = MakeKuaidi100Protocol();
    QVERIFY(k->parseProbe(json(R"({"result":false,"returnCode":"500","message":"查询无结果"})")).ok);
    const ProbeResult bad = k->parseProbe(json(R"({"result":false,"returnCode":"503","message":"x"})"));
    QVERIFY(!bad.ok);
    QVERIFY(bad.text.contains(u("签名")));
    QVERIFY(!MakeKdniaoProtocol()->parseProbe(json(R"({"Success":false,"Reason":"超出每日查询次数"})")).ok);
}

void TestTrackingProtocols::carrierCodes()
{
    const auto k = MakeKuaidi100Protocol(), n = MakeKdniaoProtocol(), t = MakeTrack17Protocol();
    QStringList phone;
    for (const Carrier &c : CarrierCatalogue::all()) {
        if (k->needsPhoneDigits(c) || n->needsPhoneDigits(c) || t->needsPhoneDigits(c))
            phone << c.name + QString::number(k->needsPhoneDigits(c)) + QString::number(n->needsPhoneDigits(c));
        if (c.row >= 28) // today's carriers are known to both Chinese services
            QVERIFY(!k->carrierCode(c).isEmpty() && !n->carrierCode(c).isEmpty());
    }
    QCOMPARE(phone, (QStringList{u("顺丰速运11"), u("中通速递10")}));
    QCOMPARE(t->carrierCode(*FindCarrierByName(u("中国邮政"))), u("3011"));
}

QTEST_GUILESS_MAIN(TestTrackingProtocols)
#include "tst_trackingprotocols.moc"
