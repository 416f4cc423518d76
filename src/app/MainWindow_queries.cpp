// The concise and the detailed query of the main window.
#include "app/MainWindow.h"
#include "app/QueryControls.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "app/ResultsPane.h"
#include "carriers/CarrierCatalogue.h"
#include "core/ProgramName.h"

#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "query/Browser.h"
#include "services/ConciseQuery.h"
#include "query/ConciseQueryRunner.h"
#include "query/DetailedQuery.h"
#include "query/TrackingServices.h"
#include "query/BackgroundRefresh.h"
#include "query/HarvestRules.h"
#include "query/QueryPass.h"
#include "services/WaybillStatus.h"
#include "core/Clock.h"
#include "store/StateHistory.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// The API code the concise query may use for a carrier: the main window's 25
// carriers always, the two extra names only for typed batches.
QString apiCodeFor(const QString &carrierName, bool batch)
{
    const Carrier *carrier = FindCarrierByName(carrierName);
    if (!carrier || (!batch && !carrier->isButton() && !carrier->isListEntry()))
        return QString();
    return carrier->apiCode;
}
} // namespace

void MainWindow::buildQueryMachinery()
{
    connect(m_queryControls, &QueryControls::conciseClicked, this, &MainWindow::runConciseQuery);
    connect(m_queryControls, &QueryControls::detailedClicked, this, &MainWindow::runDetailedQuery);
    connect(m_queryControls, &QueryControls::stopClicked, this, &MainWindow::stopQueries);
    buildDetailedQuery();
    buildBackgroundRefresh();

    m_concise = new ConciseQueryRunner(this);
    connect(m_concise, &ConciseQueryRunner::rowReady, this, [this](const ConciseRow &row) {
        m_services->remember(row);
        showConciseRow(row, m_conciseMarks);
    });
    connect(m_concise, &ConciseQueryRunner::progress, this, &MainWindow::showQueryProgress);
    m_traced = new ConciseQueryRunner(this);
    buildTrackingServices();
    connect(m_concise, &ConciseQueryRunner::finished, this, [this](bool stopped) {
        m_queryControls->setConciseEnabled(true);
        m_queryControls->setStopEnabled(isDetailedPassRunning());
        showQueryStatus(
            m_conciseSaves.endOfPass(stopped ? QStringLiteral("简洁查询已停止") : QStringLiteral("简洁查询完成")));
        passEnded();
    });
}

void MainWindow::showConciseRow(const ConciseRow &row, bool mark)
{
    const int shown = m_results->addConciseRow(row.number, row.carrier, row.state);
    if (!row.failed && !row.state.isEmpty() && row.state != ConciseQueryRunner::unsupportedCarrierState())
        m_lastAnswers.remember({row.number, m_clock.now(), StateSource::kConcise, row.state, row.signedFor, row.status});
    // A failed request learned nothing, and a typed batch is not the register's.
    if (mark && !row.failed && !row.state.isEmpty() && row.state != ConciseQueryRunner::unsupportedCarrierState() &&
        !markSignedFor({row.number, m_clock.now(), StateSource::kConcise, row.state, row.signedFor, row.status},
                       m_conciseSaves))
        m_results->setConciseState(shown, row.state + PassMarks::rowNote());
}

bool MainWindow::isConciseQueryRunning() const
{
    return m_concise->isRunning();
}

void MainWindow::showQueryProgress(int done, int total)
{
    showQueryStatus(QStringLiteral("正在查询 %1/%2").arg(done).arg(total));
}

// Progress has a panel of its own, so the current waybill stays in view.
void MainWindow::showQueryStatus(const QString &text)
{
    queryProgressLabel->setText(text);
    queryProgressLabel->setVisible(!text.isEmpty());
}

// The signed-for mark and the waybill's history are written together.
bool MainWindow::markSignedFor(const StateCheck &check, PassMarks &marks)
{
    const std::optional<CheckEffect> recorded = marks.record(m_store, check);
    if (!recorded)
        return false;
    const CheckEffect effect = *recorded;
    m_refresh->schedule().noteChecked(check.number, check.at.toUTC());
    if (effect.newlySigned) {
        m_markedSinceLoad = true;
        const std::optional<Waybill> stored = m_store.find(check.number);
        announceCheck(check, effect, stored ? stored->carrier : QString());
    }
    return true;
}

