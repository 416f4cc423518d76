#include "support/TrackingSim.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <memory>

namespace {

enum Service { Kuaidi100, Kdniao, Track17 };

const auto u = [](const char *utf8) { return QString::fromUtf8(utf8); };

QByteArray md5(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex();
}

QByteArray form(const QList<QPair<const char *, QString>> &fields)
{
    QByteArrayList pairs;
    for (const auto &[name, value] : fields)
        pairs << QByteArray(name) + '=' + value.toUtf8().toPercentEncoding();
    return pairs.join('&');
}

struct Answer {
    QString outcome;   // "state/sub-state", or the error's code or reason
    QStringList times; // the lines' times in the order given
    QString newest;    // the newest line's text
};

// A client that signs as each service's documentation says, independent of
// the simulator's code. A step is "CARRIER NUMBER [PHONE]" for 快递100 and
// 快递鸟; for 17TRACK "+NUMBER[@CARRIER][#PHONE]" registers, "*N" registers
// N numbers, "?NUMBER" asks and "quota" asks for the quota.
struct Client {
    const TrackingSim &sim;
    QString account; // "ID:KEY" or a token; empty for the simulator's default
    int waitMs = 60000;

    QString id(const char *fallback) const { return account.isEmpty() ? u(fallback) : account.section(':', 0, 0); }
    QString key(const char *fallback) const { return account.isEmpty() ? u(fallback) : account.section(':', 1); }

    Answer ask(Service service, const QString &step) const
    {
        const QStringList part = step.split(QLatin1Char(' '));
        TrackingSim::Reply reply;
        if (service == Kuaidi100) {
            QJsonObject p{{"com", part[0]}, {"num", part[1]}, {"resultv2", "4"}, {"show", "0"}, {"order", "desc"}};
            if (part.size() > 2)
                p.insert("phone", part[2]);
            const QString param = QString::fromUtf8(QJsonDocument(p).toJson(QJsonDocument::Compact));
            const QString customer = id("tolvane-customer");
            const QString sign = QString::fromLatin1(md5(param + key("tolvane-key") + customer).toUpper());
            reply = sim.post("/poll/query.do", form({{"customer", customer}, {"sign", sign}, {"param", param}}),
                             "application/x-www-form-urlencoded", {}, waitMs);
        } else if (service == Kdniao) {
            QJsonObject d{{"OrderCode", ""}, {"ShipperCode", part[0]}, {"LogisticCode", part[1]}};
            if (part.size() > 2)
                d.insert("CustomerName", part[2]);
            const QString data = QString::fromUtf8(QJsonDocument(d).toJson(QJsonDocument::Compact));
            const QString sign = QString::fromLatin1(md5(data + key("tolvane-apikey")).toBase64());
            reply = sim.post("/Ebusiness/EbusinessOrderHandle.aspx",
                             form({{"RequestData", data},
                                   {"EBusinessID", id("1234567")},
                                   {"RequestType", "1002"},
                                   {"DataSign", sign},
                                   {"DataType", "2"}}),
                             "application/x-www-form-urlencoded;charset=utf-8", {}, waitMs);
        } else {
            QJsonArray items;
            QString path = "/track/v2.2/getquota";
            if (step.startsWith('*')) {
                for (int i = 0; i < step.mid(1).toInt(); ++i)
                    items.append(QJsonObject{{"number", QStringLiteral("YT%1").arg(200001 + i)}, {"carrier", 190157}});
                path = "/track/v2.2/register";
            } else if (step.startsWith('+') || step.startsWith('?')) {
                const QStringList number = step.mid(1).split(QRegularExpression("[@#]"));
                QJsonObject item{{"number", number[0]}};
                if (step.contains('@'))
                    item.insert("carrier", number[1].toInt());
                if (step.contains('#'))
                    item.insert("param", number.last());
                items.append(item);
                path = step.startsWith('+') ? "/track/v2.2/register" : "/track/v2.2/gettrackinfo";
            }
            reply = sim.post(path, QJsonDocument(items).toJson(), "application/json",
                             {{"17token", (account.isEmpty() ? u("tolvane-17token") : account).toUtf8()}}, waitMs);
        }
        if (reply.status != 200)
            return {QStringLiteral("HTTP %1").arg(reply.status), {}, {}};
        if (reply.body.startsWith("<html>"))
            return {"html", {}, {}};
        return read(service, QJsonDocument::fromJson(reply.body).object());
    }

