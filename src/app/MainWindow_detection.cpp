// Carrier detection on the main window: the line under 单号 that names the
// likely carriers, and the automatic choice when one is sure.
#include "app/MainWindow.h"

#include "core/BackgroundTask.h"
#include "app/HistoryPane.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "store/HistoryLoader.h"
#include "store/HistoryModel.h"
#include "store/Waybill.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {
CarrierDetection::RegisterIndex indexOf(const QVector<HistoryModel::Row> &rows)
{
    QVector<CarrierDetection::RegisterIndex::Entry> entries;
    entries.reserve(rows.size());
    for (const HistoryModel::Row &row : rows) {
        if (const auto entry = CarrierDetection::RegisterIndex::entryFor(row.number, row.carrier))
            entries.push_back(*entry);
    }
    return CarrierDetection::RegisterIndex::build(std::move(entries));
}

} // namespace

void MainWindow::buildDetection()
{
    m_registerTask = new BackgroundTask(this);
    // Read again with every history load, archived waybills included: the
    // list may leave them out, but their numbers still tell carriers apart.
    connect(m_historyPane, &HistoryPane::loaded, this, &MainWindow::rebuildRegisterIndex);
    connect(m_inputPane, &InputPane::hintLinkActivated, this, &MainWindow::detectionLink);
    // Enter takes the first carrier offered.
    connect(m_inputPane, &InputPane::numberEntered, this, [this] {
        if (m_typedCarrier.offersAny() && !m_choice->hasCarrier())
            detectionLink(QStringLiteral("0"));
    });
}

void MainWindow::userChoseCarrier()
{
    m_typedCarrier.userChose();
    m_inputPane->hideHint();
}

void MainWindow::updateDetection()
{
    // A label or dashes pasted with the number leave the box: it holds the
    // number as it is stored. Through insert(), so Ctrl+Z brings them back;
    // the change comes back here.
    static bool rewriting = false;
    if (!rewriting) {
        const QString number = TypedCarrierChoice::rewriteOf(m_inputPane->number());
        if (!number.isEmpty()) {
            const QScopedValueRollback<bool> once(rewriting, true);
            m_inputPane->replaceNumber(number);
            return;
        }
    }
    const TypedCarrierChoice::Step step = m_typedCarrier.typed(m_inputPane->number(), m_choice->carrierName(), &m_register);
    if (step.forget)
        forgetAutoChosenCarrier();
    if (step.choose)
        chooseDetected(*step.choose);
    if (step.hint.isEmpty())
        m_inputPane->hideHint();
    else
        m_inputPane->showHint(step.hint, m_typedCarrier.autoChosen());
}

// The carrier controls after an automatic choice is undone.
void MainWindow::forgetAutoChosenCarrier()
{
    turnCarrierButtonsOff();
    clearOtherCarrierList();
    m_choice->clearCarrier();
    m_infoPane->setHotline(QString());
}

void MainWindow::chooseDetected(const Carrier &carrier)
{
    if (carrier.isButton()) {
        setCarrierButtonOn(carrier.controlIndex);
        clearOtherCarrierList();
    } else if (carrier.isListEntry()) {
        turnCarrierButtonsOff();
        selectListEntry(carrier.controlIndex);
    } else {
        // A carrier without a page can still be queried by the concise query.
        turnCarrierButtonsOff();
        clearOtherCarrierList();
        showCarrier(carrier);
    }
}

void MainWindow::detectionLink(const QString &link)
{
    if (link == QLatin1String("undo")) {
        m_typedCarrier.undo(m_inputPane->number());
        forgetAutoChosenCarrier();
        updateDetection();
        return;
    }
    bool ok = false;
    const Carrier *carrier = m_typedCarrier.offered(link.toInt(&ok));
    if (!ok || !carrier)
        return;
    chooseDetected(*carrier);
    userChoseCarrier();
}

void MainWindow::showBatchCarriers()
{
    m_inputPane->showBatchCarriers();
}

void MainWindow::setBatchLineCarrier(int line, const QString &carrier)
{
    m_inputPane->setBatchLineCarrier(line, carrier);
}

// Off the window's thread; also after a change in the management window,
// which leaves the history list as it is until the user refreshes it.
void MainWindow::rebuildRegisterIndex()
{
    using Index = std::optional<CarrierDetection::RegisterIndex>;
    m_registerTask->run<Index>(
        [path = m_store.location()](const BackgroundTask::KeepGoing &) -> Index {
            Outcome read;
            HistoryLoader::Filter everything;
            everything.showArchived = true;
            const QVector<HistoryModel::Row> rows = HistoryLoader::read(path, &read, everything);
            return read ? Index(indexOf(rows)) : std::nullopt; // a failed read keeps what is known
        },
        [this](Index index) {
            if (index)
                m_register = std::move(*index);
        });
}
