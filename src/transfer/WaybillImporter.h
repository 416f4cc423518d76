#pragma once

#include "core/Outcome.h"
#include "store/StoreDialect.h"
#include "transfer/ImportBatch.h"

#include <functional>

class StoreConnection;

// Stores what an import file held and words the end message.
struct ImportResult final {
    Outcome outcome;
    int imported = 0;
    bool cancelled = false;       // rolled back at the user's word: nothing stored
    QVector<SkippedLine> skipped; // in line order

    // "导入成功！" with the count and, when lines were left out, how many and
    // the first few with their reasons.
    QString message() const;
    // Every skipped line, one per text line, for the user to read or keep.
    QString fullList() const;
};

namespace WaybillImporter {

constexpr int kListedSkips = 5;

// Every good row is stored in one transaction; rows the register refuses
// (existing number, over-long value) are listed with the reader's skips.
// progress(done, total) as the rows are stored; false rolls back and cancels.
ImportResult store(StoreConnection &store, const ImportBatch &batch,
                   const std::function<bool(int, int)> &progress = {});

// The whole import of one file, as it runs off the window's thread: read,
// parse and store with a connection of its own.
ImportResult importFile(const StoreLocation &databasePath, const QString &filePath, bool excel,
                        const std::function<bool(int, int)> &progress = {});

} // namespace WaybillImporter
