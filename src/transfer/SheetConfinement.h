#pragma once

#include <QString>

// The workbook helper reads one file and writes its answer to standard
// output; a crafted file that takes over the library reading it must get no
// further. Once confined, the process can open files for reading only, open
// no connection and start no program: the system refuses the calls.
namespace SheetConfinement {

// False when the system would not confine the process; the helper then refuses to read.
bool confine();

// For the tests: tries to write beside `path`, to open a connection and to
// start a process, and says which of them the system refused.
QString probe(const QString &path);

} // namespace SheetConfinement