void MainWindow::stopQueries()
{
    m_concise->stop();
    m_detailed->stop();
    m_traced->stop();
    m_queryControls->setStopEnabled(false);
}

// Each typed batch works on exactly the numbers typed: the scratch table is
// emptied first, blank lines are skipped and each number is queried once.
// Each line runs with its own carrier: the one written on it, the one the
// user chose on the window, the one its number surely has, or else the
// window's carrier. Lines left without one are listed, never guessed.
bool MainWindow::prepareBatch(QVector<QPair<QString, QString>> *rows)
{
    // The window's carrier runs the lines only when the user chose it; a
    // start-up default or an automatic choice never decides for a whole batch.
    const Carrier *chosen = m_typedCarrier.chosenByUser() ? m_choice->carrier() : nullptr;
    const QueryPass::BatchRun run = QueryPass::readBatch(m_inputPane->batchText(), m_register, chosen);
    QVector<QPair<QString, QString>> wanted = run.ownCarriers;
    if (wanted.isEmpty() && run.unresolved.isEmpty() && !m_choice->hasCarrier()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("未选定快递公司哦 ^_^"));
        return false;
    }
    // A line never runs silently under a carrier other than the one it shows.
    if (chosen && !run.differing.isEmpty() &&
        !m_dialogs.askYesNo(this, Program::kTitle, QueryPass::differingQuestion(run, *chosen)))
        wanted = run.chosenCarrier;
    if (!run.unresolved.isEmpty()) {
        const QString listed = QueryPass::unresolvedText(run);
        if (wanted.isEmpty()) {
            m_dialogs.information(this, Program::kTitle, listed);
            return false;
        }
        if (!m_dialogs.askYesNo(this, Program::kTitle, listed + QStringLiteral("\n\n先查询其余 %1 个单号吗？").arg(wanted.size())))
            return false;
    }
    Outcome outcome = m_store.clearTemp();
    QStringList refused;
    QSet<QString> seen;
    for (const auto &[number, carrier] : wanted) {
        if (!outcome || seen.contains(number))
            continue;
        seen.insert(number);
        if (Outcome inserted = m_store.insertTemp(number, carrier); !inserted)
            refused << number.left(30) + QStringLiteral("：") + inserted.error;
    }
    if (outcome)
        *rows = m_store.tempRows(&outcome);
    if (!outcome) {
        m_dialogs.information(this, Program::kTitle, outcome.error);
        return false;
    }
    if (!refused.isEmpty())
        m_dialogs.information(this, Program::kTitle,
                              QStringLiteral("以下单号未能加入查询：\n") + refused.mid(0, 5).join(QLatin1Char('\n')));
    return true;
}

// --- concise query ---------------------------------------------------------

void MainWindow::prepareConciseList()
{
    m_results->startConcise();
}

void MainWindow::startConcisePass(const QVector<QPair<QString, QString>> &waybills, bool batch, bool mark)
{
    if (!readyForAccountPass())
        return;
    QVector<QPair<QString, QString>> asked = waybills;
    for (const ConciseRow &row : takeRecentAnswers(&asked))
        showConciseRow(row, false);
    QVector<ConciseJob> jobs;
    jobs.reserve(asked.size());
    for (const auto &[number, carrier] : std::as_const(asked))
        jobs.push_back({number, carrier, apiCodeFor(carrier, batch), storedPhone(number, carrier)});
    m_concise->setServices(m_services->chain());
    // A pass that stalls says so, not what the previous one ended with.
    showQueryProgress(0, int(jobs.size()));
    m_conciseMarks = mark;
    m_conciseSaves.startPass();
    m_lastAnswers.clear();
    m_refresh->yieldToUser();
    m_queryControls->setConciseEnabled(false);
    m_queryControls->setStopEnabled(true);
    m_concise->start(jobs);
}

