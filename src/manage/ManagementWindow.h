#pragma once

#include "core/Outcome.h"
#include "manage/WaybillLoader.h"
#include "store/WaybillStore.h"
#include "store/Waybill.h"

#include <QWidget>

#include <functional>
#include <memory>

class ClassicTimer;
class Clock;
class Dialogs;
class QuickAddDialog;
class DetailsDialog;
class FlaggedWindow;
class ImportWindow;
class ModifyDialog;
class StatisticsWindow;
class Launcher;
class QAction;
class QCheckBox;
class QComboBox;
class BackgroundTask;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabBar;
class QTableView;
class WaybillStore;
class WaybillTableModel;

// The management window: the register in a grid, searched, inspected,
// changed, deleted, added, imported and exported. The grid reads only what it
// shows; every read also stores, in the background, the days in transit of
// the rows it lists.
class ManagementWindow final : public QWidget {
    Q_OBJECT
public:
    ManagementWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, const Clock &clock,
          std::function<Waybill()> currentWaybill, QWidget *parent = nullptr);
    ~ManagementWindow() override;

    QTableView *waybillGrid = nullptr;
    // Above the grid: every status its rows have, with their counts; a click shows those alone.
    QTabBar *statusFilterTabs = nullptr;
    QPushButton *refreshButton = nullptr;    // 刷新数据
    QPushButton *detailsButton = nullptr;    // 显示选中运单
    QPushButton *deleteButton = nullptr;     // 删除选中运单
    QPushButton *modifyButton = nullptr;     // 修改选中运单
    QPushButton *quickAddButton = nullptr;   // 快速添加运单
    QPushButton *exportButton = nullptr;     // 批量导出
    QPushButton *importButton = nullptr;     // 批量导入
    QPushButton *statisticsButton = nullptr; // 统计
    void showStatistics();
    StatisticsWindow *statisticsWindow() const { return m_statistics; }
    QPushButton *flaggedButton = nullptr; // 超时件
    void showFlagged();
    FlaggedWindow *flaggedWindow() const { return m_flagged; }
    QComboBox *searchColumnCombo = nullptr;
    QLineEdit *searchKeyEdit = nullptr;
    QLabel *searchKeyCaptionLabel = nullptr;    // 关键字：
    QLabel *searchColumnCaptionLabel = nullptr; // 在
    QCheckBox *showArchivedCheckBox = nullptr;  // 显示已归档
    // What a search found when the grid cannot show it: nothing, or only archived rows.
    QLabel *searchResultLabel = nullptr;
    QPushButton *showArchivedFoundButton = nullptr; // ticks 显示已归档
    // The 选中运单 panel: the chosen row's values beside their captions, empty while no row is chosen.
    QLabel *carrierValueLabel = nullptr;       // 快递公司
    QLabel *numberValueLabel = nullptr;        // 快递单号
    QLabel *notesValueLabel = nullptr;         // 备注
    QLabel *statusValueLabel = nullptr;        // 状态
    QLabel *goodsValueLabel = nullptr;         // 物品
    QLabel *amountValueLabel = nullptr;        // 金额
    QLabel *timeValueLabel = nullptr;          // 时间
    QLabel *nameValueLabel = nullptr;          // 姓名
    QLabel *phoneValueLabel = nullptr;         // 电话
    QLabel *addressValueLabel = nullptr;       // 联系地址
    QLabel *daysInTransitValueLabel = nullptr; // 在途时间
    ClassicTimer *deferredRefreshTimer = nullptr;
    QMenu *gridMenu = nullptr;
    QAction *detailsAction = nullptr;
    QAction *quickAddAction = nullptr;
    QAction *modifyAction = nullptr;
    QAction *deleteAction = nullptr;
    QAction *cancelAction = nullptr;

    void refresh();
    void deleteSelected();
    void showDetails();
    void modifySelected();
    void showQuickAdd();
    void exportRegister();
    void showImport();
    void search();
    void onDeferredRefreshTick();

    // Another PC changed these waybills (none named: any): the grid reads
    // again what it lists, keeping its search, tab, order, scroll and chosen row.
    void followChanges(const QStringList &numbers);

    // Selects the row of this number, now or once the rows arrive.
    void showWaybill(const QString &number);

    // True while rows for the grid are being read; the grid changes when they arrive.
    bool isReading() const;

Q_SIGNALS:
    void waybillsImported();
    // The grid shows what the newest read found: its first screen, or, when
    // it found nothing to show, the rows it had.
    void rowsShown();
    // A waybill was added, modified or deleted here.
    void registerChanged();
    void exportDone();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void load();
    // The register reached (or not): the window's own connection, then the rows.
    void opened(const StoreLocation &where, Outcome reached);
    void readWholeTable(bool updateDays, bool emptyClears);
    // The filter of the window's controls, without a search.
    WaybillStore::GridFilter controlsFilter() const;
    void ask(const WaybillStore::GridFilter &filter, bool updateDays, bool emptyClears);
    void showFirstScreen(const WaybillLoader::Result &result);
    void showListed(const WaybillLoader::Result &result);
    // The listing's rows go into the grid a step per pass of the event loop.
    void showMoreRows(int read);
    void showCounts(const WaybillLoader::Result &result);
    void readFinished(const WaybillLoader::Result &result);
    void sortBy(int column, Qt::SortOrder order);
    void tellSearchResult(const WaybillLoader::Result &result);
    // Empties the key box without a search: the grid is about to show the whole register.
    void clearSearchKey();
    void showSelectedRow();
    void clearSelectionPanel();
    void showMenu(const QPoint &at);
    // The panel's values as a waybill.
    Waybill selectionLabels() const;
    int currentRow() const;
    void showArchivedToggled();
    bool selectWanted();
    void exportFinished(const Outcome &outcome, bool empty, int beyondGbk);
    void countStatuses(const WaybillStore::GridCounts &counts = {});
    void filterByStatus();

    WaybillStore::GridFilter m_filter; // the newest asked for
    WaybillStore::GridFilter m_shown;  // what the grid lists
    bool m_listing = false;  // the newest read has not yet listed its rows
    bool m_growing = false;  // its rows are still going into the grid
    int m_reads = 0;         // reads asked for, so that a step of an older one stops
    bool m_applying = false; // the newest read's steps go to the grid
    int m_sortColumn = -1;
    bool m_descending = false;
    QString m_programFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    const Clock &m_clock;
    std::function<Waybill()> m_currentWaybill;
    // The panel's values by column.
    QLabel *m_selection[WaybillColumns::Count] = {};
    std::unique_ptr<WaybillStore> m_store;
    WaybillTableModel *m_model = nullptr;
    WaybillLoader *m_loader = nullptr;
    BackgroundTask *m_exportTask = nullptr;
    BackgroundTask *m_openTask = nullptr; // a server is first tried here
    bool m_opening = false;
    QLabel *m_reading = nullptr;
    bool m_loaded = false;
    bool m_exporting = false;
    bool m_emptyClears = false;
    bool m_hasSelection = false;
    QString m_wanted; // the number showWaybill asked for
    int m_keepScroll = -1; // where the grid was before it followed a change
    QuickAddDialog *m_quickAddDialog = nullptr;
    StatisticsWindow *m_statistics = nullptr;
    FlaggedWindow *m_flagged = nullptr;
    ModifyDialog *m_modifyDialog = nullptr;
    DetailsDialog *m_detailsDialog = nullptr;
    ImportWindow *m_importWindow = nullptr;
};
