#include "core/GbkText.h"

#include <QStringDecoder>
#include <QStringEncoder>

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
