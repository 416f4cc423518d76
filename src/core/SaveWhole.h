#pragma once

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: the old file, if any, stays untouched
// unless every byte of the new one reached the disk. On failure the reason
// is left in *error for the caller's own message.
bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error = nullptr);
