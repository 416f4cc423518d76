#pragma once

#include "core/Outcome.h"
#include "store/RegisterGrid.h"

#include <QObject>

#include <functional>

class BackgroundTask;

// Reads the rows of the management grid off the window's thread, in steps
// that each reach the window as soon as they are done: the first screen, the
// ordered list of every row of the listing, the counts per status, and last
// the days in transit of the listing stored in batches. Each read uses its own
// connection in a worker. At most one read runs; a newer request makes the
// running one stop early and waits in its place, and only the newest request
// is ever delivered.
class WaybillLoader final : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstScreenRows = 100;

    struct Request {
        RegisterGrid::GridFilter filter;
        bool updateDays = true;
    };

    struct Result {
        Request request;
        Outcome read; // the first screen
        QVector<RegisterGrid::GridRow> firstScreen;
        // Some row meets the search and the archive rule, whatever the status tab.
        bool found = false;
        // A search that found nothing to show: archived rows it found.
        int archivedHidden = 0;
        bool listed = false;
        QVector<qint64> ids;
        bool counted = false;
        RegisterGrid::GridCounts counts;
        Outcome stored; // storing the changed days in transit
    };
    enum class Step { FirstScreen, Listed, Counted };

    explicit WaybillLoader(StoreLocation where, QObject *parent = nullptr);
    ~WaybillLoader() override;

    // Reads from now on go there (config.ini may have moved the register since the window was made).
    void setLocation(StoreLocation where) { m_where = std::move(where); }
    void read(Request request);
    // Drops whatever is asked for or on its way; nothing is delivered for it.
    void cancel();
    bool isReading() const;

    // One read on the calling thread; `step` hears of each step once done.
    // `keepGoing` may stop it early: then nothing more is read or stored.
    static Result read(const StoreLocation &where, const Request &request, const std::function<bool()> &keepGoing,
                       const std::function<void(const Result &, Step)> &step = {});

Q_SIGNALS:
    void firstScreenRead(const WaybillLoader::Result &result);
    void listed(const WaybillLoader::Result &result);
    void counted(const WaybillLoader::Result &result);
    // The read is over; the days in transit are stored.
    void delivered(const WaybillLoader::Result &result);
    void readingChanged(bool reading);

private:
    StoreLocation m_where;
    BackgroundTask *m_task = nullptr;
    int m_asked = 0; // the newest request; steps of older ones are dropped
};
