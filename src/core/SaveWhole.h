#pragma once

#include "core/Outcome.h"

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: the new content goes to a file of its own
// beside the old one, every write checked, then to the disk (fsync), and only
// then is it renamed over the old name. On any failure the old file, if any,
// stays untouched and the partial one is removed; the reason, in the user's
// words, is left in *error for the caller's own message.
bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// The same, with the program's wording of a failed write ("无法写入文件 …").
Outcome SaveWholeFile(const QString &path, const QByteArray &bytes);

namespace SaveWholeNames {
// The name a save of `path` is written under before its rename. It carries the
// program's mark, so no file of the user's can ever look like one.
QString partialPath(const QString &path);
// Whether a file name in the same folder is what partialPath() makes of `name`.
bool isPartialOf(const QString &fileName, const QString &name);
} // namespace SaveWholeNames
