#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The text files that users exchange with the program are GBK. GB18030 is a
// superset: every GBK file decodes the same, and no character is lost on writing.
namespace GbkText {
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// Whether GBK itself has a code for every character of the text. GB18030
// writes the others too, in codes that a GBK reader does not know.
bool fitsGbk(const QString &text);
// The same of text already encoded by encode().
bool encodedFitsGbk(QByteArrayView bytes);
// Byte length of the text in GBK: two per Chinese character, one per ASCII one.
int byteLength(const QString &text);
// Line ends as Windows programs expect them in text files.
QString withCrLf(const QString &text);
} // namespace GbkText
