// The concise and the detailed pass of the main window, the waybills they
// take, what their answers do to the register, and the form's save.
#include "app/QueryController.h"

#include "app/CarrierSelection.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "app/KnownNumbers.h"
#include "app/QueryControls.h"
#include "app/ResultsPane.h"
#include "carriers/WaybillChoice.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "query/BackgroundRefresh.h"
#include "query/Browser.h"
#include "query/ConciseQueryRunner.h"
#include "query/DetailedQuery.h"
#include "query/HarvestRules.h"
#include "query/ResultFiles.h"
#include "query/TrackingServices.h"
#include "services/WaybillStatus.h"
#include "settings/WatchSettings.h"
#include "store/BatchScratch.h"
#include "store/StateHistory.h"
#include "store/Waybills.h"

#include <QSet>

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

QString endText(bool stopped, const QString &query)
{
    return query + (stopped ? QStringLiteral("已停止") : QStringLiteral("完成"));
}
} // namespace

QueryController::QueryController(Context context, Parts parts, QObject *parent)
    : QObject(parent), m_env(std::move(context)), m_parts(parts)
{
    connect(&m_parts.controls, &QueryControls::conciseClicked, this, &QueryController::runConcise);
    connect(&m_parts.controls, &QueryControls::detailedClicked, this, &QueryController::runDetailed);
    connect(&m_parts.controls, &QueryControls::stopClicked, this, &QueryController::stop);
    connect(&m_parts.results, &ResultsPane::saveConciseClicked, this, &QueryController::saveConciseResults);
    connect(&m_parts.results, &ResultsPane::saveDetailedClicked, this, &QueryController::saveDetailedResults);
    connect(&m_parts.results, &ResultsPane::clearClicked, this, &QueryController::clearResults);
    connect(&m_parts.input, &InputPane::saveClicked, this, &QueryController::saveForm);
    buildDetailed();
    buildRefresh();
    buildConcise();
    buildServices();
}

void QueryController::buildConcise()
{
    m_concise = new ConciseQueryRunner(this);
    m_traced = new ConciseQueryRunner(this);
    connect(m_concise, &ConciseQueryRunner::rowReady, this, [this](const ConciseRow &row) {
        m_services->remember(row);
        showConciseRow(row, m_conciseMarks);
    });
    connect(m_concise, &ConciseQueryRunner::progress, this, &QueryController::showProgress);
    connect(m_concise, &ConciseQueryRunner::finished, this, [this](bool stopped) {
        m_parts.controls.setConciseEnabled(true);
        m_parts.controls.setStopEnabled(isDetailedRunning());
        showStatus(m_conciseSaves.endOfPass(endText(stopped, QStringLiteral("简洁查询"))));
        passEnded();
    });
}

void QueryController::buildRefresh()
{
    m_refresh = new BackgroundRefresh(
        m_env.dataFolder, m_env.clock, [this] { return isConciseRunning() || isDetailedRunning(); }, this);
    connect(m_refresh, &BackgroundRefresh::checked, this, &QueryController::noteCheck);
    connect(m_refresh, &BackgroundRefresh::flagged, this, [this](const QVector<FlaggedWaybill> &fresh) {
        if (const std::optional<Notices::Notice> notice = m_notices.flagsCameOn(fresh))
            Q_EMIT noticeReady(*notice);
    });
    connect(m_refresh, &BackgroundRefresh::status, this, &QueryController::showStatus);
    connect(m_refresh, &BackgroundRefresh::tickDone, this, &QueryController::passEnded);
}

void QueryController::start()
{
    m_services->reload();
    m_refresh->start();
}

void QueryController::showProgress(int done, int total)
{
    showStatus(QStringLiteral("正在查询 %1/%2").arg(done).arg(total));
}

bool QueryController::isConciseRunning() const
{
    return m_concise->isRunning();
}

bool QueryController::isDetailedRunning() const
{
    return m_detailed->isRunning() || m_traced->isRunning();
}

void QueryController::stop()
{
    m_concise->stop();
    m_detailed->stop();
    m_traced->stop();
    m_parts.controls.setStopEnabled(false);
}

void QueryController::followDataSource(DataSource source)
{
    m_parts.controls.setConciseEnabled(source == DataSource::Default);
    m_parts.controls.setConciseTip(source == DataSource::Default ? QStringLiteral("仅查询最后一条记录")
                                                                 : QStringLiteral("简洁查询只能在默认来源下使用"));
}

