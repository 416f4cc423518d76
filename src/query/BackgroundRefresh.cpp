#include "query/BackgroundRefresh.h"

#include "carriers/CarrierCatalogue.h"
#include "core/BackgroundTask.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "query/ConciseQueryRunner.h"
#include "query/TrackingServices.h"
#include "services/ConciseQuery.h"
#include "services/WaybillStatus.h"
#include "settings/RegisterLocation.h"
#include "settings/WatchSettings.h"
#include "store/CheckHistory.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"

#include <QDir>

namespace {
// Asked again this long after a tick that found the setting off or the user busy.
constexpr qint64 kIdleSeconds = 60;

// The flags not told before. Only waybills a query has answered for: one
// never asked yet may turn out picked up at its first check.
QVector<FlaggedWaybill> freshFlags(StoreConnection &store, const QVector<Waybill> &rows,
                                   const CheckSummaries &summaries, const QDateTime &now,
                                   const TimeFlags::Thresholds &limits, Outcome *outcome)
{
    const QHash<QString, QDateTime> pickup = CheckHistory(store).statusSince(WaybillStatus::kAwaitingPickup, outcome);
    if (!*outcome)
        return {};
    QVector<FlaggedWaybill> flagged;
    QVector<FlagNote> notes;
    for (const FlaggedWaybill &f : FlaggedWaybills::of(rows, summaries, pickup, now, limits)) {
        if (f.checked) {
            flagged.push_back(f);
            notes.push_back({f.number, f.flag, f.since});
        }
    }
    if (notes.isEmpty())
        return {};
    const QVector<bool> fresh = CheckHistory(store).rememberFlags(notes, outcome);
    QVector<FlaggedWaybill> told;
    for (int i = 0; i < flagged.size() && i < fresh.size(); ++i) {
        if (fresh[i])
            told.push_back(flagged[i]);
    }
    return told;
}
} // namespace

BackgroundRefresh::BackgroundRefresh(QString programFolder, const Clock &clock, std::function<bool()> userPassRunning,
                                     QObject *parent)
    : QObject(parent), m_programFolder(std::move(programFolder)), m_clock(clock),
      m_userPassRunning(std::move(userPassRunning)), m_task(new BackgroundTask(this)),
      m_runner(new ConciseQueryRunner(this))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BackgroundRefresh::tick);
    connect(m_runner, &ConciseQueryRunner::rowReady, this, [this](const ConciseRow &row) {
        m_rows.push_back(row);
        if (m_services)
            m_services->remember(row);
    });
    connect(m_runner, &ConciseQueryRunner::finished, this, &BackgroundRefresh::passFinished);
}

BackgroundRefresh::~BackgroundRefresh() = default;

QString BackgroundRefresh::offlineText()
{
    return QStringLiteral("自动刷新：无法连接查询服务，稍后再试");
}

void BackgroundRefresh::start(int firstTickMs)
{
    if (const int seconds = Endpoints::current().refreshSeconds; seconds > 0)
        firstTickMs = std::min(firstTickMs, seconds * 1000);
    m_timer.start(firstTickMs);
}

void BackgroundRefresh::setPassLock(std::function<bool()> take, std::function<void()> release)
{
    m_takeLock = std::move(take);
    m_releaseLock = std::move(release);
}

void BackgroundRefresh::setServices(TrackingServices *services)
{
    m_services = services;
    m_runner->setHealth(&services->health(), [this] { return m_clock.now(); });
    connect(m_runner, &ConciseQueryRunner::requestSent, this,
            [this](ServiceId id, int numbers) { m_services->spend(id, numbers); });
    connect(m_runner, &ConciseQueryRunner::serviceSwitched, this,
            [this](ServiceId from, ServiceId to, const QString &why) {
                Q_EMIT status(QStringLiteral("自动刷新：%1连续失败（%2），改用%3")
                                  .arg(Services::displayName(from), why, Services::displayName(to)));
            });
}

void BackgroundRefresh::finishTick(qint64 nextSeconds)
{
    m_busy = false;
    if (m_holdsLock) {
        m_holdsLock = false;
        m_releaseLock();
    }
    m_timer.start(int(std::min<qint64>(nextSeconds, qint64(24) * 3600) * 1000));
    Q_EMIT tickDone();
}

