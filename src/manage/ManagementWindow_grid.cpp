// What the management window's grid shows: the register read in the
// background, refreshed and searched, archived rows, and the row the user chose.
#include "manage/ManagementWindow.h"

#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "manage/GridFill.h"
#include "services/WaybillStatus.h"
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
#include <QScrollBar>
#include <QTimer>

#include <utility>

bool ManagementWindow::isReading() const
{
    return m_opening || m_loader->isReading() || m_growing;
}

namespace {
// The data of the 今日签收 tab: no status is spelt so.
const QString kSignedTodayTab = QStringLiteral("\x01today");
} // namespace

WaybillStore::GridFilter ManagementWindow::controlsFilter() const
{
    WaybillStore::GridFilter filter;
    filter.today = m_clock.today();
    filter.archiveDays = WatchSettings::archiveDays(m_programFolder);
    filter.showArchived = showArchivedCheckBox->isChecked();
    // The tab's data: no value for all rows, the status otherwise (empty: never checked).
    const QVariant chosen = statusFilterTabs->tabData(statusFilterTabs->currentIndex());
    if (chosen.isValid() && chosen.toString() == kSignedTodayTab)
        filter.signedToday = true;
    else if (chosen.isValid())
        filter.status = chosen.toString();
    filter.sortColumn = m_sortColumn;
    filter.descending = m_descending;
    return filter;
}

void ManagementWindow::ask(const WaybillStore::GridFilter &filter, bool updateDays, bool emptyClears)
{
    // Only the newest request is ever delivered, so this flag belongs to it.
    m_emptyClears = emptyClears;
    m_filter = filter;
    m_listing = true;
    m_growing = false;
    ++m_reads;
    m_loader->read({filter, updateDays});
}

void ManagementWindow::readWholeTable(bool updateDays, bool emptyClears)
{
    ask(controlsFilter(), updateDays, emptyClears);
}

void ManagementWindow::showFirstScreen(const WaybillLoader::Result &result)
{
    m_applying = false;
    if (!result.read) {
        m_listing = false;
        // A search that fails leaves the grid as it is, without a message.
        if (result.request.filter.column.isEmpty())
            m_dialogs.critical(this, Program::kTitle, result.read.error);
        Q_EMIT rowsShown();
        return;
    }
    tellSearchResult(result);
    // No match, or an empty register on a refresh, leaves the grid as it is.
    if (!result.found) {
        m_listing = false;
        if (m_emptyClears) {
            m_model->clear();
            countStatuses();
        }
        Q_EMIT rowsShown();
        return;
    }
    m_applying = true;
    m_shown = result.request.filter;
    m_model->showFirstScreen(result.firstScreen, m_shown.today);
    // The widths follow the first screen's text in its GBK length; the cell's
    // own margins come on top, so that the widest value is shown whole in
    // today's larger fonts.
    QVector<Waybill> rows;
    rows.reserve(result.firstScreen.size());
    for (const WaybillStore::GridRow &row : result.firstScreen)
        rows.push_back(row.waybill);
    const GridFill::Result fill = GridFill::apply(rows, m_shown.today, true);
    const int margins = 2 * waybillGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, waybillGrid) + 8;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        waybillGrid->setColumnWidth(c, GridFill::pixels(fill.widthsTwips[c]) + margins);
    waybillGrid->setColumnWidth(WaybillTableModel::LastCheck,
                                waybillGrid->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-07 14:03")) +
                                    margins);
    Q_EMIT rowsShown();
}

void ManagementWindow::showListed(const WaybillLoader::Result &result)
{
    if (!m_applying)
        return;
    m_model->setRowIds(result.ids);
    m_growing = true;
    showMoreRows(m_reads);
}

void ManagementWindow::showMoreRows(int read)
{
    if (read != m_reads || !m_growing)
        return;
    if (!m_model->showsEveryRow()) {
        QTimer::singleShot(0, this, [this, read] {
            if (read == m_reads)
                m_model->showMoreRows();
            showMoreRows(read);
        });
        return;
    }
    m_growing = false;
    m_listing = false;
    const int keepScroll = std::exchange(m_keepScroll, -1);
    selectWanted();
    if (keepScroll >= 0) {
        m_wanted.clear(); // the chosen row left the listing: nothing is chosen later in its place
        waybillGrid->verticalScrollBar()->setValue(keepScroll);
    }
}

void ManagementWindow::showCounts(const WaybillLoader::Result &result)
{
    if (m_applying)
        countStatuses(result.counts);
}

void ManagementWindow::readFinished(const WaybillLoader::Result &result)
{
    if (!m_growing)
        m_listing = false;
    if (!result.stored)
        m_dialogs.critical(this, Program::kTitle, result.stored.error);
}

