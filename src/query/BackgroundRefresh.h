#pragma once

#include "query/FlaggedWaybills.h"
#include "query/RefreshSchedule.h"
#include "store/StateHistory.h"

#include <QObject>
#include <QTimer>

#include <functional>

class BackgroundTask;
class Clock;
class ConciseQueryRunner;
class TrackingServices;
struct ConciseRow;

// Keeps the unsigned stored waybills fresh while the program runs, through
// the concise query, when the setting "自动刷新" is on. The register is read
// and written on a worker; the requests are the runner's, asynchronous; so
// the window never waits for either. It stands aside while a pass of the
// user's runs.
class BackgroundRefresh final : public QObject {
    Q_OBJECT
public:
    BackgroundRefresh(QString programFolder, const Clock &clock, std::function<bool()> userPassRunning,
                      QObject *parent = nullptr);
    ~BackgroundRefresh() override;

    // Arms the first tick; the settings are read again at every tick.
    void start(int firstTickMs = 60000);
    // One tick now.
    void tick();
    // A pass of the user's begins: what is on its way is dropped.
    void yieldToUser();
    bool isBusy() const { return m_busy; }
    RefreshSchedule &schedule() { return m_schedule; }
    int nextTickMs() const { return m_timer.isActive() ? m_timer.interval() : -1; }

    static QString offlineText();
    // Only one PC sharing a server register runs a pass at a time: `take`
    // before a pass (false: this tick is skipped quietly), `release` after it.
    void setPassLock(std::function<bool()> take, std::function<void()> release);
    // The services to ask, with their health and budget; the classic
    // interface alone when none are set.
    void setServices(TrackingServices *services);

Q_SIGNALS:
    // Each check written, with its carrier, for the notices.
    void checked(const StateCheck &check, const CheckEffect &effect, const QString &carrier);
    // Time flags that came on since the last announcement, each told once
    // (the register remembers them), for the notices.
    void flagged(const QVector<FlaggedWaybill> &fresh);
    // A quiet line for the status bar; never a message box.
    void status(const QString &text);
    void tickDone();

private:
    struct Candidate {
        QString number;
        QString carrier;
        QString apiCode;
        QString phone;
    };
    struct Read {
        QVector<Candidate> candidates;
        CheckSummaries summaries;
        QVector<FlaggedWaybill> freshFlags;
        QString error;
    };
    bool accountReady();
    void candidatesRead(const Read &read);
    void passFinished(bool stopped);
    void written(const QVector<StateCheck> &checks, const QVector<CheckEffect> &effects, const QString &error);
    void finishTick(qint64 nextSeconds);

    QString m_programFolder;
    const Clock &m_clock;
    std::function<bool()> m_userPassRunning;
    RefreshSchedule m_schedule;
    BackgroundTask *m_task = nullptr;
    ConciseQueryRunner *m_runner = nullptr;
    QTimer m_timer;
    QVector<ConciseRow> m_rows;
    QHash<QString, QString> m_carriers; // number → carrier of the pass
    int m_waiting = 0;
    bool m_busy = false;
    std::function<bool()> m_takeLock;
    std::function<void()> m_releaseLock;
    bool m_holdsLock = false;
    bool m_writing = false; // a write on its way is never dropped: its notices are due
    TrackingServices *m_services = nullptr;
    QDate m_budgetToldOn; // the day the spent budget was told, so it is told once
};
