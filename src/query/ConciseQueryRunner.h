#pragma once

#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVector>

class QNetworkAccessManager;
class QNetworkReply;

// The header in which the service may give its own state code for the answer.
inline constexpr char kStateCodeHeader[] = "X-State-Code";

// One waybill to ask for. An empty API code means that the carrier has none.
struct ConciseJob final {
    QString number;
    QString carrier;
    QString apiCode;
    QString phone{}; // the last four digits of the telephone, for carriers that ask for them
};

// One row of the concise result list.
struct ConciseRow final {
    QString number;
    QString carrier;
    QString state;
    bool failed = false;    // the request failed or could not be made; state says why
    bool signedFor = false; // never for a failed row
    QString status{};       // WaybillStatus; empty for a failed row
};
Q_DECLARE_METATYPE(ConciseRow)

// Asks the tracking service for the last state of a list of waybills, a few
// requests at a time, without blocking the window. Rows come out strictly in
// the order of the jobs. It never touches the register: marking a waybill as
// signed for is the window's business.
class ConciseQueryRunner final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInFlight = 4;
    static constexpr int kDefaultTransferTimeoutMs = 60000;
    // A shown state is cut to this many characters and "…"; the whole state
    // still decides whether the waybill is signed for.
    static constexpr int kShownStateLength = 1000;

    explicit ConciseQueryRunner(QObject *parent = nullptr);
    ~ConciseQueryRunner() override;

    // Starts a pass; false (and nothing happens) while one is running.
    // All signals of the pass come from the event loop, never from start().
    bool start(const QVector<ConciseJob> &jobs);
    // Aborts what is in flight and ends the pass at once with finished(true).
    void stop();
    bool isRunning() const { return m_running; }

    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    int transferTimeout() const { return m_transferTimeoutMs; }

    static QString unsupportedCarrierState();
    static QString phoneDigitsMissingState();

Q_SIGNALS:
    void rowReady(const ConciseRow &row);
    void progress(int done, int total);
    void finished(bool stopped);

private:
    void pump();
    void dispatch(int index);
    void onReplyFinished(QNetworkReply *reply, int index);
    void complete(int index, const ConciseRow &row);
    void finish(bool stopped);

    QNetworkAccessManager *m_network = nullptr;
    QVector<ConciseJob> m_jobs;
    QMap<int, ConciseRow> m_done;          // completed, waiting for earlier rows
    QMap<int, QNetworkReply *> m_inFlight; // by job index
    int m_nextToSend = 0;
    int m_nextToEmit = 0;
    int m_transferTimeoutMs = kDefaultTransferTimeoutMs;
    quint64 m_pass = 0; // guards queued calls of an earlier pass
    bool m_running = false;
};
