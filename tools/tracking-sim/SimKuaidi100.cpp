#include "SimKuaidi100.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using SimRecords::Kind;

namespace {
QJsonObject paramOf(const SimRequest &request)
{
    const QString param = SimHttp::formFields(request.body).value(QStringLiteral("param"));
    return QJsonDocument::fromJson(param.toUtf8()).object();
}

// The service answers its failures with HTTP 200 and a JSON body.
SimResponse failure(const char *code, const QString &message)
{
    return SimHttp::json(QJsonDocument(QJsonObject{{QStringLiteral("result"), false},
                                                   {QStringLiteral("returnCode"), QLatin1String(code)},
                                                   {QStringLiteral("message"), message}}));
}
} // namespace

bool SimKuaidi100::serves(const QString &path) const
{
    return path == QLatin1String("/poll/query.do");
}

QStringList SimKuaidi100::numbersIn(const SimRequest &request) const
{
    return {paramOf(request).value(QStringLiteral("num")).toString()};
}

SimKuaidi100::Code SimKuaidi100::codeFor(Kind kind)
{
    switch (kind) {
    case Kind::NotFound:
        return {-1, {}, {}};
    case Kind::InTransit:
        return {0, QStringLiteral("1002"), QStringLiteral("干线")};
    case Kind::Signed:
    case Kind::Delivered:
        return {3, QStringLiteral("301"), QStringLiteral("签收")};
    case Kind::Refused:
        return {2, QStringLiteral("204"), QStringLiteral("派件异常")};
    case Kind::ReturnSigned:
    case Kind::ReturnedToSender:
        return {4, QStringLiteral("4"), QStringLiteral("退签")};
    case Kind::Rejected:
        return {14, QStringLiteral("14"), QStringLiteral("拒签")};
    case Kind::Exception:
        return {2, QStringLiteral("206"), QStringLiteral("无法联系")};
    case Kind::Locker:
    case Kind::Station:
    case Kind::HeldAtDesk:
        return {5, QStringLiteral("501"), QStringLiteral("投柜或驿站")};
    case Kind::OutForDelivery:
        return {5, QStringLiteral("5"), QStringLiteral("派件")};
    case Kind::Redirected:
        return {7, QStringLiteral("7"), QStringLiteral("转投")};
    case Kind::Customs:
        return {8, QStringLiteral("11"), QStringLiteral("清关中")};
    case Kind::PickedUp:
        return {1, QStringLiteral("103"), QStringLiteral("已揽收")};
    case Kind::Ordered:
        return {1, QStringLiteral("101"), QStringLiteral("已下单")};
    }
    return {-1, {}, {}};
}

SimResponse SimKuaidi100::answer(const SimRequest &request)
{
    const QHash<QString, QString> fields = SimHttp::formFields(request.body);
    const QString param = fields.value(QStringLiteral("param"));
    const QString customer = fields.value(QStringLiteral("customer"));
    const QByteArray sign = SimHttp::md5Hex((param + m_accounts.kuaidi100Key + customer).toUtf8());
    // The documentation asks for upper-case hex, and the service holds to it.
    if (customer != m_accounts.kuaidi100Customer || fields.value(QStringLiteral("sign")).toLatin1() != sign)
        return failure("503", QStringLiteral("验证签名失败"));

    const QJsonObject p = QJsonDocument::fromJson(param.toUtf8()).object();
    const QString com = p.value(QStringLiteral("com")).toString();
    const QString num = p.value(QStringLiteral("num")).toString();
    if (com.isEmpty() || num.isEmpty())
        return failure("400", QStringLiteral("参数不完整"));
    if (!SimRecords::isKnownCompany(com))
        return failure("400", QStringLiteral("找不到对应公司"));
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,}$"));
    if (SimRecords::needsPhone(com) && !digits.match(p.value(QStringLiteral("phone")).toString()).hasMatch())
        return failure("408", QStringLiteral("电话号码校验不通过，请填写收、寄件人电话号码"));
    if (m_accounts.kuaidi100LockMs > 0 && m_lastAsked.contains(num) &&
        request.atMs - m_lastAsked.value(num) < m_accounts.kuaidi100LockMs)
        return failure("502", QStringLiteral("服务器繁忙，请稍后再试（该单号查询过于频繁，已锁定）"));
    if (m_used >= m_accounts.kuaidi100Quota)
        return failure("601", QStringLiteral("POLL:KEY已过期或没有可用单量"));
    ++m_used;
    m_lastAsked.insert(num, request.atMs);

    const Kind kind = SimRecords::kindFor(num);
    const QVector<SimTrace::Line> lines = SimTrace::linesFor(kind);
    if (lines.isEmpty())
        return failure("500", QStringLiteral("查询无结果，请隔段时间再查"));
    QJsonArray data;
    for (int i = 0; i < lines.size(); ++i) {
        const Code code = codeFor(SimTrace::lineKind(kind, i, lines.size()));
        const QJsonObject line{
            {QStringLiteral("time"), lines[i].time},        {QStringLiteral("ftime"), lines[i].time},
            {QStringLiteral("context"), lines[i].text},     {QStringLiteral("location"), lines[i].city},
            {QStringLiteral("areaName"), lines[i].city},    {QStringLiteral("status"), code.status},
            {QStringLiteral("statusCode"), code.statusCode}};
        if (p.value(QStringLiteral("order")).toString() == QLatin1String("asc"))
            data.append(line);
        else
            data.prepend(line);
    }
    const int state = codeFor(kind).state;
    return SimHttp::json(QJsonDocument(QJsonObject{
        {QStringLiteral("message"), QStringLiteral("ok")},
        {QStringLiteral("nu"), num},
        {QStringLiteral("ischeck"), state == 3 || state == 4 ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("condition"), QStringLiteral("F00")},
        {QStringLiteral("com"), com},
        {QStringLiteral("status"), QStringLiteral("200")},
        {QStringLiteral("state"), QString::number(state)},
        {QStringLiteral("data"), data},
    }));
}
