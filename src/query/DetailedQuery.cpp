#include "query/DetailedQuery.h"

#include "query/Browser.h"
#include "query/HarvestRules.h"
#include "services/WaybillStatus.h"
#include "store/Waybill.h"

#include <QDateTime>

#include <algorithm>

namespace {
// After a failed load the browser may still be finishing another one; a page
// that does load in this time is taken after all.
constexpr int kFailedLoadGraceMs = 1500;
} // namespace

DetailedQuery::DetailedQuery(Browser &browser, QObject *parent) : QObject(parent), m_browser(browser)
{
    // Children by name, so that a test can let a deadline fall due at once.
    m_deadline.setParent(this);
    m_deadline.setObjectName(QStringLiteral("deadline"));
    m_deadline.setSingleShot(true);
    // A coarse timer may fire 5 % late: a page without a form gets 3 s, not 3.15.
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_poll.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        switch (m_phase) {
        case Phase::Loading:
            failStep(QStringLiteral("页面加载失败"));
            break;
        case Phase::Probing:
            failStep(m_lastLoadOk ? noFormText() : QStringLiteral("页面加载失败"));
            break;
        case Phase::Reading: {
            // The read delay is over: what the page holds now is the record.
            m_poll.stop();
            m_phase = Phase::Finishing;
            const quint64 token = m_token;
            m_browser.bodyLines([this, token](const QStringList &lines) {
                if (current(token) && m_phase == Phase::Finishing)
                    finishStep(HarvestLines(lines, m_pageSource));
            });
            break;
        }
        case Phase::Idle:
        case Phase::Finishing:
            break;
        }
    });
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Probing)
            probe();
        else if (m_phase == Phase::Reading)
            read();
    });
    connect(&m_browser, &Browser::documentComplete, this, [this](const QString &, bool ok) { pageLoaded(ok); });
}

DetailedQuery::~DetailedQuery() = default;

void DetailedQuery::start(const QVector<DetailedJob> &jobs, DataSource source, int readDelayMs)
{
    stop();
    m_jobs = jobs;
    m_source = source;
    m_readDelayMs = readDelayMs;
    m_index = 0;
    m_running = true;
    if (m_jobs.isEmpty()) {
        m_running = false;
        Q_EMIT finished(false);
        return;
    }
    beginStep();
}

void DetailedQuery::stop()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_token;
    m_phase = Phase::Idle;
    m_deadline.stop();
    m_poll.stop();
    Q_EMIT finished(true);
}

void DetailedQuery::beginStep()
{
    ++m_token;
    m_previous.clear();
    const DetailedJob job = m_jobs.at(m_index);
    const quint64 token = m_token;
    Q_EMIT stepStarted(m_index, job);
    if (!current(token))
        return;
    const Carrier *carrier = FindCarrierByName(job.carrier);
    const QString address = carrier ? TrackingPageAddress(*carrier, m_source) : QString();
    // A carrier that a source lacks is read on the page the catalogue gives instead.
    m_pageSource = carrier ? TrackingPageSource(*carrier, m_source) : m_source;
    if (address.isEmpty()) {
        failStep(QStringLiteral("该快递公司在此数据来源没有查询页面，已跳过"));
        return;
    }
    m_phase = Phase::Loading;
    m_lastLoadOk = true;
    m_deadline.start(m_timing.loadTimeoutMs);
    m_browser.navigate(address);
}

void DetailedQuery::pageLoaded(bool ok)
{
    if (!m_running || (m_phase != Phase::Loading && m_phase != Phase::Probing))
        return;
    m_lastLoadOk = ok;
    m_phase = Phase::Probing;
    m_poll.stop();
    m_deadline.start(ok ? m_timing.elementTimeoutMs : qMin(kFailedLoadGraceMs, m_timing.elementTimeoutMs));
    if (ok)
        probe();
}

void DetailedQuery::probe()
{
    const quint64 token = m_token;
    const PageIds ids = PageIdsFor(m_pageSource);
    m_browser.findElement(ids.numberField, [this, token, ids](bool field) {
        if (!current(token) || m_phase != Phase::Probing)
            return;
        if (!field) {
            m_poll.start(m_timing.pollMs);
            return;
        }
        m_browser.findElement(ids.queryButton, [this, token](bool button) {
            if (!current(token) || m_phase != Phase::Probing)
                return;
            if (button)
                submit();
            else
                m_poll.start(m_timing.pollMs);
        });
    });
}

void DetailedQuery::submit()
{
    m_phase = Phase::Reading;
    m_deadline.stop();
    const quint64 token = m_token;
    const PageIds ids = PageIdsFor(m_pageSource);
    const QString number = WaybillNumber::normalForm(m_jobs.at(m_index).number);
    m_browser.setValue(ids.numberField, number, [this, token, ids](bool filled) {
        if (!current(token) || m_phase != Phase::Reading)
            return;
        if (!filled) {
            failStep(noFormText());
            return;
        }
        m_browser.click(ids.queryButton, [this, token](bool clicked) {
            if (!current(token) || m_phase != Phase::Reading)
                return;
            if (!clicked) {
                failStep(noFormText());
                return;
            }
            // Pages that answer at once are read at once; the second read,
            // a poll later, tells whether the record has settled.
            m_deadline.start(m_readDelayMs);
            read();
        });
    });
}

void DetailedQuery::read()
{
    const quint64 token = m_token;
    m_browser.settlingBodyLines([this, token](const QStringList &lines, int quietMs) {
        if (current(token) && m_phase == Phase::Reading)
            linesRead(lines, quietMs);
    });
}

void DetailedQuery::linesRead(const QStringList &lines, int quietMs)
{
    // Done once the end marker is there and the record no longer changes:
    // the page says how long it has been still, or two reads agree.
    const QStringList harvest = HarvestLines(lines, m_pageSource);
    if (!harvest.isEmpty() && (quietMs >= 0 ? quietMs >= m_timing.settledMs : harvest == m_previous)) {
        finishStep(harvest);
        return;
    }
    m_previous = harvest;
    // With its end there, the record is looked at again just when it will have
    // been still long enough, not a poll later.
    if (quietMs < 0)
        m_poll.start(m_timing.pollMs);
    else
        m_poll.start(harvest.isEmpty() ? m_timing.settlePollMs : std::max(1, m_timing.settledMs - quietMs));
}

void DetailedQuery::finishStep(const QStringList &lines)
{
    // The pages list the record oldest first: its newest line says what happened.
    const bool signedFor = IsSignedFor(LatestHarvestedState(lines));
    endStep([this, &lines, signedFor](int index, const DetailedJob &job) {
        Q_EMIT harvested(index, job, lines, signedFor);
    });
}

void DetailedQuery::failStep(const QString &reason)
{
    endStep([this, &reason](int index, const DetailedJob &job) { Q_EMIT stepFailed(index, job, reason); });
}

void DetailedQuery::endStep(const std::function<void(int, const DetailedJob &)> &report)
{
    const int index = m_index;
    const DetailedJob job = m_jobs.at(index);
    m_phase = Phase::Idle;
    m_deadline.stop();
    m_poll.stop();
    const quint64 token = m_token;
    report(index, job);
    // A listener may have stopped or restarted the pass.
    if (current(token))
        nextStep();
}

void DetailedQuery::nextStep()
{
    ++m_token;
    if (++m_index >= m_jobs.size()) {
        m_running = false;
        m_phase = Phase::Idle;
        Q_EMIT finished(false);
        return;
    }
    beginStep();
}
