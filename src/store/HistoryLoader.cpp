#include "store/HistoryLoader.h"
#include "store/CheckHistory.h"
#include "store/StoreConnection.h"
#include "store/StoreFailure.h"
#include "store/Waybills.h"

#include "core/BackgroundTask.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
QAtomicInt loaderConnections;
}

HistoryLoader::HistoryLoader(StoreLocation where, QObject *parent)
    : QObject(parent), m_where(std::move(where)), m_task(new BackgroundTask(this))
{
}

HistoryLoader::~HistoryLoader() = default;

QVector<HistoryModel::Row> HistoryLoader::read(const StoreLocation &where, Outcome *outcome, const Filter &filter)
{
    if (where.onServer)
        return readThroughStore(where, outcome, filter);
    const QString &databasePath = where.file;
    QVector<HistoryModel::Row> rows;
    const QString name = QStringLiteral("tolvane-history-%1").arg(loaderConnections.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) {
            *outcome = Outcome::failure(QStringLiteral("无法读取历史记录（%1）：%2")
                                            .arg(databasePath, StoreFailure::fromText(db.lastError().text())));
        } else {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            // A register that no store has opened yet has no history table;
            // its rows are dated by their dispatch date alone.
            const bool history =
                q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = '查询记录'")) && q.next();
            const QString signedAt = history ? QStringLiteral("(SELECT min(h.查询时间) FROM 查询记录 h "
                                                              "WHERE h.快递单号 = k.快递单号 AND h.已签收)")
                                             : QStringLiteral("NULL");
            const bool statuses = history &&
                                  q.exec(QStringLiteral("SELECT 1 FROM pragma_table_info('查询记录') WHERE name = '%1'")
                                             .arg(CheckHistory::kStatusColumn)) &&
                                  q.next();
            const QString latestStatus =
                statuses ? QStringLiteral("(SELECT h.%1 FROM 查询记录 h WHERE h.快递单号 = k.快递单号 "
                                          "ORDER BY h.查询时间 DESC, h.rowid DESC LIMIT 1)")
                               .arg(CheckHistory::kStatusColumn)
                         : QStringLiteral("NULL");
            if (!q.exec(QStringLiteral(
                            "SELECT k.状态, k.快递公司, k.快递单号, k.时间, %1, %2 FROM 快递单 k ORDER BY k.rowid")
                            .arg(signedAt, latestStatus))) {
                *outcome = Outcome::failure(QStringLiteral("无法读取历史记录（%1）：%2")
                                                .arg(databasePath, StoreFailure::fromText(q.lastError().text())));
            } else {
                while (q.next()) {
                    const QString status = q.value(0).toString();
                    const bool archived = Archive::isArchived(status, q.value(3).toString(),
                                                              QDateTime::fromString(q.value(4).toString(), Qt::ISODate),
                                                              filter.today, filter.archiveDays);
                    if (!archived || filter.showArchived)
                        rows.push_back(
                            {status, q.value(1).toString(), q.value(2).toString(), archived, q.value(5).toString()});
                }
                *outcome = Outcome::success();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// The server's register through the store's own statements: the whole
// register and the newest checks, joined here.
QVector<HistoryModel::Row> HistoryLoader::readThroughStore(const StoreLocation &where, Outcome *outcome,
                                                           const Filter &filter)
{
    QVector<HistoryModel::Row> rows;
    StoreConnection store;
    *outcome = store.open(where);
    if (!*outcome)
        return rows;
    const QVector<Waybill> waybills = Waybills(store).allWaybills(outcome);
    if (!*outcome)
        return rows;
    const CheckSummaries checks = CheckHistory(store).checkSummaries(outcome);
    if (!*outcome)
        return rows;
    rows.reserve(waybills.size());
    for (const Waybill &w : waybills) {
        const CheckSummary check = checks.value(w.number);
        const bool archived = Archive::isArchived(w.status, w.time, check.signedAt, filter.today, filter.archiveDays);
        if (!archived || filter.showArchived)
            rows.push_back({w.status, w.carrier, w.number, archived, check.status});
    }
    return rows;
}

void HistoryLoader::load(const Filter &filter)
{
    struct Read {
        QVector<HistoryModel::Row> rows;
        Outcome outcome;
    };
    const StoreLocation path = m_where;
    QPointer<HistoryLoader> self(this);
    m_task->run<Read>(
        [path, filter](const BackgroundTask::KeepGoing &) {
            Read read;
            read.rows = HistoryLoader::read(path, &read.outcome, filter);
            return read;
        },
        [self](const Read &read) {
            if (!self)
                return;
            if (read.outcome)
                Q_EMIT self->loaded(read.rows);
            else
                Q_EMIT self->failed(read.outcome.error);
        });
}

bool HistoryLoader::isLoading() const
{
    return m_task->isBusy();
}
