// The account tracking services in the queries: their keys, the answers of
// the last half hour, the move to another service, and the detailed pass
// that shows a service's whole trace instead of a page.
#include "app/QueryController.h"

#include "app/QueryControls.h"
#include "app/ResultsPane.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "query/BackgroundRefresh.h"
#include "query/ConciseQueryRunner.h"
#include "query/HarvestRules.h"
#include "query/TrackingServices.h"
#include "services/KeyStore.h"
#include "store/StateHistory.h"

void QueryController::buildServices()
{
    m_keyStore = new KeyStore(this);
    m_services = new TrackingServices(m_env.dataFolder, *m_keyStore, m_env.clock, this);
    m_refresh->setServices(m_services);
    for (ConciseQueryRunner *runner : {m_concise, m_traced}) {
        runner->setHealth(&m_services->health(), [this] { return m_env.clock.now(); });
        connect(runner, &ConciseQueryRunner::serviceSwitched, this,
                [this](ServiceId from, ServiceId to, const QString &why) {
                    Q_EMIT message(QStringLiteral("%1连续失败（%2），已改用%3")
                                       .arg(::Services::displayName(from), why, ::Services::displayName(to)));
                });
        connect(runner, &ConciseQueryRunner::finished, this, [this] {
            m_services->saveHealth();
            showHealth();
        });
    }
    connect(m_services, &TrackingServices::ready, this, &QueryController::showHealth);

    connect(m_traced, &ConciseQueryRunner::rowReady, this, &QueryController::showTrace);
    connect(m_traced, &ConciseQueryRunner::progress, this, &QueryController::showProgress);
    connect(m_traced, &ConciseQueryRunner::finished, this, &QueryController::detailedPassEnded);
}

void QueryController::showHealth()
{
    Q_EMIT healthChanged(m_services->usesAccount() ? m_services->healthLine() : QString());
}

// The chosen service with its key; where the keyring has none, the key is
// asked once and kept for the run.
bool QueryController::readyForAccountPass()
{
    if (!m_services->usesAccount())
        return true;
    if (!m_services->isReady()) {
        m_env.dialogs.information(&m_parts.window, Program::kTitle,
                                  QStringLiteral("正在从系统密钥环读取查询服务的密钥，请稍候再试。"));
        return false;
    }
    const QString missing = m_services->missingAccountText();
    if (missing.isEmpty())
        return true;
    const ServiceId id = m_services->chosen();
    if (!::Services::accountLabel(id).isEmpty() && m_services->settings().accounts.value(id).trimmed().isEmpty()) {
        m_env.dialogs.information(&m_parts.window, Program::kTitle, missing);
        return false;
    }
    const QString key = m_env.dialogs.askPassword(
        &m_parts.window, Program::kTitle,
        missing + QStringLiteral("\n请输入%1（只保留到本次退出；要长期保存，请在“设置”中填写）：")
                      .arg(::Services::keyLabel(id)));
    if (key.trimmed().isEmpty())
        return false;
    m_services->useKeyForRun(id, key.trimmed());
    return true;
}

// Waybills an account service answered within the last half hour are asked
// again only when the user says so; otherwise their last answer is shown.
QVector<ConciseRow> QueryController::takeRecentAnswers(QVector<QPair<QString, QString>> *waybills)
{
    if (!m_services->usesAccount())
        return {};
    QVector<ConciseRow> recent;
    QStringList listed;
    for (const auto &[number, carrier] : std::as_const(*waybills)) {
        if (const std::optional<TrackingServices::Recent> last = m_services->recent(number)) {
            ConciseRow row = last->row;
            if (!row.failed)
                row.state += QStringLiteral("（%1 的结果）").arg(last->at.toString(QStringLiteral("HH:mm")));
            recent.push_back(row);
            if (listed.size() < 5)
                listed << QStringLiteral("%1（%2 已查询）")
                              .arg(number.left(30), last->at.toString(QStringLiteral("HH:mm")));
        }
    }
    if (recent.isEmpty())
        return {};
    const QString question =
        QStringLiteral("%1 个单号在 30 分钟内已查询过：\n%2%3\n\n查询服务会锁定查询过于频繁的单号。仍要重新查询吗？\n"
                       "（选“否”显示上次的结果）")
            .arg(recent.size())
            .arg(listed.join(QLatin1Char('\n')), recent.size() > listed.size() ? QStringLiteral("\n……") : QString());
    if (m_env.dialogs.askYesNo(&m_parts.window, Program::kTitle, question))
        return {};
    QVector<QPair<QString, QString>> rest;
    for (const auto &waybill : std::as_const(*waybills))
        if (!m_services->recent(waybill.first))
            rest.push_back(waybill);
    *waybills = rest;
    return recent;
}

void QueryController::startTracedDetailedPass(const QVector<QPair<QString, QString>> &waybills)
{
    QVector<ConciseJob> jobs;
    for (const auto &[number, carrier] : waybills)
        jobs.push_back({number, carrier, QString(), phoneFor(number, carrier)});
    m_traced->setServices(m_services->chain());
    m_traced->start(jobs);
}

// A service's trace, newest first, under the waybill's line, as a page's
// record is shown; the newest line marks the waybill.
void QueryController::appendTrace(const ConciseRow &row)
{
    if (!m_detailCurrent)
        m_parts.results.appendDetail(WaybillLine(row.number, row.carrier));
    if (row.failed) {
        m_parts.results.appendDetail(row.state + QStringLiteral("\r\n"));
        return;
    }
    QStringList lines;
    for (const TraceEvent &event : row.trace)
        lines << QStringList{event.time, event.place, event.text}.join(QLatin1Char(' ')).simplified();
    if (lines.isEmpty())
        lines << row.state;
    m_parts.results.appendDetail(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

void QueryController::showTrace(const ConciseRow &row)
{
    m_services->remember(row);
    appendTrace(row);
    if (row.failed)
        return;
    if (!markSignedFor({row.number, m_env.clock.now(), StateSource::detailed(::Services::key(row.service)), row.state,
                        row.signedFor, row.status},
                       m_detailedSaves))
        m_parts.results.appendDetail(PassMarks::rowNote() + QStringLiteral("\r\n"));
}
