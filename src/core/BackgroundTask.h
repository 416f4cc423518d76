#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThread;

// Work that must not freeze the window (reading or writing a large register)
// runs here on a worker thread; its result is handed back on the thread of
// this object. At most one piece of work runs at a time. A newer request makes
// the running one stale (its keepGoing() turns false, so it may stop early) and
// waits in its place; only the newest request is ever delivered. Destroying the
// task cancels and waits for the worker, so no worker outlives its window.
class BackgroundTask final : public QObject {
    Q_OBJECT
public:
    using KeepGoing = std::function<bool()>;

    explicit BackgroundTask(QObject *parent = nullptr);
    ~BackgroundTask() override;

    // `work` runs on the worker; `deliver` receives its result on this object's
    // thread, unless a newer request or cancel() came in meanwhile.
    template <typename Result>
    void run(std::function<Result(const KeepGoing &)> work, std::function<void(Result)> deliver)
    {
        submit([work = std::move(work), deliver = std::move(deliver)](const KeepGoing &keepGoing) {
            auto result = std::make_shared<Result>(work(keepGoing));
            return std::function<void()>([deliver, result] { deliver(std::move(*result)); });
        });
    }

    // Drops whatever is asked for or on its way; nothing is delivered for it.
    void cancel();
    bool isBusy() const { return m_running || m_queued.has_value(); }

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    using Job = std::function<std::function<void()>(const KeepGoing &)>;
    void submit(Job job);
    void start(Job job);
    void finished(int generation, const std::function<void()> &deliver);

    int m_generation = 0;
    // The newest generation, read by the worker to notice that it is stale.
    std::shared_ptr<std::atomic<int>> m_latest;
    bool m_running = false;
    std::optional<Job> m_queued;
    QPointer<QThread> m_thread;
};
