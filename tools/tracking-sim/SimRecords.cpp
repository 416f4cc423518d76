#include "SimRecords.h"

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

Kind kindFor(const QString &number)
{
    if (number.isEmpty())
        return Kind::NotFound;
    switch (number.back().unicode()) {
    case '0':
        return Kind::NotFound;
    case '1':
        return Kind::Signed;
    case '2':
        return Kind::Delivered;
    case '9':
        return Kind::Refused;
    default:
        return Kind::InTransit;
    }
}

QStringList statesFor(Kind kind)
{
    QStringList states = pickedUp();
    switch (kind) {
    case Kind::NotFound:
        return {};
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

QString answerFor(const QString &code, const QString &number)
{
    if (!isKnownCompany(code))
        return kUnknownCompany + kMore;
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
