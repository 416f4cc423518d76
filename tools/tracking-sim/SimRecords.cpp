#include "SimRecords.h"

#include <QRegularExpression>
#include <QSet>

namespace SimRecords {

namespace {
QStringList pickedUp()
{
    return {
        QStringLiteral("2024-03-01 09:15:02 【深圳南山营业点】 快件已揽收"),
        QStringLiteral("2024-03-01 21:40:37 【深圳转运中心】 快件已到达"),
        QStringLiteral("2024-03-02 06:05:11 【深圳转运中心】 快件已发出，下一站【上海转运中心】"),
    };
}
} // namespace

const QVector<QPair<QString, Kind>> &endings()
{
    static const QVector<QPair<QString, Kind>> table = {
        {QStringLiteral("73"), Kind::ReturnSigned},   {QStringLiteral("74"), Kind::ReturnedToSender},
        {QStringLiteral("75"), Kind::Rejected},       {QStringLiteral("76"), Kind::Exception},
        {QStringLiteral("77"), Kind::Locker},         {QStringLiteral("78"), Kind::Station},
        {QStringLiteral("83"), Kind::OutForDelivery}, {QStringLiteral("84"), Kind::Redirected},
        {QStringLiteral("85"), Kind::Customs},        {QStringLiteral("86"), Kind::PickedUp},
        {QStringLiteral("87"), Kind::Ordered},        {QStringLiteral("88"), Kind::HeldAtDesk},
        {QStringLiteral("0"), Kind::NotFound},        {QStringLiteral("1"), Kind::Signed},
        {QStringLiteral("2"), Kind::Delivered},       {QStringLiteral("9"), Kind::Refused},
    };
    return table;
}

Kind kindFor(const QString &number)
{
    if (number.isEmpty())
        return Kind::NotFound;
    for (const auto &[ending, kind] : endings())
        if (number.endsWith(ending))
            return kind;
    return Kind::InTransit;
}

int stateCodeFor(Kind kind)
{
    return kind == Kind::Locker ? 501 : -1;
}

QStringList statesFor(Kind kind)
{
    QStringList states = pickedUp();
    const QString at = QStringLiteral("2024-03-03 14:20:09 【上海徐汇营业点】 ");
    switch (kind) {
    case Kind::NotFound:
        return {};
    case Kind::ReturnSigned:
        states << at + QStringLiteral("退货签收");
        break;
    case Kind::ReturnedToSender:
        states << at + QStringLiteral("快件已退回寄件人，已签收，签收人：寄件人");
        break;
    case Kind::Rejected:
        states << at + QStringLiteral("收件人拒收，快件退回中");
        break;
    case Kind::Exception:
        states << at + QStringLiteral("快件异常：地址不详，无法联系收件人");
        break;
    case Kind::Locker:
        states << at + QStringLiteral("快件已放入智能柜，格口 A12，凭码 361502 开柜");
        break;
    case Kind::Station:
        states << at + QStringLiteral("快件已到菜鸟驿站，请及时取件");
        break;
    case Kind::OutForDelivery:
        states << at + QStringLiteral("快递员正在派件，派件员：王五");
        break;
    case Kind::Redirected:
        states << at + QStringLiteral("应收件人要求，快件已转投至新地址");
        break;
    case Kind::Customs:
        states << at + QStringLiteral("快件已到达海关，清关中");
        break;
    case Kind::PickedUp:
        return states.mid(0, 1);
    case Kind::Ordered:
        return {QStringLiteral("2024-03-01 08:00:00 商家已下单，等待揽收")};
    case Kind::HeldAtDesk:
        states << at + QStringLiteral("快件已由小区门卫代收");
        break;
    case Kind::InTransit:
        states << QStringLiteral("2024-03-02 18:30:45 【上海转运中心】 快件已到达，正在分拣");
        break;
    case Kind::Signed:
        states << QStringLiteral("2024-03-03 14:20:09 【上海徐汇营业点】 快件已签收，签收人：本人");
        break;
    case Kind::Delivered:
        states << QStringLiteral("2024-03-03 14:20:09 【上海徐汇营业点】 邮件已妥投，收件人：本人");
        break;
    case Kind::Refused:
        states << QStringLiteral("2024-03-03 14:20:09 【上海徐汇营业点】 派送不成功，收件人未签收，签收失败");
        break;
    }
    return states;
}

QStringList statesFor(const QString &number)
{
    return statesFor(kindFor(number));
}

bool isKnownCompany(const QString &code)
{
    // The service's own list of company codes, kept apart from the program's
    // catalogue so that a wrong code in the catalogue shows up.
    static const QSet<QString> codes = {
        QStringLiteral("ems"),
        QStringLiteral("shunfeng"),
        QStringLiteral("shentong"),
        QStringLiteral("yuantong"),
        QStringLiteral("yunda"),
        QStringLiteral("zhongtong"),
        QStringLiteral("tiantian"),
        QStringLiteral("huitongkuaidi"),
        QStringLiteral("fedex"),
        QStringLiteral("yibangwuliu"),
        QStringLiteral("zhaijisong"),
        QStringLiteral("cces"),
        QStringLiteral("tnt"),
        QStringLiteral("ups"),
        QStringLiteral("xinhongyukuaidi"),
        QStringLiteral("quanritongkuaidi"),
        QStringLiteral("quanyikuaidi"),
        QStringLiteral("debangwuliu"),
        QStringLiteral("xingchengjibian"),
        QStringLiteral("tiandihuayu"),
        QStringLiteral("yafengsudi"),
        QStringLiteral("suer"),
        QStringLiteral("xinbangwuliu"),
        QStringLiteral("zhongyouwuliu"),
        QStringLiteral("ztky"),
        QStringLiteral("jiajiwuliu"),
        QStringLiteral("zhongtiewuliu"),
        QStringLiteral("jd"),
        QStringLiteral("jtexpress"),
        QStringLiteral("youzhengguonei"),
    };
    return codes.contains(code);
}

bool needsPhone(const QString &code)
{
    return code == QLatin1String("shunfeng") || code == QLatin1String("zhongtong");
}

QString answerFor(const QString &code, const QString &number, const QString &phone)
{
    if (!isKnownCompany(code))
        return kUnknownCompany + kMore;
    static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
    if (needsPhone(code) && !fourDigits.match(phone).hasMatch())
        return kPhoneNeeded + kMore;
    const QStringList states = statesFor(number);
    if (states.isEmpty())
        return kNotFound + kMore;
    return states.last() + kMore;
}

QString longAnswerFor(const QString &code, const QString &number)
{
    const QString answer = answerFor(code, number);
    // Padding without any signed-for word, so the only such word is the one
    // in the last state, far beyond 32,767 characters.
    const QString filler = QStringLiteral("【物流跟踪】 运输途中，");
    QString padding;
    while (padding.size() <= 40000)
        padding += filler;
    return padding + answer;
}

} // namespace SimRecords
