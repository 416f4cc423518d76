// The register's numbers for the carrier detection, read off the window's thread.
#include "app/KnownNumbers.h"

#include "core/BackgroundTask.h"
#include "store/HistoryLoader.h"
#include "store/HistoryModel.h"
#include "store/StoreConnection.h"

namespace {
CarrierDetection::RegisterIndex indexOf(const QVector<HistoryModel::Row> &rows)
{
    QVector<CarrierDetection::RegisterIndex::Entry> entries;
    entries.reserve(rows.size());
    for (const HistoryModel::Row &row : rows) {
        if (const auto entry = CarrierDetection::RegisterIndex::entryFor(row.number, row.carrier))
            entries.push_back(*entry);
    }
    return CarrierDetection::RegisterIndex::build(std::move(entries));
}
} // namespace

KnownNumbers::KnownNumbers(const StoreConnection &store, QObject *parent)
    : QObject(parent), m_store(store), m_task(new BackgroundTask(this))
{
}

void KnownNumbers::reread()
{
    using Index = std::optional<CarrierDetection::RegisterIndex>;
    m_task->run<Index>(
        [path = m_store.location()](const BackgroundTask::KeepGoing &) -> Index {
            Outcome read;
            // Archived waybills included: the list may leave them out, but
            // their numbers still tell carriers apart.
            HistoryLoader::Filter everything;
            everything.showArchived = true;
            const QVector<HistoryModel::Row> rows = HistoryLoader::read(path, &read, everything);
            return read ? Index(indexOf(rows)) : std::nullopt; // a failed read keeps what is known
        },
        [this](Index index) {
            if (index)
                m_index = std::move(*index);
        });
}
