// What the management window's buttons and menu do to the chosen row and the
// register, and the windows they open beside it.
#include "manage/ManagementWindow.h"

#include "core/BackgroundTask.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "manage/BulkTransferBox.h"
#include "manage/DetailsDialog.h"
#include "manage/FlaggedWindow.h"
#include "manage/ImportWindow.h"
#include "manage/ModifyDialog.h"
#include "manage/QuickAddDialog.h"
#include "manage/RegisterExport.h"
#include "manage/RegisterSearchBar.h"
#include "manage/SelectedWaybillPane.h"
#include "manage/StatisticsWindow.h"
#include "manage/WaybillGridPane.h"
#include "settings/RegisterLocation.h"
#include "store/CheckHistory.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"

namespace {
void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

void ManagementWindow::deleteSelected()
{
    if (!m_store->isOpen())
        return;
    // Taken before asking: rows read meanwhile may replace the grid's contents.
    const std::optional<Waybill> chosen = m_gridPane->currentWaybill();
    if (!chosen) {
        // A refresh leaves no current row; the user may still think one is chosen.
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要删除的快递单。"));
        return;
    }
    const QString number = chosen->number;
    if (!m_dialogs.askYesNo(this, QStringLiteral("提示"), QStringLiteral("是否删除该快递单 %1？").arg(number)))
        return;
    if (const Outcome deleted = Waybills(*m_store).deleteWaybill(number); !deleted) {
        m_dialogs.critical(this, Program::kTitle, deleted.error);
    } else {
        m_gridPane->removeWaybill(number); // gone from the screen before the table is read again
        // The grid moves its current row to a neighbour; the user chose none of them.
        m_selectedPane->clear();
        Q_EMIT registerChanged();
    }
    // The whole table again, a shown search result included, under an empty key box.
    m_searchBar->clearKey();
    m_gridPane->readWhole(false, true);
}

void ManagementWindow::showDetails()
{
    if (!m_detailsDialog)
        m_detailsDialog = new DetailsDialog(m_dialogs, this);
    // The row selected in the grid is the one the user means (a screen reader
    // selects without moving the current row, and focus alone makes a row
    // current without selecting it); without one, the main window's current waybill.
    const std::optional<Waybill> selected = m_gridPane->selectedWaybill();
    const Waybill current = selected ? *selected : m_currentWaybill ? m_currentWaybill() : Waybill{};
    std::optional<Waybill> registered;
    QVector<StateEntry> history;
    if (!current.number.isEmpty() && m_store->isOpen()) {
        registered = Waybills(*m_store).find(current.number);
        history = CheckHistory(*m_store).stateHistory(current.number);
    }
    m_detailsDialog->showFor(current, registered, history, m_clock.now());
}

void ManagementWindow::modifySelected()
{
    // Before any row was chosen the panel holds no waybill to change.
    const std::optional<Waybill> &chosen = m_selectedPane->waybill();
    if (!chosen) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要修改的快递单。"));
        return;
    }
    if (!m_modifyDialog) {
        m_modifyDialog = new ModifyDialog(m_programFolder, m_dialogs, this);
        connect(m_modifyDialog, &ModifyDialog::attempted, m_deferredRefreshTimer,
                [this] { m_deferredRefreshTimer->setEnabled(true); });
    }
    m_modifyDialog->showFor(*chosen);
}

void ManagementWindow::showQuickAdd()
{
    if (!m_quickAddDialog) {
        m_quickAddDialog = new QuickAddDialog(m_programFolder, m_dialogs, m_clock, this);
        connect(m_quickAddDialog, &QuickAddDialog::attempted, m_deferredRefreshTimer,
                [this] { m_deferredRefreshTimer->setEnabled(true); });
    }
    bringUp(m_quickAddDialog);
}

void ManagementWindow::showImport()
{
    if (!m_importWindow) {
        m_importWindow = new ImportWindow(m_programFolder, m_dialogs, m_launcher, this);
        connect(m_importWindow, &ImportWindow::imported, this, &ManagementWindow::waybillsImported);
    }
    bringUp(m_importWindow);
}

void ManagementWindow::showStatistics()
{
    if (!m_statistics)
        m_statistics = new StatisticsWindow(RegisterLocation::read(m_programFolder), m_clock.today(), this);
    bringUp(m_statistics);
}

void ManagementWindow::showFlagged()
{
    if (!m_flagged) {
        m_flagged = new FlaggedWindow(m_programFolder, m_clock, this);
        connect(m_flagged, &FlaggedWindow::showRequested, this, [this](const QString &number) {
            showWaybill(number);
            raise();
            activateWindow();
        });
    }
    bringUp(m_flagged);
}

// The whole register to a text file or a workbook.
void ManagementWindow::exportRegister()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("保存为");
    request.folder = m_programFolder;
    request.filters = {QStringLiteral("文本文件(*.txt)"), QStringLiteral("导出为 Excel (*.xlsx)"),
                       QStringLiteral("所有文件(*.*)")};
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = m_dialogs.saveFile(this, request);
    if (path.isEmpty() || !m_store->isOpen() || m_exporting)
        return;
    // Reading and writing a large register happen off the window's thread,
    // with a connection of their own.
    m_exporting = true;
    m_transferBox->setExporting(true);
    m_searchBar->setActivity(QStringLiteral("正在导出…"));
    const StoreLocation database = m_store->location();
    // The stage and its count reach the window through the task, which outlives its worker.
    BackgroundTask *task = m_exportTask;
    const auto tell = [task, this](const QString &text) {
        QMetaObject::invokeMethod(
            task,
            [text, this] {
                if (m_exporting)
                    m_searchBar->setActivity(text);
            },
            Qt::QueuedConnection);
    };
    m_exportTask->run<RegisterExport::Result>(
        [database, path, tell](const BackgroundTask::KeepGoing &) {
            return RegisterExport::write(database, path, tell);
        },
        [this](const RegisterExport::Result &written) {
            exportFinished(written.outcome, written.empty, written.beyondGbk);
        });
}

void ManagementWindow::exportFinished(const Outcome &outcome, bool empty, int beyondGbk)
{
    m_exporting = false;
    m_transferBox->setExporting(false);
    m_searchBar->setActivity(m_gridPane->isFetching() ? QStringLiteral("正在读取…") : QString());
    if (!outcome)
        m_dialogs.critical(this, Program::kTitle, outcome.error);
    else if (empty)
        m_dialogs.information(this, Program::kTitle, QStringLiteral("数据库没有记录!!"));
    else if (beyondGbk > 0)
        m_dialogs.information(
            this, Program::kTitle,
            QStringLiteral("导出完成。其中 %1 条运单含有 GBK 编码没有的字符（如表情符号、€、不换行空格），"
                           "这些字符按 GB18030 编码写入，内容没有丢失，但只认 GBK 的程序可能显示不正确。")
                .arg(beyondGbk));
    Q_EMIT exportDone();
}
