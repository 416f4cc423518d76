#include "Sim17Track.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

using SimRecords::Kind;

namespace {
const QString kPrefix = QStringLiteral("/track/v2.2/");
constexpr int kSfExpress = 100012;

// The service's own carrier keys, kept apart from the program's catalogue.
QString carrierName(int key)
{
    static const QHash<int, QString> names = {
        {3011, QStringLiteral("China Post")},     {3013, QStringLiteral("China EMS")},
        {100001, QStringLiteral("DHL")},          {100002, QStringLiteral("UPS")},
        {100003, QStringLiteral("FedEx")},        {kSfExpress, QStringLiteral("SF Express")},
        {190157, QStringLiteral("YTO Express")},  {190456, QStringLiteral("ZTO Express")},
        {190324, QStringLiteral("STO Express")},  {190341, QStringLiteral("Yunda Express")},
        {190259, QStringLiteral("Best Express")}, {190442, QStringLiteral("J&T Express")},
        {190183, QStringLiteral("JD Logistics")},
    };
    return names.value(key);
}

// Auto-detection knows only the lettered prefixes; digits alone say nothing.
int detectedCarrier(const QString &number)
{
    static const QHash<QString, int> prefixes = {
        {QStringLiteral("SF"), kSfExpress},
        {QStringLiteral("YT"), 190157},
        {QStringLiteral("JT"), 190442},
        {QStringLiteral("JD"), 190183},
    };
    return prefixes.value(number.left(2).toUpper(), 0);
}

QJsonObject error(int code, const QString &message)
{
    return {{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
}

QJsonObject rejected(const QString &number, int code, const QString &message)
{
    return {{QStringLiteral("number"), number}, {QStringLiteral("error"), error(code, message)}};
}

SimResponse wholeFailure(int code, const QString &message)
{
    return SimHttp::json(QJsonDocument(QJsonObject{
        {QStringLiteral("code"), code},
        {QStringLiteral("data"), QJsonObject{{QStringLiteral("errors"), QJsonArray{error(code, message)}}}}}));
}

QJsonArray items(const SimRequest &request)
{
    return QJsonDocument::fromJson(request.body).array();
}

QJsonObject event(const SimTrace::Line &line, const QString &subStatus)
{
    const QDateTime at(QDateTime::fromString(line.time, QStringLiteral("yyyy-MM-dd HH:mm:ss")).date(),
                       QTime::fromString(line.time.mid(11), QStringLiteral("HH:mm:ss")), Qt::OffsetFromUTC, 8 * 3600);
    return {{QStringLiteral("time_iso"), at.toString(Qt::ISODate)},
            {QStringLiteral("time_utc"), at.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("description"), line.text},
            {QStringLiteral("location"), line.city},
            {QStringLiteral("sub_status"), subStatus}};
}
} // namespace

bool Sim17Track::serves(const QString &path) const
{
    return path == kPrefix + QLatin1String("register") || path == kPrefix + QLatin1String("gettrackinfo") ||
           path == kPrefix + QLatin1String("getquota");
}

QStringList Sim17Track::numbersIn(const SimRequest &request) const
{
    QStringList numbers;
    for (const QJsonValue &item : items(request))
        numbers << item.toObject().value(QStringLiteral("number")).toString();
    return numbers;
}

Sim17Track::Code Sim17Track::codeFor(Kind kind)
{
    switch (kind) {
    case Kind::NotFound:
        return {QStringLiteral("NotFound"), QStringLiteral("NotFound_Other")};
    case Kind::InTransit:
    case Kind::Redirected:
        return {QStringLiteral("InTransit"), QStringLiteral("InTransit_Other")};
    case Kind::Signed:
    case Kind::Delivered:
        return {QStringLiteral("Delivered"), QStringLiteral("Delivered_Other")};
    case Kind::Refused:
        return {QStringLiteral("DeliveryFailure"), QStringLiteral("DeliveryFailure_Other")};
    case Kind::ReturnSigned:
    case Kind::ReturnedToSender:
        return {QStringLiteral("Exception"), QStringLiteral("Exception_Returned")};
    case Kind::Rejected:
        return {QStringLiteral("Exception"), QStringLiteral("Exception_Rejected")};
    case Kind::Exception:
        return {QStringLiteral("Exception"), QStringLiteral("Exception_Other")};
    case Kind::Locker:
    case Kind::Station:
    case Kind::HeldAtDesk:
        return {QStringLiteral("AvailableForPickup"), QStringLiteral("AvailableForPickup_Other")};
    case Kind::OutForDelivery:
        return {QStringLiteral("OutForDelivery"), QStringLiteral("OutForDelivery_Other")};
    case Kind::Customs:
        return {QStringLiteral("InTransit"), QStringLiteral("InTransit_CustomsProcessing")};
    case Kind::PickedUp:
        return {QStringLiteral("InTransit"), QStringLiteral("InTransit_PickedUp")};
    case Kind::Ordered:
        return {QStringLiteral("InfoReceived"), QStringLiteral("InfoReceived")};
    }
    return {QStringLiteral("NotFound"), QStringLiteral("NotFound_Other")};
}

SimResponse Sim17Track::answer(const SimRequest &request)
{
    if (QString::fromUtf8(request.headers.value("17token")) != m_accounts.track17Token)
        return wholeFailure(-18010002, QStringLiteral("Access token is invalid."));
    if (!m_rate.admit(request.atMs))
        return {429, SimHttp::kText, "Too Many Requests\n", false};

    const QString operation = request.url.path().mid(kPrefix.size());
    if (operation == QLatin1String("getquota")) {
        return SimHttp::json(QJsonDocument(QJsonObject{
            {QStringLiteral("code"), 0},
            {QStringLiteral("data"), QJsonObject{{QStringLiteral("quota_total"), m_accounts.track17Quota},
                                                 {QStringLiteral("quota_used"), m_used},
                                                 {QStringLiteral("quota_remain"), m_accounts.track17Quota - m_used},
                                                 {QStringLiteral("today_used"), m_used},
                                                 {QStringLiteral("max_track_daily"), 0},
                                                 {QStringLiteral("free_email_quota"), 0},
                                                 {QStringLiteral("free_email_quotaused"), 0}}}}));
    }
    const QJsonDocument body = QJsonDocument::fromJson(request.body);
    if (!body.isArray())
        return wholeFailure(-18010013, QStringLiteral("Submitted data is invalid."));
    if (body.array().size() > kNumbersPerCall)
        return wholeFailure(-18010014, QStringLiteral("The number of tracking numbers exceeds the limit of 40."));

    QJsonArray accepted, rejectedItems;
    for (const QJsonValue &value : body.array()) {
        const auto [ok, entry] =
            operation == QLatin1String("register") ? registerOne(value.toObject()) : trackInfoOf(value.toObject());
        (ok ? accepted : rejectedItems).append(entry);
    }
    return SimHttp::json(
        QJsonDocument(QJsonObject{{QStringLiteral("code"), 0},
                                  {QStringLiteral("data"), QJsonObject{{QStringLiteral("accepted"), accepted},
                                                                       {QStringLiteral("rejected"), rejectedItems}}}}));
}

std::pair<bool, QJsonObject> Sim17Track::registerOne(const QJsonObject &item)
{
    const QString number = item.value(QStringLiteral("number")).toString();
    static const QRegularExpression format(QStringLiteral("^[A-Za-z0-9-]{5,50}$"));
    if (!format.match(number).hasMatch())
        return {false, rejected(number, -18010012, QStringLiteral("The format of '%1' is invalid.").arg(number))};
    int carrier = item.value(QStringLiteral("carrier")).toInt();
    if (carrier != 0 && carrierName(carrier).isEmpty())
        return {false,
                rejected(number, -18019910, QStringLiteral("The carrier's value '%1' is not correct.").arg(carrier))};
    if (carrier == 0 && (carrier = detectedCarrier(number)) == 0)
        return {false, rejected(number, -18019903, QStringLiteral("Carrier cannot be detected."))};
    if (m_carriers.contains(number))
        return {false, rejected(number, -18019901,
                                QStringLiteral("The tracking number '%1' has been registered, don't need to repeat "
                                               "registration.")
                                    .arg(number))};
    // 顺丰 tells its record only against the last four digits of a telephone.
    static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
    if (carrier == kSfExpress && !fourDigits.match(item.value(QStringLiteral("param")).toString()).hasMatch())
        return {false, rejected(number, -18010010, QStringLiteral("The field of 'param' is required."))};
    if (m_used >= m_accounts.track17Quota)
        return {false, rejected(number, -18019908, QStringLiteral("Quota is not enough for use."))};
    ++m_used;
    m_carriers.insert(number, carrier);
    return {true,
            {{QStringLiteral("origin"), 1}, {QStringLiteral("number"), number}, {QStringLiteral("carrier"), carrier}}};
}

std::pair<bool, QJsonObject> Sim17Track::trackInfoOf(const QJsonObject &item) const
{
    const QString number = item.value(QStringLiteral("number")).toString();
    if (!m_carriers.contains(number))
        return {
            false,
            rejected(number, -18019902,
                     QStringLiteral("The tracking number '%1' does not register, please register first.").arg(number))};
    const int carrier = m_carriers.value(number);
    const Kind kind = SimRecords::kindFor(number);
    const QVector<SimTrace::Line> lines = SimTrace::linesFor(kind);
    QJsonArray events; // newest first
    for (int i = 0; i < lines.size(); ++i)
        events.prepend(event(lines[i], codeFor(SimTrace::lineKind(kind, i, lines.size())).subStatus));
    const Code code = codeFor(kind);
    const QJsonObject provider{
        {QStringLiteral("provider"), QJsonObject{{QStringLiteral("key"), carrier},
                                                 {QStringLiteral("name"), carrierName(carrier)},
                                                 {QStringLiteral("country"), QStringLiteral("CN")}}},
        {QStringLiteral("latest_sync_status"), QStringLiteral("Success")},
        {QStringLiteral("events"), events}};
    const QJsonObject trackInfo{
        {QStringLiteral("latest_status"), QJsonObject{{QStringLiteral("status"), code.status},
                                                      {QStringLiteral("sub_status"), code.subStatus},
                                                      {QStringLiteral("sub_status_descr"), QJsonValue::Null}}},
        {QStringLiteral("latest_event"), events.isEmpty() ? QJsonValue(QJsonValue::Null) : events.first()},
        {QStringLiteral("tracking"),
         QJsonObject{{QStringLiteral("providers_hash"), 0}, {QStringLiteral("providers"), QJsonArray{provider}}}}};
    return {true,
            {{QStringLiteral("number"), number},
             {QStringLiteral("carrier"), carrier},
             {QStringLiteral("tag"), QString()},
             {QStringLiteral("track_info"), trackInfo}}};
}
