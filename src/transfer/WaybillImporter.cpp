#include "transfer/WaybillImporter.h"

#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "transfer/ImportReader.h"

#include <algorithm>

QString ImportResult::message() const
{
    QString text = imported > 0 ? QStringLiteral("导入成功！\n共导入 %1 条快递单。").arg(imported)
                                : QStringLiteral("没有导入任何快递单。");
    if (skipped.isEmpty())
        return text;
    text += QStringLiteral("\n跳过 %1 行：").arg(skipped.size());
    const int listed = std::min<int>(WaybillImporter::kListedSkips, int(skipped.size()));
    for (int i = 0; i < listed; ++i)
        text += QLatin1Char('\n') + skipped[i].text();
    if (skipped.size() > listed)
        text += QStringLiteral("\n……");
    return text;
}

QString ImportResult::fullList() const
{
    QString text;
    for (const SkippedLine &s : skipped)
        text += s.text() + QLatin1Char('\n');
    return text;
}

namespace WaybillImporter {

ImportResult store(StoreConnection &store, const ImportBatch &batch, const std::function<bool(int, int)> &progress)
{
    ImportResult result;
    result.skipped = batch.skipped();
    bool stopped = false;
    const QVector<QString> reasons =
        WaybillImport(store).importWaybills(batch, &result.outcome, [&progress, &stopped](int done, int total) {
            stopped = progress && !progress(done, total);
            return !stopped;
        });
    result.cancelled = stopped;
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

ImportResult importFile(const StoreLocation &databasePath, const QString &filePath, bool excel,
                        const std::function<bool(int, int)> &progress)
{
    ImportResult result;
    ImportBatch batch;
    result.outcome =
        excel ? ImportReader::readExcelFile(filePath, &batch) : ImportReader::readTextFile(filePath, &batch);
    if (!result.outcome)
        return result;
    StoreConnection target;
    result.outcome = target.open(databasePath);
    if (!result.outcome)
        return result;
    if (batch.hasMissingCarriers()) {
        // The register tells apart carriers whose formats overlap.
        QVector<CarrierDetection::RegisterIndex::Entry> entries;
        for (const Waybill &w : Waybills(target).allWaybills())
            if (const auto entry = CarrierDetection::RegisterIndex::entryFor(w.number, w.carrier))
                entries.push_back(*entry);
        const CarrierDetection::RegisterIndex index = CarrierDetection::RegisterIndex::build(std::move(entries));
        batch.fillMissingCarriers(&index);
    }
    return store(target, batch, progress);
}

} // namespace WaybillImporter
