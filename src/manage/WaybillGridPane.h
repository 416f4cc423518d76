#pragma once

#include "manage/WaybillLoader.h"
#include "store/RegisterGrid.h"
#include "store/Waybill.h"

#include <QWidget>

#include <functional>
#include <optional>

class GridListing;
class StoreConnection;
class QMenu;
class QTabBar;
class QTableView;

// The management window's grid of the register, with the status tabs above
// it and its context menu. It reads only what it shows, in the background
// (a GridListing): the first screen at once, the rest as the view reaches
// it; every read also stores the days in transit of the rows it lists.
class WaybillGridPane final : public QWidget {
    Q_OBJECT
public:
    // `baseFilter` gives what the window's other controls ask of every read
    // (today, the archive rule, archived rows or not); the pane adds its
    // status tab and its order, a search its column and key.
    using BaseFilter = std::function<RegisterGrid::GridFilter()>;
    WaybillGridPane(StoreConnection &store, BaseFilter baseFilter, QWidget *parent = nullptr);

    QTableView *grid() const { return m_grid; }
    // Reads from now on go there.
    void setLocation(const StoreLocation &where);

    // The whole register, under the tab and the order chosen. With
    // `emptyClears` an empty answer empties the grid; otherwise it stays.
    void readWhole(bool updateDays, bool emptyClears);
    // A search in this column; one with no statement leaves the grid as it is.
    void search(const QString &column, const QString &key, bool emptyClears = false);
    // Reads again what it lists, keeping its search, tab, order, scroll and chosen row.
    void followChanges();
    // Chooses the row of this number, now or once the rows arrive.
    void showWaybill(const QString &number);
    void removeWaybill(const QString &number);
    // Drops the rows and any read on its way.
    void clear();

    // The row the grid's current index is on.
    std::optional<Waybill> currentWaybill() const;
    // The one row selected: what the user means even when it is not the current one.
    std::optional<Waybill> selectedWaybill() const;
    // Rows are being read, or are still going into the grid.
    bool isReading() const;
    // Rows are being read.
    bool isFetching() const;

Q_SIGNALS:
    void rowChosen(const Waybill &waybill);
    // The grid shows what the newest read found: its first screen, or, when
    // it found nothing to show, the rows it had.
    void rowsShown();
    // The newest read's first screen, which says what a search found.
    void answered(const WaybillLoader::Result &result);
    void failed(const QString &error);
    void readingChanged(bool reading);
    // From the context menu.
    void detailsAsked();
    void quickAddAsked();
    void modifyAsked();
    void deleteAsked();

private:
    void buildMenu();
    RegisterGrid::GridFilter controlsFilter() const;
    void sizeColumns(const QVector<RegisterGrid::GridRow> &firstScreen, const QDate &today);
    void countStatuses(const RegisterGrid::GridCounts &counts = {});
    // The newest search again, under the tab and order chosen now.
    void askAgain();
    void sortBy(int column, Qt::SortOrder order);
    void choose(int row);
    int currentRow() const;
    void showCurrentRow();
    void chooseSelectedRow();

    StoreConnection &m_store;
    BaseFilter m_baseFilter;
    GridListing *m_listing = nullptr;
    QTableView *m_grid = nullptr;
    QTabBar *m_statusTabs = nullptr;
    QMenu *m_menu = nullptr;
    int m_sortColumn = -1;
    bool m_descending = false;
};
