#pragma once

#include <QString>
#include <QStringView>

// Text in a workbook's XML. Characters that XML cannot carry (control
// characters; a lone CR, which XML turns into LF) are written as Excel writes
// them, "_x000D_", and an underscore that starts such a form in the text
// itself as "_x005F_", so that the reader gives back exactly what was written.
namespace XlsxText {
QString escape(QStringView text);
QString unescape(QStringView text);
} // namespace XlsxText
