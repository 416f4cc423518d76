// The .xls reader: the workbook stream (BIFF8, and BIFF5 of Excel 95) out of
// its compound file, the sheet "sheet1" out of the stream, each cell as text
// the way the .xlsx reader gives it.
#include "core/GbkText.h"
#include "transfer/CompoundFile.h"
#include "transfer/ImportReader.h"
#include "transfer/NumberFormat.h"
#include "transfer/SheetLimits.h"
#include "transfer/XlsRecords.h"

#include <QFile>
#include <QHash>
#include <QtEndian>

#include <cstring>
#include <vector>

namespace {

using namespace XlsRecords;

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kBiff5 = 0x0500;
constexpr quint16 kGlobals = 0x0005;
constexpr quint16 kWorksheet = 0x0010;
// Columns A to IV: the .xls format has no more.
constexpr int kMaxColumns = 256;
// The whole file is held, and its workbook stream once more.
constexpr qint64 kMaxFileBytes = qint64(200) << 20;

double rkNumber(quint32 rk)
{
    // A 30-bit integer, or the high 30 bits of a double; either perhaps
    // a hundredth of itself.
    double value;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 1 ? value / 100 : value;
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#GETTING_DATA");
    }
}

// The cells of sheet1 as they are read: the columns it spans, and the
// import's own fields within the sheet's budget.
class SheetCells final {
public:
    explicit SheetCells(SheetData *sheet);
    // False when the cell is refused; refused() says why.
    bool put(int row, int column, QString text);
    const QString &refused() const { return m_refused; }

private:
    SheetData *m_sheet;
    SheetLimits::Budget m_budget;
    QString m_refused;
};

class Book final {
public:
    Book(const QString &path, const QByteArray &stream) : m_path(path), m_stream(stream) {}

    // Empty, or why the workbook cannot be read, in full.
    QString readGlobals();
    QString readSheet(SheetData *sheet);

private:
    // A cell record's value: empty, or why the record is damaged. `pending`
    // is set for a formula whose text comes in the STRING record after it.
    QString cellValue(const Record &r, QString *value, bool *pending) const;
    QString formulaValue(const Record &r, QString *value, bool *pending) const;
    // A MULRK record's numbers along its row; false when one is refused.
    bool putNumbers(const Record &r, SheetCells &cells) const;

    QString damaged(const QString &why) const
    {
        return QStringLiteral("无法读取 Excel 文件 %1：文件已损坏或不是 Excel 工作簿（%2）。"
                              "请在 Excel 中打开并另存为新文件后再导入。")
            .arg(m_path, why);
    }
    QString refusal(const QString &why) const
    {
        return QStringLiteral("Excel 文件 %1 无法导入：%2。").arg(m_path, why);
    }
    QString narrow(const char *data, int size) const
    {
        // One-byte text is Latin-1 in Excel 97 files; some Chinese writers
        // put GBK there and say so in the code page, as Excel 95 did.
        return m_gbk ? GbkText::decode(QByteArray(data, size)) : QString::fromLatin1(data, size);
    }
    // A string with a one- or two-byte length; `rich` for the shared
    // strings' form, with formatting runs and phonetic data after the text.
    bool text(Pieces &in, int lengthBytes, bool rich, QString *out) const;
    QString cellNumber(double value, int xf) const
    {
        const NumberFormat::Kind kind =
            xf >= 0 && xf < m_xfKinds.size() ? m_xfKinds.at(xf) : NumberFormat::Kind::Number;
        return NumberFormat::text(value, kind, NumberFormat::epoch(m_from1904));
    }

    const QString &m_path;
    const QByteArray &m_stream;
    bool m_biff8 = true;
    bool m_gbk = false;
    bool m_from1904 = false;
    QStringList m_strings;
    QVector<int> m_xfFormats;
    QVector<NumberFormat::Kind> m_xfKinds;
    qint64 m_sheetAt = -1;
};