    static Answer read(Service service, const QJsonObject &o)
    {
        Answer a;
        if (service == Kuaidi100) {
            const QJsonArray data = o["data"].toArray();
            if (data.isEmpty())
                return {o["returnCode"].toString(), {}, {}};
            for (const QJsonValue &line : data)
                a.times << line["time"].toString();
            a.newest = data.first()["context"].toString();
            a.outcome = o["state"].toString() + '/' + data.first()["statusCode"].toString();
        } else if (service == Kdniao) {
            if (!o["Success"].toBool())
                return {o["Reason"].toString(), {}, {}};
            const QJsonArray traces = o["Traces"].toArray();
            for (const QJsonValue &line : traces)
                a.times << line["AcceptTime"].toString();
            a.newest = traces.isEmpty() ? QString() : traces.last()["AcceptStation"].toString();
            if (!traces.isEmpty() && traces.last()["Action"] != o["StateEx"])
                return {"last Action differs from StateEx", {}, {}};
            a.outcome = o["State"].toString() + '/' + o["StateEx"].toString();
        } else {
            const QJsonObject data = o["data"].toObject();
            if (o["code"].toInt() != 0)
                return {QString::number(data["errors"][0]["code"].toInt()), {}, {}};
            if (data.contains("quota_total"))
                return {QStringLiteral("%1/%2/%3")
                            .arg(data["quota_total"].toInt())
                            .arg(data["quota_used"].toInt())
                            .arg(data["quota_remain"].toInt()),
                        {},
                        {}};
            if (!data["rejected"].toArray().isEmpty())
                return {QString::number(data["rejected"][0]["error"]["code"].toInt()), {}, {}};
            const QJsonObject info = data["accepted"][0]["track_info"].toObject();
            if (info.isEmpty())
                return {QStringLiteral("%1 accepted").arg(data["accepted"].toArray().size()), {}, {}};
            const QJsonArray events = info["tracking"]["providers"][0]["events"].toArray();
            for (const QJsonValue &event : events)
                a.times << event["time_iso"].toString();
            a.newest = events.isEmpty() ? QString() : events.first()["description"].toString();
            a.outcome =
                info["latest_status"]["status"].toString() + '/' + info["latest_status"]["sub_status"].toString();
        }
        return a;
    }
};

} // namespace

class TestTrackingSimAccounts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyKindOnEachService_data();
    void everyKindOnEachService();
    void accountsErrorsLimitsAndFaults_data();
    void accountsErrorsLimitsAndFaults();

private:
    std::unique_ptr<TrackingSim> m_sim;
};

void TestTrackingSimAccounts::initTestCase()
{
    // One simulator for the record table, its rate limits off.
    m_sim = std::make_unique<TrackingSim>(QStringLiteral(TRACKING_SIM), "--rate-window-ms 0");
    QVERIFY2(m_sim->isListening(), m_sim->output().constData());
}

void TestTrackingSimAccounts::everyKindOnEachService_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("kuaidi100");
    QTest::addColumn<QString>("kdniao");
    QTest::addColumn<QString>("track17");
    const auto row = [](const char *tag, const char *ending, const char *k100, const char *kdn, const char *t17) {
        QTest::newRow(tag) << u(ending) << u(k100) << u(kdn) << u(t17);
    };
    row("signed", "1", "3/301", "3/301", "Delivered/Delivered_Other");
    row("delivered", "2", "3/301", "3/301", "Delivered/Delivered_Other");
    row("return signed", "73", "4/4", "4/406", "Exception/Exception_Returned");
    row("returned to sender", "74", "4/4", "4/406", "Exception/Exception_Returned");
    row("refused", "75", "14/14", "4/404", "Exception/Exception_Rejected");
    row("exception", "76", "2/206", "4/416", "Exception/Exception_Other");
    row("locker", "77", "5/501", "2/211", "AvailableForPickup/AvailableForPickup_Other");
    row("station", "78", "5/501", "2/211", "AvailableForPickup/AvailableForPickup_Other");
    row("out for delivery", "83", "5/5", "2/202", "OutForDelivery/OutForDelivery_Other");
    row("redirected", "84", "7/7", "5/5", "InTransit/InTransit_Other");
    row("customs", "85", "8/11", "6/602", "InTransit/InTransit_CustomsProcessing");
    row("picked up", "86", "1/103", "1/1", "InTransit/InTransit_PickedUp");
    row("ordered", "87", "1/101", "1/10", "InfoReceived/InfoReceived");
    row("held at desk", "88", "5/501", "2/211", "AvailableForPickup/AvailableForPickup_Other");
    row("delivery failed", "9", "2/204", "4/405", "DeliveryFailure/DeliveryFailure_Other");
    row("not found", "0", "500", "0/0", "NotFound/NotFound_Other");
    row("in transit", "5", "0/1002", "2/204", "InTransit/InTransit_Other");
}

