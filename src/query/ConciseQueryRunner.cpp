#include "query/ConciseQueryRunner.h"

#include "carriers/CarrierCatalogue.h"
#include "services/ConciseQuery.h"
#include "services/ServiceCall.h"
#include "services/WaybillStatus.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

ConciseQueryRunner::ConciseQueryRunner(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_chain{ServiceAccount{}},
      m_ownHealth(std::make_unique<ServiceHealth>()), m_health(m_ownHealth.get()),
      m_now([] { return QDateTime::currentDateTime(); })
{
    qRegisterMetaType<ConciseRow>();
    m_pace.setSingleShot(true);
    // A coarse timer may fire 5% late, which a pace of 100 ms would pay on every request.
    m_pace.setTimerType(Qt::PreciseTimer);
    connect(&m_pace, &QTimer::timeout, this, &ConciseQueryRunner::pump);
}

ConciseQueryRunner::~ConciseQueryRunner()
{
    // Destroying a running runner ends the pass quietly: nobody is listening.
    const QSignalBlocker blocker(this);
    stop();
}

QString ConciseQueryRunner::unsupportedCarrierState()
{
    return QStringLiteral("该快递公司暂不支持简洁查询");
}

QString ConciseQueryRunner::phoneDigitsMissingState()
{
    return QStringLiteral("该快递公司需要收/寄件人电话后四位，请在登记簿中填写电话");
}

void ConciseQueryRunner::setServices(const QVector<ServiceAccount> &chain)
{
    m_chain = chain.isEmpty() ? QVector<ServiceAccount>{ServiceAccount{}} : chain;
}

void ConciseQueryRunner::setHealth(ServiceHealth *health, std::function<QDateTime()> now)
{
    m_health = health ? health : m_ownHealth.get();
    if (now)
        m_now = std::move(now);
}

ServiceId ConciseQueryRunner::currentService() const
{
    return m_chain.value(m_chainAt).id;
}

bool ConciseQueryRunner::start(const QVector<ConciseJob> &jobs)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_pass;
    m_jobs = jobs;
    m_chainAt = 0;
    m_protocol = MakeProtocol(currentService());
    m_trackJobs.clear();
    m_queue.clear();
    for (int i = 0; i < m_jobs.size(); ++i) {
        m_trackJobs.push_back({m_jobs[i].number, m_jobs[i].carrier, LastPhoneDigits(m_jobs[i].phone)});
        m_queue.push_back(i);
    }
    m_registered = QVector<bool>(m_jobs.size(), false);
    m_retries = QVector<int>(m_jobs.size(), 0);
    m_urgent.clear();
    m_parked.clear();
    m_done.clear();
    m_nextToEmit = 0;
    m_lastSend.invalidate();
    const quint64 pass = m_pass;
    QTimer::singleShot(0, this, [this, pass] {
        if (m_running && pass == m_pass)
            pump();
    });
    return true;
}

void ConciseQueryRunner::stop()
{
    if (!m_running)
        return;
    const QList<QNetworkReply *> inFlight = m_inFlight.keys();
    m_inFlight.clear();
    for (QNetworkReply *reply : inFlight) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    finish(true);
}

void ConciseQueryRunner::armPace(int ms)
{
    if (!m_pace.isActive())
        m_pace.start(std::max(1, ms));
}

void ConciseQueryRunner::pump()
{
    const quint64 pass = m_pass;
    const ServiceLimits limits = m_protocol->limits();
    // A service that said "too many requests" is left alone for a while.
    if (m_pace.isActive())
        return;
    while (m_running && pass == m_pass && m_inFlight.size() < limits.maxInFlight &&
           (!m_urgent.isEmpty() || !m_queue.isEmpty())) {
        // A little over the documented pace: two requests that leave exactly
        // the interval apart may arrive closer.
        const qint64 interval = limits.minIntervalMs > 0 ? limits.minIntervalMs + limits.minIntervalMs / 100 + 1 : 0;
        if (interval > 0 && m_lastSend.isValid() && m_lastSend.elapsed() < interval) {
            armPace(int(interval - m_lastSend.elapsed()));
            return;
        }
        Task task;
        if (!m_urgent.isEmpty()) {
            task = m_urgent.takeFirst();
        } else {
            while (!m_queue.isEmpty() && task.indexes.size() < limits.batchSize) {
                const int index = m_queue.takeFirst();
                if (precheck(index))
                    task.indexes.push_back(index);
                if (!m_running || pass != m_pass)
                    return;
            }
        }
        if (!task.indexes.isEmpty())
            send(task);
    }
    if (m_running && pass == m_pass && m_inFlight.isEmpty() && m_urgent.isEmpty() && m_queue.isEmpty()) {
        releaseParked();
        if (m_running && pass == m_pass && m_nextToEmit == m_jobs.size())
            finish(false);
    }
}

