#include "store/HistoryLoader.h"

#include "core/BackgroundTask.h"

#include <QAtomicInt>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
QAtomicInt loaderConnections;
}

HistoryLoader::HistoryLoader(QString databasePath, QObject *parent)
    : QObject(parent), m_path(std::move(databasePath)), m_task(new BackgroundTask(this))
{
}

HistoryLoader::~HistoryLoader() = default;

QVector<HistoryModel::Row> HistoryLoader::read(const QString &databasePath, Outcome *outcome)
{
    QVector<HistoryModel::Row> rows;
    const QString name = QStringLiteral("tolvane-history-%1").arg(loaderConnections.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) {
            *outcome =
                Outcome::failure(QStringLiteral("无法读取历史记录（%1）：%2").arg(databasePath, db.lastError().text()));
        } else {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("SELECT 状态, 快递公司, 快递单号 FROM 快递单 ORDER BY rowid"))) {
                *outcome = Outcome::failure(
                    QStringLiteral("无法读取历史记录（%1）：%2").arg(databasePath, q.lastError().text()));
            } else {
                while (q.next())
                    rows.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
                *outcome = Outcome::success();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

void HistoryLoader::load()
{
    struct Read {
        QVector<HistoryModel::Row> rows;
        Outcome outcome;
    };
    const QString path = m_path;
    QPointer<HistoryLoader> self(this);
    m_task->run<Read>(
        [path](const BackgroundTask::KeepGoing &) {
            Read read;
            read.rows = HistoryLoader::read(path, &read.outcome);
            return read;
        },
        [self](Read read) {
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