// The register's telephone, for the carriers whose service asks for its digits;
// only its last four digits ever leave the PC.
QString MainWindow::storedPhone(const QString &number, const QString &carrier)
{
    const Carrier *known = FindCarrierByName(carrier);
    if (!known)
        return QString();
    // Every service asks for digits of these carriers only, where it asks at all.
    if (!known->needsPhoneDigits)
        return QString();
    // The telephone typed in the form counts for the number it was typed with.
    if (number == m_choice->number() && !m_infoPane->waybill().phone.isEmpty())
        return m_infoPane->waybill().phone;
    const std::optional<Waybill> stored = m_store.find(number);
    return stored ? stored->phone : QString();
}

void MainWindow::runConciseQuery()
{
    if (m_queryControls->scope() == QueryControls::Scope::None) {
        m_dialogs.information(this, Program::kTitle,
                              QStringLiteral("请先选择查询的内容方式！！！/n简洁查询暂不支持批量快递单~~~"));
        return;
    }
    if (m_concise->isRunning())
        return;
    // The browser and the register's marks belong to the detailed pass while it runs.
    if (isDetailedPassRunning()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("详细查询正在进行，请等它结束或先停止查询。"));
        return;
    }
    if (m_queryControls->scope() == QueryControls::Scope::Batch) {
        QVector<QPair<QString, QString>> rows;
        if (!prepareBatch(&rows))
            return;
        prepareConciseList();
        startConcisePass(rows, true, false);
        return;
    }
    if (m_queryControls->scope() == QueryControls::Scope::Current && m_choice->hasNumber() && !m_choice->hasCarrier()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("未选定快递公司哦 ^_^"));
        return;
    }
    if (m_queryControls->scope() == QueryControls::Scope::Current && m_inputPane->autoSave() && !m_inputPane->number().isEmpty())
        saveInput();
    prepareConciseList();
    if (m_queryControls->scope() == QueryControls::Scope::Stored) {
        Outcome outcome;
        const QVector<Waybill> stored = m_store.allWaybills(&outcome);
        if (!outcome)
            m_dialogs.information(this, Program::kTitle, outcome.error);
        QVector<QPair<QString, QString>> rows;
        for (const Waybill &w : stored)
            rows.push_back({w.number, w.carrier});
        startConcisePass(rows, false, true);
    } else {
        startConcisePass({{m_choice->number(), m_choice->carrierName()}}, false, true);
    }
}

// --- detailed query --------------------------------------------------------


void MainWindow::buildDetailedQuery()
{
    m_detailed = new DetailedQuery(*m_browser, this);
    connect(m_detailed, &DetailedQuery::stepStarted, this, [this](int index, const DetailedJob &job) {
        if (!m_detailCurrent)
            m_results->appendDetail(WaybillLine(job.number, job.carrier));
        showQueryProgress(index + 1, m_detailed->total());
    });
    connect(m_detailed, &DetailedQuery::harvested, this,
            [this](int, const DetailedJob &job, const QStringList &lines, bool signedFor) {
                m_results->appendDetail(HarvestedText(lines));
                if (m_detailCurrent && FoundNothing(m_results->detailText(), job.number, job.carrier)) {
                    m_dialogs.information(
                        this, QStringLiteral("sorry"),
                        QStringLiteral("查询未果!\r\n1.可能是系统繁忙，请稍后再试或者将延迟时间设置的大点！\r\n"
                                       "2.可能是单号错误或者无此单号，请认真核对！"));
                }
                // Only what this waybill's own page said can mark it.
                const QString state = LatestHarvestedState(lines);
                const StateCheck check{job.number, m_clock.now(),
                                       StateSource::detailed(DataSources::configValue(currentDataSource())), state,
                                       signedFor, WaybillStatus::of(state)};
                if (signedFor || !state.isEmpty())
                    m_lastAnswers.remember(check);
                if ((signedFor || !state.isEmpty()) && !markSignedFor(check, m_detailedSaves))
                    m_results->appendDetail(PassMarks::rowNote() + QStringLiteral("\r\n"));
            });
    connect(m_detailed, &DetailedQuery::stepFailed, this,
            [this](int, const DetailedJob &, const QString &reason) { m_results->appendDetail(reason + QStringLiteral("\r\n")); });
    connect(m_detailed, &DetailedQuery::finished, this, [this](bool stopped) {
        m_queryControls->setDetailedEnabled(true);
        m_queryControls->setStopEnabled(isConciseQueryRunning());
        showQueryStatus(
            m_detailedSaves.endOfPass(stopped ? QStringLiteral("详细查询已停止") : QStringLiteral("详细查询完成")));
        passEnded();
    });
}

