#pragma once

#include <QStringView>

// Rows for an import, read field by field where they lie: copying a hundred
// thousand lines into Waybills first would spend most of an import allocating.
class ImportRows {
public:
    virtual ~ImportRows() = default;
    virtual int count() const = 0;
    // Field `typed` (an index into WaybillColumns::kTyped) of `row`. A null
    // view is stored as NULL, except for the carrier, which is never NULL.
    virtual QStringView field(int row, int typed) const = 0;
    // 状态 and 在途时间 as an export of the register carried them; a null view
    // leaves the import's own (未签收, no days).
    virtual QStringView status(int) const { return {}; }
    virtual QStringView daysInTransit(int) const { return {}; }
};
