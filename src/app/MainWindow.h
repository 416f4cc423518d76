#pragma once

#include "app/Notices.h"
#include "store/StoreConnection.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class AboutWindow;
class AutoStart;
class Browser;
class CarrierSelection;
class ClassicTimer;
class Clock;
class Dialogs;
class HistoryPane;
class InfoPane;
class InputPane;
class KnownNumbers;
class Launcher;
class ManagementWindow;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QueryController;
class RegisterSession;
class RegisterWatch;
class SettingsDialog;
class UpdateCheck;
class UpdateWindow;
class WaybillChoice;
class WindowPlacement;

// The main window as a shell: the panes (carriers and sources, 信息, the
// query controls and results, the input form, the history) around the
// controllers that decide, with the menus, the tray icon, the status bar,
// the register it opens and the windows it opens.
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

    StoreConnection &store() { return m_store; }
    bool isOpeningRegister() const; // a register on a server is still being reached
    // The stored data source, carrier and auto-save, then the history list.
    void applyStartSelection();
    bool isHistoryLoading() const;
    QString statusLine() const;
    QueryController &queries() const { return *m_queries; }
    int registerIndexSize() const;
    RegisterWatch *registerWatch() const; // none on kd.db

    void chooseSkinFromMenu(int skin);
    void showManagement();
    SettingsDialog *settingsWindow() const;
    ManagementWindow *managementWindow() const;
    UpdateWindow *updateWindow() const;
    AboutWindow *aboutWindow() const { return m_about; }

    // How the program ends; tests replace it to watch the exit.
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }
    // Tray events arrive here (also without a system tray, for the tests).
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void exitFromTray();

Q_SIGNALS:
    void historyLoaded();
    // Waybills newly signed for, or time flags newly on, were announced in one
    // notice (in the tray or on the status bar).
    void signingAnnounced(const QStringList &numbers, const QString &title);
    void flagsAnnounced(const QStringList &numbers, const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildPanes(QWidget *central);
    void buildStatusBar();
    void buildTimers();
    void buildMenus();
    void load();
    void buildRegisterSession();
    void showChoice();
    void showClock();
    void showNotice(const Notices::Notice &notice);
    void openAnnounced();
    void createTrayIcon();
    void removeTrayIcon();
    void applyStoredSkin();
    void showSettings();
    void showUpdateWindow();
    void checkForUpdate();
    void showAbout();
    void openHelp();
    void shrinkAndQuit();

    QString m_dataFolder;
    Dialogs &m_dialogs;
    Launcher &m_launcher;
    const Clock &m_clock;
    std::unique_ptr<Browser> m_browser;
    StoreConnection m_store;
    WaybillChoice *m_choice = nullptr; // the waybill the window is on; its labels only show it
    KnownNumbers *m_known = nullptr;
    InfoPane *m_infoPane = nullptr;
    InputPane *m_inputPane = nullptr;
    HistoryPane *m_historyPane = nullptr;
    CarrierSelection *m_selection = nullptr;
    QueryController *m_queries = nullptr;
    std::unique_ptr<WindowPlacement> m_placement;
    QSystemTrayIcon *m_tray = nullptr;
    QAction *m_skinActions[4] = {};
    QMenu *m_trayMenu = nullptr;
    // The status bar: the current waybill, the time, a pass's progress, the account
    // service's health, an older register's search index being built.
    QLabel *statusLineLabel = nullptr, *clockLabel = nullptr, *queryProgressLabel = nullptr,
           *serviceHealthLabel = nullptr, *searchIndexLabel = nullptr;
    QPushButton *signingNoticeButton = nullptr; // without a tray: the last notice, until read
    ClassicTimer *pageReadTimer = nullptr, *updateCheckTimer = nullptr, *historyRefreshTimer = nullptr,
                 *startSelectionTimer = nullptr;
    AboutWindow *m_about = nullptr;
    std::unique_ptr<AutoStart> m_autoStart;
    QPointer<SettingsDialog> m_settings;
    QPointer<ManagementWindow> m_management;
    QPointer<UpdateWindow> m_update;
    UpdateCheck *m_updateCheck = nullptr;
    RegisterSession *m_register = nullptr;
    QString m_announced;           // the first waybill of the last notice
    bool m_announcedFlags = false; // the last notice told time flags: a click opens their list
    std::function<void()> m_quit;
    bool m_exiting = false;
};
