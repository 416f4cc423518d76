#pragma once

#include "core/Outcome.h"

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: the old file, if any, stays untouched
// unless every byte of the new one reached the disk. On failure the reason
// is left in *error for the caller's own message.
bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// The same, with the program's wording of a failed write ("无法写入文件 …").
Outcome SaveWholeFile(const QString &path, const QByteArray &bytes);
