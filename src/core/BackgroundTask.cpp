#include "core/BackgroundTask.h"

#include <QThread>

BackgroundTask::BackgroundTask(QObject *parent) : QObject(parent), m_latest(std::make_shared<std::atomic<int>>(0)) {}

BackgroundTask::~BackgroundTask()
{
    cancel();
    if (m_thread)
        m_thread->wait();
}

void BackgroundTask::cancel()
{
    const bool wasBusy = isBusy();
    m_latest->store(++m_generation);
    m_queued.reset();
    if (wasBusy && !isBusy())
        Q_EMIT busyChanged(false);
}

void BackgroundTask::submit(Job job)
{
    const bool wasBusy = isBusy();
    m_latest->store(++m_generation);
    if (m_running)
        m_queued = std::move(job); // replaces any request still waiting
    else
        start(std::move(job));
    if (!wasBusy)
        Q_EMIT busyChanged(true);
}

void BackgroundTask::start(Job job)
{
    m_running = true;
    const int generation = m_generation;
    QPointer<BackgroundTask> self(this);
    const std::shared_ptr<std::atomic<int>> latest = m_latest;
    QThread *worker = QThread::create([self, job = std::move(job), generation, latest] {
        std::function<void()> deliver = job([&latest, generation] { return latest->load() == generation; });
        // Queued to this object: if it is gone by then, nothing runs.
        if (self)
            QMetaObject::invokeMethod(
                self, [self, generation, deliver = std::move(deliver)] { self->finished(generation, deliver); },
                Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    m_thread = worker;
    worker->start();
}

void BackgroundTask::finished(int generation, const std::function<void()> &deliver)
{
    m_running = false;
    m_thread = nullptr;
    if (m_queued) {
        Job next = std::move(*m_queued);
        m_queued.reset();
        start(std::move(next));
    }
    if (generation == m_generation)
        deliver();
    if (!isBusy())
        Q_EMIT busyChanged(false);
}