void BackgroundRefresh::tick()
{
    if (m_busy)
        return;
    m_timer.stop();
    if (!WatchSettings::autoRefresh(m_programFolder) || m_userPassRunning()) {
        finishTick(kIdleSeconds);
        return;
    }
    // Another PC's pass asks the same carriers: this one waits for its next tick.
    if (m_takeLock) {
        if (!m_takeLock()) {
            finishTick(kIdleSeconds);
            return;
        }
        m_holdsLock = true;
    }
    const ServiceId service = m_services ? m_services->chosen() : ServiceId::Classic;
    if (service != ServiceId::Classic && !accountReady()) {
        finishTick(kIdleSeconds);
        return;
    }
    m_busy = true;
    const int override = Endpoints::current().refreshSeconds;
    qint64 interval = override > 0 ? override : qint64(WatchSettings::refreshHours(m_programFolder)) * 3600;
    // The account services lock a number asked again within half an hour.
    if (service != ServiceId::Classic)
        interval = std::max<qint64>(interval, RefreshSchedule::kShortestWaitSeconds);
    m_schedule.setInterval(interval);
    // The demo's seconds ask the local service, which has no budget to keep.
    m_schedule.setDailyBudget(override > 0 ? 0 : RefreshSchedule::kDailyBudgetPer100);
    const StoreLocation path = RegisterLocation::read(m_programFolder);
    const QDateTime now = m_clock.now().toUTC();
    const TimeFlags::Thresholds limits = TimeFlags::fromSettings(m_programFolder);
    m_task->run<Read>(
        [path, now, limits, service](const BackgroundTask::KeepGoing &keepGoing) {
            Read read;
            StoreConnection store;
            Outcome outcome = store.open(path);
            const QVector<Waybill> rows =
                outcome ? Waybills(store).allWaybills(&outcome, keepGoing) : QVector<Waybill>();
            if (outcome)
                read.summaries = CheckHistory(store).checkSummaries(&outcome);
            if (outcome)
                read.freshFlags = freshFlags(store, rows, read.summaries, now, limits, &outcome);
            if (!outcome) {
                read.error = outcome.error;
                return read;
            }
            // The carriers the main window can select: those the service serves,
            // with the telephone digits where the carrier asks for them.
            const std::unique_ptr<TrackingProtocol> protocol = MakeProtocol(service);
            for (const Waybill &w : rows) {
                const Carrier *carrier = FindCarrierByName(w.carrier);
                const QString phone = LastPhoneDigits(w.phone);
                if (w.status != kSignedFor && carrier && protocol->knowsCarrier(*carrier) &&
                    (carrier->isButton() || carrier->isListEntry()) &&
                    (!protocol->needsPhoneDigits(*carrier) || !phone.isEmpty()))
                    read.candidates.push_back({w.number, w.carrier, carrier->apiCode, phone});
            }
            return read;
        },
        [this](const Read &read) { candidatesRead(read); });
}

void BackgroundRefresh::candidatesRead(const Read &read)
{
    if (!read.error.isEmpty()) {
        Q_EMIT status(QStringLiteral("自动刷新：") + read.error);
        finishTick(kIdleSeconds);
        return;
    }
    if (!read.freshFlags.isEmpty())
        Q_EMIT flagged(read.freshFlags);
    for (auto it = read.summaries.cbegin(); it != read.summaries.cend(); ++it) {
        m_schedule.noteChecked(it.key(), it->lastCheck);
        m_schedule.noteStatus(it.key(), it->status, it->since);
    }
    QStringList numbers;
    for (const Candidate &c : read.candidates)
        numbers << c.number;
    m_waiting = int(numbers.size());
    const QStringList due = m_schedule.due(numbers, m_clock.now().toUTC());
    // The user may have started a pass while the register was read.
    if (due.isEmpty() || m_userPassRunning()) {
        finishTick(due.isEmpty() ? m_schedule.tickSeconds(m_waiting) : kIdleSeconds);
        return;
    }
    QVector<ConciseJob> jobs;
    m_carriers.clear();
    const int budget = m_services && m_services->usesAccount() ? m_services->budgetLeft() : -1;
    for (const Candidate &c : read.candidates) {
        if (budget >= 0 && jobs.size() >= budget)
            break;
        if (due.contains(c.number) && !(m_services && m_services->recent(c.number))) {
            jobs.push_back({c.number, c.carrier, c.apiCode, c.phone});
            m_carriers.insert(c.number, c.carrier);
        }
    }
    if (jobs.isEmpty()) {
        finishTick(m_schedule.tickSeconds(m_waiting));
        return;
    }
    m_rows.clear();
    if (m_services)
        m_runner->setServices(m_services->chain());
    m_runner->start(jobs);
}

