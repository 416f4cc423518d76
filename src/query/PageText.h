#pragma once

#include <QString>
#include <QStringList>

namespace PageText {
// A page body's text as lines: split at line feeds, each line without a
// trailing carriage return. An empty text has no line at all.
QStringList split(const QString &innerText);
} // namespace PageText
