// What the management window's grid shows: the register read in the
// background, refreshed and searched, archived rows, and the row the user chose.
#include "manage/ManagementWindow.h"

#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "manage/GridFill.h"
#include "query/WaybillStatus.h"
#include "settings/WatchSettings.h"
#include "store/WaybillStore.h"
#include "store/WaybillTableModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTableView>

bool ManagementWindow::isReading() const
{
    return m_loader->isReading();
}

void ManagementWindow::readWholeTable(bool updateDays, bool emptyClears)
{
    // Only the newest request is ever delivered, so this flag belongs to it.
    m_emptyClears = emptyClears;
    m_loader->readAll(m_clock.today(), updateDays, WatchSettings::archiveDays(m_programFolder),
                      showArchivedCheckBox->isChecked());
}

void ManagementWindow::showRead(const WaybillLoader::Result &result)
{
    if (!result.read) {
        // A search that fails leaves the grid as it is, without a message.
        if (!result.request.search)
            m_dialogs.critical(this, Program::kTitle, result.read.error);
        return;
    }
    if (!result.stored)
        m_dialogs.critical(this, Program::kTitle, result.stored.error);
    tellSearchResult(result);
    // No match, or an empty register on a refresh, leaves the grid as it is.
    if (result.rows.isEmpty()) {
        if (m_emptyClears) {
            WaybillLoader::discard(m_model->setRows({}));
            countStatuses();
        }
        return;
    }
    WaybillLoader::discard(m_model->setRows(result.rows, result.checks, result.archived));
    countStatuses();
    // The widths follow the text's GBK length; the cell's own margins come on
    // top, so that the widest value is shown whole in today's larger fonts.
    const int margins = 2 * waybillGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, waybillGrid) + 8;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        waybillGrid->setColumnWidth(c, GridFill::pixels(result.fill.widthsTwips[c]) + margins);
    selectWanted();
    waybillGrid->setColumnWidth(WaybillTableModel::LastCheck,
                                waybillGrid->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-07 14:03")) +
                                    margins);
}

void ManagementWindow::tellSearchResult(const WaybillLoader::Result &result)
{
    // The grid keeps its rows when a search finds none to show, so the window
    // says why they are still there.
    QString text;
    const bool archivedOnly = result.rows.isEmpty() && result.archivedHidden > 0;
    if (result.request.search && result.rows.isEmpty() && !result.request.key.isEmpty())
        text = archivedOnly ? QStringLiteral("找到 %1 条已归档的快递单").arg(result.archivedHidden)
                            : QStringLiteral("没有找到“%1”").arg(result.request.key);
    searchResultLabel->setText(text);
    showArchivedFoundButton->setVisible(result.request.search && archivedOnly);
}

void ManagementWindow::clearSearchKey()
{
    const QSignalBlocker quiet(searchKeyEdit);
    searchKeyEdit->clear();
    searchResultLabel->clear();
    showArchivedFoundButton->hide();
}

namespace {
// The data of the 今日签收 tab: no status is spelt so.
const QString kSignedTodayTab = QStringLiteral("\x01today");
} // namespace

void ManagementWindow::countStatuses()
{
    // The tab's data: no value for all rows, the status otherwise (empty: never checked).
    const QVariant chosen = statusFilterTabs->tabData(statusFilterTabs->currentIndex());
    QHash<QString, int> counts;
    for (int row = 0; row < m_model->rowCount(); ++row)
        ++counts[m_model->trackingStatus(row)];
    const QSignalBlocker quiet(statusFilterTabs);
    while (statusFilterTabs->count() > 0)
        statusFilterTabs->removeTab(0);
    statusFilterTabs->addTab(QStringLiteral("全部 %1").arg(m_model->rowCount()));
    // Today's signings together, so that none announced today goes unseen.
    int signedToday = 0;
    for (int row = 0; row < m_model->rowCount(); ++row)
        signedToday += isSignedToday(row) ? 1 : 0;
    if (signedToday > 0) {
        const int tab = statusFilterTabs->addTab(QStringLiteral("今日签收 %1").arg(signedToday));
        statusFilterTabs->setTabData(tab, kSignedTodayTab);
        if (chosen.isValid() && chosen.toString() == kSignedTodayTab)
            statusFilterTabs->setCurrentIndex(tab);
    }
    QStringList statuses = WaybillStatus::all();
    statuses << QString();
    for (const QString &status : std::as_const(statuses)) {
        if (!counts.contains(status))
            continue;
        const int tab = statusFilterTabs->addTab(
            QStringLiteral("%1 %2").arg(status.isEmpty() ? QStringLiteral("未查询") : status).arg(counts[status]));
        statusFilterTabs->setTabData(tab, status);
        if (chosen.isValid() && chosen.toString() == status)
            statusFilterTabs->setCurrentIndex(tab);
    }
    filterByStatus();
}

