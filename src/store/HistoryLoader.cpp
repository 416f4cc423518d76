#include "store/HistoryLoader.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

namespace {
QAtomicInt loaderConnections;
}

HistoryLoader::HistoryLoader(QString databasePath, QObject *parent) : QObject(parent), m_path(std::move(databasePath))
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
            *outcome = Outcome::failure(QStringLiteral("无法读取历史记录（%1）：%2").arg(databasePath, db.lastError().text()));
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
    const int generation = ++m_generation;
    ++m_pending;
    QPointer<HistoryLoader> self(this);
    const QString path = m_path;
    QThread *worker = QThread::create([self, path, generation] {
        Outcome outcome;
        QVector<HistoryModel::Row> rows = read(path, &outcome);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, rows = std::move(rows), outcome, generation]() mutable {
                if (!self)
                    return;
                --self->m_pending;
                if (generation != self->m_generation)
                    return; // a newer load is on its way
                if (outcome)
                    Q_EMIT self->loaded(rows);
                else
                    Q_EMIT self->failed(outcome.error);
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}
