#pragma once

#include <QString>

// What one sheet may hand the program. A crafted workbook can make a few
// bytes stand for gigabytes of text (one long shared string in many cells),
// so the readers count as they go and refuse before the text is copied on.
namespace SheetLimits {

// Excel's own limit of a cell; no spreadsheet writes a longer one.
constexpr int kMaxCellText = 32767;
// The text of the columns that are imported, in characters: over a million
// rows of full lines.
constexpr qint64 kMaxSheetText = qint64(64) << 20;
// The helper's whole answer, in bytes (UTF-8 text and its framing).
constexpr qint64 kMaxAnswerBytes = qint64(256) << 20;

// Counts the cells of one sheet.
class Budget final {
public:
    // Empty, or why the sheet is refused: the text of the 0-based `column`
    // of `row`, `length` characters long.
    QString take(qsizetype length, int column, qint64 row);

private:
    qint64 m_total = 0;
};

// "B12" for the 0-based column 1 of row 12.
QString cellName(int column, qint64 row);

} // namespace SheetLimits
