#pragma once

#include <QString>

// What the system said of a failed read or write, in the user's words and
// with what to do about it: the English of strerror() never reaches a window.
namespace DiskFailure {

// From an errno value.
QString describe(int systemError);

// The wording for a full disk, shared with the register's messages.
QString diskFull();
// Whether an errno value means the file cannot grow: a full disk, a quota,
// a file-size limit.
bool isFull(int systemError);

} // namespace DiskFailure
