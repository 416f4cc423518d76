#pragma once

#include "carriers/CarrierCatalogue.h"
#include "carriers/CarrierDetector.h"
#include "query/PassMarks.h"
#include "carriers/WaybillChoice.h"
#include "query/QueryPass.h"
#include "app/TypedCarrierChoice.h"
#include "store/WaybillStore.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class BackgroundTask;
class Browser;
class ClassicTimer;
class ConciseQueryRunner;
class DetailedQuery;
class Clock;
struct StateCheck;
struct CheckEffect;
class BackgroundRefresh;
struct FlaggedWaybill;
class Dialogs;
class HistoryPane;
class InfoPane;
class CarrierControls;
class InputPane;
class ResultsPane;
class QueryControls;
class RegisterWatch;
class Launcher;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class AutoStart;
class AboutWindow;
class SettingsDialog;
class KeyStore;
class TrackingServices;
struct ConciseRow;
class ManagementWindow;
class UpdateCheck;
class UpdateWindow;
struct UpdateResult;

// The main window: the panes (carriers and sources, 信息, the query controls
// and results, the input form, the history) wired together, with the menus,
// the tray icon and the status bar. The panes keep their own controls; the
// window's implementation is split by concern over MainWindow_*.cpp files.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        Dialogs &dialogs;
        Launcher &launcher;
        const Clock &clock;
    };

    MainWindow(QString dataFolder, Services services, std::unique_ptr<Browser> browser, QWidget *parent = nullptr);
    ~MainWindow() override;

    const QString &dataFolder() const { return m_dataFolder; }
    WaybillStore &store() { return m_store; }
    // A register on a server is still being reached (MainWindow::load).
    bool isOpeningRegister() const;
    Browser &browser() { return *m_browser; }

    // Shared routines that other windows and the queries call.
    void updateStatusLine();
    void loadHistory();
    void saveInput();
    void clearOtherCarrierList();
    void applyStartSelection();
    DataSource currentDataSource() const;
    QString statusLine() const;
    bool isHistoryLoading() const;
    // The waybill that the 信息 panel shows (its labels mirror the input form).
    Waybill currentWaybill() const;

    // Skins, settings and updates (MainWindow_prefs.cpp).
    void chooseSkinFromMenu(int skin);
    SettingsDialog *settingsWindow() const;
    ManagementWindow *managementWindow() const;
    void showManagement();
    UpdateWindow *updateWindow() const;
    void showSettings();
    void showUpdateWindow();
    // The queries (MainWindow_queries.cpp) and their results (MainWindow_results.cpp).
    void runConciseQuery();
    void runDetailedQuery();
    // False when the check could not be saved; `marks` keeps it for the end of the pass.
    bool markSignedFor(const StateCheck &check, PassMarks &marks);
    BackgroundRefresh *backgroundRefresh() const { return m_refresh; }
    // Other PCs' changes to a server register (MainWindow_server.cpp); none on kd.db.
    RegisterWatch *registerWatch() const { return m_watch; }
    void stopQueries();
    bool isConciseQueryRunning() const;
    bool isDetailedPassRunning() const;
    QString detailedText() const;

    // How the program ends; tests replace it to watch the exit.
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }
    // Tray events arrive here (also without a system tray, for the tests).
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void exitFromTray();

    int registerIndexSize() const { return m_register.size(); }
    void showBatchCarriers();
    void setBatchLineCarrier(int line, const QString &carrier);
    AboutWindow *aboutWindow() const { return m_about; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }

Q_SIGNALS:
    void historyLoaded();
    // Waybills newly signed for were announced, in one notice (in the tray or the status bar).
    void signingAnnounced(const QStringList &numbers, const QString &title);
    // Time flags newly on were announced, in one notice.
    void flagsAnnounced(const QStringList &numbers, const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Controls; each one's objectName is its member name, by which tests find it.
    QMenu *settingsMenu = nullptr;
    QAction *settingsAction = nullptr;
    QMenu *skinMenu = nullptr;
    QAction *defaultSkinAction = nullptr;
    QAction *classicQqSkinAction = nullptr;
    QAction *blocksSkinAction = nullptr;
    QAction *darkSkinAction = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *helpAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *checkUpdateAction = nullptr;
    QAction *makerSiteAction = nullptr;
    QMenu *trayMenu = nullptr;
    QAction *trayOpenAction = nullptr;
    QAction *trayExitAction = nullptr;


    // The panes of the working areas: the page, the results and the input above one another;
    // results beside the query buttons; the input form beside the history.
    QSplitter *areaSplitter = nullptr;
    QSplitter *resultSplitter = nullptr;
    QSplitter *lowerSplitter = nullptr;

    QLabel *statusLineLabel = nullptr;
    QLabel *clockLabel = nullptr;
    QLabel *queryProgressLabel = nullptr;
    QLabel *serviceHealthLabel = nullptr; // the chosen account service's health, in the status bar
    QLabel *searchIndexLabel = nullptr; // while an older register gets its search index
    QPushButton *signingNoticeButton = nullptr; // without a tray: the last signings, until read

    ClassicTimer *pageReadTimer = nullptr;
    ClassicTimer *clockTimer = nullptr;
    ClassicTimer *updateCheckTimer = nullptr;
    ClassicTimer *historyRefreshTimer = nullptr;
    ClassicTimer *startSelectionTimer = nullptr;

    // Building the window (MainWindow.cpp) and its areas (MainWindow_areas.cpp).
    void buildCarrierArea(QWidget *parent);
    void buildQueryArea(QWidget *parent);
    void buildInputArea(QWidget *parent);
    void buildTimers();
    void load();
    void indexRegisterForSearch();
    void watchRegister(const StoreLocation &where);
    void followChanges(const QStringList &numbers);
    void openServerRegister(const StoreLocation &where, bool askedForPassword = false);
    void showRegisterCopy(const StoreLocation &source, const StoreLocation &target);
    void onClockTick();

    // Size, position and panes (MainWindow_place.cpp).
    QList<QPair<QString, QSplitter *>> splitters() const;
    void placeSplitterHandles();
    void restoreWindowPlace();
    void saveWindowPlace();
    void rememberNormalPlace();
    void keepContentsWhole();
    void arrangePanes();
    void fitPanes();
    QRect m_normalPlace; // the window's geometry when last neither maximised nor minimised
    QSplitter *columnSplitter = nullptr; // the page and results beside the input and history

    // Shell (MainWindow_shell.cpp).
    void buildMenus();
    void createTrayIcon();
    void buildBackgroundRefresh();
    void buildTrackingServices();
    void showServiceHealth();
    bool readyForAccountPass();
    QVector<ConciseRow> takeRecentAnswers(QVector<QPair<QString, QString>> *waybills);
    void startTracedDetailedPass(const QVector<QPair<QString, QString>> &waybills);
    void showTrace(const ConciseRow &row);
    void appendTrace(const ConciseRow &row);
    void showConciseRow(const ConciseRow &row, bool mark);
    QString storedPhone(const QString &number, const QString &carrier);
    void keepLastAnswer(const QString &number);
    void announceCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier);
    void announceSignings();
    void announceFlags(const QVector<FlaggedWaybill> &fresh);
    void restartChosenRefresh(const QString &number);
    void showNotice(const QString &title, const QString &body, const QString &shown);
    void passEnded();
    void openAnnounced();
    void removeTrayIcon();
    void showAbout();
    void openHelp();
    void openMakerSite();
    void shrinkAndQuit();

    // Carrier and data-source selection (MainWindow_selection.cpp).
    void selectCarrier(int button);
    void setCarrierButtonOn(int button);
    void turnCarrierButtonsOff();
    void selectListedCarrier();
    void selectListEntry(int index);
    void selectDataSource(DataSource source);
    void historyPick(const QString &number, const QString &carrier);
    void openCarrierHomePage();
    void showCarrier(const Carrier &carrier);
    void showChoice();
    void navigate(const QString &address);

    void applyStoredSkin();
    QAction *skinAction(int skin) const;
    void onUpdateCheckTick();
    void selectCarrierFromSettings(const Carrier &carrier);

    // Carrier detection from the number (MainWindow_detection.cpp).
    void buildDetection();
    void updateDetection();
    void chooseDetected(const Carrier &carrier);
    void forgetAutoChosenCarrier();
    void detectionLink(const QString &link);
    void userChoseCarrier();
    void rebuildRegisterIndex();

    // Input form and history (MainWindow_input.cpp).
    void formChanged(QString Waybill::*field, const QString &text);
    void storeAutoSave();
    void onHistoryRefreshTick();

    // Queries and results.
    void buildQueryMachinery();
    void buildDetailedQuery();
    void stopDetailedPass(const QString &why);
    void showQueryStatus(const QString &text);
    void refreshHistoryAfterMarks();
    bool prepareBatch(QVector<QPair<QString, QString>> *rows);
    void startConcisePass(const QVector<QPair<QString, QString>> &waybills, bool batch, bool mark);
    void prepareConciseList();
    void showQueryProgress(int done, int total);
    void saveConciseResults();
    void saveDetailedResults();
    void clearResults();

    QString m_dataFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    const Clock &m_clock;
    std::unique_ptr<Browser> m_browser;
    WaybillStore m_store;
    CarrierControls *m_carriers = nullptr;
    HistoryPane *m_historyPane = nullptr;
    InfoPane *m_infoPane = nullptr;
    InputPane *m_inputPane = nullptr;
    ResultsPane *m_results = nullptr;
    QueryControls *m_queryControls = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    AboutWindow *m_about = nullptr;
    std::function<void()> m_quit;
    std::unique_ptr<AutoStart> m_autoStart;
    QPointer<SettingsDialog> m_settings;
    QPointer<ManagementWindow> m_management;
    QPointer<UpdateWindow> m_update;
    UpdateCheck *m_updateCheck = nullptr;
    DetailedQuery *m_detailed = nullptr;
    bool m_detailCurrent = false; // a current-waybill query, not a pass
    bool m_markedSinceLoad = false;
    QString m_lastDetailFile;
    ConciseQueryRunner *m_concise = nullptr;
    ConciseQueryRunner *m_traced = nullptr; // the detailed pass of an account service
    KeyStore *m_keyStore = nullptr;
    TrackingServices *m_services = nullptr;
    BackgroundRefresh *m_refresh = nullptr;
    RegisterWatch *m_watch = nullptr;
    QString m_announced; // the first waybill of the last notice
    bool m_announcedFlags = false; // the last notice told time flags: a click opens their list
    struct Signing {
        QString number;
        QString carrier;
        QString state;
    };
    QVector<Signing> m_unannounced; // signed for during the pass or tick that runs
    bool m_conciseMarks = false;
    PassMarks m_conciseSaves;  // what each pass could not save
    PassMarks m_detailedSaves;
    WaybillChoice *m_choice = nullptr; // the waybill the window is on; its labels only show it
    QueryPass::LastAnswers m_lastAnswers; // what a pass said of numbers not (yet) in the register
    bool m_exiting = false;

    CarrierDetection::RegisterIndex m_register;
    BackgroundTask *m_registerTask = nullptr;
    BackgroundTask *m_searchIndexTask = nullptr;
    BackgroundTask *m_openTask = nullptr; // a server's first connection, off the window's thread
    TypedCarrierChoice m_typedCarrier; // the carrier for the number typed in 单号

};
