#pragma once

#include "carriers/CarrierCatalogue.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

class Browser;

// One waybill of a detailed pass: what is looked up and where.
struct DetailedJob final {
    QString number;
    QString carrier;
};

// The detailed query: for each waybill in turn it loads the carrier's tracking
// page of the data source, waits until the page and its number field and
// button are there, fills in the number and clicks, then reads the page until
// the record has settled or the read delay has passed since the click. Every
// page load, script answer and timer tick carries the step it belongs to, so
// nothing of an earlier step, or of a stopped pass, can reach a later one.
class DetailedQuery final : public QObject {
    Q_OBJECT
public:
    struct Timing {
        int pollMs = 300;          // between two reads of the page
        int loadTimeoutMs = 60000; // a page that takes longer has failed
        // After the load, for the field and button that a page's script may
        // still be making; a page without them is skipped when this is over.
        int elementTimeoutMs = 3000;
        // A page that tells when its text changed is read this often, and its
        // record is done once unchanged this long.
        int settlePollMs = 25;
        int settledMs = 75;
    };

    explicit DetailedQuery(Browser &browser, QObject *parent = nullptr);
    ~DetailedQuery() override;

    void setTiming(const Timing &timing) { m_timing = timing; }
    // Starts a pass; a pass already running is stopped first (nothing of it
    // arrives afterwards). readDelayMs is the longest wait after the click.
    void start(const QVector<DetailedJob> &jobs, DataSource source, int readDelayMs);
    void stop();
    bool isRunning() const { return m_running; }
    // What a step says of a page that has no number field or query button.
    static QString noFormText() { return QStringLiteral("该页面没有查询框，已跳过"); }
    // Milliseconds until the current step's deadline, -1 when none is armed.
    int msToDeadline() const { return m_deadline.isActive() ? m_deadline.remainingTime() : -1; }
    // The wait before the next read of the page, -1 when none is armed.
    int nextReadAfterMs() const { return m_poll.isActive() ? m_poll.interval() : -1; }
    int total() const { return int(m_jobs.size()); }

Q_SIGNALS:
    // A step begins: index is 0-based.
    void stepStarted(int index, const DetailedJob &job);
    // The lines copied from the step's page (empty when the page said nothing
    // between its markers), and whether they say that the parcel was signed for.
    void harvested(int index, const DetailedJob &job, const QStringList &lines, bool signedFor);
    // The step could not be run; the reason is one line for the result text.
    void stepFailed(int index, const DetailedJob &job, const QString &reason);
    // The pass is over, with nothing of it left to come: emitted once per
    // pass, after its last step's report or at stop(); isRunning() is false.
    // A pass with no waybill, or none with a page, ends within start(): turn
    // the query button off before calling it.
    void finished(bool stopped);

private:
    enum class Phase { Idle, Loading, Probing, Reading, Finishing };

    void beginStep();
    void pageLoaded(bool ok);
    void probe();
    void submit();
    void read();
    void linesRead(const QStringList &lines, int quietMs);
    void finishStep(const QStringList &lines);
    void failStep(const QString &reason);
    void endStep(const std::function<void(int, const DetailedJob &)> &report);
    void nextStep();
    // A callback or a tick belongs to the current step only if the token it
    // carries is still the current one.
    bool current(quint64 token) const { return m_running && token == m_token; }

    Browser &m_browser;
    Timing m_timing;
    QVector<DetailedJob> m_jobs;
    DataSource m_source = DataSource::None;
    DataSource m_pageSource = DataSource::None; // the source whose page this step reads
    int m_readDelayMs = 0;
    int m_index = 0;
    bool m_running = false;
    quint64 m_token = 0;
    Phase m_phase = Phase::Idle;
    bool m_lastLoadOk = true;
    QTimer m_deadline; // page load, elements, or the read delay
    QTimer m_poll;
    QStringList m_previous; // harvest of the previous read
};
