#include "query/PageText.h"

namespace PageText {

QStringList split(const QString &innerText)
{
    if (innerText.isEmpty())
        return {};
    QStringList lines = innerText.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

} // namespace PageText
