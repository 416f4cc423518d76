#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The container of an .xls file (and of other old Office files): a small file
// system of sectors, chained through an allocation table, with a directory of
// named streams. Every offset, length and chain is checked against the file,
// so a crafted file costs at most its own size again.
namespace CompoundFile {

enum class Found { Stream, NoSuchStream, Damaged };

struct Stream {
    Found found = Found::Damaged;
    QByteArray bytes;
    // Why the container is damaged, in a few words for the user.
    QString damage;
};

// The first of `names` (any letter case) among the streams at the top of the
// container, whole.
Stream read(const QByteArray &file, const QStringList &names);

} // namespace CompoundFile
