#include "transfer/NumberFormat.h"

#include "transfer/ImportReader.h"

#include <QDateTime>

#include <cmath>

namespace NumberFormat {

Kind builtin(int id)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
        (id >= 50 && id <= 58))
        return Kind::Date;
    if ((id >= 18 && id <= 21) || id == 32 || id == 33 || (id >= 45 && id <= 47))
        return Kind::Time;
    return Kind::Number;
}

Kind custom(const QString &code)
{
    // Quoted literals, [colour] or [$locale] sections and escaped characters
    // are no date parts.
    QString bare;
    bool quoted = false;
    bool bracket = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('[') || c == QLatin1Char(']')))
            bracket = c == QLatin1Char('[');
        else if (quoted || bracket) // literal text, or a colour or condition
            continue;
        else if (c == QLatin1Char('\\'))
            ++i;
        else
            bare += c.toLower();
    }
    if (bare.contains(QLatin1Char('y')) || bare.contains(QLatin1Char('d')))
        return Kind::Date;
    if (bare.contains(QLatin1Char('h')) || bare.contains(QLatin1Char('s')))
        return Kind::Time;
    return Kind::Number;
}

// Serial day numbers Excel can show as a date: 1900-01-00 to 9999-12-31.
constexpr double kLastSerialDay = 2958465.0;

QString text(double value, Kind kind, const QDate &epoch)
{
    // A number no date can stand for keeps its digits rather than a made-up date.
    if (kind == Kind::Number || !(value >= 0 && value < kLastSerialDay + 1))
        return ImportReader::numberText(value);
    const double whole = std::floor(value);
    const int seconds = int(std::lround((value - whole) * 86400.0));
    const QDateTime at = QDateTime(epoch.addDays(qint64(whole)), QTime(0, 0)).addSecs(seconds);
    return kind == Kind::Date ? ImportReader::dateTimeText(at) : ImportReader::timeText(at.time());
}

} // namespace NumberFormat
