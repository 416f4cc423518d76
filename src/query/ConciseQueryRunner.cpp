#include "query/ConciseQueryRunner.h"

#include "carriers/CarrierCatalogue.h"
#include "core/NetworkFailure.h"

#include "query/ConciseQuery.h"
#include "query/WaybillStatus.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

ConciseQueryRunner::ConciseQueryRunner(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    qRegisterMetaType<ConciseRow>();
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

bool ConciseQueryRunner::start(const QVector<ConciseJob> &jobs)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_pass;
    m_jobs = jobs;
    m_done.clear();
    m_nextToSend = 0;
    m_nextToEmit = 0;
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
    const QMap<int, QNetworkReply *> inFlight = m_inFlight;
    m_inFlight.clear();
    for (QNetworkReply *reply : inFlight) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    finish(true);
}

void ConciseQueryRunner::pump()
{
    const quint64 pass = m_pass;
    while (m_running && pass == m_pass && m_inFlight.size() < kMaxInFlight && m_nextToSend < m_jobs.size())
        dispatch(m_nextToSend++);
    if (m_running && pass == m_pass && m_nextToEmit == m_jobs.size())
        finish(false);
}

void ConciseQueryRunner::dispatch(int index)
{
    const ConciseJob &job = m_jobs[index];
    if (job.apiCode.isEmpty()) {
        complete(index, {job.number, job.carrier, unsupportedCarrierState(), false, false});
        return;
    }
    // The service refuses such a carrier without the digits; asking would only
    // count against the number's limit.
    const Carrier *carrier = FindCarrierByName(job.carrier);
    const QString digits = carrier && carrier->needsPhoneDigits ? LastPhoneDigits(job.phone) : QString();
    if (carrier && carrier->needsPhoneDigits && digits.isEmpty()) {
        complete(index, {job.number, job.carrier, phoneDigitsMissingState(), true, false});
        return;
    }
    QNetworkRequest request(QUrl(ConciseQueryAddress(job.apiCode, job.number, digits)));
    QNetworkReply *reply = m_network->get(request);
    NetworkFailure::bound(reply, m_transferTimeoutMs);
    m_inFlight.insert(index, reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, index] { onReplyFinished(reply, index); });
}

void ConciseQueryRunner::onReplyFinished(QNetworkReply *reply, int index)
{
    reply->deleteLater();
    if (m_inFlight.value(index) != reply)
        return;
    m_inFlight.remove(index);
    const ConciseJob &job = m_jobs[index];
    ConciseRow row{job.number, job.carrier, QString(), false, false};
    if (const QString failure = NetworkFailure::describe(reply, QStringLiteral("服务器")); !failure.isEmpty()) {
        row.failed = true;
        row.state = QStringLiteral("查询失败：") + failure;
    } else {
        const QString state = GetLastState(Utf8ToUnicode(reply->readAll()));
        bool hasCode = false;
        const int code = reply->rawHeader(kStateCodeHeader).toInt(&hasCode);
        row.status = WaybillStatus::of(state, hasCode ? code : WaybillStatus::kNoCode);
        row.signedFor = row.status == WaybillStatus::kSigned;
        row.state = state;
        if (state.size() > kShownStateLength) {
            const int cut =
                state.at(kShownStateLength - 1).isHighSurrogate() ? kShownStateLength - 1 : kShownStateLength;
            row.state = state.left(cut) + QChar(0x2026);
        }
    }
    const quint64 pass = m_pass;
    complete(index, row);
    if (m_running && pass == m_pass)
        pump();
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
    m_done.clear();
    m_jobs.clear();
    Q_EMIT finished(stopped);
}
