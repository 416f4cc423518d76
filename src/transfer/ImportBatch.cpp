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
    int lastRow = 1;
    for (auto it = sheet.rows.constBegin(); it != sheet.rows.constEnd(); ++it)
        if (!isEmptyRow(it.value()))
            lastRow = std::max(lastRow, it.key());

    const QStringList emptyRow(kFields, QString());
    for (int row = 2; row <= lastRow; ++row) {
        const QStringList cells = sheet.rows.value(row, emptyRow);
        if (isEmptyRow(cells)) {
            addEmptyLine(row);
        } else if (sheet.columns < kFields) {
            skip(row, QStringLiteral("工作表只有 %1 列，少于 9 列").arg(sheet.columns));
        } else {
            QStringList fields = cells;
            while (fields.size() < kFields)
                fields << QString();
            addFields(row, fields);
        }
    }
}