// --- what the answers do -------------------------------------------------------

// What a pass or a refresh tick learned is told once it has ended: the
// signings together, then the history list with their new status.
void QueryController::passEnded()
{
    if (const std::optional<Notices::Notice> notice =
            m_notices.takeSignings(WatchSettings::signingNotice(m_env.dataFolder)))
        Q_EMIT noticeReady(*notice);
    if (m_markedSinceLoad) {
        m_markedSinceLoad = false;
        Q_EMIT historyStale();
    }
}

void QueryController::noteCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier)
{
    if (effect.newlySigned)
        m_markedSinceLoad = true; // the history list shows the new status after the pass
    const QString line = m_notices.noteCheck(check, effect, carrier);
    if (!line.isEmpty())
        showStatus(line);
}

// The signed-for mark and the waybill's history are written together.
bool QueryController::markSignedFor(const StateCheck &check, PassMarks &marks)
{
    const std::optional<CheckEffect> recorded = marks.record(m_env.store, check);
    if (!recorded)
        return false;
    m_refresh->schedule().noteChecked(check.number, check.at.toUTC());
    if (recorded->newlySigned) {
        const std::optional<Waybill> stored = Waybills(m_env.store).find(check.number);
        noteCheck(check, *recorded, stored ? stored->carrier : QString());
    }
    return true;
}

QString QueryController::refreshNote(const QString &number) const
{
    const QString why = m_refresh->schedule().stoppedWhy(number, m_env.clock.now().toUTC());
    return WaybillStatus::isFinal(why) ? QString() : why;
}

void QueryController::restartRefresh(const QString &number)
{
    if (number.isEmpty())
        return;
    const QDateTime now = m_env.clock.now().toUTC();
    const QString why = m_refresh->schedule().stoppedWhy(number, now);
    if (why.isEmpty() || WaybillStatus::isFinal(why))
        return;
    m_refresh->schedule().restart(number, now);
    showStatus(QStringLiteral("%1 重新开始自动刷新").arg(number));
}

// --- the form ----------------------------------------------------------------

Waybill QueryController::currentWaybill() const
{
    Waybill w = m_parts.info.waybill();
    w.number = m_parts.choice.number();
    w.carrier = m_parts.choice.carrierName();
    return w;
}

void QueryController::saveForm()
{
    QWidget *window = &m_parts.window;
    const QString &title = Program::kTitle;
    if (m_parts.input.number().isEmpty()) {
        m_env.dialogs.information(window, title, QStringLiteral("快递单号不能为空！"));
    } else if (!m_parts.choice.hasCarrier()) {
        m_env.dialogs.information(window, title, QStringLiteral("呵呵，忘记选择快递公司啦！"));
    } else {
        Outcome checked;
        // The number that would be stored is the choice's, which a history pick may have set.
        if (Waybills(m_env.store).numberExists(m_parts.choice.number(), &checked)) {
            m_env.dialogs.information(window, title, QStringLiteral("快递单号已存在！"));
        } else if (!checked) {
            m_env.dialogs.information(window, title, checked.error);
        } else if (Outcome saved = Waybills(m_env.store).insertFromInputForm(currentWaybill()); !saved) {
            m_env.dialogs.information(window, title, saved.error);
        } else {
            keepLastAnswer(m_parts.choice.number());
        }
    }
    Q_EMIT formSaved();
}

// A number queried before it was saved keeps what its query said.
void QueryController::keepLastAnswer(const QString &number)
{
    const std::optional<StateCheck> answer = m_lastAnswers.take(number);
    if (!answer)
        return;
    PassMarks marks;
    if (!markSignedFor(*answer, marks))
        m_env.dialogs.information(&m_parts.window, Program::kTitle,
                                  marks.endOfPass(QStringLiteral("查询结果未能保存")));
}

// --- which waybills ------------------------------------------------------------

