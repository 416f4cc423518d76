// The main window as a shell: menus, tray icon, About, help, closing and exiting.
#include "app/MainWindow.h"
#include "core/ProgramName.h"

#include "app/AboutWindow.h"
#include "app/MainWindow_build.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

void MainWindow::buildMenus()
{
    settingsMenu = menuBar()->addMenu(QStringLiteral("设置"));
    settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    settingsAction = named(settingsMenu->addAction(QStringLiteral("设置")), "settingsAction");
    skinMenu = settingsMenu->addMenu(QStringLiteral("皮肤"));
    skinMenu->setObjectName(QStringLiteral("skinMenu"));
    defaultSkinAction = named(skinMenu->addAction(QStringLiteral("默认皮肤")), "defaultSkinAction");
    classicQqSkinAction = named(skinMenu->addAction(QStringLiteral("经典QQ")), "classicQqSkinAction");
    blocksSkinAction = named(skinMenu->addAction(QStringLiteral("简谱积木")), "blocksSkinAction");
    darkSkinAction = named(skinMenu->addAction(QStringLiteral("黑色酷炫")), "darkSkinAction");
    const QKeySequence keys[] = {QKeySequence(QStringLiteral("Ctrl+1")), QKeySequence(QStringLiteral("Ctrl+2")),
                                 QKeySequence(QStringLiteral("Ctrl+3")), QKeySequence(QStringLiteral("Ctrl+4"))};
    QAction *skins[] = {defaultSkinAction, classicQqSkinAction, blocksSkinAction, darkSkinAction};
    for (int i = 0; i < 4; ++i) {
        skins[i]->setCheckable(true);
        skins[i]->setShortcut(keys[i]);
    }

    helpMenu = menuBar()->addMenu(QStringLiteral("帮助"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpAction = named(helpMenu->addAction(QStringLiteral("帮助")), "helpAction");
    aboutAction = named(helpMenu->addAction(QStringLiteral("关于")), "aboutAction");
    checkUpdateAction = named(helpMenu->addAction(QStringLiteral("检查更新")), "checkUpdateAction");
    // The item's caption is its name for a screen reader: the tip beside it is
    // its description and a label of its own, not part of the name.
    const QString tip = QStringLiteral("Tips:软件启动慢的话，可以在设置中取消更新提示……");
    makerSiteAction = named(menuBar()->addAction(QStringLiteral("访问我的网站，欢迎提供宝贵建议")), "makerSiteAction");
    makerSiteAction->setToolTip(tip);
    makerSiteAction->setStatusTip(tip);
    makerSiteAction->setWhatsThis(tip);
    auto *tipLabel = new QLabel(tip, menuBar());
    tipLabel->setObjectName(QStringLiteral("menuTipLabel"));
    tipLabel->setContentsMargins(20, 0, 6, 0);
    menuBar()->setCornerWidget(tipLabel, Qt::TopRightCorner);

    // The tray's menu: never on the menu bar.
    trayMenu = new QMenu(QStringLiteral("菜单项"), this);
    trayMenu->setObjectName(QStringLiteral("trayMenu"));
    trayOpenAction = named(trayMenu->addAction(QStringLiteral("打开")), "trayOpenAction");
    trayExitAction = named(trayMenu->addAction(QStringLiteral("退出")), "trayExitAction");

    connect(helpAction, &QAction::triggered, this, &MainWindow::openHelp);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    connect(settingsAction, &QAction::triggered, this, &MainWindow::showSettings);
    connect(checkUpdateAction, &QAction::triggered, this, &MainWindow::showUpdateWindow);
    connect(makerSiteAction, &QAction::triggered, this, &MainWindow::openMakerSite);
    connect(trayOpenAction, &QAction::triggered, this, [this] { showNormal(); });
    connect(trayExitAction, &QAction::triggered, this, &MainWindow::exitFromTray);
}

void MainWindow::createTrayIcon()
{
    // Without a notification area the program simply runs without the icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(QIcon(QStringLiteral(":/payloads/tolvane.png")), this);
    m_tray->setToolTip(QStringLiteral("Tolvane(版本 3.0.0)"));
    m_tray->setContextMenu(trayMenu);
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
    saveWindowPlace();
    removeTrayIcon();
    m_exiting = true;
    m_quit();
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
        m_dialogs.information(this, Program::kTitle,
                              QStringLiteral("没有可以打开帮助文件的程序。帮助文件在：\n%1\n可以用任何文本编辑器打开它。").arg(path));
    });
}

void MainWindow::openMakerSite()
{
    m_launcher.openUrl(Endpoints::current().makerSite);
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
    stopQueries();
    saveWindowPlace();
    removeTrayIcon();
    if (!isMinimized()) {
        // The farewell: the window folds up in small steps before it goes.
        // The layout would hold the window at its minimum size; let it go.
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
