#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text in a workbook's XML. Characters that XML cannot carry (control
// characters; a lone CR, which XML turns into LF) are written as Excel writes
// them, "_x000D_", and an underscore that starts such a form in the text
// itself as "_x005F_", so that the reader gives back exactly what was written.
namespace XlsxText {
QString escape(QStringView text);
QString unescape(QStringView text);
// Whether an XML part ends with the end of the element it starts with. A part
// is written from its start to its end, so one cut short never does; parsing
// a sheet of a million cells to find out would take seconds.
bool endsWhole(QByteArrayView xml);
} // namespace XlsxText