// Each typed batch works on exactly the numbers typed: the scratch table is
// emptied first, blank lines are skipped and each number is queried once.
// Each line runs with its own carrier: the one written on it, the one the
// user chose on the window, the one its number surely has, or else the
// window's carrier. Lines left without one are listed, never guessed.
bool QueryController::prepareBatch(QVector<QPair<QString, QString>> *rows)
{
    QWidget *window = &m_parts.window;
    // The window's carrier runs the lines only when the user chose it; a
    // start-up default or an automatic choice never decides for a whole batch.
    const Carrier *chosen = m_parts.selection.carrierChosenByUser() ? m_parts.choice.carrier() : nullptr;
    const QueryPass::BatchRun run = QueryPass::readBatch(m_parts.input.batchText(), m_parts.known.index(), chosen);
    QVector<QPair<QString, QString>> wanted = run.ownCarriers;
    if (wanted.isEmpty() && run.unresolved.isEmpty() && !m_parts.choice.hasCarrier()) {
        m_env.dialogs.information(window, Program::kTitle, QStringLiteral("未选定快递公司哦 ^_^"));
        return false;
    }
    // A line never runs silently under a carrier other than the one it shows.
    if (chosen && !run.differing.isEmpty() &&
        !m_env.dialogs.askYesNo(window, Program::kTitle, QueryPass::differingQuestion(run, *chosen)))
        wanted = run.chosenCarrier;
    if (!run.unresolved.isEmpty()) {
        const QString listed = QueryPass::unresolvedText(run);
        if (wanted.isEmpty()) {
            m_env.dialogs.information(window, Program::kTitle, listed);
            return false;
        }
        if (!m_env.dialogs.askYesNo(window, Program::kTitle,
                                    listed + QStringLiteral("\n\n先查询其余 %1 个单号吗？").arg(wanted.size())))
            return false;
    }
    BatchScratch scratch(m_env.store);
    Outcome outcome = scratch.clearTemp();
    QStringList refused;
    QSet<QString> seen;
    for (const auto &[number, carrier] : wanted) {
        if (!outcome || seen.contains(number))
            continue;
        seen.insert(number);
        if (Outcome inserted = scratch.insertTemp(number, carrier); !inserted)
            refused << number.left(30) + QStringLiteral("：") + inserted.error;
    }
    if (outcome)
        *rows = scratch.tempRows(&outcome);
    if (!outcome) {
        m_env.dialogs.information(window, Program::kTitle, outcome.error);
        return false;
    }
    if (!refused.isEmpty())
        m_env.dialogs.information(window, Program::kTitle,
                                  QStringLiteral("以下单号未能加入查询：\n") +
                                      refused.mid(0, 5).join(QLatin1Char('\n')));
    return true;
}

// The register's telephone, for the carriers whose service asks for its digits;
// only its last four digits ever leave the PC.
QString QueryController::phoneFor(const QString &number, const QString &carrier) const
{
    const Carrier *known = FindCarrierByName(carrier);
    // Every service asks for digits of these carriers only, where it asks at all.
    if (!known || !known->needsPhoneDigits)
        return QString();
    // The telephone typed in the form counts for the number it was typed with.
    if (number == m_parts.choice.number() && !m_parts.info.waybill().phone.isEmpty())
        return m_parts.info.waybill().phone;
    const std::optional<Waybill> stored = Waybills(m_env.store).find(number);
    return stored ? stored->phone : QString();
}

// --- concise query ---------------------------------------------------------------

void QueryController::showConciseRow(const ConciseRow &row, bool mark)
{
    const int shown = m_parts.results.addConciseRow(row.number, row.carrier, row.state);
    // A failed request learned nothing, and a typed batch is not the register's.
    if (row.failed || row.state.isEmpty() || row.state == ConciseQueryRunner::unsupportedCarrierState())
        return;
    const StateCheck check{row.number, m_env.clock.now(), StateSource::kConcise, row.state, row.signedFor, row.status};
    m_lastAnswers.remember(check);
    if (mark && !markSignedFor(check, m_conciseSaves))
        m_parts.results.setConciseState(shown, row.state + PassMarks::rowNote());
}

void QueryController::startConcisePass(const QVector<QPair<QString, QString>> &waybills, bool batch, bool mark)
{
    if (!readyForAccountPass())
        return;
    QVector<QPair<QString, QString>> asked = waybills;
    for (const ConciseRow &row : takeRecentAnswers(&asked))
        showConciseRow(row, false);
    QVector<ConciseJob> jobs;
    jobs.reserve(asked.size());
    for (const auto &[number, carrier] : std::as_const(asked))
        jobs.push_back({number, carrier, apiCodeFor(carrier, batch), phoneFor(number, carrier)});
    m_concise->setServices(m_services->chain());
    // A pass that stalls says so, not what the previous one ended with.
    showProgress(0, int(jobs.size()));
    m_conciseMarks = mark;
    m_conciseSaves.startPass();
    m_lastAnswers.clear();
    m_refresh->yieldToUser();
    m_parts.controls.setConciseEnabled(false);
    m_parts.controls.setStopEnabled(true);
    m_concise->start(jobs);
}

