#include "transfer/ExportWriter.h"

#include "core/GbkText.h"
#include "core/SaveWhole.h"

namespace ExportWriter {

QByteArray format(const QVector<Waybill> &rows, int *rowsBeyondGbk)
{
    if (rowsBeyondGbk)
        *rowsBeyondGbk = 0;
    QString text;
    text.reserve(rows.size() * 96);
    for (const Waybill &row : rows) {
        bool beyond = false;
        for (const QString &value : row.values()) {
            text += value;
            text += QLatin1Char(',');
            beyond = beyond || (rowsBeyondGbk && !GbkText::fitsGbk(value));
        }
        if (beyond)
            ++*rowsBeyondGbk;
        text += QLatin1String("\r\n");
    }
    return GbkText::encode(text);
}

Outcome write(const QString &path, const QVector<Waybill> &rows, int *rowsBeyondGbk)
{
    return SaveWholeFile(path, format(rows, rowsBeyondGbk));
}

} // namespace ExportWriter
