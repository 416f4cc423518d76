#pragma once

#include "store/RegisterGrid.h"
#include "store/Waybill.h"

#include <QDate>
#include <QPair>
#include <QVector>

// What the management grid does to the rows it shows: brings the days in
// transit up to date and sizes each column to its widest value. Widths are in
// twips (15 per pixel), 115 per byte of the text in the GBK code page, which is
// how wide the grid's font draws it.
namespace GridFill {

constexpr int kTwipsPerByte = 115;
constexpr int kTwipsPerPixel = 15;

struct Result {
    // Rows whose days in transit changed: number, the time they come from
    // and the new text.
    QVector<DaysUpdate> changedDays;
    // One width per column in table order, in twips.
    QVector<int> widthsTwips;
};

// With updateDays, every row whose time reads as a date gets its days in
// transit as of today; rows with an empty or unreadable time keep theirs.
Result apply(QVector<Waybill> &rows, const QDate &today, bool updateDays);

// Byte length in GBK, counted without encoding: one byte for ASCII, two for
// anything else. Hot path: it runs for every cell of every fill.
int ansiByteLength(const QString &text);

// Twips to whole pixels, rounding up so that no text is clipped.
int pixels(int twips);

} // namespace GridFill
