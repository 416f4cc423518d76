#pragma once

#include "core/Outcome.h"
#include "store/StateHistory.h"
#include "store/StoreDialect.h"
#include "store/Waybill.h"

#include <QDate>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// Days in transit worked out from a row's time as it was read.
struct DaysUpdate final {
    QString number;
    QString time;
    QString days;
    bool operator==(const DaysUpdate &o) const { return number == o.number && time == o.time && days == o.days; }
};

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

// A time flag of a waybill and when it came on, as the announcements remember it.
struct FlagNote final {
    QString number;
    QString flag;
    QDateTime since;
};

// The register kd.db: the tables 快递单 and Temp and every statement on them.
// Values are always bound, so quotes are stored and found as typed. Each store
// holds its own connection; several may be open on the file at once.
class WaybillStore final {
public:
    WaybillStore();
    ~WaybillStore();
    WaybillStore(const WaybillStore &) = delete;
    WaybillStore &operator=(const WaybillStore &) = delete;

    static QString fileName() { return QStringLiteral("kd.db"); }

    // Creates a new file with both tables. Refuses to touch an existing file.
    // The file appears whole or not at all: it is built under another name
    // and renamed into place.
    static Outcome createDatabase(const QString &path);
    // The first start's step: creates the register when it is missing, or
    // when the file holds no table at all (a start cut short by older
    // versions), and removes what an interrupted creation left beside it.
    static Outcome createIfMissing(const QString &path, bool *created = nullptr);

    // Opens an existing file and checks that it is a readable register that can
    // be written; a damaged or locked file is reported, never replaced.
    Outcome open(const QString &path);
    // Opens the register on a PostgreSQL server; an empty database gets the
    // register's tables. A database with other tables is reported, never changed.
    Outcome open(const ServerLocation &server);
    Outcome open(const StoreLocation &where) { return where.onServer ? open(where.server) : open(where.file); }
    // A connection to the server under `name`, not yet open (invalid without the driver).
    static QSqlDatabase addServerConnection(const ServerLocation &server, const QString &name);
    // Connects to the server and looks, changing nothing: `found` says whether the
    // database holds a register or is empty; a database that cannot be one fails.
    Outcome probe(const ServerLocation &server, QString *found = nullptr);
    // In the failure of a server that wants a password it was not given.
    static inline const QString kPasswordNeeded = QStringLiteral("服务器要求密码");
    void close();
    bool isOpen() const;
    // The file's path, or how messages name the server's register.
    QString path() const { return m_path; }
    // Where the open register lives, for a worker that opens it on its own connection.
    StoreLocation location() const { return m_location; }
    StoreEngine engine() const { return m_engine; }

    // A value longer than its column is refused with a message naming the field.
    static Outcome validate(const Waybill &waybill);
    static Outcome validateValue(int column, QStringView value);

    // Asked every few hundred rows of a long read; false stops the read, which
    // then reports a failure, so that a read nobody waits for ends early.
    using KeepGoing = std::function<bool()>;

    // select * from 快递单, in register order.
    QVector<Waybill> allWaybills(Outcome *outcome = nullptr, const KeepGoing &keepGoing = {}) const;
    // The same a row at a time, none of them kept: for a reader that writes
    // each row on (an export). `visit` returning false stops the read, as
    // keepGoing does, and the read then reports "读取已取消。".
    Outcome eachWaybill(const std::function<bool(const Waybill &)> &visit, const KeepGoing &keepGoing = {}) const;
    int count(Outcome *outcome = nullptr) const;
    // Only 状态, 快递公司, 时间 and 在途时间 of every row: what the statistics need.
    QVector<Waybill> summaryColumns(Outcome *outcome = nullptr) const;
    // The row of this number as stored, else the first whose number has the
    // same normal form (a row stored before numbers were normalised).
    bool numberExists(const QString &number, Outcome *outcome = nullptr) const;
    std::optional<Waybill> find(const QString &number, Outcome *outcome = nullptr) const;

    // Adding and renumbering store the number in its normal form and refuse
    // one that a stored row has in any spelling ("快递单号已存在！"). Rows
    // already stored are never merged or rewritten.
    // The main window's save: status 未签收, days in transit "0天 ".
    Outcome insertFromInputForm(const Waybill &waybill);
    // The quick add: status 未签收 and the computed days in transit.
    Outcome insertQuickAdd(const Waybill &waybill, const QString &daysInTransit);
    // Modify with the number unchanged: carrier and the seven optional columns.
    // Given the row as the editor read it, the save only happens while the row
    // is still so (another PC may have changed or deleted it meanwhile).
    Outcome updateKeepingNumber(const Waybill &waybill, const std::optional<Waybill> &asRead = {});
    // Modify with a new number; the carrier as well when changeCarrier is set.
    Outcome updateChangingNumber(const QString &oldNumber, const Waybill &typed, bool changeCarrier,
                                 const std::optional<Waybill> &asRead = {});
    static inline const QString kChangedElsewhere =
        QStringLiteral("该快递单已被其他电脑修改，已显示最新内容，请确认后再保存。");
    static inline const QString kDeletedElsewhere = QStringLiteral("该快递单已被其他电脑删除。");
    static inline const QString kConnectionLost = QStringLiteral("与数据库服务器的连接已断开");
    Outcome deleteWaybill(const QString &number);

