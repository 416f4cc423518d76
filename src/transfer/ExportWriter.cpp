#include "transfer/ExportWriter.h"

#include "core/GbkText.h"
#include "core/SaveWhole.h"

namespace ExportWriter {

QByteArray format(const QVector<Waybill> &rows)
{
    QString text;
    text.reserve(rows.size() * 96);
    for (const Waybill &row : rows) {
        for (const QString &value : row.values()) {
            text += value;
            text += QLatin1Char(',');
        }
        text += QLatin1String("\r\n");
    }
    return GbkText::encode(text);
}

Outcome write(const QString &path, const QVector<Waybill> &rows)
{
    return SaveWholeFile(path, format(rows));
}

} // namespace ExportWriter
