#include "manage/WaybillGridPane.h"

#include "manage/GridFill.h"
#include "manage/GridListing.h"
#include "manage/StatusTabs.h"
#include "store/QuickSearch.h"
#include "store/StoreConnection.h"
#include "store/WaybillTableModel.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

WaybillGridPane::WaybillGridPane(StoreConnection &store, BaseFilter baseFilter, QWidget *parent)
    : QWidget(parent), m_store(store), m_baseFilter(std::move(baseFilter))
{
    setObjectName(QStringLiteral("waybillGridPane"));
    m_listing = new GridListing(store, this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("waybillGrid"));
    m_grid->setToolTip(QStringLiteral("双击确保选中值！！！"));
    m_grid->setAccessibleName(QStringLiteral("快递单"));
    m_grid->setModel(m_listing->model());
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed row heights keep a register of 100,000 rows cheap to show.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // 备注 takes what is left: no empty band at the right, no scrollbar for it.
    m_grid->horizontalHeader()->setStretchLastSection(true);
    // A click on a heading sorts by it, another reverses; the register's order until then.
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setSortIndicatorShown(true);
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_statusTabs = new QTabBar(this);
    m_statusTabs->setObjectName(QStringLiteral("statusFilterTabs"));
    m_statusTabs->setAccessibleName(QStringLiteral("按物流状态筛选"));
    m_statusTabs->setDrawBase(false);
    m_statusTabs->setExpanding(false);
    countStatuses();
    m_statusTabs->setTabText(0, QStringLiteral("全部")); // no count until the rows are counted
    buildMenu();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0); // lined up with the window's other parts
    layout->addWidget(m_statusTabs);
    layout->addWidget(m_grid, 1);

    connect(m_grid->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, &WaybillGridPane::sortBy);
    connect(m_statusTabs, &QTabBar::currentChanged, this, &WaybillGridPane::askAgain);
    connect(m_grid, &QWidget::customContextMenuRequested, m_menu,
            [this](const QPoint &at) { m_menu->popup(m_grid->viewport()->mapToGlobal(at)); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &WaybillGridPane::showCurrentRow);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &WaybillGridPane::showCurrentRow);
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WaybillGridPane::chooseSelectedRow);
    connect(m_listing, &GridListing::firstScreenShown, this, &WaybillGridPane::sizeColumns);
    connect(m_listing, &GridListing::counted, this, &WaybillGridPane::countStatuses);
    connect(m_listing, &GridListing::rowFound, this, &WaybillGridPane::choose);
    connect(m_listing, &GridListing::scrollBack, m_grid->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_listing, &GridListing::rowsShown, this, &WaybillGridPane::rowsShown);
    connect(m_listing, &GridListing::answered, this, &WaybillGridPane::answered);
    connect(m_listing, &GridListing::failed, this, &WaybillGridPane::failed);
    connect(m_listing, &GridListing::readingChanged, this, &WaybillGridPane::readingChanged);
}

void WaybillGridPane::buildMenu()
{
    m_menu = new QMenu(QStringLiteral("右键菜单"), this);
    m_menu->setObjectName(QStringLiteral("gridMenu"));
    const auto action = [this](const char *name, const QString &text, void (WaybillGridPane::*asked)()) {
        QAction *a = m_menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        if (asked)
            connect(a, &QAction::triggered, this, asked);
    };
    action("detailsAction", QStringLiteral("详细信息"), &WaybillGridPane::detailsAsked);
    action("quickAddAction", QStringLiteral("添加快递单"), &WaybillGridPane::quickAddAsked);
    action("modifyAction", QStringLiteral("修改快递单"), &WaybillGridPane::modifyAsked);
    action("deleteAction", QStringLiteral("删除快递单"), &WaybillGridPane::deleteAsked);
    action("cancelAction", QStringLiteral("取消"), nullptr);
}

void WaybillGridPane::setLocation(const StoreLocation &where)
{
    m_listing->setLocation(where);
}

bool WaybillGridPane::isReading() const
{
    return m_listing->isReading();
}

bool WaybillGridPane::isFetching() const
{
    return m_listing->isFetching();
}

RegisterGrid::GridFilter WaybillGridPane::controlsFilter() const
{
    RegisterGrid::GridFilter filter = m_baseFilter();
    StatusTabs::narrow(filter, m_statusTabs->tabData(m_statusTabs->currentIndex()));
    filter.sortColumn = m_sortColumn;
    filter.descending = m_descending;
    return filter;
}

void WaybillGridPane::readWhole(bool updateDays, bool emptyClears)
{
    m_listing->ask(controlsFilter(), updateDays, emptyClears);
}

