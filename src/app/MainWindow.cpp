// The main window as a whole: put together from its areas, with the status
// bar, its timers, the load and the clock.
#include "app/MainWindow.h"

#include "app/CarrierControls.h"
#include "app/ElidingLabel.h"
#include "app/HistoryPane.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "app/QueryControls.h"
#include "app/ResultsPane.h"
#include "app/MainWindow_build.h"
#include "app/PaneSplitter.h"
#include "core/BackgroundTask.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "core/ProgramName.h"
#include "manage/WindowKeys.h"
#include "query/Browser.h"
#include "settings/RegisterLocation.h"
#include "store/RegisterWatch.h"
#include "settings/AppSettings.h"
#include "settings/AutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

MainWindow::MainWindow(QString dataFolder, Services services, std::unique_ptr<Browser> browser, QWidget *parent)
    : QMainWindow(parent), m_dataFolder(std::move(dataFolder)), m_dialogs(services.dialogs),
      m_launcher(services.launcher), m_clock(services.clock), m_browser(std::move(browser)),
      m_quit([] { QCoreApplication::quit(); })
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tolvane V3.0"));

    m_choice = new WaybillChoice(this);
    buildMenus();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    buildCarrierArea(central);
    buildQueryArea(central);
    buildInputArea(central);
    m_historyPane = new HistoryPane(m_dataFolder, m_clock, central);
    connect(m_historyPane, &HistoryPane::picked, this,
            [this](const HistoryModel::Row &row) { historyPick(row.number, row.carrier); });
    connect(m_historyPane, &HistoryPane::loaded, this, &MainWindow::historyLoaded);
    connect(m_historyPane, &HistoryPane::loadFailed, this,
            [this](const QString &message) { m_dialogs.information(this, Program::kTitle, message); });
    connect(m_historyPane, &HistoryPane::settingsClicked, this, &MainWindow::showSettings);
    connect(m_historyPane, &HistoryPane::managementClicked, this, &MainWindow::showManagement);
    connect(m_choice, &WaybillChoice::changed, this, &MainWindow::showChoice);

    auto *top = new QHBoxLayout;
    top->addWidget(m_carriers->carrierGroup(), 3);
    auto *sideColumn = new QVBoxLayout;
    sideColumn->addWidget(m_carriers->sourceGroup());
    sideColumn->addWidget(m_infoPane);
    top->addLayout(sideColumn, 2);
    layout->addLayout(top);

    // What an enlarged window gains goes to the page, the results and the
    // history; the user moves the panes' borders, which are kept at exit.
    resultSplitter = named(new PaneSplitter(Qt::Horizontal, QStringLiteral("调整查询结果的宽度"), central),
                           "resultSplitter");
    resultSplitter->addWidget(m_results);
    resultSplitter->addWidget(m_queryControls);
    resultSplitter->setStretchFactor(0, 1);
    resultSplitter->setStretchFactor(1, 0);

    lowerSplitter = named(new PaneSplitter(Qt::Horizontal, QStringLiteral("调整历史记录的宽度"), central),
                          "lowerSplitter");
    lowerSplitter->addWidget(m_inputPane);
    lowerSplitter->addWidget(m_historyPane);
    lowerSplitter->setStretchFactor(0, 0);
    lowerSplitter->setStretchFactor(1, 1);

    areaSplitter = named(new PaneSplitter(Qt::Vertical, QStringLiteral("调整网页、查询结果和历史记录的高度"), central),
                         "areaSplitter");
    m_browser->widget()->setMinimumHeight(40);
    areaSplitter->addWidget(m_browser->widget());
    areaSplitter->addWidget(resultSplitter);
    areaSplitter->addWidget(lowerSplitter);
    areaSplitter->setStretchFactor(0, 2);
    areaSplitter->setStretchFactor(1, 3);
    areaSplitter->setStretchFactor(2, 3);
    layout->addWidget(areaSplitter, 1);
    setCentralWidget(central);

    statusLineLabel = named(new ElidingLabel(this), "statusLineLabel");
    clockLabel = named(new QLabel(this), "clockLabel");
    queryProgressLabel = named(new QLabel(this), "queryProgressLabel");
    statusLineLabel->setAccessibleDescription(QStringLiteral("当前快递单"));
    clockLabel->setAccessibleDescription(QStringLiteral("当前时间"));
    queryProgressLabel->setAccessibleDescription(QStringLiteral("查询进度"));
    queryProgressLabel->hide();
    searchIndexLabel = named(new QLabel(this), "searchIndexLabel");
    searchIndexLabel->setAccessibleDescription(QStringLiteral("查找索引"));
    searchIndexLabel->hide();
    queryProgressLabel->setTextFormat(Qt::PlainText); // names waybills
    auto *bar = named(new QStatusBar(this), "statusBar");
    bar->addWidget(statusLineLabel, 1);
    bar->addWidget(queryProgressLabel);
    bar->addWidget(searchIndexLabel);
    bar->addPermanentWidget(clockLabel);
    setStatusBar(bar);

    buildTimers();
    buildQueryMachinery();
    buildDetection();
    EnterPressesFocusedButtons(this);
    // F10 opens the menu bar, as on other Linux desktops: the menus' captions
    // carry no mnemonic to reach them by.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(settingsMenu->menuAction());
        settingsMenu->setActiveAction(settingsAction); // Enter then opens the settings, as from the mouse
    });
    // The classic size is the first and the smallest.
    setMinimumSize(px(10260), px(10110));
    resize(minimumSize());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    placeSplitterHandles();
    restoreWindowPlace();
    load();
}

MainWindow::~MainWindow()
{
    removeTrayIcon();
}

