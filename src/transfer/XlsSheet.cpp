#include "transfer/ImportReader.h"
#include "transfer/SheetLimits.h"

#include <QFile>

#include <freexl.h>

namespace {

class Workbook final {
public:
    explicit Workbook(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        m_status = freexl_open(name.constData(), &m_handle);
    }
    ~Workbook()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    int status() const { return m_status; }
    const void *handle() const { return m_handle; }

private:
    const void *m_handle = nullptr;
    int m_status = FREEXL_OK;
};

} // namespace

namespace XlsSheet {

namespace {
// FreeXL's codes, in words.
QString openFailure(int status)
{
    switch (status) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("找不到这个文件。请检查它是否已被移走或改名。");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("内存不足。请关闭其他程序后再试。");
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return QStringLiteral("文件中的文字编码无法识别。请在 Excel 中另存为 .xlsx 后再导入。");
    default:
        return QStringLiteral("文件已损坏或不是 Excel 工作簿。请在 Excel 中打开并另存为新文件后再导入。");
    }
}
} // namespace

QString cellText(const FreeXL_CellValue &cell)
{
    const auto text = [&cell] { return QString::fromUtf8(cell.value.text_value); };
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return ImportReader::numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return text();
    case FREEXL_CELL_DATE:
        if (const QDate d = QDate::fromString(text(), QStringLiteral("yyyy-MM-dd")); d.isValid())
            return ImportReader::dateTimeText(d.startOfDay());
        return text();
    case FREEXL_CELL_DATETIME:
        if (const QDateTime t = QDateTime::fromString(text(), QStringLiteral("yyyy-MM-dd HH:mm:ss")); t.isValid())
            return ImportReader::dateTimeText(t);
        return text();
    case FREEXL_CELL_TIME:
        if (const QTime t = QTime::fromString(text(), QStringLiteral("HH:mm:ss")); t.isValid())
            return ImportReader::timeText(t);
        return text();
    default:
        return QString();
    }
}

Outcome read(const QString &path, SheetData *sheet)
{
    Workbook book(path);
    if (book.status() != FREEXL_OK)
        return Outcome::failure(QStringLiteral("无法读取 Excel 文件 %1：%2").arg(path, openFailure(book.status())));
    unsigned int count = 0;
    if (freexl_get_info(book.handle(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        count = 0;
    int found = -1;
    for (unsigned int i = 0; i < count && found < 0; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(book.handle(), static_cast<unsigned short>(i), &name) == FREEXL_OK && name &&
            QString::fromUtf8(name).compare(QLatin1String("sheet1"), Qt::CaseInsensitive) == 0)
            found = int(i);
    }
    if (found < 0)
        return Outcome::failure(QStringLiteral("Excel 文件 %1 中没有名为 sheet1 的工作表。").arg(path));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(book.handle(), static_cast<unsigned short>(found)) != FREEXL_OK ||
        freexl_worksheet_dimensions(book.handle(), &rows, &columns) != FREEXL_OK)
        return Outcome::failure(QStringLiteral("无法读取 Excel 文件 %1 的工作表 sheet1。").arg(path));

    sheet->columns = columns;
    const unsigned short used = std::min<unsigned short>(columns, ImportBatch::kFields);
    SheetLimits::Budget budget;
    for (unsigned int r = 1; r < rows; ++r) {
        QStringList cells(ImportBatch::kFields, QString());
        for (unsigned short c = 0; c < used; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(book.handle(), r, c, &cell) != FREEXL_OK)
                continue;
            cells[c] = cellText(cell);
            if (const QString bad = budget.take(cells[c].size(), c, qint64(r) + 1); !bad.isEmpty()) {
                *sheet = SheetData();
                return Outcome::failure(QStringLiteral("Excel 文件 %1 无法导入：%2。").arg(path, bad));
            }
        }
        sheet->rows.insert(int(r) + 1, cells);
    }
    return Outcome::success();
}

} // namespace XlsSheet
