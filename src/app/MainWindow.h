#pragma once

#include "carriers/CarrierCatalogue.h"
#include "carriers/CarrierDetector.h"
#include "query/PassMarks.h"
#include "settings/MainWindowLink.h"
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
class Dialogs;
class HistoryLoader;
class HistoryModel;
class Launcher;
class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTabWidget;
class QTextEdit;
class QTreeView;
class QTreeWidget;
class AutoStart;
class AboutWindow;
class SettingsDialog;
class ManagementWindow;
class UpdateCheck;
class UpdateWindow;
struct UpdateResult;

// The main window: carrier and data-source selection, the queries and their
// results, the input form and the history list, the tray icon and menus.
// Its implementation is split by concern over several MainWindow_*.cpp files.
class MainWindow final : public QMainWindow, public MainWindowLink {
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
    Browser &browser() { return *m_browser; }

    // Shared routines that other windows and the queries call.
    void UpdateStatusLine();
    void LoadData();
    void Command6_Click();
    void ClearOtherCarrierList();
    void delay();
    DataSource currentDataSource() const;
    QString statusLine() const;
    bool isHistoryLoading() const;
    // The waybill that the 信息 panel shows (its labels mirror the input form).
    Waybill currentWaybill() const;

    // What the settings dialog changes on the main window.
    void SelectCarrierFromSettings(const Carrier &carrier) override;
    void SetHarvestInterval(int ms) override;
    int HarvestInterval() const override;
    void SetUpdateCheckInterval(int ms) override;

    // Skins, settings and updates (MainWindow_prefs.cpp).
    void chooseSkinFromMenu(int skin);
    SettingsDialog *settingsWindow() const;
    ManagementWindow *managementWindow() const;
    void showManagement();
    UpdateWindow *updateWindow() const;
    void showSettings();
    void showUpdateWindow();
    // The queries (MainWindow_queries.cpp) and their results (MainWindow_results.cpp).
    void Command12_Click();
    void Command5_Click();
    // False when the check could not be saved; `marks` keeps it for the end of the pass.
    bool MarkSignedFor(const StateCheck &check, PassMarks &marks);
    BackgroundRefresh *backgroundRefresh() const { return m_refresh; }
    void stopQueries();
    bool isConciseQueryRunning() const;
    bool isDetailedPassRunning() const;
    QString detailedText() const { return m_detailText; }

    // How the program ends; tests replace it to watch the exit.
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }
    // Tray events arrive here (also without a system tray, for the tests).
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void exitFromTray();

    // Controls, named as the program's documentation names them.
    QMenu *shezhi = nullptr;
    QAction *gongneng = nullptr;
    QMenu *pf = nullptr;
    QAction *moren = nullptr;
    QAction *jdqq = nullptr;
    QAction *jpjm = nullptr;
    QAction *hskx = nullptr;
    QMenu *bangzhu = nullptr;
    QAction *bz = nullptr;
    QAction *gy = nullptr;
    QAction *jcgx = nullptr;
    QAction *wangzhan = nullptr;
    QMenu *F00 = nullptr;
    QAction *F01 = nullptr;
    QAction *F02 = nullptr;

    QGroupBox *Frame2 = nullptr;
    QRadioButton *Option[12] = {}; // Option1 ... Option12
    QLabel *Label9 = nullptr;
    QListWidget *List1 = nullptr;
    QGroupBox *Frame9 = nullptr;
    QRadioButton *Option14 = nullptr;
    QRadioButton *Option18 = nullptr;
    QRadioButton *Option17 = nullptr;
    QLabel *Label28 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLabel *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr;
    QLabel *Label27 = nullptr, *Label26 = nullptr;
    QLabel *Label16 = nullptr, *Label18 = nullptr, *Label19 = nullptr;
    QLabel *Label20 = nullptr, *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr, *Label24 = nullptr,
           *Label25 = nullptr;
    QPushButton *Command7 = nullptr;

    QGroupBox *Frame4 = nullptr; // "查询"
    QRadioButton *Option15 = nullptr;
    QRadioButton *Option16 = nullptr;
    QRadioButton *Option13 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *CommandStop = nullptr;

    QTabBar *SSTab1 = nullptr;
    QTextEdit *RichTextBox3 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;

    QTabWidget *SSTab2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr, *Label11 = nullptr, *Label14 = nullptr, *Label10 = nullptr, *Label2 = nullptr,
           *Label12 = nullptr, *Label8 = nullptr, *Label13 = nullptr;
    QLineEdit *Text1 = nullptr, *Text9 = nullptr, *Text7 = nullptr, *Text6 = nullptr, *Text2 = nullptr,
              *Text3 = nullptr, *Text8 = nullptr, *Text4 = nullptr;
    QPlainTextEdit *Text10 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command2 = nullptr;
    QCheckBox *Check1 = nullptr;

    QGroupBox *Frame10 = nullptr;
    QTreeView *ListView2 = nullptr;
    QCheckBox *showArchived = nullptr; // 显示已归档, under the history list
    QPushButton *Command8 = nullptr;
    QPushButton *Command16 = nullptr;
    QPushButton *Command1 = nullptr;

    QLabel *StatusPanel1 = nullptr;
    QLabel *StatusPanel2 = nullptr;
    QLabel *StatusPanel3 = nullptr; // query progress

    ClassicTimer *Timer1 = nullptr;
    ClassicTimer *Timer2 = nullptr;
    ClassicTimer *Timer3 = nullptr;
    ClassicTimer *Timer4 = nullptr;
    ClassicTimer *Timer7 = nullptr;

    AboutWindow *aboutWindow() const { return m_about; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }

