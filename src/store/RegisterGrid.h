#pragma once

#include "core/Outcome.h"
#include "store/KeepGoing.h"
#include "store/SqlCondition.h"
#include "store/StateHistory.h"
#include "store/StoreDialect.h"
#include "store/Waybill.h"

#include <QDate>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

#include <optional>

class StoreConnection;

// Days in transit worked out from a row's time as it was read.
struct DaysUpdate final {
    QString number;
    QString time;
    QString days;
    bool operator==(const DaysUpdate &o) const { return number == o.number && time == o.time && days == o.days; }
};

// What the management grid reads: only what it shows. The rows it lists are
// one condition (the search, the archive, the status tab) in one order: the
// first screen, the ordered list of rows, pages of it, the counts per status
// and the days in transit to store.
class RegisterGrid final {
public:
    explicit RegisterGrid(const StoreConnection &store) : m_store(store) {}

    struct GridFilter {
        QString column; // the searched column; empty: no search
        QString key;
        QDate today;
        int archiveDays = 30;
        bool showArchived = false;
        // The status tab: every status when unset, else the newest check's status (empty: never checked).
        std::optional<QString> status;
        bool signedToday = false; // the 今日签收 tab
        // A grid column (the register's eleven, then LastCheck, TrackingStatus, LatestState); -1: register order.
        int sortColumn = -1;
        bool descending = false;
    };
    struct GridRow {
        qint64 id = 0; // rowid, or 序号 on a server
        Waybill waybill;
        CheckSummary check; // lastCheck, state, status and signedAt of the newest check
        bool archived = false;
    };
    struct GridCounts {
        int total = 0;
        QHash<QString, int> byStatus; // the newest check's status; empty: never checked
        int signedToday = 0;
    };
    // The filter as one condition on 快递单; the status tab only `withTab`.
    static std::optional<SqlCondition> gridCondition(const GridFilter &filter, bool withTab, Outcome *outcome = nullptr,
                                                     StoreEngine engine = StoreEngine::SQLite);
    // The archive rule of Archive::isArchived as an expression on a row of 快递单.
    static SqlCondition archivedExpression(const QDate &today, int days);
    // The first `limit` rows of the filter, in its order.
    QVector<GridRow> gridRows(const GridFilter &filter, int limit, Outcome *outcome = nullptr) const;
    // The id (rowid; 序号 on a server) of every row of the filter, in its order.
    QVector<qint64> gridRowIds(const GridFilter &filter, Outcome *outcome = nullptr,
                               const KeepGoing &keepGoing = {}) const;
    // These rows in the order asked; a row deleted meanwhile is left out.
    QVector<GridRow> gridRowsById(const QVector<qint64> &ids, const GridFilter &filter,
                                  Outcome *outcome = nullptr) const;
    // Rows of the filter without its tab, by the newest check's status.
    GridCounts gridCounts(const GridFilter &filter, Outcome *outcome = nullptr) const;
    // How many rows meet the condition, up to `limit` (0: no limit).
    int countWhere(const SqlCondition &condition, int limit = 0, Outcome *outcome = nullptr) const;
    // The filter's rows (without its tab) after `afterId` in rowid order, as days to work out: rowid, number,
    // time, stored days.
    QVector<QPair<qint64, DaysUpdate>> gridDays(const GridFilter &filter, qint64 afterId, int limit,
                                                Outcome *outcome = nullptr) const;
    std::optional<qint64> rowIdOf(const QString &number, Outcome *outcome = nullptr) const;
    // Stores the days in transit of many rows in one transaction. A row whose
    // time is no longer the one the days were worked out from keeps its days.
    Outcome storeDaysInTransit(const QVector<DaysUpdate> &updates);

private:
    // Rows of the grid meeting `where`, then `tail` (order, limit).
    QVector<GridRow> gridRowsWhere(const SqlCondition &where, const QString &tail, const GridFilter &filter,
                                   Outcome *outcome, const SqlCondition &from = {QStringLiteral("快递单"), {}}) const;
    // The filter's search driven by SQLite's index, which yields its rows in
    // rowid order: `from` joins it to 快递单 as 查找.查找到, `where` is the rest
    // of the filter with the search's re-check; for a number the odd rows come
    // too, from `oddFrom` under `oddWhere`. None where the index cannot drive it.
    struct IndexDrive {
        SqlCondition from;
        SqlCondition where;
        bool oddRowsToo = false;
        QString oddFrom;
        SqlCondition oddWhere;
    };
    std::optional<IndexDrive> indexDrive(const GridFilter &filter, bool withTab, Outcome *outcome) const;
    // The first screen in register order driven by the search index; none where it cannot drive it.
    std::optional<QVector<GridRow>> gridRowsFromIndex(const GridFilter &filter, int limit, Outcome *outcome) const;

    const StoreConnection &m_store;
};
