#pragma once

#include "core/Outcome.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The two result files: written whole or not at all, in GBK (GB18030) with
// Windows line ends.

// One line per row, its cells joined by tabs; no header. An empty list gives
// an empty file.
Outcome SaveConciseResults(const QString &path, const QVector<QStringList> &rows);

// The detailed result text followed by one line end; lone "\n" become "\r\n".
Outcome SaveDetailedResults(const QString &path, const QString &text);
