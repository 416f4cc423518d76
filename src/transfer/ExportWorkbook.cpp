#include "transfer/ExportWriter.h"

#include "core/DiskFailure.h"
#include "core/SaveWhole.h"
#include "transfer/XlsxText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <xlsxwriter.h>
#include <zlib.h>

namespace ExportWriter {

namespace {

// Excel's own bound; the header takes the first row.
constexpr qint64 kMaxSheetRows = 1048576;

// The library's texts are English; what it fails at here is its scratch files.
QString libraryError(lxw_error error)
{
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("生成 Excel 工作簿时内存不足。请关闭其他程序后再试。");
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("有一个值超过了 Excel 单元格的长度上限，请改为导出文本文件。");
    default:
        return QStringLiteral("无法在临时文件夹 %1 中生成 Excel 工作簿：%2")
            .arg(QDir::toNativeSeparators(QDir::tempPath()), DiskFailure::diskFull());
    }
}

// The library does not notice every failed write of its scratch files: a full
// scratch folder leaves a part cut short inside a package that closes without
// error. So the package is read back: every entry its directory lists must
// inflate to its recorded size and checksum, and every XML part must end
// with the end of its root element.
bool isWholePackage(const QByteArray &bytes)
{
    constexpr int kEndRecord = 22;
    const auto at16 = [&bytes](qint64 at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto at32 = [&bytes](qint64 at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    if (bytes.size() < kEndRecord)
        return false;
    const qint64 end = bytes.size() - kEndRecord;
    if (at32(end) != 0x06054b50 || qint64(at32(end + 16)) + at32(end + 12) != end)
        return false;
    qint64 entry = at32(end + 16);
    for (int n = at16(end + 10); n > 0; --n) {
        if (entry + 46 > end || at32(entry) != 0x02014b50)
            return false;
        const int method = at16(entry + 10);
        const quint32 crc = at32(entry + 16);
        const quint32 packed = at32(entry + 20);
        const quint32 size = at32(entry + 24);
        const int nameLength = at16(entry + 28);
        const QByteArray name = bytes.mid(entry + 46, nameLength);
        const qint64 local = at32(entry + 42);
        entry += 46 + nameLength + at16(entry + 30) + at16(entry + 32);
        if (local + 30 > end || at32(local) != 0x04034b50)
            return false;
        const qint64 data = local + 30 + at16(local + 26) + at16(local + 28);
        if (data + packed > end)
            return false;
        QByteArray content(qsizetype(size), Qt::Uninitialized);
        if (method == 8) {
            z_stream stream{};
            if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
                return false;
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData() + data));
            stream.avail_in = packed;
            stream.next_out = reinterpret_cast<Bytef *>(content.data());
            stream.avail_out = size;
            const int inflated = inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
            if (inflated != Z_STREAM_END || stream.total_out != size)
                return false;
        } else if (method == 0 && packed == size) {
            content = bytes.mid(data, size);
        } else {
            return false;
        }
        if (crc32(0, reinterpret_cast<const Bytef *>(content.constData()), size) != crc)
            return false;
        if ((name.endsWith(".xml") || name.endsWith(".rels")) && !XlsxText::endsWhole(content))
            return false;
    }
    return true;
}

} // namespace

Outcome writeWorkbookHere(const QString &path, const QVector<Waybill> &rows)
{
    const auto failed = [&path](const QString &why) {
        return Outcome::failure(QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    };
    if (rows.size() + 1 > kMaxSheetRows)
        return failed(QStringLiteral("运单有 %1 条，超过 Excel 工作表最多 %2 行的限制，请改为导出文本文件。")
                          .arg(rows.size())
                          .arg(kMaxSheetRows - 1));

    // The library writes only to a named file; it is built aside and then
    // saved whole, so a failure never leaves half a workbook at the chosen path.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return failed(QStringLiteral("无法在 %1 中创建临时文件夹。请检查它是否已满、能否写入，然后再试。")
                          .arg(QDir::toNativeSeparators(QDir::tempPath())));
    const QString scratchFile = scratch.filePath(QStringLiteral("export.xlsx"));
    const QByteArray scratchPath = QFile::encodeName(scratchFile);
    const QByteArray scratchDir = QFile::encodeName(scratch.path());

    lxw_workbook_options options{};
    options.tmpdir = const_cast<char *>(scratchDir.constData());
    // Rows go to the file as they are written (their strings inline), not
    // into a table of every cell first: a third of the time, little memory.
    options.constant_memory = LXW_TRUE;
    lxw_workbook *workbook = workbook_new_opt(scratchPath.constData(), &options);
    if (!workbook)
        return failed(QStringLiteral("无法创建工作簿。"));
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "sheet1");
    // Cells formatted as text stay text when the user edits them in Excel too.
    lxw_format *text = workbook_add_format(workbook);
    format_set_num_format(text, "@");

    const QVector<int> order = workbookColumns();
    lxw_error error = LXW_NO_ERROR;
    auto put = [&](lxw_row_t row, lxw_col_t column, const QString &value) {
        // The library leaves the cell of an empty text empty, as for a null.
        if (error == LXW_NO_ERROR)
            error = worksheet_write_string(sheet, row, column, XlsxText::escape(value).toUtf8().constData(), text);
    };
    for (int c = 0; c < order.size(); ++c)
        put(0, lxw_col_t(c), WaybillColumns::name(order.at(c)));
    for (qsizetype r = 0; r < rows.size() && error == LXW_NO_ERROR; ++r) {
        for (int c = 0; c < order.size(); ++c)
            put(lxw_row_t(r + 1), lxw_col_t(c), WaybillColumns::value(rows.at(r), order.at(c)));
    }
    for (int c = 0; c < order.size() && error == LXW_NO_ERROR; ++c)
        error = worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                                     order.at(c) == WaybillColumns::Address ? 40 : 16, text);

    const lxw_error closed = workbook_close(workbook);
    if (error != LXW_NO_ERROR)
        return failed(libraryError(error));
    if (closed != LXW_NO_ERROR)
        return failed(libraryError(closed));

    QFile built(scratchFile);
    if (!built.open(QIODevice::ReadOnly))
        return failed(libraryError(LXW_ERROR_CREATING_XLSX_FILE));
    const QByteArray package = built.readAll();
    if (!isWholePackage(package))
        return failed(libraryError(LXW_ERROR_CREATING_XLSX_FILE));
    return SaveWholeFile(path, package);
}

} // namespace ExportWriter