bool ManagementWindow::isSignedToday(int row) const
{
    const QDateTime at = m_model->signedAt(row);
    return at.isValid() && at.toLocalTime().date() == m_clock.today();
}

void ManagementWindow::filterByStatus()
{
    const QVariant chosen = statusFilterTabs->tabData(statusFilterTabs->currentIndex());
    // 全部 over rows that none hid is the common case: no pass over a large register.
    if (!chosen.isValid() && !m_rowsFiltered)
        return;
    m_rowsFiltered = chosen.isValid();
    const bool today = chosen.isValid() && chosen.toString() == kSignedTodayTab;
    for (int row = 0; row < m_model->rowCount(); ++row)
        waybillGrid->setRowHidden(row, today ? !isSignedToday(row)
                                             : chosen.isValid() && m_model->trackingStatus(row) != chosen.toString());
}

void ManagementWindow::refresh()
{
    if (m_store->isOpen())
        readWholeTable(true, false);
}

void ManagementWindow::onDeferredRefreshTick()
{
    deferredRefreshTimer->setEnabled(false);
    refresh();
    Q_EMIT registerChanged();
}

void ManagementWindow::search()
{
    if (!m_store->isOpen())
        return;
    // A column with no statement leaves the grid as it is.
    const QString column = searchColumnCombo->currentText();
    if (!WaybillStore::searchableColumns().contains(column))
        return;
    m_emptyClears = false;
    m_loader->search(column, searchKeyEdit->text(), m_clock.today(), WatchSettings::archiveDays(m_programFolder),
                     showArchivedCheckBox->isChecked());
}

// The grid follows the box at once: the search shown, or the whole register.
void ManagementWindow::showArchivedToggled()
{
    if (!m_store->isOpen())
        return;
    if (searchKeyEdit->text().isEmpty()) {
        readWholeTable(false, true);
        return;
    }
    search();
    m_emptyClears = true; // rows just hidden must not stay on the screen
}

void ManagementWindow::showWaybill(const QString &number)
{
    m_wanted = number;
    show();
    raise();
    activateWindow();
    if (!m_loader->isReading())
        selectWanted();
}

bool ManagementWindow::selectWanted()
{
    if (m_wanted.isEmpty())
        return false;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->waybill(row).number == m_wanted) {
            m_wanted.clear();
            waybillGrid->setCurrentIndex(m_model->index(row, 0));
            waybillGrid->scrollTo(m_model->index(row, 0));
            return true;
        }
    }
    return false;
}

int ManagementWindow::currentRow() const
{
    const QModelIndex current = waybillGrid->selectionModel()->currentIndex();
    return current.isValid() && current.row() < m_model->rowCount() ? current.row() : -1;
}

void ManagementWindow::showSelectedRow()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const Waybill &w = m_model->waybill(row);
    for (int c = 0; c < WaybillColumns::Count; ++c)
        m_selection[c]->setText(WaybillColumns::value(w, c));
    m_hasSelection = true;
}

void ManagementWindow::clearSelectionPanel()
{
    for (QLabel *value : m_selection)
        value->clear();
    m_hasSelection = false;
}

Waybill ManagementWindow::selectionLabels() const
{
    Waybill w;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        WaybillColumns::value(w, c) = m_selection[c]->text();
    return w;
}

void ManagementWindow::showMenu(const QPoint &at)
{
    gridMenu->popup(waybillGrid->viewport()->mapToGlobal(at));
}
