#pragma once

#include "core/Outcome.h"
#include "store/KeepGoing.h"
#include "store/SqlCondition.h"
#include "store/StoreDialect.h"
#include "store/Waybill.h"

#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

class StoreConnection;

// The quick search of the management window. Only the seven searchable
// columns are accepted; the key's own % and _ act as wildcards. A key for
// 快递单号 is taken in normal form and finds every spelling stored.
class QuickSearch final {
public:
    explicit QuickSearch(const StoreConnection &store) : m_store(store) {}

    static QStringList searchableColumns();
    // The search as a condition on 快递单. Fails for a column that cannot be searched.
    static std::optional<SqlCondition> searchCondition(const QString &column, const QString &key,
                                                       Outcome *outcome = nullptr,
                                                       StoreEngine engine = StoreEngine::SQLite);
    // The quick search as SQLite's complete index drives it: the rows whose
    // `column` in the index MATCHes `phrase`, each re-checked by `recheck`;
    // for a number also the odd rows meeting `recheck`, from their own small
    // index. None where the key scans.
    struct IndexedSearch {
        QString column;
        QString phrase;
        SqlCondition recheck;
        bool oddRowsToo = false;
    };
    static std::optional<IndexedSearch> indexedSearch(const QString &column, const QString &key);

    QVector<Waybill> search(const QString &column, const QString &key, Outcome *outcome = nullptr,
                            const KeepGoing &keepGoing = {}) const;
    // The search reads an index (SearchIndex.h) once it is complete; until
    // then it scans. Opening adds the index, empty, to a register without one;
    // buildSearchIndex() fills it in batches, each its own transaction, calling
    // progress(indexed, total) between them (false stops, to go on later).
    bool searchIndexComplete(Outcome *outcome = nullptr) const;
    Outcome buildSearchIndex(const std::function<bool(qint64, qint64)> &progress = {});

private:
    const StoreConnection &m_store;
};
