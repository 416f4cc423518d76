#include "manage/GridFill.h"

#include "store/DaysInTransit.h"

#include <QHash>

namespace GridFill {

int ansiByteLength(const QString &text)
{
    int bytes = 0;
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    for (; p != end; ++p) {
        const char16_t c = p->unicode();
        if (c < 0x80)
            bytes += 1;
        else if (QChar::isLowSurrogate(c))
            continue; // counted with its high surrogate
        else
            bytes += 2;
    }
    return bytes;
}

namespace {

// The trimmed length without building the trimmed copy.
int trimmedByteLength(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).isSpace())
        ++begin;
    while (end > begin && text.at(end - 1).isSpace())
        --end;
    if (begin == 0 && end == text.size())
        return ansiByteLength(text);
    return ansiByteLength(text.mid(begin, end - begin));
}

} // namespace

Result apply(QVector<Waybill> &rows, const QDate &today, bool updateDays)
{
    Result result;
    result.widthsTwips.resize(WaybillColumns::Count);
    for (int c = 0; c < WaybillColumns::Count; ++c)
        result.widthsTwips[c] = kTwipsPerByte * ansiByteLength(WaybillColumns::name(c));

    // Many waybills share a dispatch date; each distinct text is read once.
    QHash<QString, std::optional<QString>> daysOfTime;
    for (Waybill &row : rows) {
        if (updateDays && !row.time.isEmpty()) {
            auto known = daysOfTime.constFind(row.time);
            if (known == daysOfTime.constEnd())
                known = daysOfTime.insert(row.time, DaysInTransit::fromTimeText(row.time, today));
            const std::optional<QString> &days = known.value();
            if (days && *days != row.daysInTransit) {
                row.daysInTransit = *days;
                result.changedDays.push_back({row.number, row.time, *days});
            }
        }
        for (int c = 0; c < WaybillColumns::Count; ++c) {
            const QString &value = WaybillColumns::value(row, c);
            if (value.isNull())
                continue;
            const int cell = kTwipsPerByte * trimmedByteLength(value);
            if (cell > result.widthsTwips[c])
                result.widthsTwips[c] = cell;
        }
    }
    return result;
}

int pixels(int twips)
{
    return (twips + kTwipsPerPixel - 1) / kTwipsPerPixel;
}

} // namespace GridFill
