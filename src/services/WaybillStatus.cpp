#include "services/WaybillStatus.h"

#include <QVector>

namespace WaybillStatus {

namespace {
QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A word counts unless the text around it says that it did not happen:
// "未签收", "拒签收", "拒绝签收", "待签收", "签收失败".
bool mentionsDone(const QString &line, const QString &word)
{
    static const QStringList denials = {u("未"), u("拒"), u("拒绝"), u("待"), u("没有"), u("不"), u("无法")};
    for (qsizetype at = line.indexOf(word); at >= 0; at = line.indexOf(word, at + 1)) {
        const QStringView before = QStringView(line).left(at);
        bool denied = QStringView(line).mid(at + word.size()).startsWith(u("失败"));
        for (const QString &denial : denials)
            denied = denied || before.endsWith(denial);
        if (!denied)
            return true;
    }
    return false;
}

bool matches(const QString &line, const QString &word)
{
    const QStringList parts = word.split(QLatin1Char('+'));
    return std::all_of(parts.cbegin(), parts.cend(), [&line](const QString &part) { return mentionsDone(line, part); });
}
} // namespace

const QVector<Rule> &rules()
{
    // 快递100's codes: 0 在途, 1 揽收, 2 疑难, 3 签收, 4 退签, 5 派件, 501 投柜或驿站,
    // 6 退回, 7 转投, 8 and 10-13 清关, 14 拒签.
    static const QVector<Rule> table = {
        {kReturnSigned,
         {u("退回+签收"), u("退件+签收"), u("退货+签收"), u("返回+签收"), u("返寄+签收"), u("销单")},
         {4}},
        // Plain "签收" as before: "快件已被本人签收" is a signing too.
        {kSigned, {u("已签收"), u("签收人"), u("妥投"), u("代签"), u("签收")}, {3}},
        {kReturning,
         {u("拒收"), u("拒签"), u("拒绝"), u("退回"), u("退件"), u("退货"), u("返回寄件人"), u("返寄")},
         {6, 14}},
        {kTrouble,
         {u("问题件"), u("异常"), u("滞留"), u("无法联系"), u("联系不上"), u("地址不详"), u("超区"), u("破损"),
          u("拦截"), u("无法派送"), u("无法投递"), u("派送不成功"), u("派送失败"), u("投递失败"), u("未妥投")},
         {2}},
        // "代收" alone is no signing: a locker or a shop holds the parcel.
        {kAwaitingPickup,
         {u("暂存"), u("驿站"), u("快递柜"), u("丰巢"), u("自提"), u("取件码"), u("请及时取件"), u("待取件"),
          u("代收")},
         {501}},
        {kOutForDelivery, {u("派件"), u("派送"), u("投递"), u("配送中")}, {5}},
        {kRedirected, {u("转投"), u("转寄"), u("改寄"), u("更改地址")}, {7}},
        {kCustoms, {u("清关"), u("海关"), u("报关"), u("入境")}, {8, 10, 11, 12, 13}},
        {kInTransit,
         {u("到达"), u("发出"), u("发往"), u("运输"), u("转运"), u("中转"), u("离开"), u("分拣"), u("在途")},
         {0}},
        {kPickedUp, {u("揽收"), u("揽件"), u("收寄"), u("已收取")}, {1}},
        {kAwaitingCollection, {u("查无"), u("暂无"), u("无此单号"), u("已下单"), u("等待揽收"), u("待揽收")}, {}},
    };
    return table;
}

QString of(const QString &line, int code, const QVector<Rule> &table)
{
    if (code != kNoCode) {
        for (const Rule &rule : table)
            if (rule.codes.contains(code))
                return rule.status;
    }
    if (line.trimmed().isEmpty())
        return kAwaitingCollection;
    for (const Rule &rule : table)
        if (std::any_of(rule.words.cbegin(), rule.words.cend(), [&line](const QString &w) { return matches(line, w); }))
            return rule.status;
    return kInTransit;
}

QString of(const QString &line, int code)
{
    return of(line, code, rules());
}

QStringList all()
{
    QStringList statuses;
    for (const Rule &rule : rules())
        statuses << rule.status;
    return statuses;
}

bool isFinal(const QString &status)
{
    return status == kSigned || status == kReturnSigned;
}

} // namespace WaybillStatus

bool IsSignedFor(const QString &state)
{
    return WaybillStatus::of(state) == WaybillStatus::kSigned;
}