// A job the service cannot take is answered here and never sent.
bool ConciseQueryRunner::precheck(int index)
{
    TrackJob &job = m_trackJobs[index];
    const ServiceId service = currentService();
    const Carrier *carrier = FindCarrierByName(job.carrier);
    if (service == ServiceId::Classic) {
        job.code = m_jobs[index].apiCode;
        if (job.code.isEmpty()) {
            complete(index, {job.number, job.carrier, unsupportedCarrierState(), false, false, QString(),
                             TrackFailure::CarrierUnsupported});
            return false;
        }
    } else if (!carrier || !m_protocol->knowsCarrier(*carrier)) {
        const QString text =
            QStringLiteral("%1 不支持该快递公司（%2）").arg(Services::displayName(service), job.carrier);
        complete(index,
                 rowFor(index, TrackResult::failed(job.number, job.carrier, TrackFailure::CarrierUnsupported, text)));
        return false;
    } else {
        job.code = m_protocol->carrierCode(*carrier);
    }
    // The service refuses such a carrier without the digits; asking would only
    // count against the number's limit.
    if (carrier && m_protocol->needsPhoneDigits(*carrier) && job.phoneDigits.isEmpty()) {
        complete(index, rowFor(index, TrackResult::failed(job.number, job.carrier, TrackFailure::PhoneNeeded,
                                                          phoneDigitsMissingState())));
        return false;
    }
    return true;
}

void ConciseQueryRunner::send(const Task &task)
{
    QVector<TrackJob> batch;
    for (int index : task.indexes)
        batch.push_back(OutgoingJob(*m_protocol, m_trackJobs[index]));
    const Credentials &account = m_chain.value(m_chainAt).credentials;
    const std::optional<HttpCall> registration =
        task.registration ? m_protocol->registration(batch, account) : std::nullopt;
    const HttpCall call = task.registration && registration ? *registration : m_protocol->request(batch, account);
    if (currentService() != ServiceId::Classic && !IsSafeServiceUrl(call.url)) {
        for (int index : task.indexes) {
            const TrackResult refused = TrackResult::failed(m_trackJobs[index].number, m_trackJobs[index].carrier,
                                                            TrackFailure::Service, UnsafeServiceUrlText(call.url));
            settle(index, refused);
        }
        return;
    }
    QNetworkReply *reply = SendServiceCall(*m_network, call, m_transferTimeoutMs);
    m_inFlight.insert(reply, task);
    m_lastSend.start();
    Q_EMIT requestSent(currentService(), int(task.indexes.size()));
    const std::shared_ptr<TrackingProtocol> protocol = m_protocol;
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, task, protocol] { onReplyFinished(reply, task, protocol); });
}

void ConciseQueryRunner::onReplyFinished(QNetworkReply *reply, const Task &task,
                                         const std::shared_ptr<TrackingProtocol> &protocol)
{
    reply->deleteLater();
    if (!m_inFlight.contains(reply))
        return;
    m_inFlight.remove(reply);
    const HttpAnswer answer = ServiceAnswerOf(reply, protocol->id());
    QVector<TrackJob> batch;
    for (int index : task.indexes)
        batch.push_back(m_trackJobs[index]);
    const quint64 pass = m_pass;
    if (task.registration)
        onRegistered(task, protocol->parseRegistration(batch, answer));
    else
        onResults(task, protocol->parse(batch, answer));
    if (m_running && pass == m_pass)
        pump();
}

void ConciseQueryRunner::onResults(const Task &task, const QVector<TrackResult> &results)
{
    Task toRegister{true, {}};
    Task again{task.registration, {}};
    const quint64 pass = m_pass;
    for (int i = 0; i < task.indexes.size() && m_running && pass == m_pass; ++i) {
        const int index = task.indexes[i];
        TrackResult result = results.value(i);
        if (result.number.isEmpty())
            result = TrackResult::failed(m_trackJobs[index].number, m_trackJobs[index].carrier, TrackFailure::BadAnswer,
                                         QStringLiteral("查询失败：服务的回答缺少该单号"));
        if (result.failure == TrackFailure::RateLimited && m_retries[index] < kRateRetries) {
            ++m_retries[index];
            again.indexes.push_back(index);
            continue;
        }
        if (result.failure == TrackFailure::NotRegistered && !m_registered[index]) {
            toRegister.indexes.push_back(index);
            continue;
        }
        if (result.failure == TrackFailure::NotRegistered)
            result.failure = TrackFailure::Pending;
        settle(index, result);
    }
    if (!toRegister.indexes.isEmpty() && m_running && pass == m_pass)
        m_urgent.push_back(toRegister);
    if (!again.indexes.isEmpty() && m_running && pass == m_pass) {
        m_urgent.prepend(again);
        m_pace.start(kRateBackOffMs);
    }
}

