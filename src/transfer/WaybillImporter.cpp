#include "transfer/WaybillImporter.h"

#include "store/WaybillStore.h"

#include <algorithm>

QString ImportResult::message() const
{
    QString text = imported > 0 ? QStringLiteral("导入成功！\n共导入 %1 条快递单。").arg(imported)
                                : QStringLiteral("没有导入任何快递单。");
    if (skipped.isEmpty())
        return text;
    text += QStringLiteral("\n跳过 %1 行：").arg(skipped.size());
    const int listed = std::min<int>(WaybillImporter::kListedSkips, skipped.size());
    for (int i = 0; i < listed; ++i)
        text += QStringLiteral("\n第 %1 行：%2").arg(skipped[i].lines(), skipped[i].reason);
    if (skipped.size() > listed)
        text += QStringLiteral("\n……");
    return text;
}

namespace WaybillImporter {

ImportResult store(WaybillStore &store, const ImportBatch &batch)
{
    ImportResult result;
    result.skipped = batch.skipped();
    const QVector<QString> reasons = store.importWaybills(batch.rows(), &result.outcome);
    if (!result.outcome)
        return result;
    for (int i = 0; i < reasons.size(); ++i) {
        if (reasons[i].isEmpty())
            ++result.imported;
        else
            result.skipped.push_back({batch.lines()[i], reasons[i]});
    }
    std::stable_sort(result.skipped.begin(), result.skipped.end(),
                     [](const SkippedLine &a, const SkippedLine &b) { return a.line < b.line; });
    return result;
}

} // namespace WaybillImporter
