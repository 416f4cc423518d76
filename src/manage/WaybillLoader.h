#pragma once

#include "core/Outcome.h"
#include "manage/GridFill.h"
#include "store/Archive.h"
#include "store/Waybill.h"

#include <QSet>

#include <QDate>
#include <QObject>

#include <functional>

class BackgroundTask;

// Reads the rows of the management grid off the window's thread: the whole
// register or a quick-search result, with the days in transit brought up to
// date and stored, and the column widths worked out. Each read uses its own
// connection in a worker. At most one read runs; a newer request makes the
// running one stop early and waits in its place, and only the newest request
// is ever delivered.
class WaybillLoader final : public QObject {
    Q_OBJECT
public:
    struct Request {
        bool search = false; // false: the whole register
        QString column;
        QString key;
        QDate today;
        bool updateDays = true;
        // Signed-for rows older than this many days are left out unless shown.
        int archiveDays = Archive::kDefaultDays;
        bool showArchived = false;
    };

    struct Result {
        Request request;
        QVector<Waybill> rows;
        GridFill::Result fill; // empty when no rows were read
        Outcome read;
        Outcome stored; // storing the changed days in transit
        CheckSummaries checks; // the newest check of each waybill
        QSet<QString> archived; // numbers of the archived rows shown
        int archivedHidden = 0; // archived rows read but left out
    };

    explicit WaybillLoader(QString databasePath, QObject *parent = nullptr);
    ~WaybillLoader() override;

    void readAll(const QDate &today, bool updateDays, int archiveDays = Archive::kDefaultDays,
                 bool showArchived = false);
    void search(const QString &column, const QString &key, const QDate &today,
                int archiveDays = Archive::kDefaultDays, bool showArchived = false);
    // Drops whatever is asked for or on its way; nothing is delivered for it.
    void cancel();
    bool isReading() const;

    // Releases rows on a worker: freeing 100,000 rows takes the window tens of
    // milliseconds.
    static void discard(QVector<Waybill> rows);

    // One read on the calling thread. `keepGoing` may stop it early.
    static Result read(const QString &databasePath, const Request &request, const std::function<bool()> &keepGoing);

Q_SIGNALS:
    void delivered(const WaybillLoader::Result &result);
    void readingChanged(bool reading);

private:
    void ask(Request request);

    QString m_path;
    BackgroundTask *m_task = nullptr;
};
