// The main window as a shell: menus, tray icon and notices, the windows it
// opens (settings, management, update, About, help), closing and exiting.
#include "app/MainWindow.h"

#include "app/AboutWindow.h"
#include "app/CarrierSelection.h"
#include "app/KnownNumbers.h"
#include "app/QueryController.h"
#include "app/WindowPlacement.h"
#include "core/BuildHelpers.h"
#include "core/ClassicTimer.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "core/ProgramName.h"
#include "manage/ManagementWindow.h"
#include "manage/RegisterCopyWindow.h"
#include "query/TrackingServices.h"
#include "settings/AppSettings.h"
#include "settings/ApplySkin.h"
#include "settings/AutoStart.h"
#include "settings/RegisterLocationBox.h"
#include "settings/ServiceSettingsBox.h"
#include "settings/SettingsDialog.h"
#include "settings/Skins.h"
#include "update/UpdateCheck.h"
#include "update/UpdateWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

namespace {
void showRegisterCopy(const StoreLocation &source, const StoreLocation &target, QWidget *parent)
{
    auto *window = new RegisterCopyWindow(source, target, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}
} // namespace

void MainWindow::buildMenus()
{
    QMenu *settingsMenu = menuBar()->addMenu(QStringLiteral("设置"));
    settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    QAction *settingsAction = named(settingsMenu->addAction(QStringLiteral("设置")), "settingsAction");
    QMenu *skinMenu = settingsMenu->addMenu(QStringLiteral("皮肤"));
    skinMenu->setObjectName(QStringLiteral("skinMenu"));
    m_skinActions[0] = named(skinMenu->addAction(QStringLiteral("默认皮肤")), "defaultSkinAction");
    m_skinActions[1] = named(skinMenu->addAction(QStringLiteral("经典QQ")), "classicQqSkinAction");
    m_skinActions[2] = named(skinMenu->addAction(QStringLiteral("简谱积木")), "blocksSkinAction");
    m_skinActions[3] = named(skinMenu->addAction(QStringLiteral("黑色酷炫")), "darkSkinAction");
    auto *skinGroup = new QActionGroup(this);
    skinGroup->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        m_skinActions[i]->setCheckable(true);
        m_skinActions[i]->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(i + 1)));
        skinGroup->addAction(m_skinActions[i]);
        connect(m_skinActions[i], &QAction::triggered, this, [this, i] { chooseSkinFromMenu(i); });
    }

    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("帮助"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    QAction *helpAction = named(helpMenu->addAction(QStringLiteral("帮助")), "helpAction");
    QAction *aboutAction = named(helpMenu->addAction(QStringLiteral("关于")), "aboutAction");
    QAction *checkUpdateAction = named(helpMenu->addAction(QStringLiteral("检查更新")), "checkUpdateAction");
    // The item's caption is its name for a screen reader: the tip beside it is
    // its description and a label of its own, not part of the name.
    const QString tip = QStringLiteral("Tips:软件启动慢的话，可以在设置中取消更新提示……");
    QAction *makerSiteAction =
        named(menuBar()->addAction(QStringLiteral("访问我的网站，欢迎提供宝贵建议")), "makerSiteAction");
    makerSiteAction->setToolTip(tip);
    makerSiteAction->setStatusTip(tip);
    makerSiteAction->setWhatsThis(tip);
    auto *tipLabel = new QLabel(tip, menuBar());
    tipLabel->setObjectName(QStringLiteral("menuTipLabel"));
    tipLabel->setContentsMargins(20, 0, 6, 0);
    menuBar()->setCornerWidget(tipLabel, Qt::TopRightCorner);

    // The tray's menu: never on the menu bar.
    m_trayMenu = new QMenu(QStringLiteral("菜单项"), this);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    QAction *trayOpenAction = named(m_trayMenu->addAction(QStringLiteral("打开")), "trayOpenAction");
    QAction *trayExitAction = named(m_trayMenu->addAction(QStringLiteral("退出")), "trayExitAction");

    connect(helpAction, &QAction::triggered, this, &MainWindow::openHelp);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    connect(settingsAction, &QAction::triggered, this, &MainWindow::showSettings);
    connect(checkUpdateAction, &QAction::triggered, this, &MainWindow::showUpdateWindow);
    connect(makerSiteAction, &QAction::triggered, this, [this] { m_launcher.openUrl(Endpoints::current().makerSite); });
    connect(trayOpenAction, &QAction::triggered, this, [this] { showNormal(); });
    connect(trayExitAction, &QAction::triggered, this, &MainWindow::exitFromTray);

    // F10 opens the menu bar, as on other Linux desktops: the menus' captions
    // carry no mnemonic to reach them by.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this, settingsMenu, settingsAction] {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(settingsMenu->menuAction());
        settingsMenu->setActiveAction(settingsAction); // Enter then opens the settings, as from the mouse
    });
}