void QueryController::runConcise()
{
    QWidget *window = &m_parts.window;
    const QueryControls::Scope scope = m_parts.controls.scope();
    if (scope == QueryControls::Scope::None) {
        m_env.dialogs.information(window, Program::kTitle,
                                  QStringLiteral("请先选择查询的内容方式！！！/n简洁查询暂不支持批量快递单~~~"));
        return;
    }
    if (m_concise->isRunning())
        return;
    // The browser and the register's marks belong to the detailed pass while it runs.
    if (isDetailedRunning()) {
        m_env.dialogs.information(window, Program::kTitle,
                                  QStringLiteral("详细查询正在进行，请等它结束或先停止查询。"));
        return;
    }
    if (scope == QueryControls::Scope::Batch) {
        QVector<QPair<QString, QString>> rows;
        if (!prepareBatch(&rows))
            return;
        m_parts.results.startConcise();
        startConcisePass(rows, true, false);
        return;
    }
    if (scope == QueryControls::Scope::Current && m_parts.choice.hasNumber() && !m_parts.choice.hasCarrier()) {
        m_env.dialogs.information(window, Program::kTitle, QStringLiteral("未选定快递公司哦 ^_^"));
        return;
    }
    if (scope == QueryControls::Scope::Current && m_parts.input.autoSave() && !m_parts.input.number().isEmpty())
        saveForm();
    m_parts.results.startConcise();
    if (scope == QueryControls::Scope::Stored) {
        Outcome outcome;
        const QVector<Waybill> stored = Waybills(m_env.store).allWaybills(&outcome);
        if (!outcome)
            m_env.dialogs.information(window, Program::kTitle, outcome.error);
        QVector<QPair<QString, QString>> rows;
        for (const Waybill &w : stored)
            rows.push_back({w.number, w.carrier});
        startConcisePass(rows, false, true);
    } else {
        startConcisePass({{m_parts.choice.number(), m_parts.choice.carrierName()}}, false, true);
    }
}

// --- detailed query --------------------------------------------------------------

void QueryController::buildDetailed()
{
    m_detailed = new DetailedQuery(m_env.browser, this);
    connect(m_detailed, &DetailedQuery::stepStarted, this, [this](int index, const DetailedJob &job) {
        if (!m_detailCurrent)
            m_parts.results.appendDetail(WaybillLine(job.number, job.carrier));
        showProgress(index + 1, m_detailed->total());
    });
    connect(m_detailed, &DetailedQuery::harvested, this,
            [this](int, const DetailedJob &job, const QStringList &lines, bool signedFor) {
                m_parts.results.appendDetail(HarvestedText(lines));
                if (m_detailCurrent && FoundNothing(m_parts.results.detailText(), job.number, job.carrier)) {
                    m_env.dialogs.information(
                        &m_parts.window, QStringLiteral("sorry"),
                        QStringLiteral("查询未果!\r\n1.可能是系统繁忙，请稍后再试或者将延迟时间设置的大点！\r\n"
                                       "2.可能是单号错误或者无此单号，请认真核对！"));
                }
                // Only what this waybill's own page said can mark it.
                const QString state = LatestHarvestedState(lines);
                if (!signedFor && state.isEmpty())
                    return;
                const StateCheck check{job.number,
                                       m_env.clock.now(),
                                       StateSource::detailed(DataSources::configValue(m_parts.selection.dataSource())),
                                       state,
                                       signedFor,
                                       WaybillStatus::of(state)};
                m_lastAnswers.remember(check);
                if (!markSignedFor(check, m_detailedSaves))
                    m_parts.results.appendDetail(PassMarks::rowNote() + QStringLiteral("\r\n"));
            });
    connect(m_detailed, &DetailedQuery::stepFailed, this, [this](int, const DetailedJob &, const QString &reason) {
        m_parts.results.appendDetail(reason + QStringLiteral("\r\n"));
    });
    connect(m_detailed, &DetailedQuery::finished, this, &QueryController::detailedPassEnded);
}

