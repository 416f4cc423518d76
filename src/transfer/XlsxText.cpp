#include "transfer/XlsxText.h"

namespace XlsxText {

namespace {

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// "_x" four hex digits "_" at i.
bool escapedFormAt(QStringView text, qsizetype i)
{
    if (i + 7 > text.size() || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        if (!isHex(text[k]))
            return false;
    }
    return true;
}

bool xmlCannotCarry(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF;
}

} // namespace

QString escape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (xmlCannotCarry(c) || escapedFormAt(text, i))
            out += QStringLiteral("_x") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0') +
                   QLatin1Char('_');
        else
            out += c;
    }
    return out;
}

QString unescape(QStringView text)
{
    if (!text.contains(QLatin1String("_x")))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (escapedFormAt(text, i)) {
            out += QChar(char16_t(text.sliced(i + 2, 4).toUInt(nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool endsWhole(QByteArrayView xml)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    // Past the declaration and any comment, to the root element.
    qsizetype at = -1;
    do {
        at = xml.indexOf('<', at + 1);
        if (at < 0 || at + 1 >= xml.size())
            return false;
    } while (xml[at + 1] == '?' || xml[at + 1] == '!');
    qsizetype nameEnd = at + 1;
    while (nameEnd < xml.size() && !space(xml[nameEnd]) && xml[nameEnd] != '>' && xml[nameEnd] != '/')
        ++nameEnd;
    const QByteArrayView root = xml.sliced(at + 1, nameEnd - at - 1);
    qsizetype last = xml.size();
    while (last > 0 && space(xml[last - 1]))
        --last;
    const QByteArrayView body = xml.first(last);
    const qsizetype startEnd = xml.indexOf('>', nameEnd);
    if (root.isEmpty() || startEnd < 0)
        return false;
    if (xml[startEnd - 1] == '/') // <root/>: nothing may follow
        return startEnd == last - 1;
    return body.endsWith(QByteArray("</" + root.toByteArray() + '>'));
}

} // namespace XlsxText