// An account service is asked only with its key and within the day's budget;
// each is told once, quietly.
bool BackgroundRefresh::accountReady()
{
    if (!m_services->isReady())
        return false;
    if (const QString missing = m_services->missingAccountText(); !missing.isEmpty()) {
        Q_EMIT status(QStringLiteral("自动刷新：") + missing);
        return false;
    }
    if (m_services->budgetLeft() == 0) {
        if (m_budgetToldOn != m_clock.today()) {
            m_budgetToldOn = m_clock.today();
            Q_EMIT status(
                QStringLiteral("自动刷新：今日 %1 次查询额度已用完，明天继续").arg(m_services->budgetToday()));
        }
        return false;
    }
    return true;
}

void BackgroundRefresh::passFinished(bool stopped)
{
    if (m_services) {
        m_services->keepUsage();
        m_services->saveHealth();
    }
    if (stopped) {
        finishTick(kIdleSeconds);
        return;
    }
    const QDateTime now = m_clock.now().toUTC();
    QVector<StateCheck> checks;
    int failed = 0;
    for (const ConciseRow &row : std::as_const(m_rows)) {
        if (row.failed) {
            ++failed;
            m_schedule.noteFailure(row.number, now);
            continue;
        }
        m_schedule.noteChecked(row.number, now);
        if (!row.state.isEmpty())
            checks.push_back({row.number, now, StateSource::kBackground, row.state, row.signedFor, row.status});
    }
    // Without a network every request fails alike: one quiet line says so.
    // An account service's refusal (key, quota) names its cause instead.
    if (failed > 0 && failed == m_rows.size())
        Q_EMIT status(m_rows.first().failure == TrackFailure::Network || m_rows.first().service == ServiceId::Classic
                          ? offlineText()
                          : QStringLiteral("自动刷新：") + m_rows.first().state);
    if (checks.isEmpty()) {
        finishTick(m_schedule.tickSeconds(m_waiting));
        return;
    }
    const StoreLocation path = RegisterLocation::read(m_programFolder);
    struct Written {
        QVector<CheckEffect> effects;
        QString error;
    };
    // One transaction for the whole tick.
    m_writing = true;
    m_task->run<Written>(
        [path, checks](const BackgroundTask::KeepGoing &) {
            Written w;
            StoreConnection store;
            Outcome outcome = store.open(path);
            if (outcome)
                w.effects = CheckHistory(store).recordChecks(checks, &outcome);
            if (!outcome)
                w.error = outcome.error;
            return w;
        },
        [this, checks](const Written &w) { written(checks, w.effects, w.error); });
}

void BackgroundRefresh::written(const QVector<StateCheck> &checks, const QVector<CheckEffect> &effects,
                                const QString &error)
{
    m_writing = false;
    if (!error.isEmpty())
        Q_EMIT status(QStringLiteral("自动刷新：") + error);
    for (int i = 0; i < checks.size() && i < effects.size() && error.isEmpty(); ++i)
        Q_EMIT checked(checks[i], effects[i], m_carriers.value(checks[i].number));
    finishTick(m_schedule.tickSeconds(m_waiting));
}

void BackgroundRefresh::yieldToUser()
{
    if (!m_busy || m_writing)
        return;
    m_task->cancel();
    m_runner->stop(); // finished(true) ends the tick
    if (m_busy)
        finishTick(kIdleSeconds);
}
