// The number formats of the carriers. Formats overlap on purpose (a 15-digit
// number starting 43 fits 申通, 韵达 and 联邦快递): each rule that fits is a
// candidate. Only a prefix that one carrier alone issues is owned; digits
// alone are never owned, whatever their length.
#include "carriers/CarrierDetector.h"

#include <QRegularExpression>

namespace CarrierDetection {

namespace {
struct Rule {
    const char *carrier; // catalogue name
    const char *pattern; // the whole number in normal form
    const char *reason;
    int weight;         // how typical the shape is of the carrier, for the ranking
    bool owned = false; // a prefix that this carrier alone issues
    bool s10 = false;   // UPU S10: the ninth digit checks the eight before it
};

// The S10 service letter says who carries the item: E is EMS; C, R, U and V
// are parcels and letters of the post; other letters (L: ePacket…) are both's.
const Rule kRules[] = {
    {"顺丰速运", "SF\\d{12,13}", "SF + 12–13 位数字", 90, true},
    {"顺丰速运", "SF[A-Z]\\d{11,12}", "SF + 字母 + 数字", 90, true},
    {"圆通快递", "YT\\d{13}", "YT + 13 位数字", 90, true},
    {"京东物流", "JD[A-Z]{0,2}\\d{10,15}", "JD + 数字", 90, true},
    {"极兔速递", "JT\\d{13}", "JT + 13 位数字", 90, true},
    {"德邦物流", "DPK\\d{12}", "DPK + 12 位数字", 90, true},
    {"UPS", "1Z[0-9A-Z]{16}", "1Z + 16 位字母数字", 90, true},
    {"EMS(E邮宝)", "E[A-Z]\\d{9}[A-Z]{2}", "EMS 国际邮件号（校验位正确）", 90, true, true},
    {"中国邮政", "[CRUV][A-Z]\\d{9}[A-Z]{2}", "国际包裹或挂号邮件号（校验位正确）", 90, true, true},
    {"EMS(E邮宝)", "[ABDF-QSTW-Z][A-Z]\\d{9}[A-Z]{2}", "国际邮件格式（校验位正确）", 50, false, true},
    {"中国邮政", "[ABDF-QSTW-Z][A-Z]\\d{9}[A-Z]{2}", "国际邮件格式（校验位正确）", 50, false, true},
    {"中通速递", "7[3-8]\\d{12}", "7 开头的 14 位数字", 60},
    {"中通速递", "7[3568]\\d{10}", "73、75、76 或 78 开头的 12 位数字", 60},
    {"韵达快运", "[34]\\d{14}", "3 或 4 开头的 15 位数字", 60},
    {"韵达快运", "[1-5]\\d{12}", "13 位数字", 40},
    {"申通E物流", "[2-9]68\\d{9}", "X68 开头的 12 位数字", 60},
    {"申通E物流", "77\\d{10,13}", "77 开头的 12–15 位数字", 60},
    {"申通E物流", "43\\d{12,15}", "43 开头的 14–17 位数字", 30},
    {"圆通快递", "8\\d{11}", "8 开头的 12 位数字", 50},
    {"圆通快递", "[1-9]\\d{9}", "10 位数字", 40},
    {"EMS(E邮宝)", "[159]\\d{12}", "1、5 或 9 开头的 13 位数字", 50},
    {"中国邮政", "[19]\\d{12}", "1 或 9 开头的 13 位数字", 50},
    {"中国邮政", "[19]\\d{10}", "1 或 9 开头的 11 位数字", 30},
    {"中邮物流", "[189]\\d{12}", "1、8 或 9 开头的 13 位数字", 30},
    {"德邦物流", "\\d{8,10}", "8–10 位数字", 40},
    {"TNT", "\\d{9}", "9 位数字", 40},
    {"联邦快递", "\\d{12}|\\d{15}", "12 或 15 位数字", 40},
};

// The S10 check digit: weights 8 6 4 2 3 5 9 7 over the serial number.
int s10CheckDigit(QStringView number)
{
    static const int weights[] = {8, 6, 4, 2, 3, 5, 9, 7};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += number.at(2 + i).digitValue() * weights[i];
    const int check = 11 - sum % 11;
    return check == 10 ? 0 : check == 11 ? 5 : check;
}

bool s10CheckDigitFits(const QString &number)
{
    return number.at(10).digitValue() == s10CheckDigit(number);
}

struct CompiledRule {
    const Carrier *carrier;
    QRegularExpression expression;
    QString reason;
    int weight;
    bool owned;
    bool s10;
};

const QVector<CompiledRule> &compiledRules()
{
    static const QVector<CompiledRule> rules = [] {
        QVector<CompiledRule> out;
        for (const Rule &r : kRules) {
            const Carrier *carrier = FindCarrierByName(QString::fromUtf8(r.carrier));
            Q_ASSERT(carrier);
            out.push_back({carrier,
                           QRegularExpression(QRegularExpression::anchoredPattern(QString::fromUtf8(r.pattern))),
                           QString::fromUtf8(r.reason), r.weight, r.owned, r.s10});
        }
        return out;
    }();
    return rules;
}
} // namespace

int wrongS10CheckDigit(const QString &number)
{
    static const QRegularExpression s10(QStringLiteral("^[A-Z]{2}\\d{9}[A-Z]{2}$"));
    return s10.match(number).hasMatch() && !s10CheckDigitFits(number) ? s10CheckDigit(number) : -1;
}

QVector<FormatMatch> formatMatches(const QString &number)
{
    QVector<FormatMatch> matches;
    for (const CompiledRule &rule : compiledRules()) {
        if (!rule.expression.match(number).hasMatch() || (rule.s10 && !s10CheckDigitFits(number)))
            continue;
        // One match per carrier: its strongest rule.
        const auto known = std::find_if(matches.begin(), matches.end(),
                                        [&rule](const FormatMatch &m) { return m.carrier == rule.carrier; });
        if (known == matches.end())
            matches.push_back({rule.carrier, rule.reason, rule.weight, rule.owned});
        else if (rule.weight > known->weight)
            *known = {rule.carrier, rule.reason, rule.weight, rule.owned};
    }
    return matches;
}

} // namespace CarrierDetection