// Each service's code for the record, and its lines in the service's order:
// 快递100 and 17TRACK newest first, 快递鸟 oldest first, the same newest line.
void TestTrackingSimAccounts::everyKindOnEachService()
{
    QFETCH(QString, ending);
    QFETCH(QString, kuaidi100);
    QFETCH(QString, kdniao);
    QFETCH(QString, track17);
    const QString number = "YT40" + ending;
    const Client client{*m_sim, {}};
    const Answer k100 = client.ask(Kuaidi100, "yuantong " + number);
    const Answer kdn = client.ask(Kdniao, "YTO " + number);
    QCOMPARE(client.ask(Track17, "+" + number + "@190157").outcome, u("1 accepted"));
    const Answer t17 = client.ask(Track17, "?" + number);
    QCOMPARE(k100.outcome, kuaidi100);
    QCOMPARE(kdn.outcome, kdniao);
    QCOMPARE(t17.outcome, track17);

    QStringList oldestFirst = kdn.times;
    std::sort(oldestFirst.begin(), oldestFirst.end());
    QCOMPARE(kdn.times, oldestFirst);
    std::reverse(oldestFirst.begin(), oldestFirst.end());
    if (ending != "0")
        QCOMPARE(k100.times, oldestFirst);
    QCOMPARE(t17.times.size(), kdn.times.size());
    for (int i = 0; i < t17.times.size(); ++i)
        QCOMPARE(t17.times[i], QString(QString(oldestFirst[i]).replace(' ', 'T') + "+08:00"));
    QCOMPARE(t17.newest, kdn.newest);
    if (ending != "0")
        QCOMPARE(k100.newest, kdn.newest);
}

