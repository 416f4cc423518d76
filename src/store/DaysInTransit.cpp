#include "store/DaysInTransit.h"

#include "store/Waybill.h"

#include <QRegularExpression>

namespace DaysInTransit {

std::optional<QDate> parseDate(const QString &text)
{
    // One separator style per date; a time of day may follow after blanks.
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{4})\\s*(?:(/)|(-)|(\\.)|(年))\\s*(\\d{1,2})\\s*(?:/|-|\\.|月)\\s*(\\d{1,2})\\s*(日)?"
                       "(?:(?:\\s+|T)\\d{1,2}:\\d{2}(?::\\d{2})?)?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;

    // The second separator must be of the same style as the first.
    const QString sep2 = text.mid(m.capturedEnd(6), m.capturedStart(7) - m.capturedEnd(6)).trimmed();
    const bool chinese = m.capturedLength(5) > 0;
    if (chinese) {
        if (sep2 != QStringLiteral("月") || m.capturedLength(8) == 0)
            return std::nullopt;
    } else {
        const QString sep1 = m.captured(2) + m.captured(3) + m.captured(4);
        if (sep2 != sep1 || m.capturedLength(8) > 0)
            return std::nullopt;
    }
    const QDate date(m.captured(1).toInt(), m.captured(6).toInt(), m.captured(7).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString text(qint64 days)
{
    return QString::number(days) + QStringLiteral("天");
}

std::optional<QString> fromTimeText(const QString &timeText, const QDate &today)
{
    const std::optional<QDate> date = parseDate(timeText);
    if (!date)
        return std::nullopt;
    const QString value = text(date->daysTo(today));
    if (value.size() > WaybillColumns::maxLength(WaybillColumns::DaysInTransit))
        return std::nullopt;
    return value;
}

} // namespace DaysInTransit
