#pragma once

#include "core/Outcome.h"
#include "store/Waybill.h"

#include <QWidget>

#include <functional>
#include <memory>

class BackgroundTask;
class BulkTransferBox;
class ClassicTimer;
class Clock;
class DetailsDialog;
class Dialogs;
class FlaggedWindow;
class ImportWindow;
class Launcher;
class ModifyDialog;
class QPushButton;
class QTableView;
class QuickAddDialog;
class RegisterSearchBar;
class SelectedWaybillPane;
class StatisticsWindow;
struct StoreLocation;
class WaybillActionBar;
class WaybillGridPane;
class StoreConnection;

// The management window: the register in a grid, searched, inspected,
// changed, deleted, added, imported and exported. It builds its parts (the
// grid, the chosen row, the buttons and the search) and carries what one part
// asks of another; each part keeps its own state.
class ManagementWindow final : public QWidget {
    Q_OBJECT
public:
    ManagementWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, const Clock &clock,
                     std::function<Waybill()> currentWaybill, QWidget *parent = nullptr);
    ~ManagementWindow() override;

    // Another PC changed these waybills (none named: any): the grid reads
    // again what it lists, keeping its search, tab, order, scroll and chosen row.
    void followChanges(const QStringList &numbers);
    // Selects the row of this number, now or once the rows arrive.
    void showWaybill(const QString &number);
    void showDetails();
    void showFlagged();
    StatisticsWindow *statisticsWindow() const { return m_statistics; }
    // True while the register is being reached or rows for the grid are being read.
    bool isReading() const;

    // Reached by the main window's tests; every other control is found by its object name.
    QTableView *waybillGrid = nullptr;
    QPushButton *importButton = nullptr;
    QPushButton *statisticsButton = nullptr;

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
    void buildParts();
    void load();
    // The register reached (or not): the window's own connection, then the rows.
    void opened(const StoreLocation &where, Outcome reached);
    void refresh();
    void search();
    void showArchivedToggled();
    void onDeferredRefreshTick();
    void deleteSelected();
    void modifySelected();
    void showQuickAdd();
    void showImport();
    void showStatistics();
    void exportRegister();
    void exportFinished(const Outcome &outcome, bool empty, int beyondGbk);

    QString m_programFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    const Clock &m_clock;
    std::function<Waybill()> m_currentWaybill;
    std::unique_ptr<StoreConnection> m_store;
    WaybillGridPane *m_gridPane = nullptr;
    SelectedWaybillPane *m_selectedPane = nullptr;
    WaybillActionBar *m_actionBar = nullptr;
    RegisterSearchBar *m_searchBar = nullptr;
    BulkTransferBox *m_transferBox = nullptr;
    ClassicTimer *m_deferredRefreshTimer = nullptr;
    BackgroundTask *m_exportTask = nullptr;
    BackgroundTask *m_openTask = nullptr; // a server is first tried here
    bool m_opening = false;
    bool m_loaded = false;
    bool m_exporting = false;
    QuickAddDialog *m_quickAddDialog = nullptr;
    StatisticsWindow *m_statistics = nullptr;
    FlaggedWindow *m_flagged = nullptr;
    ModifyDialog *m_modifyDialog = nullptr;
    DetailsDialog *m_detailsDialog = nullptr;
    ImportWindow *m_importWindow = nullptr;
};