void TestTrackingSimAccounts::accountsErrorsLimitsAndFaults_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("outcome");
    const auto row = [](const char *tag, const char *arguments, Service service, const char *account,
                        const QStringList &steps, const char *outcome) {
        QTest::newRow(tag) << u(arguments) << int(service) << u(account) << steps << u(outcome);
    };
    const QString yt = "yuantong YT10001", yto = "YTO YT10001";
    const QString burst = "--rate-window-ms 600000"; // a window no machine outruns
    row("k100 own account", "--kuaidi100 acme:s3cret", Kuaidi100, "acme:s3cret", {yt}, "3/301");
    row("k100 default key refused", "--kuaidi100 acme:s3cret", Kuaidi100, "", {yt}, "503");
    row("k100 unknown company", "", Kuaidi100, "", {"nosuch YT10001"}, "400");
    row("k100 phone needed", "", Kuaidi100, "", {"shunfeng SF10001"}, "408");
    row("k100 phone given", "", Kuaidi100, "", {"zhongtong 7310001 8000"}, "3/301");
    row("k100 quota", "--quota kuaidi100=1", Kuaidi100, "", {yt, yt}, "601");
    row("k100 lock", "--kuaidi100-lock-s 1800", Kuaidi100, "", {yt, yt}, "502");
    row("k100 lock spares others", "--kuaidi100-lock-s 1800", Kuaidi100, "", {yt, "yuantong YT10002"}, "3/301");
    row("kdn own account", "--kdniao 7654321:s3cret", Kdniao, "7654321:s3cret", {yto}, "3/301");
    row("kdn default key refused", "--kdniao 1234567:s3cret", Kdniao, "", {yto}, "数据签名验证失败");
    row("kdn unknown id", "--kdniao 7654321:tolvane-apikey", Kdniao, "", {yto}, "用户ID不存在或未开通该接口");
    row("kdn unknown shipper", "", Kdniao, "", {"NOSUCH YT10001"}, "不支持的快递公司");
    row("kdn phone needed", "", Kdniao, "", {"SF SF10001"},
        "顺丰、中通单号请在CustomerName中填写收件人或寄件人手机号后四位");
    row("kdn phone given", "", Kdniao, "", {"SF SF10001 8000"}, "3/301");
    row("kdn quota", "--quota kdniao=2", Kdniao, "", {yto, yto, yto}, "超出每日查询次数");
    const QStringList ten(10, yto);
    row("kdn ten a window", qPrintable(burst), Kdniao, "", ten, "3/301");
    row("kdn eleventh refused", qPrintable(burst), Kdniao, "", ten + QStringList{yto}, "请求过于频繁，每秒最多10次");
    row("17 own token", "--17track t0ken", Track17, "t0ken", {"+YT10001@190157", "?YT10001"},
        "Delivered/Delivered_Other");
    row("17 default token refused", "--17track t0ken", Track17, "", {"quota"}, "-18010002");
    row("17 not registered", "", Track17, "", {"?YT10001"}, "-18019902");
    row("17 registered twice", "", Track17, "", {"+YT10001@190157", "+YT10001@190157"}, "-18019901");
    row("17 unknown carrier", "", Track17, "", {"+YT10001@999"}, "-18019910");
    row("17 carrier detected", "", Track17, "", {"+YT10001", "?YT10001"}, "Delivered/Delivered_Other");
    row("17 carrier not detected", "", Track17, "", {"+1234567891"}, "-18019903");
    row("17 SF without digits", "", Track17, "", {"+SF10001@100012"}, "-18010010");
    row("17 SF with digits", "", Track17, "", {"+SF10001@100012#8000"}, "1 accepted");
    row("17 quota", "--quota 17track=1", Track17, "", {"+YT10001", "+YT10002"}, "-18019908");
    row("17 quota counts", "--quota 17track=5", Track17, "", {"+YT10001", "+YT10001", "quota"}, "5/1/4");
    row("17 forty", "", Track17, "", {"*40"}, "40 accepted");
    row("17 forty-one", "", Track17, "", {"*41"}, "-18010014");
    row("17 three a window", qPrintable(burst), Track17, "", {"quota", "quota", "quota"}, "1000000/0/1000000");
    row("17 fourth refused", qPrintable(burst), Track17, "", {"quota", "quota", "quota", "quota"}, "HTTP 429");
    row("html200 k100", "--fault html200", Kuaidi100, "", {yt}, "html");
    row("html200 kdn", "--fault html200", Kdniao, "", {yto}, "html");
    row("html200 17", "--fault html200", Track17, "", {"quota"}, "html");
    row("status500", "--fault status500", Kdniao, "", {yto}, "HTTP 500");
    row("timeout", "--fault timeout", Track17, "", {"+YT10001"}, "HTTP 0");
    const char *bound = "--fault status500 --fault-number YT10009";
    row("fault-number hits", bound, Kuaidi100, "", {"yuantong YT10009"}, "HTTP 500");
    row("fault-number spares others", bound, Kuaidi100, "", {yt}, "3/301");
}

// The last step's outcome; the steps before it only set the scene.
void TestTrackingSimAccounts::accountsErrorsLimitsAndFaults()
{
    QFETCH(QString, arguments);
    QFETCH(int, service);
    QFETCH(QString, account);
    QFETCH(QStringList, steps);
    QFETCH(QString, outcome);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), arguments.toUtf8().constData());
    QVERIFY2(sim.isListening(), sim.output().constData());
    // Only the silent fault gets a short wait, which it outlasts.
    const Client client{sim, account, arguments.contains("timeout") ? 2000 : 60000};
    QString last;
    for (const QString &step : steps)
        last = client.ask(Service(service), step).outcome;
    QCOMPARE(last, outcome);
}

QTEST_GUILESS_MAIN(TestTrackingSimAccounts)
#include "tst_trackingsim_accounts.moc"
