#include "store/ExportWriter.h"

#include "app/GbkText.h"

#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    const QByteArray bytes = format(rows);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Outcome::failure(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    return Outcome::success();
}

} // namespace ExportWriter
