#include "core/GbkText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace GbkText {

QByteArray encode(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

bool fitsGbk(const QString &text)
{
    // Only text beyond ASCII needs a look at its codes.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return true;
    return encodedFitsGbk(encode(text));
}

bool encodedFitsGbk(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = uchar(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= bytes.size())
            return false;
        const auto trail = uchar(bytes[i + 1]);
        // Four-byte codes (second byte a digit) are GB18030's own; so is A2E3,
        // its code for the euro sign.
        if ((trail >= 0x30 && trail <= 0x39) || (lead == 0xA2 && trail == 0xE3))
            return false;
        i += 2;
    }
    return true;
}

int byteLength(const QString &text)
{
    return int(encode(text).size());
}

QString withCrLf(const QString &text)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    unified.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return unified;
}

} // namespace GbkText