void MainWindow::buildTimers()
{
    pageReadTimer = named(new ClassicTimer(3500, false, this), "pageReadTimer");
    clockTimer = named(new ClassicTimer(1000, true, this), "clockTimer");
    updateCheckTimer = named(new ClassicTimer(1000, false, this), "updateCheckTimer");
    historyRefreshTimer = named(new ClassicTimer(1000, false, this), "historyRefreshTimer");
    startSelectionTimer = named(new ClassicTimer(700, true, this), "startSelectionTimer");
    connect(clockTimer, &ClassicTimer::timeout, this, &MainWindow::onClockTick);
    connect(historyRefreshTimer, &ClassicTimer::timeout, this, &MainWindow::onHistoryRefreshTick);
    connect(updateCheckTimer, &ClassicTimer::timeout, this, &MainWindow::onUpdateCheckTick);
    connect(startSelectionTimer, &ClassicTimer::timeout, this, [this] {
        startSelectionTimer->setEnabled(false);
        applyStartSelection();
    });
}

void MainWindow::load()
{
    m_queryControls->setScope(QueryControls::Scope::Current);
    m_browser->navigate(Endpoints::current().makerSite);
    updateStatusLine();
    m_inputPane->setTime(m_clock.today().toString(QStringLiteral("yyyy/M/d")));
    const StoreLocation where = RegisterLocation::read(m_dataFolder);
    if (where.onServer)
        openServerRegister(where);
    else if (Outcome opened = m_store.open(where); !opened)
        m_dialogs.critical(this, Program::kTitle, opened.error);
    else if (!m_store.searchIndexComplete())
        indexRegisterForSearch();
    watchRegister(where);
    createTrayIcon();
    AppSettings::write(m_dataFolder, AppSettings::kVersion, AppSettings::kProgramVersion);
    const QString autoUpdate = AppSettings::read(m_dataFolder, AppSettings::kAutoUpdate);
    if (autoUpdate == QLatin1String("0")) {
        updateCheckTimer->setInterval(1000);
        updateCheckTimer->setEnabled(true);
    } else if (autoUpdate == QLatin1String("1")) {
        updateCheckTimer->setInterval(0);
    }
    applyStoredSkin();
    onClockTick();
}

// A server that is down must not hold the window up for its connect_timeout:
// the first connection (which also makes the tables of an empty database) is
// tried on a worker. Until it answers, and without it, the queries that need
// no register work; saving says the register is not open.
void MainWindow::openServerRegister(const StoreLocation &where, bool askedForPassword)
{
    if (!m_openTask)
        m_openTask = new BackgroundTask(this);
    m_openTask->run<Outcome>(
        [where](const BackgroundTask::KeepGoing &) {
            WaybillStore store;
            return store.open(where);
        },
        [this, where, askedForPassword](Outcome reached) {
            // The window's own connection, now that the server answers.
            if (reached)
                reached = m_store.open(where);
            // Asked once; the password then serves every window of this run, and is written nowhere.
            if (!reached && !askedForPassword && reached.error.contains(WaybillStore::kPasswordNeeded)) {
                StoreLocation typed = where;
                typed.server.password = m_dialogs.askPassword(
                    this, Program::kTitle,
                    QStringLiteral("数据库服务器 %1 要求密码（只在本次运行中使用，不会保存）：").arg(where.server.display()));
                if (!typed.server.password.isEmpty()) {
                    RegisterLocation::rememberPassword(typed.server);
                    openServerRegister(typed, true);
                    return;
                }
            }
            if (m_watch) {
                m_watch->setServer(where.server);
                // Unreachable now: the watch tries again on its own, off this thread.
                m_watch->startWhenReachable();
            }
            if (!reached) {
                m_dialogs.critical(this, Program::kTitle, reached.error);
                return;
            }
            rebuildRegisterIndex();
        });
}

bool MainWindow::isOpeningRegister() const
{
    return m_openTask && m_openTask->isBusy();
}

// A register from an older build gets its search index on a worker, its
// progress in the status bar; the management window's search scans until then.
void MainWindow::indexRegisterForSearch()
{
    m_searchIndexTask = new BackgroundTask(this);
    searchIndexLabel->setText(QStringLiteral("正在建立查找索引…"));
    searchIndexLabel->show();
    const QPointer<QLabel> label = searchIndexLabel;
    m_searchIndexTask->run<Outcome>(
        [path = m_store.location(), label](const BackgroundTask::KeepGoing &keepGoing) {
            WaybillStore store;
            if (Outcome opened = store.open(path); !opened)
                return opened;
            return store.buildSearchIndex([&](qint64 indexed, qint64 total) {
                const int percent = total > 0 ? int(indexed * 100 / total) : 100;
                QMetaObject::invokeMethod(
                    label,
                    [label, percent] {
                        if (label)
                            label->setText(QStringLiteral("正在建立查找索引：%1%").arg(percent));
                    },
                    Qt::QueuedConnection);
                return keepGoing();
            });
        },
        [this](Outcome built) {
            // Not built, the search still finds everything, only slower; the next start tries again.
            searchIndexLabel->setText(built ? QString() : QStringLiteral("查找索引未建成：") + built.error);
            searchIndexLabel->setVisible(!built);
        });
}

void MainWindow::onClockTick()
{
    const QDateTime now = m_clock.now();
    // The program's texts are Chinese whatever the system's language.
    const QLocale locale(QLocale::Chinese, QLocale::China);
    clockLabel->setText(QStringLiteral("当前时间：") + locale.toString(now.date(), QLocale::ShortFormat) +
                        QLatin1Char(' ') + locale.toString(now.time(), QLocale::ShortFormat));
}
