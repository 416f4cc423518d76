#include "transfer/ImportBatch.h"

#include "carriers/CarrierCatalogue.h"

void ImportBatch::addEmptyLine(int line)
{
    skip(line, QStringLiteral("空行"));
}

namespace {
// Why a field cannot be stored as it is, or an empty text. A tab is kept: it
// is what a spreadsheet leaves when a cell was pasted with one.
QString unfitCharacter(const QString &field)
{
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c.isHighSurrogate() && i + 1 < field.size() && field.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || c == QChar::ReplacementCharacter)
            return QStringLiteral("含有无法识别的字符（文件编码不对？）");
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t'))
            return QStringLiteral("含有控制字符（U+%1）").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return QString();
}
} // namespace

void ImportBatch::addFields(int line, const QStringList &fields)
{
    if (fields.size() < kFields) {
        skip(line, QStringLiteral("只有 %1 个字段，少于 9 个").arg(fields.size()));
        return;
    }
    for (int i = 0; i < kFields; ++i) {
        if (const QString unfit = unfitCharacter(fields[i]); !unfit.isEmpty()) {
            skip(line, unfit);
            return;
        }
    }
    const QString &number = fields[0];
    if (!number.isEmpty()) {
        const auto first = m_firstLineOfNumber.constFind(number);
        if (first != m_firstLineOfNumber.constEnd()) {
            skip(line, QStringLiteral("快递单号与第 %1 行重复").arg(first.value()));
            return;
        }
    }
    // The separator of the carrier lists is no carrier.
    if (fields[1] == CarrierCatalogue::kSeparator) {
        skip(line, QStringLiteral("快递公司“%1”无效").arg(fields[1]));
        return;
    }
    if (!number.isEmpty())
        m_firstLineOfNumber.insert(number, line);
    Waybill w;
    for (int i = 0; i < kFields; ++i)
        WaybillColumns::value(w, WaybillColumns::kTyped[i]) = fields[i];
    m_rows.push_back(std::move(w));
    m_lines.push_back(line);
}

void ImportBatch::addSheet(const SheetData &sheet)
{
    auto isEmptyRow = [](const QStringList &cells) {
        for (const QString &cell : cells)
            if (!cell.isEmpty())
                return false;
        return true;
    };
    // Only the rows the sheet holds are visited, so a value in row 1,000,000
    // costs one skip for the gap before it, not a million.
    int next = 2;
    for (auto it = sheet.rows.lowerBound(2); it != sheet.rows.constEnd(); ++it) {
        const int row = it.key();
        const QStringList &cells = it.value();
        if (isEmptyRow(cells))
            continue;
        if (row - 1 > next)
            m_skipped.push_back({next, QStringLiteral("空行"), row - 1});
        else if (row > next)
            addEmptyLine(next);
        next = row + 1;
        if (sheet.columns < kFields) {
            skip(row, QStringLiteral("工作表只有 %1 列，少于 9 列").arg(sheet.columns));
        } else {
            QStringList fields = cells;
            while (fields.size() < kFields)
                fields << QString();
            addFields(row, fields);
        }
    }
}
