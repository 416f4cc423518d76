#pragma once

#include "core/Outcome.h"
#include "store/Archive.h"
#include "store/HistoryModel.h"
#include "store/StoreDialect.h"

#include <QObject>

class BackgroundTask;

// Reads the history rows off the window's thread, so that a large register
// never freezes the window. Each load opens its own connection in the worker;
// when loads overlap, only the newest one is delivered.
class HistoryLoader final : public QObject {
    Q_OBJECT
public:
    explicit HistoryLoader(StoreLocation where, QObject *parent = nullptr);
    ~HistoryLoader() override;

    // Which rows the list shows: signed-for waybills older than `archiveDays`
    // are left out unless `showArchived`.
    struct Filter {
        QDate today;
        int archiveDays = Archive::kDefaultDays;
        bool showArchived = false;
    };

    void load(const Filter &filter);
    bool isLoading() const;

    // The read itself, also usable without a thread.
    static QVector<HistoryModel::Row> read(const StoreLocation &where, Outcome *outcome, const Filter &filter);

Q_SIGNALS:
    void loaded(const QVector<HistoryModel::Row> &rows);
    void failed(const QString &message);

private:
    static QVector<HistoryModel::Row> readThroughStore(const StoreLocation &where, Outcome *outcome,
                                                       const Filter &filter);
    StoreLocation m_where;
    BackgroundTask *m_task = nullptr;
};