// A page pass and an account service's traced pass end alike.
void QueryController::detailedPassEnded(bool stopped)
{
    m_parts.controls.setDetailedEnabled(true);
    m_parts.controls.setStopEnabled(isConciseRunning());
    showStatus(m_detailedSaves.endOfPass(endText(stopped, QStringLiteral("详细查询"))));
    passEnded();
}

void QueryController::stopDetailedPass(const QString &why)
{
    if (!m_detailed->isRunning())
        return;
    m_detailed->stop();
    showStatus(why);
}

void QueryController::runDetailed()
{
    QWidget *window = &m_parts.window;
    const QueryControls::Scope scope = m_parts.controls.scope();
    if (scope == QueryControls::Scope::None) {
        m_env.dialogs.information(window, Program::kTitle, QStringLiteral("请先选择查询的内容方式！！！"));
        return;
    }
    // One pass at a time: its button comes back only when the pass has ended.
    if (isDetailedRunning())
        return;
    m_parts.results.startDetailed();

    QVector<DetailedJob> jobs;
    if (scope == QueryControls::Scope::Current) {
        if (m_parts.input.autoSave() && !m_parts.input.number().isEmpty())
            saveForm();
        if (!m_parts.choice.hasNumber() || !m_parts.choice.hasCarrier()) {
            m_env.dialogs.information(window, Program::kTitle,
                                      !m_parts.choice.hasNumber() ? QStringLiteral("未选定快递单哦 ^_^")
                                                                  : QStringLiteral("未选定快递公司哦 ^_^"));
            return;
        }
        jobs.push_back({m_parts.choice.number(), m_parts.choice.carrierName()});
    } else if (scope == QueryControls::Scope::Stored) {
        Outcome outcome;
        const QVector<Waybill> stored = Waybills(m_env.store).allWaybills(&outcome);
        if (!outcome) {
            m_env.dialogs.information(window, Program::kTitle, outcome.error);
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
    m_parts.results.chooseDetailedTab();
    m_detailCurrent = scope == QueryControls::Scope::Current;
    m_parts.results.setDetail(m_detailCurrent ? DetailHeader(jobs.first().number, jobs.first().carrier) : QString());
    m_parts.controls.setStopEnabled(true);
    m_refresh->yieldToUser();
    m_detailedSaves.startPass();
    m_lastAnswers.clear();
    // Before start(): a pass with nothing to run ends inside it.
    m_parts.controls.setDetailedEnabled(false);
    if (m_services->usesAccount()) {
        QVector<QPair<QString, QString>> waybills;
        for (const DetailedJob &job : std::as_const(jobs))
            waybills.push_back({job.number, job.carrier});
        for (const ConciseRow &row : takeRecentAnswers(&waybills))
            appendTrace(row);
        if (waybills.isEmpty()) {
            m_parts.controls.setDetailedEnabled(true);
            m_parts.controls.setStopEnabled(isConciseRunning());
            showStatus(QStringLiteral("详细查询完成"));
            return;
        }
        startTracedDetailedPass(waybills);
        return;
    }
    m_detailed->start(jobs, m_parts.selection.dataSource(), m_parts.pageReadTimer.interval());
}

// --- the results ---------------------------------------------------------------

void QueryController::saveConciseResults()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("另存为");
    request.filters = QStringList{QStringLiteral("TXT格式文件(*.txt)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = true;
    const QString path = m_env.dialogs.saveFile(&m_parts.window, request);
    if (path.isEmpty())
        return;
    if (Outcome saved = SaveConciseResults(path, m_parts.results.conciseRows()); !saved)
        m_env.dialogs.information(&m_parts.window, Program::kTitle, saved.error);
}

void QueryController::saveDetailedResults()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("保存为");
    request.folder = m_env.dataFolder;
    request.fileName = m_lastDetailFile;
    request.filters = QStringList{QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件(*.*)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = false;
    const QString path = m_env.dialogs.saveFile(&m_parts.window, request);
    if (path.isEmpty())
        return;
    m_lastDetailFile = path;
    if (Outcome saved = SaveDetailedResults(path, m_parts.results.detailText()); !saved)
        m_env.dialogs.information(&m_parts.window, Program::kTitle, saved.error);
}

void QueryController::clearResults()
{
    m_parts.results.setDetail(QString());
    m_parts.results.clearConcise(isConciseRunning());
}
