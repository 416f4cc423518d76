#include "SimKdniao.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

using SimRecords::Kind;

namespace {
QJsonObject requestDataOf(const SimRequest &request)
{
    const QString data = SimHttp::formFields(request.body).value(QStringLiteral("RequestData"));
    return QJsonDocument::fromJson(data.toUtf8()).object();
}

// The service's own shipper codes, kept apart from the program's catalogue.
bool isKnownShipper(const QString &code)
{
    static const QSet<QString> codes = {
        QStringLiteral("SF"),   QStringLiteral("ZTO"), QStringLiteral("YTO"),  QStringLiteral("STO"),
        QStringLiteral("YD"),   QStringLiteral("EMS"), QStringLiteral("YZPY"), QStringLiteral("HTKY"),
        QStringLiteral("HHTT"), QStringLiteral("JD"),  QStringLiteral("JTSD"), QStringLiteral("DBL"),
        QStringLiteral("ZJS"),  QStringLiteral("UC"),  QStringLiteral("ANE"),  QStringLiteral("FEDEX"),
        QStringLiteral("UPS"),  QStringLiteral("TNT"), QStringLiteral("ZTKY"), QStringLiteral("JJKY"),
    };
    return codes.contains(code);
}
} // namespace

bool SimKdniao::serves(const QString &path) const
{
    return path == QLatin1String("/Ebusiness/EbusinessOrderHandle.aspx");
}

QStringList SimKdniao::numbersIn(const SimRequest &request) const
{
    return {requestDataOf(request).value(QStringLiteral("LogisticCode")).toString()};
}

SimKdniao::Code SimKdniao::codeFor(Kind kind)
{
    switch (kind) {
    case Kind::NotFound:
        return {QStringLiteral("0"), QStringLiteral("0")};
    case Kind::InTransit:
        return {QStringLiteral("2"), QStringLiteral("204")};
    case Kind::Signed:
    case Kind::Delivered:
        return {QStringLiteral("3"), QStringLiteral("301")};
    case Kind::Refused:
        return {QStringLiteral("4"), QStringLiteral("405")};
    case Kind::ReturnSigned:
    case Kind::ReturnedToSender:
        return {QStringLiteral("4"), QStringLiteral("406")};
    case Kind::Rejected:
        return {QStringLiteral("4"), QStringLiteral("404")};
    case Kind::Exception:
        return {QStringLiteral("4"), QStringLiteral("416")};
    case Kind::Locker:
    case Kind::Station:
    case Kind::HeldAtDesk:
        return {QStringLiteral("2"), QStringLiteral("211")};
    case Kind::OutForDelivery:
        return {QStringLiteral("2"), QStringLiteral("202")};
    case Kind::Redirected:
        return {QStringLiteral("5"), QStringLiteral("5")};
    case Kind::Customs:
        return {QStringLiteral("6"), QStringLiteral("602")};
    case Kind::PickedUp:
        return {QStringLiteral("1"), QStringLiteral("1")};
    case Kind::Ordered:
        return {QStringLiteral("1"), QStringLiteral("10")}; // 待揽件
    }
    return {QStringLiteral("0"), QStringLiteral("0")};
}

SimResponse SimKdniao::answer(const SimRequest &request)
{
    const QHash<QString, QString> fields = SimHttp::formFields(request.body);
    const QString requestData = fields.value(QStringLiteral("RequestData"));
    const QJsonObject data = QJsonDocument::fromJson(requestData.toUtf8()).object();
    const QString shipper = data.value(QStringLiteral("ShipperCode")).toString();
    const QString number = data.value(QStringLiteral("LogisticCode")).toString();
    QJsonObject out{{QStringLiteral("EBusinessID"), fields.value(QStringLiteral("EBusinessID"))},
                    {QStringLiteral("OrderCode"), data.value(QStringLiteral("OrderCode")).toString()},
                    {QStringLiteral("ShipperCode"), shipper},
                    {QStringLiteral("LogisticCode"), number}};
    const auto fail = [&out](const QString &reason) {
        out.insert(QStringLiteral("Success"), false);
        out.insert(QStringLiteral("Reason"), reason);
        return SimHttp::json(QJsonDocument(out));
    };

    if (fields.value(QStringLiteral("RequestType")) != QLatin1String("1002"))
        return fail(QStringLiteral("RequestType不正确"));
    if (fields.value(QStringLiteral("DataType")) != QLatin1String("2"))
        return fail(QStringLiteral("DataType不正确，请使用JSON（2）"));
    if (fields.value(QStringLiteral("EBusinessID")) != m_accounts.kdniaoId)
        return fail(QStringLiteral("用户ID不存在或未开通该接口"));
    // DataSign is Base64 of the lower-case hex MD5 text; the form decoding
    // above has already undone its URL encoding.
    const QByteArray sign = SimHttp::md5Hex((requestData + m_accounts.kdniaoKey).toUtf8()).toLower().toBase64();
    if (fields.value(QStringLiteral("DataSign")).toLatin1() != sign)
        return fail(QStringLiteral("数据签名验证失败"));
    if (!m_rate.admit(request.atMs))
        return fail(QStringLiteral("请求过于频繁，每秒最多10次"));
    if (m_used >= m_accounts.kdniaoQuota)
        return fail(QStringLiteral("超出每日查询次数"));
    if (shipper.isEmpty() || number.isEmpty())
        return fail(QStringLiteral("ShipperCode和LogisticCode不能为空"));
    if (!isKnownShipper(shipper))
        return fail(QStringLiteral("不支持的快递公司"));
    static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
    if ((shipper == QLatin1String("SF") || shipper == QLatin1String("ZTO")) &&
        !fourDigits.match(data.value(QStringLiteral("CustomerName")).toString()).hasMatch())
        return fail(QStringLiteral("顺丰、中通单号请在CustomerName中填写收件人或寄件人手机号后四位"));
    ++m_used;

    const Kind kind = SimRecords::kindFor(number);
    const QVector<SimTrace::Line> lines = SimTrace::linesFor(kind);
    QJsonArray traces;
    for (int i = 0; i < lines.size(); ++i)
        traces.append(
            QJsonObject{{QStringLiteral("AcceptTime"), lines[i].time},
                        {QStringLiteral("AcceptStation"), lines[i].text},
                        {QStringLiteral("Location"), lines[i].city},
                        {QStringLiteral("Action"), codeFor(SimTrace::lineKind(kind, i, lines.size())).stateEx}});
    const Code code = codeFor(kind);
    out.insert(QStringLiteral("Success"), true);
    out.insert(QStringLiteral("State"), code.state);
    out.insert(QStringLiteral("StateEx"), code.stateEx);
    out.insert(QStringLiteral("Location"), lines.isEmpty() ? QString() : lines.last().city);
    out.insert(QStringLiteral("Traces"), traces);
    if (lines.isEmpty())
        out.insert(QStringLiteral("Reason"), QStringLiteral("暂无轨迹信息"));
    return SimHttp::json(QJsonDocument(out));
}