void ManagementWindow::tellSearchResult(const WaybillLoader::Result &result)
{
    // The grid keeps its rows when a search finds none to show, so the window
    // says why they are still there.
    QString text;
    const bool search = !result.request.filter.column.isEmpty();
    const bool archivedOnly = !result.found && result.archivedHidden > 0;
    if (search && !result.found && !result.request.filter.key.isEmpty())
        text = archivedOnly ? QStringLiteral("找到 %1 条已归档的快递单").arg(result.archivedHidden)
                            : QStringLiteral("没有找到“%1”").arg(result.request.filter.key);
    searchResultLabel->setText(text);
    showArchivedFoundButton->setVisible(search && archivedOnly);
}

void ManagementWindow::clearSearchKey()
{
    const QSignalBlocker quiet(searchKeyEdit);
    searchKeyEdit->clear();
    searchResultLabel->clear();
    showArchivedFoundButton->hide();
}

void ManagementWindow::countStatuses(const WaybillStore::GridCounts &counts)
{
    const QVariant chosen = statusFilterTabs->tabData(statusFilterTabs->currentIndex());
    const QSignalBlocker quiet(statusFilterTabs);
    while (statusFilterTabs->count() > 0)
        statusFilterTabs->removeTab(0);
    statusFilterTabs->addTab(QStringLiteral("全部 %1").arg(counts.total));
    // Today's signings together, so that none announced today goes unseen.
    if (counts.signedToday > 0) {
        const int tab = statusFilterTabs->addTab(QStringLiteral("今日签收 %1").arg(counts.signedToday));
        statusFilterTabs->setTabData(tab, kSignedTodayTab);
        if (chosen.isValid() && chosen.toString() == kSignedTodayTab)
            statusFilterTabs->setCurrentIndex(tab);
    }
    QStringList statuses = WaybillStatus::all();
    statuses << QString();
    for (const QString &status : std::as_const(statuses)) {
        if (!counts.byStatus.contains(status))
            continue;
        const int tab = statusFilterTabs->addTab(QStringLiteral("%1 %2")
                                                     .arg(status.isEmpty() ? QStringLiteral("未查询") : status)
                                                     .arg(counts.byStatus.value(status)));
        statusFilterTabs->setTabData(tab, status);
        if (chosen.isValid() && chosen.toString() == status)
            statusFilterTabs->setCurrentIndex(tab);
    }
    // The chosen status has no rows left: the grid lists every status again.
    if (chosen.isValid() && !statusFilterTabs->tabData(statusFilterTabs->currentIndex()).isValid() && m_store->isOpen())
        filterByStatus();
}

void ManagementWindow::filterByStatus()
{
    WaybillStore::GridFilter filter = controlsFilter();
    filter.column = m_filter.column;
    filter.key = m_filter.key;
    ask(filter, false, false);
}

void ManagementWindow::sortBy(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_descending = order == Qt::DescendingOrder;
    if (!m_store->isOpen())
        return;
    WaybillStore::GridFilter filter = controlsFilter();
    filter.column = m_filter.column;
    filter.key = m_filter.key;
    ask(filter, false, false);
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

void ManagementWindow::followChanges(const QStringList &)
{
    // The listing is read again whatever the numbers: a changed row may now
    // sort elsewhere, or leave or join the search and the tab.
    if (!m_store->isOpen() || !m_loaded)
        return;
    if (const int row = currentRow(); row >= 0 && m_wanted.isEmpty())
        m_wanted = m_model->waybill(row).number;
    if (m_keepScroll < 0)
        m_keepScroll = waybillGrid->verticalScrollBar()->value();
    ask(m_filter, false, true);
}

void ManagementWindow::search()
{
    if (!m_store->isOpen())
        return;
    // A column with no statement leaves the grid as it is.
    const QString column = searchColumnCombo->currentText();
    if (!WaybillStore::searchableColumns().contains(column))
        return;
    WaybillStore::GridFilter filter = controlsFilter();
    filter.column = column;
    filter.key = searchKeyEdit->text();
    ask(filter, true, false);
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
    if (!m_listing)
        selectWanted();
}

bool ManagementWindow::selectWanted()
{
    if (m_wanted.isEmpty() || m_listing || !m_store->isOpen())
        return false;
    // Its place in the listing, wherever that is: the rows read so far need not hold it.
    const std::optional<qint64> id = m_store->rowIdOf(m_wanted);
    const int row = id ? m_model->rowOfId(*id) : -1;
    if (row < 0)
        return false;
    m_wanted.clear();
    waybillGrid->setCurrentIndex(m_model->index(row, 0));
    waybillGrid->scrollTo(m_model->index(row, 0));
    return true;
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
    const Waybill w = m_model->waybill(row);
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
