#pragma once

#include "core/Outcome.h"
#include "transfer/ImportBatch.h"

class WaybillStore;

// Stores what an import file held and words the end message.
struct ImportResult final {
    Outcome outcome;
    int imported = 0;
    QVector<SkippedLine> skipped; // in line order

    // "导入成功！" with the count and, when lines were left out, how many and
    // the first few with their reasons.
    QString message() const;
};

namespace WaybillImporter {

constexpr int kListedSkips = 5;

// Every good row is stored in one transaction; rows the register refuses
// (existing number, over-long value) are listed with the reader's skips.
ImportResult store(WaybillStore &store, const ImportBatch &batch);

} // namespace WaybillImporter