void ConciseQueryRunner::onRegistered(const Task &task, const QVector<TrackResult> &results)
{
    Task ask{false, {}};
    const quint64 pass = m_pass;
    for (int i = 0; i < task.indexes.size() && m_running && pass == m_pass; ++i) {
        const int index = task.indexes[i];
        m_registered[index] = true;
        const TrackResult result = results.value(i);
        if (result.ok())
            ask.indexes.push_back(index);
        else
            settle(index, result);
    }
    if (!ask.indexes.isEmpty() && m_running && pass == m_pass)
        m_urgent.push_back(ask);
}

// A result counts for the source's health; a failure of the source's own is
// held back while another service could still answer.
void ConciseQueryRunner::settle(int index, const TrackResult &result)
{
    const ServiceId service = currentService();
    if (result.ok()) {
        m_health->recordSuccess(service, m_now());
        releaseParked();
        complete(index, rowFor(index, result));
        return;
    }
    m_health->recordFailure(service, result.failure, result.failureText, m_now());
    const bool canMove = m_chainAt + 1 < m_chain.size() && IsSourceFailure(result.failure);
    if (!canMove) {
        complete(index, rowFor(index, result));
        return;
    }
    m_parked.insert(index, result);
    if (m_health->isFailing(service))
        switchService(result.failureText);
}

void ConciseQueryRunner::switchService(const QString &why)
{
    const ServiceId from = currentService();
    ++m_chainAt;
    m_protocol = MakeProtocol(currentService());
    // What waited for the failing source goes first, in the jobs' order.
    QVector<int> again = m_parked.keys().toVector();
    for (const Task &task : std::as_const(m_urgent))
        again += task.indexes;
    m_urgent.clear();
    m_parked.clear();
    again += m_queue;
    std::sort(again.begin(), again.end());
    again.erase(std::unique(again.begin(), again.end()), again.end());
    m_queue = again;
    std::fill(m_registered.begin(), m_registered.end(), false);
    m_lastSend.invalidate();
    Q_EMIT serviceSwitched(from, currentService(), why);
}

void ConciseQueryRunner::releaseParked()
{
    const QMap<int, TrackResult> parked = m_parked;
    m_parked.clear();
    const quint64 pass = m_pass;
    for (auto it = parked.begin(); it != parked.end() && m_running && pass == m_pass; ++it)
        complete(it.key(), rowFor(it.key(), it.value()));
}

ConciseRow ConciseQueryRunner::rowFor(int index, const TrackResult &result) const
{
    const ConciseJob &job = m_jobs[index];
    ConciseRow row{job.number, job.carrier, QString(), !result.ok(), false};
    row.failure = result.failure;
    row.service = currentService();
    if (!result.ok()) {
        row.state = result.failureText;
        return row;
    }
    row.status = result.status;
    row.signedFor = row.status == WaybillStatus::kSigned;
    row.trace = result.trace;
    const QString &state = result.newest;
    row.state = state;
    if (state.size() > kShownStateLength) {
        const int cut = state.at(kShownStateLength - 1).isHighSurrogate() ? kShownStateLength - 1 : kShownStateLength;
        row.state = state.left(cut) + QChar(0x2026);
    }
    return row;
}

void ConciseQueryRunner::complete(int index, const ConciseRow &row)
{
    m_done.insert(index, row);
    const quint64 pass = m_pass;
    // A slot may stop the pass (or start another) from within rowReady.
    while (m_running && pass == m_pass && m_done.contains(m_nextToEmit)) {
        const ConciseRow ready = m_done.take(m_nextToEmit);
        ++m_nextToEmit;
        Q_EMIT rowReady(ready);
        if (m_running && pass == m_pass)
            Q_EMIT progress(m_nextToEmit, int(m_jobs.size()));
    }
}

void ConciseQueryRunner::finish(bool stopped)
{
    m_running = false;
    m_pace.stop();
    m_done.clear();
    m_parked.clear();
    m_urgent.clear();
    m_queue.clear();
    m_jobs.clear();
    Q_EMIT finished(stopped);
}