    // update 快递单 set 状态='已签收' where 快递单号=number
    Outcome markSignedFor(const QString &number);

    // What queries learned, kept beside the register in its own table, which
    // open() adds to an older file (older builds look only at their two
    // tables, so they open such a file unchanged). Marks a signed-for waybill
    // in the same transaction; a number not in the register writes nothing;
    // a state equal to the newest known one only moves its last-check time.
    CheckEffect recordCheck(const StateCheck &check, Outcome *outcome = nullptr);
    // Many checks in one transaction; all or none are written.
    QVector<CheckEffect> recordChecks(const QVector<StateCheck> &checks, Outcome *outcome = nullptr);
    // A waybill's history, newest first.
    QVector<StateEntry> stateHistory(const QString &number, Outcome *outcome = nullptr) const;
    // The newest check of every waybill that has one.
    CheckSummaries checkSummaries(Outcome *outcome = nullptr) const;
    static QString historyTable() { return QStringLiteral("查询记录"); }
    // The history's column of what happened (WaybillStatus), added to older registers on opening.
    static inline const QString kStatusColumn = QStringLiteral("物流状态");
    // WaybillStore_flags.cpp. When each waybill whose newest status is `status` first got it.
    QHash<QString, QDateTime> statusSince(const QString &status, Outcome *outcome = nullptr) const;
    // Remembers the flags announced, in one transaction of their own table;
    // true for each flag not announced before (or since another moment).
    QVector<bool> rememberFlags(const QVector<FlagNote> &flags, Outcome *outcome = nullptr);
    static QString flagTable() { return QStringLiteral("超时提醒"); }
    static QString flagTableDefinition();

    // The quick search of the management window. Only the seven searchable
    // columns are accepted; the key's own % and _ act as wildcards. A key for
    // 快递单号 is taken in normal form and finds every spelling stored.
    static QStringList searchableColumns();
    // The search as a condition on 快递单, for any statement that reads it (a
    // page of the grid, a count); `binds` fill its placeholders in order.
    // Fails for a column that cannot be searched.
    struct Condition {
        QString sql;
        QVariantList binds;
    };
    static std::optional<Condition> searchCondition(const QString &column, const QString &key,
                                                    Outcome *outcome = nullptr,
                                                    StoreEngine engine = StoreEngine::SQLite);
    QVector<Waybill> search(const QString &column, const QString &key, Outcome *outcome = nullptr,
                            const KeepGoing &keepGoing = {}) const;
    // The search reads an index (SearchIndex.h) once it is complete; until
    // then it scans. open() adds the index, empty, to a register without one;
    // buildSearchIndex() fills it in batches, each its own transaction, calling
    // progress(indexed, total) between them (false stops, to go on later).
    bool searchIndexComplete(Outcome *outcome = nullptr) const;
    Outcome buildSearchIndex(const std::function<bool(qint64, qint64)> &progress = {});

    // The management grid reads only what it shows: the rows it lists are one
    // condition (the search, the archive, the status tab) in one order.
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
    static std::optional<Condition> gridCondition(const GridFilter &filter, bool withTab, Outcome *outcome = nullptr,
                                                  StoreEngine engine = StoreEngine::SQLite);
    // The archive rule of Archive::isArchived as an expression on a row of 快递单.
    static Condition archivedExpression(const QDate &today, int days);
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
    int countWhere(const Condition &condition, int limit = 0, Outcome *outcome = nullptr) const;
    // The filter's rows (without its tab) after `afterId` in rowid order, as days to work out: rowid, number,
    // time, stored days.
    QVector<QPair<qint64, DaysUpdate>> gridDays(const GridFilter &filter, qint64 afterId, int limit,
                                                Outcome *outcome = nullptr) const;
    std::optional<qint64> rowIdOf(const QString &number, Outcome *outcome = nullptr) const;

    // Stores the days in transit of many rows in one transaction. A row whose
    // time is no longer the one the days were worked out from keeps its days.
    Outcome storeDaysInTransit(const QVector<DaysUpdate> &updates);

    // The batch queries' scratch table.
    Outcome clearTemp();
    Outcome insertTemp(const QString &number, const QString &carrier);
    QVector<QPair<QString, QString>> tempRows(Outcome *outcome = nullptr) const;

