#pragma once

#include "core/Outcome.h"
#include "transfer/ImportBatch.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QIODevice;

// Reads the import files into waybills with their line numbers. Bad lines are
// left out with a reason; only a file that cannot be read at all fails.
namespace ImportReader {

// Comma-separated text, one waybill per line. UTF-8 or UTF-16 when the bytes
// start with their byte-order mark, UTF-8 when they are valid UTF-8, GBK
// otherwise; lines end at CR LF, LF or CR.
QString decodeText(const QByteArray &bytes);
ImportBatch parseText(const QByteArray &bytes);
// A larger file is refused with a message before it is read: a million lines
// of a hundred bytes fit.
constexpr qint64 kMaxTextFileBytes = qint64(100) << 20;
Outcome readTextFile(const QString &path, ImportBatch *batch);

// An Excel workbook, .xls or .xlsx (told apart by content, not by name): the
// sheet "sheet1" in any letter case, row 1 skipped, columns by position.
Outcome readExcelFile(const QString &path, ImportBatch *batch);

// Cell texts as they are stored: numbers in their plain form ("13800138000",
// "12.5"), dates as "2026/12/7", a time of day only when there is one.
QString numberText(double value);
QString dateTimeText(const QDateTime &value);
QString timeText(const QTime &value);

} // namespace ImportReader

// The two workbook formats; each fills a sheet of texts.
namespace XlsSheet {
Outcome read(const QString &path, SheetData *sheet);
// The file's bytes; the path only names it in messages.
Outcome read(const QByteArray &file, const QString &path, SheetData *sheet);
} // namespace XlsSheet
namespace XlsxSheet {
Outcome read(const QString &path, SheetData *sheet);
// The package from any device; the path only names it in messages.
Outcome read(QIODevice *device, const QString &path, SheetData *sheet);
} // namespace XlsxSheet
