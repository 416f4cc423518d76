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
    QString reason;
    if (!SaveWhole(path, format(rows), &reason))
        return Outcome::failure(QStringLiteral("无法写入文件 %1：%2").arg(path, reason));
    return Outcome::success();
}

} // namespace ExportWriter
