#include "transfer/ImportBatch.h"

#include "carriers/CarrierCatalogue.h"

#include <algorithm>

ImportBatch::ImportBatch(QString text) : m_text(std::move(text))
{
    // Empty fields store empty text, never NULL: a view of a null text is null.
    if (m_text.isNull())
        m_text = QStringLiteral("");
}

void ImportBatch::addEmptyLine(int line)
{
    skip(line, QStringLiteral("空行"));
}

namespace {
// Why a field cannot be stored as it is, or an empty text. A tab is kept: it
// is what a spreadsheet leaves when a cell was pasted with one.
QString unfitCharacter(QStringView field)
{
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char16_t c = field[i].unicode();
        if (c >= 0x20 && c < 0x7F)
            continue;
        // The control characters are exactly U+0000–001F and U+007F–009F.
        if ((c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F))
            return QStringLiteral("含有控制字符（U+%1）").arg(c, 4, 16, QLatin1Char('0')).toUpper();
        if (QChar::isHighSurrogate(c) && i + 1 < field.size() && field[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c) || c == QChar::ReplacementCharacter)
            return QStringLiteral("含有无法识别的字符（文件编码不对？）");
    }
    return QString();
}
} // namespace

bool ImportBatch::looksLikeDays(QStringView value)
{
    const QStringView days = value.trimmed();
    if (days.size() < 2 || !days.endsWith(u'天'))
        return false;
    return std::all_of(days.begin(), days.end() - 1, [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool ImportBatch::isExportLine(QStringView line)
{
    const qsizetype first = line.indexOf(u',');
    if (first < 0)
        return false;
    const qsizetype second = line.indexOf(u',', first + 1);
    const QStringView status = line.first(first);
    return second > 0 && (status == kNotSignedFor || status == kSignedFor) &&
           looksLikeDays(line.sliced(first + 1, second - first - 1));
}

void ImportBatch::addTextLine(int line, qsizetype start, qsizetype end)
{
    // An export line: 状态, 在途时间, then the nine typed fields.
    std::array<Range, kFields + 2> read;
    const int wanted = m_exportLayout ? kFields + 2 : kFields;
    int count = 0;
    qsizetype fieldStart = start;
    for (qsizetype i = start; i <= end && count < wanted; ++i) {
        if (i < end && m_text.at(i) != QLatin1Char(','))
            continue;
        read[count++] = {fieldStart, i - fieldStart};
        fieldStart = i + 1;
    }
    if (count < wanted) {
        skip(line, QStringLiteral("只有 %1 个字段，少于 %2 个").arg(count).arg(wanted));
        return;
    }
    if (!m_exportLayout) {
        addRow(line, read);
        return;
    }
    if (const QStringView status = view(read[0]); status != kNotSignedFor && status != kSignedFor) {
        skip(line, QStringLiteral("状态“%1”无效").arg(status));
        return;
    }
    Fields fields;
    std::copy(read.begin() + 2, read.end(), fields.begin());
    fields[kStatus] = read[0];
    fields[kDays] = read[1];
    addRow(line, fields);
}

void ImportBatch::addFields(int line, const QStringList &fields)
{
    if (fields.size() < kFields) {
        skip(line, QStringLiteral("只有 %1 个字段，少于 9 个").arg(fields.size()));
        return;
    }
    Fields ranges;
    for (int i = 0; i < kFields; ++i) {
        if (fields[i].isNull())
            continue;
        ranges[i] = {m_text.size(), fields[i].size()};
        m_text += fields[i];
    }
    addRow(line, ranges);
}

void ImportBatch::addRow(int line, const Fields &read)
{
    for (const Range &range : read) {
        if (const QString unfit = unfitCharacter(view(range)); !unfit.isEmpty()) {
            skip(line, unfit);
            return;
        }
    }
    Fields fields = read;
    QString number = view(fields[0]).toString();
    if (!WaybillNumber::isNormalForm(number)) {
        // The number as the register keeps it, added to the text it is read from.
        number = WaybillNumber::normalForm(number);
        fields[0] = {m_text.size(), number.size()};
        m_text += number;
    }
    // The number is the first thing a line can lack: an empty one is said so
    // before its carrier is missed.
    if (number.isEmpty()) {
        skip(line, QStringLiteral("快递单号为空"));
        return;
    }
    const auto first = m_firstLineOfNumber.constFind(number);
    if (first != m_firstLineOfNumber.constEnd()) {
        skip(line, QStringLiteral("快递单号与第 %1 行重复").arg(first.value()));
        return;
    }
    // The separator of the carrier lists is no carrier, nor is an export's
    // 在途时间 read one column off.
    if (const QStringView carrier = view(fields[1]);
        carrier == CarrierCatalogue::kSeparator || looksLikeDays(carrier)) {
        skip(line, QStringLiteral("快递公司“%1”无效").arg(carrier));
        return;
    }
    m_firstLineOfNumber.insert(number, line);
    m_fields.push_back(fields);
    m_lines.push_back(line);
}

bool ImportBatch::hasMissingCarriers() const
{
    return std::any_of(m_fields.cbegin(), m_fields.cend(), [this](const Fields &f) { return view(f[1]).isEmpty(); });
}

void ImportBatch::fillMissingCarriers(const CarrierDetection::RegisterIndex *index)
{
    QVector<Fields> kept;
    QVector<int> keptLines;
    for (int i = 0; i < m_fields.size(); ++i) {
        Fields fields = m_fields[i];
        if (view(fields[1]).isEmpty()) {
            const CarrierDetection::Result found = CarrierDetection::detect(view(fields[0]).toString(), index);
            if (const Carrier *carrier = found.sureCarrier()) {
                fields[1] = {m_text.size(), carrier->name.size()};
                m_text += carrier->name;
            } else {
                const QStringList names = found.names();
                skip(m_lines[i], names.isEmpty()
                                     ? QStringLiteral("快递公司为空，无法按单号识别")
                                     : QStringLiteral("快递公司为空，可能是：") + names.join(QStringLiteral(" / ")));
                continue;
            }
        }
        kept.push_back(fields);
        keptLines.push_back(m_lines[i]);
    }
    m_fields = std::move(kept);
    m_lines = std::move(keptLines);
}

QStringView ImportBatch::field(int row, int typed) const
{
    return view(m_fields[row][typed]);
}

Waybill ImportBatch::row(int index) const
{
    Waybill w;
    for (int i = 0; i < kFields; ++i)
        WaybillColumns::value(w, WaybillColumns::kTyped[i]) = field(index, i).toString();
    return w;
}

QVector<Waybill> ImportBatch::rows() const
{
    QVector<Waybill> out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out.push_back(row(i));
    return out;
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
