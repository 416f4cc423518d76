// The management window opened and closed, and its buttons that act on the
// chosen row or open the windows beside it.
#include "manage/ManagementWindow.h"

#include "core/BackgroundTask.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "manage/DetailsDialog.h"
#include "manage/ImportWindow.h"
#include "manage/ModifyDialog.h"
#include "manage/QuickAddDialog.h"
#include "manage/StatisticsWindow.h"
#include "manage/WindowKeys.h"
#include "settings/RegisterLocation.h"
#include "store/WaybillStore.h"
#include "store/WaybillTableModel.h"

#include <QCloseEvent>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

ManagementWindow::ManagementWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher,
                                   const Clock &clock, std::function<Waybill()> currentWaybill, QWidget *parent)
    : QWidget(parent, Qt::Window), m_programFolder(programFolder), m_dialogs(dialogs), m_launcher(launcher),
      m_clock(clock), m_currentWaybill(std::move(currentWaybill)), m_store(std::make_unique<WaybillStore>())
{
    setObjectName(QStringLiteral("ManagementWindow"));
    InstallWindowKeys(this);
    setWindowTitle(QStringLiteral("快递单管理"));
    m_exportTask = new BackgroundTask(this);
    m_openTask = new BackgroundTask(this);
    m_loader = new WaybillLoader(StoreLocation(), this); // pointed at the register by load()
    buildControls();
    // Rows beyond those the loader brought are read as the view reaches them.
    m_model->setReader([this](const QVector<qint64> &ids) {
        return m_store->isOpen() ? m_store->gridRowsById(ids, m_shown) : QVector<WaybillStore::GridRow>();
    });
    resize(960, 620);
}

ManagementWindow::~ManagementWindow() = default;

void ManagementWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        load();
        // Typing searches at once; the grid takes no focus, and so chooses no row, by itself.
        searchKeyEdit->setFocus();
    }
    QWidget::showEvent(event);
}

void ManagementWindow::closeEvent(QCloseEvent *event)
{
    // Closing drops the connection, the rows, the chosen row and any read still on its way;
    // the next opening loads again.
    m_loader->cancel();
    m_openTask->cancel();
    m_opening = false;
    deferredRefreshTimer->setEnabled(false);
    m_store->close();
    m_model->clear();
    ++m_reads;
    m_growing = false;
    m_listing = false;
    m_applying = false;
    clearSelectionPanel();
    clearSearchKey(); // the next opening shows the whole register
    m_loaded = false;
    QWidget::closeEvent(event);
}

void ManagementWindow::load()
{
    m_loaded = true;
    const StoreLocation where = RegisterLocation::read(m_programFolder);
    m_loader->setLocation(where);
    if (!where.onServer) {
        opened(where, Outcome::success());
        return;
    }
    // A server that is down must not hold the window up for its connect
    // timeout: it is tried on a worker, and the window connects once it answered.
    m_opening = true;
    m_reading->setText(QStringLiteral("正在连接数据库服务器…"));
    m_openTask->run<Outcome>(
        [where](const BackgroundTask::KeepGoing &) {
            WaybillStore store;
            return store.open(where);
        },
        [this, where](const Outcome &reached) {
            m_opening = false;
            opened(where, reached);
        });
}

void ManagementWindow::opened(const StoreLocation &where, Outcome reached)
{
    if (reached)
        reached = m_store->open(where);
    m_reading->clear();
    if (!reached) {
        m_dialogs.critical(this, Program::kTitle, reached.error);
        return;
    }
    // A key typed while the server was being reached is searched for now.
    if (searchKeyEdit->text().isEmpty())
        readWholeTable(true, false);
    else
        search();
    deferredRefreshTimer->setEnabled(true);
}

void ManagementWindow::deleteSelected()
{
    if (!m_store->isOpen())
        return;
    const int row = currentRow();
    if (row < 0) {
        // A refresh leaves no current row; the user may still think one is chosen.
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要删除的快递单。"));
        return;
    }
    // Taken before asking: rows read meanwhile may replace the grid's contents.
    const QString number = m_model->waybill(row).number;
    if (!m_dialogs.askYesNo(this, QStringLiteral("提示"), QStringLiteral("是否删除该快递单 %1？").arg(number)))
        return;
    if (const Outcome deleted = m_store->deleteWaybill(number); !deleted) {
        m_dialogs.critical(this, Program::kTitle, deleted.error);
    } else {
        m_model->removeWaybill(number); // gone from the screen before the table is read again
        // The grid moves its current row to a neighbour; the user chose none of them.
        clearSelectionPanel();
        Q_EMIT registerChanged();
    }
    // The whole table again, a shown search result included, under an empty key box.
    clearSearchKey();
    readWholeTable(false, true);
}

void ManagementWindow::showDetails()
{
    if (!m_detailsDialog)
        m_detailsDialog = new DetailsDialog(m_dialogs, this);
    // The row selected in the grid is the one the user means (a screen reader
    // selects without moving the current row, and focus alone makes a row
    // current without selecting it); without one, the main window's current waybill.
    const QModelIndexList selected = waybillGrid->selectionModel()->selectedRows();
    const int row = selected.size() == 1 && selected.first().row() < m_model->rowCount() ? selected.first().row() : -1;
    const Waybill current = row >= 0 ? m_model->waybill(row) : m_currentWaybill ? m_currentWaybill() : Waybill{};
    std::optional<Waybill> registered;
    QVector<StateEntry> history;
    if (!current.number.isEmpty() && m_store->isOpen()) {
        registered = m_store->find(current.number);
        history = m_store->stateHistory(current.number);
    }
    m_detailsDialog->showFor(current, registered, history, m_clock.now());
}

void ManagementWindow::modifySelected()
{
    // Before any row was chosen the labels hold no waybill to change.
    if (!m_hasSelection) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要修改的快递单。"));
        return;
    }
    if (!m_modifyDialog) {
        m_modifyDialog = new ModifyDialog(m_programFolder, m_dialogs, this);
        connect(m_modifyDialog, &ModifyDialog::attempted, deferredRefreshTimer,
                [this] { deferredRefreshTimer->setEnabled(true); });
    }
    m_modifyDialog->showFor(selectionLabels());
}

void ManagementWindow::showQuickAdd()
{
    if (!m_quickAddDialog) {
        m_quickAddDialog = new QuickAddDialog(m_programFolder, m_dialogs, m_clock, this);
        connect(m_quickAddDialog, &QuickAddDialog::attempted, deferredRefreshTimer,
                [this] { deferredRefreshTimer->setEnabled(true); });
    }
    m_quickAddDialog->show();
    m_quickAddDialog->raise();
    m_quickAddDialog->activateWindow();
}

void ManagementWindow::showImport()
{
    if (!m_importWindow) {
        m_importWindow = new ImportWindow(m_programFolder, m_dialogs, m_launcher, this);
        connect(m_importWindow, &ImportWindow::imported, this, &ManagementWindow::waybillsImported);
    }
    m_importWindow->show();
    m_importWindow->raise();
    m_importWindow->activateWindow();
}

void ManagementWindow::showStatistics()
{
    if (!m_statistics)
        m_statistics =
            new StatisticsWindow(RegisterLocation::read(m_programFolder), m_clock.today(), this);
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
}
