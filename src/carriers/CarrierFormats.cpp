// The number formats of the carriers. Formats overlap on purpose (a 15-digit
// number starting 43 fits 申通 and 韵达): each rule that fits is a candidate.
#include "carriers/CarrierDetector.h"

#include <QRegularExpression>

namespace CarrierDetection {

namespace {
struct Rule {
    const char *carrier; // catalogue name
    const char *pattern; // the whole normalised number
    const char *reason;
    bool s10 = false;    // UPU S10: the ninth digit checks the eight before it
};

const Rule kRules[] = {
    {"顺丰速运", "SF\\d{12,13}", "SF + 12–13 位数字"},
    {"顺丰速运", "SF[A-Z]\\d{11,12}", "SF + 字母 + 数字"},
    {"圆通快递", "YT\\d{13}", "YT + 13 位数字"},
    {"中通速递", "(7[3-6]|78)\\d{12}", "73–76、78 开头的 14 位数字"},
    {"韵达快运", "[34]\\d{14}", "3 或 4 开头的 15 位数字"},
    {"韵达快运", "5\\d{12}", "5 开头的 13 位数字"},
    {"申通E物流", "(77|43)\\d{12,15}", "77 或 43 开头的 14–17 位数字"},
    {"EMS(E邮宝)", "[189]\\d{12}", "1、8 或 9 开头的 13 位数字"},
    {"中邮物流", "[189]\\d{12}", "1、8 或 9 开头的 13 位数字"},
    {"EMS(E邮宝)", "[A-Z]{2}\\d{9}[A-Z]{2}", "国际邮件格式（校验位正确）", true},
    {"中邮物流", "[A-Z]{2}\\d{9}[A-Z]{2}", "国际邮件格式（校验位正确）", true},
    {"德邦物流", "DPK\\d{12}", "DPK + 12 位数字"},
    {"德邦物流", "\\d{8,10}", "8–10 位数字"},
    {"UPS", "1Z[0-9A-Z]{16}", "1Z + 16 位字母数字"},
    {"TNT", "\\d{9}", "9 位数字"},
    {"联邦快递", "\\d{12}|\\d{15}", "12 或 15 位数字"},
};

// The S10 check digit: weights 8 6 4 2 3 5 9 7 over the serial number.
bool s10CheckDigitFits(const QString &number)
{
    static const int weights[] = {8, 6, 4, 2, 3, 5, 9, 7};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += number.at(2 + i).digitValue() * weights[i];
    int check = 11 - sum % 11;
    if (check == 10)
        check = 0;
    else if (check == 11)
        check = 5;
    return number.at(10).digitValue() == check;
}

struct CompiledRule {
    const Carrier *carrier;
    QRegularExpression expression;
    QString reason;
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
                           QString::fromUtf8(r.reason), r.s10});
        }
        return out;
    }();
    return rules;
}
} // namespace

QVector<FormatMatch> formatMatches(const QString &number)
{
    QVector<FormatMatch> matches;
    for (const CompiledRule &rule : compiledRules()) {
        if (!rule.expression.match(number).hasMatch() || (rule.s10 && !s10CheckDigitFits(number)))
            continue;
        const bool known = std::any_of(matches.cbegin(), matches.cend(),
                                       [&rule](const FormatMatch &m) { return m.carrier == rule.carrier; });
        if (!known)
            matches.push_back({rule.carrier, rule.reason});
    }
    return matches;
}

} // namespace CarrierDetection
