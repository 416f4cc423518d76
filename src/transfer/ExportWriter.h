#pragma once

#include "core/Outcome.h"
#include "store/Waybill.h"

#include <QByteArray>
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

} // namespace ExportWriter
