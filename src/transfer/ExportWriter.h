#pragma once

#include "core/Outcome.h"
#include "core/SaveWhole.h"
#include "store/Waybill.h"

#include <QByteArray>
#include <QStringEncoder>
#include <QStringList>
#include <QVector>

#include <memory>

// The export file: one line per waybill, all eleven columns in table order,
// each value followed by a comma, CR LF line ends, GBK text. A null value is
// written as empty text. It is not the import layout.
namespace ExportWriter {

// rowsBeyondGbk, when given, counts the rows holding characters that GBK has
// no code for (emoji, €, a no-break space): they are written in GB18030's
// own codes, so nothing is lost, but a program that reads only GBK shows
// them wrongly.
QByteArray format(const QVector<Waybill> &rows, int *rowsBeyondGbk = nullptr);

// Writes the whole file or leaves the old one untouched.
Outcome write(const QString &path, const QVector<Waybill> &rows, int *rowsBeyondGbk = nullptr);

// The same file written as the rows come, a buffer at a time, so that a
// register of any size is never held whole in memory. The old file stays
// untouched until finish() has written every row; dropped without finish(),
// nothing is left behind.
class TextExport {
public:
    explicit TextExport(const QString &path);
    ~TextExport();
    TextExport(const TextExport &) = delete;
    TextExport &operator=(const TextExport &) = delete;

    // False from the first failed write on; finish() then writes nothing and says why.
    bool add(const Waybill &row);
    bool failed() const { return m_file && m_file->failed(); }
    Outcome finish();
    int rows() const { return m_rows; }
    int rowsBeyondGbk() const { return m_beyondGbk; }

private:
    bool flush();

    QString m_path;
    std::unique_ptr<WholeFileWriter> m_file;
    QStringEncoder m_encoder;
    QByteArray m_buffer;
    QString m_line;
    int m_rows = 0;
    int m_beyondGbk = 0;
};

// The Excel export: an .xlsx workbook with the one sheet "sheet1", a header
// row of the eleven column names, then one row per waybill, every value a
// text cell so that a telephone or waybill number keeps its leading zeros and
// all its digits. The nine columns of the import layout come first, so that
// the Excel import reads the file back by position; 状态 and 在途时间 follow.
// An empty value, like a null one, is an empty cell.
//
// libxlsxwriter and QuaZip each bring a minizip that exports the same
// function names, and in one process the library's calls land in QuaZip's
// copy and crash. So the workbook is written by the helper program
// tolvane-export, beside the program, which loads no QuaZip.
constexpr const char *kWorkbookHelperName = "tolvane-export";
QVector<int> workbookColumns();
QStringList workbookHeader();
// The program's side: hands the rows to the helper and waits for it.
Outcome writeWorkbook(const QString &path, const QVector<Waybill> &rows);
// The helper's side, in the helper's process only (libxlsxwriter).
Outcome writeWorkbookHere(const QString &path, const QVector<Waybill> &rows);
// The rows as the helper takes them on its standard input.
QByteArray encodeRows(const QVector<Waybill> &rows);
bool decodeRows(const QByteArray &bytes, QVector<Waybill> *rows);

} // namespace ExportWriter
