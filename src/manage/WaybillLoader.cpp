#include "manage/WaybillLoader.h"

#include "store/WaybillStore.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

WaybillLoader::WaybillLoader(QString databasePath, QObject *parent)
    : QObject(parent), m_path(std::move(databasePath)), m_latest(std::make_shared<std::atomic<int>>(0))
{
}

WaybillLoader::~WaybillLoader()
{
    // The running read notices at once that it is stale; waiting for it keeps
    // its connection from outliving the window.
    cancel();
    if (m_thread)
        m_thread->wait();
}

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

void WaybillLoader::readAll(const QDate &today, bool updateDays)
{
    Request request;
    request.today = today;
    request.updateDays = updateDays;
    ask(std::move(request));
}

void WaybillLoader::search(const QString &column, const QString &key, const QDate &today)
{
    Request request;
    request.search = true;
    request.column = column;
    request.key = key;
    request.today = today;
    ask(std::move(request));
}

void WaybillLoader::cancel()
{
    m_latest->store(++m_generation);
    m_queued.reset();
}

void WaybillLoader::ask(Request request)
{
    const bool wasReading = isReading();
    m_latest->store(++m_generation);
    if (m_running)
        m_queued = std::move(request); // replaces any request still waiting
    else
        start(std::move(request));
    if (!wasReading)
        Q_EMIT readingChanged(true);
}

void WaybillLoader::start(Request request)
{
    m_running = true;
    const int generation = m_generation;
    QPointer<WaybillLoader> self(this);
    const QString path = m_path;
    const std::shared_ptr<std::atomic<int>> latest = m_latest;
    QThread *worker = QThread::create([self, path, request = std::move(request), generation, latest] {
        Result result = read(path, request, [&latest, generation] { return latest->load() == generation; });
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, result = std::move(result)]() mutable {
                if (self)
                    self->finished(generation, std::move(result));
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    m_thread = worker;
    worker->start();
}

void WaybillLoader::finished(int generation, Result result)
{
    m_running = false;
    m_thread = nullptr;
    if (m_queued) {
        Request next = std::move(*m_queued);
        m_queued.reset();
        start(std::move(next));
    }
    if (generation == m_generation)
        Q_EMIT delivered(result);
    if (!isReading())
        Q_EMIT readingChanged(false);
}