void WaybillGridPane::search(const QString &column, const QString &key, bool emptyClears)
{
    if (!m_store.isOpen() || !QuickSearch::searchableColumns().contains(column))
        return;
    RegisterGrid::GridFilter filter = controlsFilter();
    filter.column = column;
    filter.key = key;
    m_listing->ask(filter, true, emptyClears);
}

void WaybillGridPane::askAgain()
{
    RegisterGrid::GridFilter filter = controlsFilter();
    filter.column = m_listing->asked().column;
    filter.key = m_listing->asked().key;
    m_listing->ask(filter, false, false);
}

void WaybillGridPane::sortBy(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_descending = order == Qt::DescendingOrder;
    if (m_store.isOpen())
        askAgain();
}

void WaybillGridPane::followChanges()
{
    // The listing is read again whatever changed: a changed row may now sort
    // elsewhere, or leave or join the search and the tab.
    const std::optional<Waybill> current = currentWaybill();
    m_listing->askAgainAfterChange(current ? current->number : QString(), m_grid->verticalScrollBar()->value());
}

void WaybillGridPane::showWaybill(const QString &number)
{
    m_listing->want(number);
}

void WaybillGridPane::removeWaybill(const QString &number)
{
    m_listing->model()->removeWaybill(number);
}

void WaybillGridPane::clear()
{
    m_listing->clear();
}

void WaybillGridPane::sizeColumns(const QVector<RegisterGrid::GridRow> &firstScreen, const QDate &today)
{
    // The widths follow the first screen's text in its GBK length; the cell's
    // own margins come on top, so that the widest value is shown whole in
    // today's larger fonts.
    QVector<Waybill> rows;
    rows.reserve(firstScreen.size());
    for (const RegisterGrid::GridRow &row : firstScreen)
        rows.push_back(row.waybill);
    const GridFill::Result fill = GridFill::apply(rows, today, true);
    const int margins = 2 * m_grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_grid) + 8;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        m_grid->setColumnWidth(c, GridFill::pixels(fill.widthsTwips[c]) + margins);
    m_grid->setColumnWidth(WaybillTableModel::LastCheck,
                           m_grid->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-07 14:03")) + margins);
}

void WaybillGridPane::countStatuses(const RegisterGrid::GridCounts &counts)
{
    const QVariant chosen = m_statusTabs->tabData(m_statusTabs->currentIndex());
    const QSignalBlocker quiet(m_statusTabs);
    while (m_statusTabs->count() > 0)
        m_statusTabs->removeTab(0);
    for (const StatusTabs::Tab &tab : StatusTabs::forCounts(counts)) {
        const int index = m_statusTabs->addTab(tab.text);
        if (!tab.data.isValid())
            continue;
        m_statusTabs->setTabData(index, tab.data);
        if (chosen.isValid() && chosen.toString() == tab.data.toString())
            m_statusTabs->setCurrentIndex(index);
    }
    // The chosen status has no rows left: the grid lists every status again.
    if (chosen.isValid() && !m_statusTabs->tabData(m_statusTabs->currentIndex()).isValid() && m_store.isOpen())
        askAgain();
}

void WaybillGridPane::choose(int row)
{
    const QModelIndex index = m_listing->model()->index(row, 0);
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index);
}

int WaybillGridPane::currentRow() const
{
    const QModelIndex current = m_grid->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

std::optional<Waybill> WaybillGridPane::currentWaybill() const
{
    return m_listing->waybill(currentRow());
}

std::optional<Waybill> WaybillGridPane::selectedWaybill() const
{
    const QModelIndexList selected = m_grid->selectionModel()->selectedRows();
    return selected.size() == 1 ? m_listing->waybill(selected.first().row()) : std::nullopt;
}

void WaybillGridPane::showCurrentRow()
{
    if (const std::optional<Waybill> current = currentWaybill())
        Q_EMIT rowChosen(*current);
}

// A screen reader selects a cell without moving the current one; the row it
// selected is then the chosen row, as a click would make it.
void WaybillGridPane::chooseSelectedRow()
{
    const QModelIndexList selected = m_grid->selectionModel()->selectedIndexes();
    if (selected.isEmpty() || selected.first().row() == m_grid->currentIndex().row())
        return;
    const int row = selected.first().row();
    if (std::all_of(selected.cbegin(), selected.cend(), [row](const QModelIndex &i) { return i.row() == row; }))
        m_grid->selectionModel()->setCurrentIndex(selected.first(), QItemSelectionModel::NoUpdate);
}
