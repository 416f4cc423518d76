#include "transfer/SheetLimits.h"

namespace SheetLimits {

QString Budget::take(qsizetype length, int column, qint64 row)
{
    if (length > kMaxCellText)
        return QStringLiteral("单元格 %1 的文字有 %2 个字符，超过 Excel 单元格最多 %3 个字符的上限")
            .arg(cellName(column, row))
            .arg(length)
            .arg(kMaxCellText);
    m_total += length;
    if (m_total > kMaxSheetText)
        return QStringLiteral("工作表的文字超过 %1 万个字符，过大。请把它分成几个较小的文件再导入")
            .arg(kMaxSheetText / 10000);
    return QString();
}

QString cellName(int column, qint64 row)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QLatin1Char(char('A' + (c - 1) % 26)));
    return letters + QString::number(row);
}

} // namespace SheetLimits