// The history list shows each waybill's status: a pass that marked some shows them marked.
void MainWindow::refreshHistoryAfterMarks()
{
    if (!m_markedSinceLoad)
        return;
    m_markedSinceLoad = false;
    loadHistory();
}

bool MainWindow::isDetailedPassRunning() const
{
    return m_detailed->isRunning() || m_traced->isRunning();
}

void MainWindow::stopDetailedPass(const QString &why)
{
    if (!m_detailed->isRunning())
        return;
    m_detailed->stop();
    showQueryStatus(why);
}

void MainWindow::runDetailedQuery()
{
    if (m_queryControls->scope() == QueryControls::Scope::None) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先选择查询的内容方式！！！"));
        return;
    }
    // One pass at a time: its button comes back only when the pass has ended.
    if (isDetailedPassRunning())
        return;
    m_results->startDetailed();

    QVector<DetailedJob> jobs;
    if (m_queryControls->scope() == QueryControls::Scope::Current) {
        if (m_inputPane->autoSave() && !m_inputPane->number().isEmpty())
            saveInput();
        if (!m_choice->hasNumber() || !m_choice->hasCarrier()) {
            m_dialogs.information(this, Program::kTitle,
                                  !m_choice->hasNumber() ? QStringLiteral("未选定快递单哦 ^_^")
                                                                     : QStringLiteral("未选定快递公司哦 ^_^"));
            return;
        }
        jobs.push_back({m_choice->number(), m_choice->carrierName()});
    } else if (m_queryControls->scope() == QueryControls::Scope::Stored) {
        Outcome outcome;
        const QVector<Waybill> stored = m_store.allWaybills(&outcome);
        if (!outcome) {
            m_dialogs.information(this, Program::kTitle, outcome.error);
            return;
        }
        for (const Waybill &w : stored)
            jobs.push_back({w.number, w.carrier});
    } else {
        QVector<QPair<QString, QString>> rows;
        if (!prepareBatch(&rows))
            return;
        for (const auto &[number, carrier] : rows)
            jobs.push_back({number, carrier});
    }
    m_results->chooseDetailedTab();
    m_detailCurrent = m_queryControls->scope() == QueryControls::Scope::Current;
    m_results->setDetail(m_detailCurrent ? DetailHeader(jobs.first().number, jobs.first().carrier) : QString());
    m_queryControls->setStopEnabled(true);
    m_refresh->yieldToUser();
    m_detailedSaves.startPass();
    m_lastAnswers.clear();
    // Before start(): a pass with nothing to run ends inside it.
    m_queryControls->setDetailedEnabled(false);
    if (m_services->usesAccount()) {
        QVector<QPair<QString, QString>> waybills;
        for (const DetailedJob &job : std::as_const(jobs))
            waybills.push_back({job.number, job.carrier});
        const QVector<ConciseRow> recent = takeRecentAnswers(&waybills);
        for (const ConciseRow &row : recent)
            appendTrace(row);
        if (waybills.isEmpty()) {
            m_queryControls->setDetailedEnabled(true);
            m_queryControls->setStopEnabled(isConciseQueryRunning());
            showQueryStatus(QStringLiteral("详细查询完成"));
            return;
        }
        startTracedDetailedPass(waybills);
        return;
    }
    m_detailed->start(jobs, currentDataSource(), pageReadTimer->interval());
}
