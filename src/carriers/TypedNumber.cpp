#include "carriers/TypedNumber.h"

#include "store/Waybill.h"

#include <QRegularExpression>

#include <algorithm>

namespace CarrierDetection {

namespace {
// Chinese words before the number, in brackets or not, and the colon after
// them: "运单号：", "快递单号:", "单号 ", "【顺丰单号】". Only words in Chinese
// are a label; letters may be the number's own prefix.
const QRegularExpression &label()
{
    static const QRegularExpression expression(
        QStringLiteral("^[\\s\\[\\]()【】]*\\p{Han}[\\p{Han}\\s\\[\\]()【】]*[:#]?"));
    return expression;
}

// Between numbers: blanks, and the punctuation a list of them is written with.
const QRegularExpression &between()
{
    static const QRegularExpression expression(QStringLiteral("[\\s,;、/|]+"));
    return expression;
}

// 京东 numbers one package of several with "-1-1-"; that tail is the number's own.
const QRegularExpression &parcelSuffix()
{
    static const QRegularExpression expression(QStringLiteral("(-\\d{1,2})+-?$"));
    return expression;
}

// A group that is a number by itself, not a piece of one written in groups of
// four: eight characters or more, a digit among them.
bool isWholeNumber(const QString &group)
{
    static const QRegularExpression expression(QStringLiteral("^(?=.*\\d)[0-9A-Za-z+-]{8,}$"));
    return expression.match(group).hasMatch();
}

// Dashes group a number for reading and are not part of it; a parcel suffix
// after an ungrouped number is.
QString withoutDashes(const QString &number)
{
    const qsizetype suffix = number.indexOf(parcelSuffix());
    if (suffix > 0 && !number.left(suffix).contains(QLatin1Char('-')))
        return number;
    return QString(number).remove(QLatin1Char('-'));
}
} // namespace

TypedNumber readTyped(QStringView text)
{
    // NFKC makes full-width letters, digits, colons and commas plain; the other
    // dashes (em dash, minus sign…) are made the ASCII one.
    QString plain = text.toString().normalized(QString::NormalizationForm_KC);
    for (QChar &c : plain) {
        if (c.category() == QChar::Punctuation_Dash || c.unicode() == 0x2212)
            c = QLatin1Char('-');
    }
    const QStringList groups = plain.remove(label()).split(between(), Qt::SkipEmptyParts);
    TypedNumber typed;
    if (std::count_if(groups.cbegin(), groups.cend(), isWholeNumber) >= 2) {
        for (const QString &group : groups) {
            if (isWholeNumber(group))
                typed.several << WaybillNumber::normalForm(withoutDashes(group));
        }
        return typed;
    }
    typed.number = WaybillNumber::normalForm(withoutDashes(groups.join(QString())));
    return typed;
}

} // namespace CarrierDetection
