#include "store/Waybill.h"

namespace WaybillColumns {

namespace {
struct ColumnInfo {
    const char *name;
    const char *label; // nullptr: the name
    int maxLength;
    bool required;
    QString Waybill::*member;
};
const ColumnInfo kColumns[Count] = {
    {"状态", nullptr, 25, false, &Waybill::status},    {"在途时间", nullptr, 8, false, &Waybill::daysInTransit},
    {"快递单号", "单号", 255, true, &Waybill::number}, {"快递公司", nullptr, 255, true, &Waybill::carrier},
    {"物品", nullptr, 255, false, &Waybill::goods},    {"金额", nullptr, 20, false, &Waybill::amount},
    {"时间", nullptr, 30, false, &Waybill::time},      {"姓名", nullptr, 20, false, &Waybill::name},
    {"电话", nullptr, 40, false, &Waybill::phone},     {"联系地址", nullptr, 255, false, &Waybill::address},
    {"备注", nullptr, 255, false, &Waybill::notes},
};
} // namespace

QString name(int column)
{
    return QString::fromUtf8(kColumns[column].name);
}

QString label(int column)
{
    const char *text = kColumns[column].label;
    return text ? QString::fromUtf8(text) : name(column);
}

int maxLength(int column)
{
    return kColumns[column].maxLength;
}

bool required(int column)
{
    return kColumns[column].required;
}

int indexOf(const QString &columnName)
{
    for (int i = 0; i < Count; ++i)
        if (name(i) == columnName)
            return i;
    return -1;
}

QStringList names()
{
    QStringList out;
    for (int i = 0; i < Count; ++i)
        out << name(i);
    return out;
}

int characterCount(QStringView value)
{
    int count = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (!(value.at(i).isLowSurrogate() && i > 0 && value.at(i - 1).isHighSurrogate()))
            ++count;
    }
    return count;
}

const QString &value(const Waybill &waybill, int column)
{
    return waybill.*kColumns[column].member;
}

QString &value(Waybill &waybill, int column)
{
    return waybill.*kColumns[column].member;
}

} // namespace WaybillColumns

QStringList Waybill::values() const
{
    QStringList out;
    out.reserve(WaybillColumns::Count);
    for (int c = 0; c < WaybillColumns::Count; ++c)
        out << WaybillColumns::value(*this, c);
    return out;
}

QString TrimBlanks(const QString &text)
{
    auto blank = [](QChar c) { return c.isSpace() || c.unicode() == 0xFEFF; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return begin == 0 && end == text.size() ? text : text.mid(begin, end - begin);
}

namespace WaybillNumber {

bool isNormalForm(QStringView number)
{
    for (const QChar c : number) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u >= 0x80 || (u >= u'a' && u <= u'z'))
            return false;
    }
    return true;
}

QString normalForm(QStringView typed)
{
    // Most numbers are plain already: no NFKC pass for them.
    if (isNormalForm(typed))
        return typed.toString();
    // NFKC turns full-width digits and letters (pasted from Chinese web pages
    // and chats) into plain ones, and the odd spaces into U+0020.
    const QString plain = typed.toString().normalized(QString::NormalizationForm_KC);
    QString out;
    out.reserve(plain.size());
    for (const QChar c : plain) {
        // Zero-width spaces, joiners, direction marks and U+FEFF are format
        // characters: invisible, and never part of a number.
        if (!c.isSpace() && c.category() != QChar::Other_Format)
            out += c;
    }
    return out.toUpper();
}

} // namespace WaybillNumber
