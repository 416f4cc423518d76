#pragma once

#include "services/ServiceHealth.h"
#include "services/TrackingService.h"

#include <QElapsedTimer>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// One waybill to ask for. An empty API code means that the carrier has none
// on the classic interface; the account services use their own codes.
struct ConciseJob final {
    QString number;
    QString carrier;
    QString apiCode;
    QString phone{}; // the telephone, for carriers whose service asks for its last four digits
};

// One row of the concise result list.
struct ConciseRow final {
    QString number;
    QString carrier;
    QString state;
    bool failed = false;    // the request failed or could not be made; state says why
    bool signedFor = false; // never for a failed row
    QString status{};       // WaybillStatus; empty for a failed row
    TrackFailure failure = TrackFailure::None;
    QVector<TraceEvent> trace{};            // newest first; empty from the classic interface
    ServiceId service = ServiceId::Classic; // the service that answered
};
Q_DECLARE_METATYPE(ConciseRow)

// A service of a pass with the account it is asked with.
struct ServiceAccount final {
    ServiceId id = ServiceId::Classic;
    Credentials credentials{};
};

// Asks a tracking service for the state of a list of waybills within the
// service's documented limits (numbers a request, requests at once, pace),
// without blocking the window. Rows come out strictly in the order of the
// jobs. When the service keeps failing for reasons of its own (key, quota,
// network) the pass moves to the next service of its chain. It never touches
// the register: marking a waybill is the caller's business.
class ConciseQueryRunner final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTransferTimeoutMs = 60000;
    // A shown state is cut to this many characters and "…"; the whole state
    // still decides whether the waybill is signed for.
    static constexpr int kShownStateLength = 1000;
    // A request the service turned away as too many is asked again this
    // much later, at most this many times.
    static constexpr int kRateBackOffMs = 1000;
    static constexpr int kRateRetries = 2;

    explicit ConciseQueryRunner(QObject *parent = nullptr);
    ~ConciseQueryRunner() override;

    // The chosen service first, then those to move to; the classic interface
    // alone until set. Takes effect at the next start().
    void setServices(const QVector<ServiceAccount> &chain);
    // Where the sources' health is kept, and the time it is told by; the
    // runner keeps its own when none is given.
    void setHealth(ServiceHealth *health, std::function<QDateTime()> now = {});
    ServiceHealth &health() { return *m_health; }

    // Starts a pass; false (and nothing happens) while one is running.
    // All signals of the pass come from the event loop, never from start().
    bool start(const QVector<ConciseJob> &jobs);
    // Aborts what is in flight and ends the pass at once with finished(true).
    void stop();
    bool isRunning() const { return m_running; }
    ServiceId currentService() const;

    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    int transferTimeout() const { return m_transferTimeoutMs; }

    static QString unsupportedCarrierState();
    static QString phoneDigitsMissingState();

Q_SIGNALS:
    void rowReady(const ConciseRow &row);
    void progress(int done, int total);
    void finished(bool stopped);
    // A request went out: numbers is how many waybills it asks (for budgets).
    void requestSent(ServiceId service, int numbers);
    // The pass moved on from a failing service; told once per move.
    void serviceSwitched(ServiceId from, ServiceId to, const QString &why);

private:
    struct Task {
        bool registration = false;
        QVector<int> indexes;
    };

    void pump();
    bool precheck(int index);
    void send(const Task &task);
    void onReplyFinished(QNetworkReply *reply, const Task &task, const std::shared_ptr<TrackingProtocol> &protocol);
    void onResults(const Task &task, const QVector<TrackResult> &results);
    void onRegistered(const Task &task, const QVector<TrackResult> &results);
    void settle(int index, const TrackResult &result);
    void switchService(const QString &why);
    void releaseParked();
    ConciseRow rowFor(int index, const TrackResult &result) const;
    void complete(int index, const ConciseRow &row);
    void finish(bool stopped);
    void armPace(int ms);

    QNetworkAccessManager *m_network = nullptr;
    QVector<ServiceAccount> m_chain;
    int m_chainAt = 0;
    std::shared_ptr<TrackingProtocol> m_protocol;
    std::unique_ptr<ServiceHealth> m_ownHealth;
    ServiceHealth *m_health = nullptr;
    std::function<QDateTime()> m_now;

    QVector<ConciseJob> m_jobs;
    QVector<TrackJob> m_trackJobs;
    QVector<int> m_queue;            // waiting to be asked of the current service
    QVector<Task> m_urgent;          // registrations and re-asks, before the queue
    QMap<int, TrackResult> m_parked; // failed for the source's reasons, waiting for a move
    QVector<bool> m_registered;
    QVector<int> m_retries;       // requests turned away as too many, per job
    QMap<int, ConciseRow> m_done; // completed, waiting for earlier rows
    QMap<QNetworkReply *, Task> m_inFlight;
    QElapsedTimer m_lastSend;
    QTimer m_pace;
    int m_nextToEmit = 0;
    int m_transferTimeoutMs = kDefaultTransferTimeoutMs;
    quint64 m_pass = 0; // guards queued calls of an earlier pass
    bool m_running = false;
};
