#pragma once

#include <QString>

// What SQLite said, in the user's words and with what to do about it. SQLite's
// own texts ("database or disk is full") never reach a window.
namespace StoreFailure {

// From a result code (primary or extended) and, for an I/O error, the
// system's errno behind it (0 when unknown).
QString describe(int sqliteCode, int systemError = 0);
// From a message that carries one of SQLite's fixed texts, as Qt passes them
// on, and the connection's last errno.
QString fromText(const QString &sqliteText, int systemError = 0);

// Whether a failed statement refused only its own row (a constraint): every
// other failure ends the whole transaction.
bool refusesOnlyTheRow(int sqliteCode);

// Whether a message made here says that another program holds the register.
bool isLock(const QString &message);

} // namespace StoreFailure