    // Imports: stores each row that is valid and new (its number in normal
    // form, new in any spelling), in one transaction.
    // Returns per row an empty text for success or the reason it was skipped.
    // progress(done, total) is called every thousand rows; false rolls back
    // everything and ends the import.
    QVector<QString> importWaybills(const QVector<Waybill> &rows, Outcome *outcome = nullptr,
                                    const std::function<bool(int, int)> &progress = {});
    QVector<QString> importWaybills(const ImportRows &rows, Outcome *outcome = nullptr,
                                    const std::function<bool(int, int)> &progress = {});

private:
    // Moves whole registers between the engines on the stores' own connections.
    friend class RegisterCopy;
    // WaybillStore.cpp: the connection and its errors, opening.
    QSqlDatabase database() const;
    Outcome exec(QSqlQuery &query) const;
    Outcome failure(const QString &what, const QString &detail) const;
    Outcome statementFailure(const QString &sqliteText) const;
    // A server connection that broke is told as such, and the next use opens it again.
    bool connectionBroke(const QSqlError &error) const;
    Outcome lostConnection(const QString &detail) const;
    // The modify's UPDATE, and what its missing row means.
    Outcome updateWhere(const QString &assignments, const QVariantList &values, const QString &number,
                        const std::optional<Waybill> &asRead);
    Outcome openAndCheck(const QString &path);
    Outcome checkLayout(QSqlQuery &q, const QString &path) const;
    // Numbers in normal form (WaybillStore_numbers.cpp). The SQL function
    // normal_number() gives a stored number's normal form; only numbers that
    // can differ from it pass the cheap filter kOddNumber first.
    static bool addNumberFunction(QSqlDatabase &db);
    // dispatch_date(时间): the date a row's time reads as, yyyy-MM-dd, else NULL (WaybillStore_dates.cpp).
    // A server keeps the function in the database: dispatchDateFunction() defines it.
    static bool addDateFunction(QSqlDatabase &db);
    static QString dispatchDateFunction();
    std::optional<Waybill> findByNormalForm(const QString &number, Outcome *outcome) const;
    Outcome numberIsNew(const QString &normal, const QString &except = QString()) const;
    static Condition numberCondition(const QString &key, const StoreDialect &dialect);
    // A stored number holding the key's normal form, as typed or in its own normal form.
    static Condition numberMatches(const QString &normal, const StoreDialect &dialect);
    QSet<QString> oddNumbersInNormalForm(Outcome *outcome) const;

    // WaybillStore_search.cpp
    Outcome addSearchIndex();
    // The quick search as SQLite's complete index drives it: the rows whose
    // `column` in the index MATCHes `phrase`, each re-checked by `recheck`;
    // for a number also the odd rows meeting `recheck`, from their own small
    // index. None where the key scans.
    struct IndexedSearch {
        QString column;
        QString phrase;
        Condition recheck;
        bool oddRowsToo = false;
    };
    static std::optional<IndexedSearch> indexedSearch(const QString &column, const QString &key);
    QVector<Waybill> readRows(QSqlQuery &query, Outcome *outcome, const KeepGoing &keepGoing) const;
    // WaybillStore_grid.cpp: rows of the grid meeting `where`, then `tail` (order, limit).
    QVector<GridRow> gridRowsWhere(const Condition &where, const QString &tail, const GridFilter &filter,
                                   Outcome *outcome, const Condition &from = {QStringLiteral("快递单"), {}}) const;
    // The filter's search driven by SQLite's index, which yields its rows in
    // rowid order: `from` joins it to 快递单 as 查找.查找到, `where` is the rest
    // of the filter with the search's re-check; for a number the odd rows come
    // too, from `oddFrom` under `oddWhere`. None where the index cannot drive it.
    struct IndexDrive {
        Condition from;
        Condition where;
        bool oddRowsToo = false;
        QString oddFrom;
        Condition oddWhere;
    };
    std::optional<IndexDrive> indexDrive(const GridFilter &filter, bool withTab, Outcome *outcome) const;
    // The first screen in register order driven by the search index; none where it cannot drive it.
    std::optional<QVector<GridRow>> gridRowsFromIndex(const GridFilter &filter, int limit, Outcome *outcome) const;
    // WaybillStore_history.cpp
    Outcome addHistoryTable(QSqlQuery &q) const;
    CheckEffect recordOne(QSqlDatabase &db, const StateCheck &check, Outcome *outcome);
    // WaybillStore_import.cpp
    using RowValues = std::array<QStringView, WaybillColumns::Count>;
    QString insertDirect(struct sqlite3 *handle, struct sqlite3_stmt *insert, const RowValues &row,
                         QByteArray &buffer) const;
    // Fills `row` with import row i as it is stored; empty text, or why it is skipped.
    static QString importRow(const ImportRows &rows, int i, RowValues &row, QString &normal,
                             const QSet<QString> &oddStored);
    // WaybillStore_server.cpp: the register on a PostgreSQL server.
    const StoreDialect &dialect() const { return StoreDialect::of(m_engine); }
    Outcome openServerAndCheck(const ServerLocation &server);
    Outcome createServerTables(QSqlQuery &q) const;
    QVector<QString> importToServer(const ImportRows &rows, Outcome *outcome,
                                    const std::function<bool(int, int)> &progress);

    QString m_connection;
    QString m_path;
    StoreLocation m_location;
    StoreEngine m_engine = StoreEngine::SQLite;
    mutable bool m_broken = false;
};