void MainWindow::showAbout()
{
    if (!m_about)
        m_about = new AboutWindow(m_launcher, m_dialogs, m_dataFolder, this);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainWindow::openHelp()
{
    const QString path = QDir::toNativeSeparators(QDir(m_dataFolder).filePath(QStringLiteral("help.txt")));
    // Without a program for text files the user still learns where the help is.
    m_launcher.openFile(QDir::fromNativeSeparators(path), this, [this, path] {
        m_dialogs.information(
            this, Program::kTitle,
            QStringLiteral("没有可以打开帮助文件的程序。帮助文件在：\n%1\n可以用任何文本编辑器打开它。").arg(path));
    });
}

void MainWindow::showUpdateWindow()
{
    // A window hidden by its buttons shows its earlier result again; one
    // closed with its close box is made anew and checks again.
    if (!m_update)
        m_update = new UpdateWindow(m_dataFolder, m_launcher, this);
    m_update->show();
    m_update->raise();
}

void MainWindow::createTrayIcon()
{
    // Without a notification area the program simply runs without the icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(QIcon(QStringLiteral(":/payloads/tolvane.png")), this);
    m_tray->setToolTip(QStringLiteral("Tolvane(版本 3.0.0)"));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &MainWindow::openAnnounced);
    m_tray->show();
}

void MainWindow::removeTrayIcon()
{
    if (m_tray) {
        m_tray->hide();
        delete m_tray;
        m_tray = nullptr;
    }
}

void MainWindow::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A double-click brings the window back at the top-left corner, focused;
    // the right button's menu is shown by the icon itself.
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    showNormal();
    move(0, 0);
    raise();
    activateWindow();
}

void MainWindow::exitFromTray()
{
    QFile::remove(QDir(m_dataFolder).filePath(QStringLiteral("update.ini")));
    m_placement->save();
    removeTrayIcon();
    m_exiting = true;
    m_quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    const QString question = QStringLiteral("欢迎访问") + Maker::kSiteName + QStringLiteral("！！！确要退出吗？？？");
    if (!m_dialogs.askOkCancel(this, Program::kTitle, question)) {
        event->ignore();
        return;
    }
    event->accept();
    shrinkAndQuit();
}

void MainWindow::shrinkAndQuit()
{
    // Nothing of a running query may arrive once the window is going.
    m_queries->stop();
    m_placement->save();
    removeTrayIcon();
    if (!isMinimized()) {
        // The farewell: the window folds up in small steps before it goes.
        // The layout would hold the window at its minimum size; let it go.
        m_placement->release();
        layout()->setSizeConstraint(QLayout::SetNoConstraint);
        setMinimumSize(0, 0);
        for (int step = 0; step < 100 && width() > 133; ++step) {
            const QSize before = size();
            resize(width(), qMax(0, height() - 13));
            resize(width() - 13, height());
            if (size() == before)
                break;
        }
    }
    m_exiting = true;
    m_quit();
}

// In the tray where it can tell, else on the status bar until read.
void MainWindow::showNotice(const Notices::Notice &notice)
{
    m_announced = notice.numbers.value(0);
    m_announcedFlags = notice.flags;
    if (m_tray && m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_tray->showMessage(notice.title, notice.body, QSystemTrayIcon::Information);
    } else {
        signingNoticeButton->setText(notice.shown.left(200));
        signingNoticeButton->setToolTip(notice.shown + QStringLiteral("\n点击打开快递单详细管理"));
        signingNoticeButton->show();
    }
    if (notice.flags)
        Q_EMIT flagsAnnounced(notice.numbers, notice.title);
    else
        Q_EMIT signingAnnounced(notice.numbers, notice.title);
}

// A click on the notice: the management window at that waybill's row.
void MainWindow::openAnnounced()
{
    if (m_announced.isEmpty())
        return;
    showManagement();
    m_management->showWaybill(m_announced);
    if (m_announcedFlags)
        m_management->showFlagged();
}

