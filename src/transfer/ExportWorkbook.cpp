#include "transfer/ExportWriter.h"

#include "core/SaveWhole.h"
#include "transfer/XlsxText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

namespace ExportWriter {

namespace {

// Excel's own bound; the header takes the first row.
constexpr qint64 kMaxSheetRows = 1048576;

QString libraryError(lxw_error error)
{
    return QStringLiteral("生成 Excel 工作簿时出错（%1）。").arg(QString::fromUtf8(lxw_strerror(error)));
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
        return failed(QStringLiteral("无法创建临时文件夹：%1").arg(scratch.errorString()));
    const QString scratchFile = scratch.filePath(QStringLiteral("export.xlsx"));
    const QByteArray scratchPath = QFile::encodeName(scratchFile);
    const QByteArray scratchDir = QFile::encodeName(scratch.path());

    lxw_workbook_options options{};
    options.tmpdir = const_cast<char *>(scratchDir.constData());
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
        return failed(built.errorString());
    return SaveWholeFile(path, built.readAll());
}

} // namespace ExportWriter
