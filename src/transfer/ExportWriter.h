#pragma once

#include "core/Outcome.h"
#include "store/Waybill.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

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