// --- the windows it opens -----------------------------------------------------

SettingsDialog *MainWindow::settingsWindow() const
{
    return m_settings;
}

ManagementWindow *MainWindow::managementWindow() const
{
    return m_management;
}

UpdateWindow *MainWindow::updateWindow() const
{
    return m_update;
}

void MainWindow::showManagement()
{
    if (!m_management) {
        m_management = new ManagementWindow(
            m_dataFolder, m_dialogs, m_launcher, m_clock, [this] { return m_queries->currentWaybill(); }, this);
        m_management->setWindowFlag(Qt::Window);
        // After an import the history list follows a second later.
        connect(m_management, &ManagementWindow::waybillsImported, this,
                [this] { historyRefreshTimer->setEnabled(true); });
        connect(m_management, &ManagementWindow::registerChanged, m_known, &KnownNumbers::reread);
    }
    m_management->show();
    m_management->raise();
    m_management->activateWindow();
}

void MainWindow::applyStoredSkin()
{
    const Skin &stored = SkinFromSetting(AppSettings::read(m_dataFolder, AppSettings::kSkin));
    const int index = int(&stored - Skins::all().data());
    m_skinActions[index]->setChecked(true);
    ApplySkin(m_dataFolder, stored.relativePath);
}

void MainWindow::chooseSkinFromMenu(int skin)
{
    const Skin &chosen = Skins::all().at(skin);
    ApplySkin(m_dataFolder, chosen.relativePath);
    AppSettings::write(m_dataFolder, AppSettings::kSkin, chosen.menuValue);
    m_skinActions[skin]->setChecked(true);
}

void MainWindow::showSettings()
{
    if (!m_autoStart)
        m_autoStart = std::make_unique<AutoStart>();
    if (!m_settings) {
        m_settings = new SettingsDialog(m_dataFolder, m_dialogs, *m_autoStart, pageReadTimer->interval(), this,
                                        m_queries->keyStore());
        // A key saved (or kept for the run) and a service chosen serve the next pass.
        connect(m_settings->serviceSettingsGroup, &ServiceSettingsBox::servicesChanged, m_queries->services(),
                &TrackingServices::reload);
        connect(m_settings, &SettingsDialog::carrierChosen, m_selection, &CarrierSelection::selectCarrier);
        connect(m_settings, &SettingsDialog::readIntervalChanged, pageReadTimer, &ClassicTimer::setInterval);
        connect(m_settings, &SettingsDialog::updateCheckIntervalChanged, updateCheckTimer, &ClassicTimer::setInterval);
        connect(m_settings->registerLocationGroup, &RegisterLocationBox::copyToServerAsked, this,
                [this](const StoreLocation &local, const ServerLocation &server) {
                    showRegisterCopy(local, StoreLocation(server), m_settings);
                });
        connect(m_settings->registerLocationGroup, &RegisterLocationBox::copyFromServerAsked, this,
                [this](const ServerLocation &server) {
                    Dialogs::FileRequest request;
                    request.title = QStringLiteral("复制服务器登记簿到本机文件");
                    request.folder = m_dataFolder;
                    request.fileName = QStringLiteral("服务器登记簿副本.db");
                    request.filters = {QStringLiteral("登记簿(*.db)")};
                    request.defaultSuffix = QStringLiteral("db");
                    // An existing file is never replaced: the copy itself says so.
                    request.confirmOverwrite = false;
                    const QString file = m_dialogs.saveFile(m_settings, request);
                    if (!file.isEmpty())
                        showRegisterCopy(StoreLocation(server), StoreLocation(file), m_settings);
                });
        m_settings->load();
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void MainWindow::checkForUpdate()
{
    updateCheckTimer->setEnabled(false);
    if (!m_updateCheck) {
        m_updateCheck = new UpdateCheck(this);
        connect(m_updateCheck, &UpdateCheck::finished, this, [this](const UpdateResult &result) {
            // At start only an offer is shown; a failed check stays silent.
            if (result.kind != UpdateResult::Newer)
                return;
            if (m_update)
                delete m_update;
            m_update = new UpdateWindow(m_dataFolder, m_launcher, result, this);
            m_update->show();
        });
    }
    m_updateCheck->start(m_dataFolder);
}
