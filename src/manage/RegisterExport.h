#pragma once

#include "core/Outcome.h"
#include "store/StoreDialect.h"

#include <QString>

#include <functional>

// The whole register to a text file, or to an .xlsx workbook when the name
// ends so, on the calling thread (the export's worker) with a connection of
// its own. The text file is written as the rows are read, none of them kept.
namespace RegisterExport {

struct Result {
    Outcome outcome;
    bool empty = false; // nothing to write, and nothing written
    int rows = 0;
    int beyondGbk = 0; // rows GBK has no codes for, written in GB18030's own
};

// `tell` hears how far it got, in the user's words, now and then.
Result write(const StoreLocation &where, const QString &path, const std::function<void(const QString &)> &tell = {});

} // namespace RegisterExport
