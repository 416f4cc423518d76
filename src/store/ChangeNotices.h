#pragma once

#include <QString>
#include <QStringList>

class QSqlQuery;

// How the PCs sharing a server register tell each other of a change: the
// server's own triggers on 快递单 and 查询记录 send a notice on one channel after
// every statement that changed rows, so a change made by any program (ours,
// psql, an import) is told the same way.
namespace ChangeNotices {

inline const QString kChannel = QStringLiteral("tolvane_register");
// The payload of a statement that changed too many rows to name: a notice may
// carry at most 8000 bytes, so the receiver reloads what it shows.
inline const QString kMany = QStringLiteral("*");
// Rows named in one notice at most; more read as many.
inline constexpr int kMostNamed = 200;

// Adds the triggers where they are missing. False only when they are missing
// and could not be added (a role that may only read): the register works all
// the same, without the others' changes shown at once.
bool install(QSqlQuery &q);

// The numbers a payload names; empty for kMany (or anything unreadable).
QStringList numbersOf(const QString &payload);

} // namespace ChangeNotices
