#pragma once

#include "core/Outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

// Writes a file whole or not at all: the new content goes to a file of its own
// beside the old one, every write checked, then to the disk (fsync), and only
// then is it renamed over the old name. On any failure the old file, if any,
// stays untouched and the partial one is removed; the reason, in the user's
// words, is left in *error for the caller's own message.
bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// The same, with the program's wording of a failed write ("无法写入文件 …").
Outcome SaveWholeFile(const QString &path, const QByteArray &bytes);

// SaveWhole a piece at a time, for a file too large to build in memory first
// (an export of the whole register). Nothing shows under `path` before
// commit(); a writer dropped without it removes what it wrote.
class WholeFileWriter {
public:
    explicit WholeFileWriter(const QString &path);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter &) = delete;
    WholeFileWriter &operator=(const WholeFileWriter &) = delete;

    // False from the first failure on; error() then says why.
    bool write(QByteArrayView bytes);
    bool commit();
    bool failed() const;
    QString error() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

namespace SaveWholeNames {
// The name a save of `path` is written under before its rename. It carries the
// program's mark, so no file of the user's can ever look like one.
QString partialPath(const QString &path);
// Whether a file name in the same folder is what partialPath() makes of `name`.
bool isPartialOf(const QString &fileName, const QString &name);
} // namespace SaveWholeNames