bool Book::text(Pieces &in, int lengthBytes, bool rich, QString *out) const
{
    out->clear();
    quint16 count = 0;
    if (lengthBytes == 1) {
        quint8 small = 0;
        if (!in.number(&small))
            return false;
        count = small;
    } else if (!in.number(&count)) {
        return false;
    }
    const auto narrowText = [this](const char *data, int size) { return narrow(data, size); };
    if (!m_biff8)
        return in.chars(count, false, narrowText, out);
    quint8 flags = 0;
    quint16 runs = 0;
    quint32 extra = 0;
    if (!in.number(&flags) || (rich && (flags & 0x08) && !in.number(&runs)) ||
        (rich && (flags & 0x04) && !in.number(&extra)))
        return false;
    if (!in.chars(count, flags & 1, narrowText, out) || !in.skip(qint64(runs) * 4) || !in.skip(extra))
        return false;
    // Half a surrogate pair is no character: it could not be passed on as UTF-8.
    for (qsizetype i = 0; i < out->size(); ++i) {
        const QChar c = out->at(i);
        if (c.isHighSurrogate() && i + 1 < out->size() && out->at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            (*out)[i] = QChar::ReplacementCharacter;
    }
    return true;
}

QString Book::readGlobals()
{
    Records records(m_stream, 0);
    Record r;
    if (!records.next(&r) || r.type != Bof || r.size < 4 || u16(r.data + 2) != kGlobals)
        return damaged(QStringLiteral("工作簿数据的开头无效"));
    if (u16(r.data) != kBiff8 && u16(r.data) != kBiff5)
        return QStringLiteral(
                   "无法读取 Excel 文件 %1：它是 Excel 95 以前的旧格式。请在 Excel 中另存为 .xlsx 后再导入。")
            .arg(m_path);
    m_biff8 = u16(r.data) == kBiff8;
    QHash<int, NumberFormat::Kind> formats;
    bool ended = false;
    while (!ended && records.next(&r)) {
        Pieces in;
        in.add(r.data, r.size);
        switch (r.type) {
        case Eof:
            ended = true;
            break;
        case FilePass:
            return QStringLiteral("无法读取 Excel 文件 %1：工作簿设置了打开密码。请在 Excel 中取消密码并保存后再导入。")
                .arg(m_path);
        case Codepage:
            m_gbk = r.size >= 2 && u16(r.data) == 936;
            break;
        case DateMode:
            m_from1904 = r.size >= 2 && u16(r.data) == 1;
            break;
        case Format: {
            quint16 id = 0;
            QString code;
            if (!in.number(&id) || !text(in, m_biff8 ? 2 : 1, false, &code))
                return damaged(QStringLiteral("数字格式不完整"));
            formats.insert(id, NumberFormat::custom(code));
            break;
        }
        case Xf:
            if (r.size < 4)
                return damaged(QStringLiteral("单元格格式不完整"));
            m_xfFormats << u16(r.data + 2);
            break;
        case BoundSheet: {
            QString name;
            if (r.size < 6 || !(in.skip(6) && text(in, 1, false, &name)))
                return damaged(QStringLiteral("工作表目录不完整"));
            if (m_sheetAt < 0 && r.data[5] == 0 && name.compare(QLatin1String("sheet1"), Qt::CaseInsensitive) == 0)
                m_sheetAt = u32(r.data);
            break;
        }
        case Sst: {
            Pieces strings = records.withContinues(r);
            quint32 total = 0, unique = 0;
            if (!strings.number(&total) || !strings.number(&unique))
                return damaged(QStringLiteral("共享字符串表不完整"));
            // The count is not trusted for the reservation: each string takes three bytes at least.
            m_strings.reserve(int(std::min<qint64>(unique, m_stream.size() / 3)));
            QString s;
            for (quint32 i = 0; i < unique; ++i) {
                if (!text(strings, 2, true, &s))
                    return damaged(QStringLiteral("共享字符串表不完整"));
                m_strings << s;
            }
            break;
        }
        default:
            break;
        }
    }
    if (!ended)
        return damaged(QStringLiteral("工作簿数据不完整"));
    for (int id : std::as_const(m_xfFormats))
        m_xfKinds << formats.value(id, NumberFormat::builtin(id));
    if (m_sheetAt < 0)
        return QStringLiteral("Excel 文件 %1 中没有名为 sheet1 的工作表。").arg(m_path);
    return QString();
}

bool isCell(quint16 type)
{
    return type == Formula || type == LabelSst || type == Label || type == RString || type == Number || type == Rk ||
           type == BoolErr || type == MulRk;
}

SheetCells::SheetCells(SheetData *sheet) : m_sheet(sheet) {}

bool SheetCells::put(int row, int column, QString text)
{
    if (column >= kMaxColumns) {
        m_refused = QStringLiteral("列号超出 Excel 的范围（第 %1 行，最多 %2 列）").arg(row + 1).arg(kMaxColumns);
        return false;
    }
    m_sheet->columns = std::max(m_sheet->columns, column + 1);
    if (column >= ImportBatch::kFields)
        return true;
    m_refused = m_budget.take(text.size(), column, row + 1);
    if (!m_refused.isEmpty())
        return false;
    auto it = m_sheet->rows.find(row + 1);
    if (it == m_sheet->rows.end())
        it = m_sheet->rows.insert(row + 1, QStringList(ImportBatch::kFields, QString()));
    (*it)[column] = std::move(text);
    return true;
}

bool Book::putNumbers(const Record &r, SheetCells &cells) const
{
    // Row, first column, then format and number for each column, then the last column.
    const int row = u16(r.data);
    const int column = u16(r.data + 2);
    const int count = (r.size - 6) / 6;
    for (int i = 0; i < count; ++i) {
        const char *at = r.data + 4 + qsizetype(6) * i;
        if (!cells.put(row, column + i, cellNumber(rkNumber(u32(at + 2)), u16(at))))
            return false;
    }
    return true;
}

QString Book::cellValue(const Record &r, QString *value, bool *pending) const
{
    const int xf = u16(r.data + 4);
    Pieces in;
    in.add(r.data, r.size);
    in.skip(6);
    QString incomplete = QStringLiteral("单元格不完整");
    switch (r.type) {
    case LabelSst: {
        if (r.size < 10)
            return incomplete;
        const quint32 index = u32(r.data + 6);
        if (index >= quint32(m_strings.size()))
            return QStringLiteral("单元格 %1 引用的共享字符串不存在")
                .arg(SheetLimits::cellName(u16(r.data + 2), u16(r.data) + 1));
        *value = m_strings.at(int(index));
        return QString();
    }
    case Label:
    case RString:
        return text(in, 2, false, value) ? QString() : incomplete;
    case Number: {
        double number = 0;
        if (!in.number(&number))
            return incomplete;
        *value = cellNumber(number, xf);
        return QString();
    }
    case Rk:
        if (r.size < 10)
            return incomplete;
        *value = cellNumber(rkNumber(u32(r.data + 6)), xf);
        return QString();
    case BoolErr:
        if (r.size < 8)
            return incomplete;
        *value =
            r.data[7] ? errorText(quint8(r.data[6])) : (r.data[6] ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
        return QString();
    case Formula:
        return formulaValue(r, value, pending);
    default:
        return QString();
    }
}

QString Book::formulaValue(const Record &r, QString *value, bool *pending) const
{
    if (r.size < 20)
        return QStringLiteral("公式不完整");
    const char *result = r.data + 6;
    if (u16(result + 6) != 0xFFFF)
        *value = cellNumber(qFromLittleEndian<double>(result), u16(r.data + 4));
    else if (result[0] == 0)
        *pending = true;
    else if (result[0] == 1)
        *value = result[2] ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    else if (result[0] == 2)
        *value = errorText(quint8(result[2]));
    else
        *value = QStringLiteral("");
    return QString();
}

QString Book::readSheet(SheetData *sheet)
{
    Records records(m_stream, m_sheetAt);
    Record r;
    if (!records.next(&r) || r.type != Bof || r.size < 4 || u16(r.data + 2) != kWorksheet)
        return damaged(QStringLiteral("工作表 sheet1 的位置无效"));
    SheetCells cells(sheet);
    // A formula's text comes in the STRING record after it.
    int pendingRow = -1, pendingColumn = -1;
    // Charts inside the sheet are streams of their own, BOF to EOF.
    int depth = 1;
    while (depth > 0 && records.next(&r)) {
        if (r.type == Bof || r.type == Eof) {
            depth += r.type == Bof ? 1 : -1;
            continue;
        }
        if (depth > 1 || !(isCell(r.type) || r.type == String))
            continue;
        if (r.type == String) {
            Pieces in = records.withContinues(r);
            QString s;
            if (!text(in, 2, false, &s))
                return damaged(QStringLiteral("公式的文字不完整"));
            if (pendingRow >= 0 && !cells.put(pendingRow, pendingColumn, s))
                return refusal(cells.refused());
            pendingRow = -1;
            continue;
        }
        if (r.size < 6)
            return damaged(QStringLiteral("单元格不完整"));
        pendingRow = -1;
        QString value;
        bool pending = false;
        if (r.type == MulRk) {
            if (!putNumbers(r, cells))
                return refusal(cells.refused());
            continue;
        }
        const QString damage = cellValue(r, &value, &pending);
        if (!damage.isEmpty())
            return damaged(damage);
        if (pending) {
            pendingRow = u16(r.data);
            pendingColumn = u16(r.data + 2);
        } else if (!cells.put(u16(r.data), u16(r.data + 2), std::move(value))) {
            return refusal(cells.refused());
        }
    }
    if (depth > 0)
        return damaged(QStringLiteral("工作表数据不完整"));
    return QString();
}

} // namespace

namespace XlsSheet {

Outcome read(const QString &path, SheetData *sheet)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(
            QStringLiteral("无法读取 Excel 文件 %1：找不到这个文件。请检查它是否已被移走或改名。").arg(path));
    if (file.size() > kMaxFileBytes)
        return Outcome::failure(QStringLiteral("Excel 文件 %1 无法导入：文件有 %2 MB，超过 .xls 文件最多 %3 MB 的上限。"
                                               "请把它分成几个较小的文件再导入。")
                                    .arg(path)
                                    .arg(file.size() >> 20)
                                    .arg(kMaxFileBytes >> 20));
    return read(file.read(kMaxFileBytes), path, sheet);
}

Outcome read(const QByteArray &file, const QString &path, SheetData *sheet)
{
    const CompoundFile::Stream stream = CompoundFile::read(file, {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (stream.found != CompoundFile::Found::Stream) {
        const QString why =
            stream.found == CompoundFile::Found::NoSuchStream ? QStringLiteral("其中没有工作簿") : stream.damage;
        return Outcome::failure(QStringLiteral("无法读取 Excel 文件 %1：文件已损坏或不是 Excel 工作簿（%2）。"
                                               "请在 Excel 中打开并另存为新文件后再导入。")
                                    .arg(path, why));
    }
    Book book(path, stream.bytes);
    QString failure = book.readGlobals();
    if (failure.isEmpty())
        failure = book.readSheet(sheet);
    if (failure.isEmpty())
        return Outcome::success();
    *sheet = SheetData();
    return Outcome::failure(failure);
}

} // namespace XlsSheet