Q_SIGNALS:
    void historyLoaded();
    // A waybill newly signed for was announced (in the tray or the status bar).
    void signingAnnounced(const QString &number, const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Building the window (MainWindow.cpp).
    void buildMenus();
    void buildCarrierArea(QWidget *parent);
    void buildQueryArea(QWidget *parent);
    void buildInputArea(QWidget *parent);
    void buildHistoryArea(QWidget *parent);
    void buildTimers();
    void load();
    void Timer2_Timer();

    // Shell (MainWindow_shell.cpp).
    void createTrayIcon();
    void buildBackgroundRefresh();
    void announceCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier);
    void openAnnounced();
    void removeTrayIcon();
    void showAbout();
    void openHelp();
    void openMakerSite();
    void shrinkAndQuit();

    // Carrier and data-source selection (MainWindow_selection.cpp).
    void SelectCarrier(int button);
    void whenChosen(QRadioButton *button, std::function<void()> action);
    void setCarrierButtonOn(int button);
    void turnCarrierButtonsOff();
    void List1_Action();
    void selectListEntry(int index);
    void SelectDataSource(DataSource source);
    void historyPick(int row);
    void Command7_Click();
    void showCarrier(const Carrier &carrier);
    void navigate(const QString &address);

    void applyStoredSkin();
    void Timer3_Timer();

    // Carrier detection from the number (MainWindow_detection.cpp).
    void buildDetection();
    void updateDetection();
    void chooseDetected(const Carrier &carrier);
    void forgetAutoChosenCarrier();
    void detectionLink(const QString &link);
    void userChoseCarrier();
    void rebuildRegisterIndex();
    void chooseForBatchLine(int line);

    // Input form and history (MainWindow_input.cpp).
    void trimmedMirror(QLineEdit *box, QLabel *mirror, bool updateStatus);
    void Command2_Click();
    void Check1_Click();
    void Timer4_Timer();

    // Queries and results.
    void buildQueryMachinery();
    void buildDetailedQuery();
    void stopDetailedPass(const QString &why);
    void showQueryStatus(const QString &text);
    void refreshHistoryAfterMarks();
    void appendDetail(const QString &text);
    void setDetail(const QString &text);
    bool prepareBatch(QVector<QPair<QString, QString>> *rows);
    void startConcisePass(const QVector<QPair<QString, QString>> &waybills, bool batch, bool mark);
    void prepareConciseList();
    void showQueryProgress(int done, int total);
    void Command13_Click();
    void Command3_Click();
    void Command4_Click();
    void SSTab1_Click();

    QString m_dataFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    const Clock &m_clock;
    std::unique_ptr<Browser> m_browser;
    WaybillStore m_store;
    QButtonGroup *m_carrierButtons = nullptr;
    QButtonGroup *m_sourceButtons = nullptr;
    HistoryModel *m_history = nullptr;
    HistoryLoader *m_historyLoader = nullptr;
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
    QString m_detailText;
    QString m_lastDetailFile;
    ConciseQueryRunner *m_concise = nullptr;
    BackgroundRefresh *m_refresh = nullptr;
    QString m_announced; // the waybill of the last tray notice
    bool m_conciseMarks = false;
    PassMarks m_conciseSaves;  // what each pass could not save
    PassMarks m_detailedSaves;
    bool m_suppressListAction = false;
    bool m_choosingInCode = false;
    bool m_exiting = false;

    CarrierDetection::RegisterIndex m_register;
    BackgroundTask *m_registerTask = nullptr;
    bool m_carrierChosenByUser = false; // never overwritten by a detection
    QString m_undoneFor;                // the number whose automatic choice was undone
    const Carrier *m_autoChosen = nullptr;
    CarrierDetection::Result m_offered;

public:
    QLabel *LabelDetect = nullptr;    // under 单号: what the number looks like
    QListWidget *ListBatch = nullptr; // beside 批量快递单: each line's carrier
    int registerIndexSize() const { return m_register.size(); }
    void showBatchCarriers();
    void setBatchLineCarrier(int line, const QString &carrier);
};
