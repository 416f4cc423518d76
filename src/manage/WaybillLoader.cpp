#include "manage/WaybillLoader.h"

#include "core/BackgroundTask.h"
#include "store/WaybillStore.h"

#include <QPointer>
#include <QThreadPool>

WaybillLoader::WaybillLoader(QString databasePath, QObject *parent)
    : QObject(parent), m_path(std::move(databasePath)), m_task(new BackgroundTask(this))
{
    connect(m_task, &BackgroundTask::busyChanged, this, &WaybillLoader::readingChanged);
}

WaybillLoader::~WaybillLoader() = default;

WaybillLoader::Result WaybillLoader::read(const QString &databasePath, const Request &request,
                                          const std::function<bool()> &keepGoing)
{
    Result result;
    result.request = request;
    WaybillStore store;
    result.read = store.open(databasePath);
    if (!result.read)
        return result;
    result.rows = request.search ? store.search(request.column, request.key, &result.read, keepGoing)
                                 : store.allWaybills(&result.read, keepGoing);
    if (!result.read || result.rows.isEmpty()) {
        result.rows.clear();
        return result;
    }
    // A grid without its last checks is still worth showing.
    Outcome checks;
    result.checks = store.checkSummaries(&checks);
    result.rows.removeIf([&](const Waybill &w) {
        const auto check = result.checks.constFind(w.number);
        const bool archived = Archive::isArchived(w.status, w.time,
                                                  check == result.checks.cend() ? QDateTime() : check->signedAt,
                                                  request.today, request.archiveDays);
        if (archived && request.showArchived)
            result.archived.insert(w.number);
        if (archived && !request.showArchived)
            ++result.archivedHidden;
        return archived && !request.showArchived;
    });
    if (result.rows.isEmpty())
        return result;
    result.fill = GridFill::apply(result.rows, request.today, request.updateDays);
    // A stale read stores nothing: the request that replaced it does the same work.
    if (!result.fill.changedDays.isEmpty() && (!keepGoing || keepGoing()))
        result.stored = store.storeDaysInTransit(result.fill.changedDays);
    return result;
}

void WaybillLoader::discard(QVector<Waybill> rows)
{
    if (rows.size() < 1000)
        return;
    QThreadPool::globalInstance()->start([rows = std::move(rows)]() mutable { rows = {}; });
}

void WaybillLoader::readAll(const QDate &today, bool updateDays, int archiveDays, bool showArchived)
{
    Request request;
    request.today = today;
    request.updateDays = updateDays;
    request.archiveDays = archiveDays;
    request.showArchived = showArchived;
    ask(std::move(request));
}

void WaybillLoader::search(const QString &column, const QString &key, const QDate &today, int archiveDays,
                           bool showArchived)
{
    Request request;
    request.archiveDays = archiveDays;
    request.showArchived = showArchived;
    request.search = true;
    request.column = column;
    request.key = key;
    request.today = today;
    ask(std::move(request));
}

void WaybillLoader::cancel()
{
    m_task->cancel();
}

bool WaybillLoader::isReading() const
{
    return m_task->isBusy();
}

void WaybillLoader::ask(Request request)
{
    const QString path = m_path;
    QPointer<WaybillLoader> self(this);
    m_task->run<Result>([path, request = std::move(request)](
                            const BackgroundTask::KeepGoing &keepGoing) { return read(path, request, keepGoing); },
                        [self](Result result) {
                            if (self)
                                Q_EMIT self->delivered(result);
                        });
}
