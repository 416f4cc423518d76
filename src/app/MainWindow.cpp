// The main window put together: its panes around the controllers, the status
// bar, its timers, the register it opens and the window's place.
#include "app/MainWindow.h"

#include "app/CarrierControls.h"
#include "app/CarrierSelection.h"
#include "app/ElidingLabel.h"
#include "app/HistoryPane.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "app/KnownNumbers.h"
#include "app/PaneSplitter.h"
#include "app/QueryController.h"
#include "app/QueryControls.h"
#include "app/RegisterSession.h"
#include "app/ResultsPane.h"
#include "app/WindowPlacement.h"
#include "carriers/WaybillChoice.h"
#include "core/BuildHelpers.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "core/ProgramName.h"
#include "manage/ManagementWindow.h"
#include "manage/WindowKeys.h"
#include "query/BackgroundRefresh.h"
#include "query/Browser.h"
#include "settings/AppSettings.h"
#include "settings/AutoStart.h"
#include "settings/RegisterLocation.h"
#include "settings/SettingsDialog.h"
#include "store/RegisterWatch.h"
#include "update/UpdateWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

MainWindow::MainWindow(QString dataFolder, Services services, std::unique_ptr<Browser> browser, QWidget *parent)
    : QMainWindow(parent), m_dataFolder(std::move(dataFolder)), m_dialogs(services.dialogs),
      m_launcher(services.launcher), m_clock(services.clock), m_browser(std::move(browser)),
      m_quit([] { QCoreApplication::quit(); })
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tolvane V3.0"));
    m_choice = new WaybillChoice(this);
    m_known = new KnownNumbers(m_store, this);
    buildMenus();
    auto *central = new QWidget(this);
    buildPanes(central);
    setCentralWidget(central);
    buildStatusBar();
    buildTimers();
    buildRegisterSession();
    m_queries->start();
    EnterPressesFocusedButtons(this);
    // The classic size is the first and the smallest.
    setMinimumSize(px(10260), px(10110));
    resize(minimumSize());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_placement->arrange();
    m_placement->restore();
    load();
}

MainWindow::~MainWindow()
{
    removeTrayIcon();
}

void MainWindow::buildPanes(QWidget *central)
{
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    auto *carriers = new CarrierControls(central);
    m_infoPane = new InfoPane(central);
    auto *controls = new QueryControls(central);
    controls->setScope(QueryControls::Scope::Current);
    auto *results = new ResultsPane(central);
    m_inputPane = new InputPane(m_known->index(), central);
    m_historyPane = new HistoryPane(m_dataFolder, m_clock, central);
    pageReadTimer = named(new ClassicTimer(3500, false, this), "pageReadTimer");

    m_selection = new CarrierSelection(m_dataFolder, {*carriers, *m_inputPane, *m_infoPane, *m_choice, *m_known},
                                       *m_browser, m_launcher, this);
    m_queries = new QueryController(
        {m_dataFolder, m_dialogs, m_clock, m_store, *m_browser},
        {*this, *controls, *results, *m_inputPane, *m_infoPane, *m_choice, *m_selection, *m_known, *pageReadTimer},
        this);
    connect(m_selection, &CarrierSelection::pageChanging, m_queries, &QueryController::stopDetailedPass);
    connect(m_selection, &CarrierSelection::dataSourceChanged, m_queries, &QueryController::followDataSource);
    connect(m_choice, &WaybillChoice::changed, this, &MainWindow::showChoice);
    connect(m_inputPane, &InputPane::fieldChanged, this, [this](InputPane::Field field, const QString &text) {
        if (field == &Waybill::number)
            m_selection->numberTyped(text);
        else
            m_infoPane->setField(field, text);
    });
    // Enter in 单号 queries it as 简洁查询 does, after the detection has taken the
    // carrier it offers on the same Enter; a disabled button ignores it.
    connect(m_inputPane, &InputPane::numberEntered, controls, &QueryControls::clickConcise, Qt::QueuedConnection);
    connect(m_inputPane, &InputPane::autoSaveClicked, this, [this] {
        AppSettings::write(m_dataFolder, AppSettings::kAutoSave,
                           m_inputPane->autoSave() ? QStringLiteral("1") : QStringLiteral("0"));
    });
    connect(m_historyPane, &HistoryPane::picked, m_selection,
            [this](const HistoryModel::Row &row) { m_selection->historyPick(row.number, row.carrier); });
    connect(m_historyPane, &HistoryPane::loaded, this, &MainWindow::historyLoaded);
    // Read again with every history load: the detection knows the register's numbers.
    connect(m_historyPane, &HistoryPane::loaded, m_known, &KnownNumbers::reread);
    connect(m_historyPane, &HistoryPane::loadFailed, this,
            [this](const QString &message) { m_dialogs.information(this, Program::kTitle, message); });
    connect(m_historyPane, &HistoryPane::settingsClicked, this, &MainWindow::showSettings);
    connect(m_historyPane, &HistoryPane::managementClicked, this, &MainWindow::showManagement);
    // The history list tells why a waybill is no longer refreshed; 刷新数据 on it starts it again.
    m_historyPane->setNoteFor([this](const QString &number) { return m_queries->refreshNote(number); });
    connect(m_historyPane, &HistoryPane::refreshClicked, m_queries, &QueryController::restartRefresh);
    connect(m_queries, &QueryController::historyStale, m_historyPane, &HistoryPane::load);
    connect(m_queries, &QueryController::noticeReady, this, &MainWindow::showNotice);

    auto *top = new QHBoxLayout;
    top->addWidget(carriers->carrierGroup(), 3);
    auto *sideColumn = new QVBoxLayout;
    sideColumn->addWidget(carriers->sourceGroup());
    sideColumn->addWidget(m_infoPane);
    top->addLayout(sideColumn, 2);
    layout->addLayout(top);

    // What an enlarged window gains goes to the page, the results and the
    // history; the user moves the panes' borders, which are kept at exit.
    auto *resultSplitter =
        named(new PaneSplitter(Qt::Horizontal, QStringLiteral("调整查询结果的宽度"), central), "resultSplitter");
    resultSplitter->addWidget(results);
    resultSplitter->addWidget(controls);
    resultSplitter->setStretchFactor(0, 1);
    resultSplitter->setStretchFactor(1, 0);
    auto *lowerSplitter =
        named(new PaneSplitter(Qt::Horizontal, QStringLiteral("调整历史记录的宽度"), central), "lowerSplitter");
    lowerSplitter->addWidget(m_inputPane);
    lowerSplitter->addWidget(m_historyPane);
    auto *areaSplitter = named(
        new PaneSplitter(Qt::Vertical, QStringLiteral("调整网页、查询结果和历史记录的高度"), central), "areaSplitter");
    m_browser->widget()->setMinimumHeight(40);
    areaSplitter->addWidget(m_browser->widget());
    areaSplitter->addWidget(resultSplitter);
    areaSplitter->addWidget(lowerSplitter);
    layout->addWidget(areaSplitter, 1);
    m_placement = std::make_unique<WindowPlacement>(
        *this, m_dataFolder, WindowPlacement::Splitters{areaSplitter, resultSplitter, lowerSplitter}, *m_inputPane);
}

void MainWindow::buildStatusBar()
{
    auto *bar = named(new QStatusBar(this), "statusBar");
    statusLineLabel = named(new ElidingLabel(this), "statusLineLabel");
    statusLineLabel->setAccessibleDescription(QStringLiteral("当前快递单"));
    bar->addWidget(statusLineLabel, 1);
    queryProgressLabel = named(new QLabel(this), "queryProgressLabel");
    queryProgressLabel->setAccessibleDescription(QStringLiteral("查询进度"));
    queryProgressLabel->setTextFormat(Qt::PlainText); // names waybills
    queryProgressLabel->hide();
    bar->addWidget(queryProgressLabel);
    searchIndexLabel = named(new QLabel(this), "searchIndexLabel");
    searchIndexLabel->setAccessibleDescription(QStringLiteral("查找索引"));
    searchIndexLabel->hide();
    bar->addWidget(searchIndexLabel);
    signingNoticeButton = named(new QPushButton(this), "signingNoticeButton");
    signingNoticeButton->setFlat(true);
    signingNoticeButton->setAccessibleDescription(QStringLiteral("签收提醒"));
    // A long list never widens the window; the tooltip holds it whole.
    signingNoticeButton->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    signingNoticeButton->setStyleSheet(QStringLiteral("text-align: left;")); // cut at its end, never its start
    signingNoticeButton->setToolTip(QStringLiteral("打开快递单详细管理"));
    signingNoticeButton->hide();
    bar->addWidget(signingNoticeButton, 1); // a share of the bar, or an ignored width is none
    connect(signingNoticeButton, &QPushButton::clicked, this, [this] {
        signingNoticeButton->hide();
        openAnnounced();
    });
    clockLabel = named(new QLabel(this), "clockLabel");
    clockLabel->setAccessibleDescription(QStringLiteral("当前时间"));
    bar->addPermanentWidget(clockLabel);
    serviceHealthLabel = named(new QLabel(this), "serviceHealthLabel");
    serviceHealthLabel->hide();
    bar->addPermanentWidget(serviceHealthLabel);
    setStatusBar(bar);

    // Progress has a panel of its own, so the current waybill stays in view.
    connect(m_queries, &QueryController::statusChanged, this, [this](const QString &text) {
        queryProgressLabel->setText(text);
        queryProgressLabel->setVisible(!text.isEmpty());
    });
    connect(m_queries, &QueryController::message, bar, [bar](const QString &text) { bar->showMessage(text); });
    connect(m_queries, &QueryController::healthChanged, this, [this](const QString &line) {
        serviceHealthLabel->setText(line);
        serviceHealthLabel->setVisible(!line.isEmpty());
    });
}

void MainWindow::buildTimers()
{
    auto *clockTimer = named(new ClassicTimer(1000, true, this), "clockTimer");
    updateCheckTimer = named(new ClassicTimer(1000, false, this), "updateCheckTimer");
    historyRefreshTimer = named(new ClassicTimer(1000, false, this), "historyRefreshTimer");
    startSelectionTimer = named(new ClassicTimer(700, true, this), "startSelectionTimer");
    connect(clockTimer, &ClassicTimer::timeout, this, &MainWindow::showClock);
    connect(historyRefreshTimer, &ClassicTimer::timeout, this, [this] {
        historyRefreshTimer->setEnabled(false);
        m_historyPane->load();
    });
    connect(m_queries, &QueryController::formSaved, this, [this] { historyRefreshTimer->setEnabled(true); });
    connect(updateCheckTimer, &ClassicTimer::timeout, this, &MainWindow::checkForUpdate);
    connect(startSelectionTimer, &ClassicTimer::timeout, this, [this] {
        startSelectionTimer->setEnabled(false);
        applyStartSelection();
    });
}

void MainWindow::buildRegisterSession()
{
    m_register = new RegisterSession(m_store, m_dialogs, *this, this);
    connect(m_register, &RegisterSession::serverReached, m_known, &KnownNumbers::reread);
    connect(m_register, &RegisterSession::changedElsewhere, this, [this](const QStringList &numbers) {
        // The list is read whole on a worker; loads that overlap deliver only the newest.
        m_historyPane->load();
        if (m_management)
            m_management->followChanges(numbers);
    });
    connect(m_register, &RegisterSession::indexing, this, [this](const QString &text) {
        searchIndexLabel->setText(text);
        searchIndexLabel->setVisible(!text.isEmpty());
    });
}

bool MainWindow::isOpeningRegister() const
{
    return m_register->isOpening();
}

RegisterWatch *MainWindow::registerWatch() const
{
    return m_register->watch();
}

void MainWindow::load()
{
    m_browser->navigate(Endpoints::current().makerSite);
    showChoice();
    m_inputPane->setTime(m_clock.today().toString(QStringLiteral("yyyy/M/d")));
    m_register->open(RegisterLocation::read(m_dataFolder), *m_queries->backgroundRefresh());
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
    showClock();
}

void MainWindow::applyStartSelection()
{
    m_selection->applyStored();
    // Text that is no number counts as 0.
    m_inputPane->setAutoSave(AppSettings::readNumber(AppSettings::read(m_dataFolder, AppSettings::kAutoSave)) != 0);
    m_historyPane->load();
}

bool MainWindow::isHistoryLoading() const
{
    return m_historyPane->isLoading();
}

int MainWindow::registerIndexSize() const
{
    return m_known->index().size();
}

QString MainWindow::statusLine() const
{
    return QStringLiteral("当前快递单号：") + m_choice->number() + QStringLiteral("   公司：") +
           m_choice->carrierName();
}

// The labels of the 信息 group and the status line follow the choice.
void MainWindow::showChoice()
{
    m_infoPane->setNumberAndCarrier(m_choice->number(), m_choice->carrierName());
    statusLineLabel->setText(statusLine());
}

void MainWindow::showClock()
{
    const QDateTime now = m_clock.now();
    // The program's texts are Chinese whatever the system's language.
    const QLocale locale(QLocale::Chinese, QLocale::China);
    clockLabel->setText(QStringLiteral("当前时间：") + locale.toString(now.date(), QLocale::ShortFormat) +
                        QLatin1Char(' ') + locale.toString(now.time(), QLocale::ShortFormat));
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        QMetaObject::invokeMethod(
            this, [this] { m_placement->keepContentsWhole(); }, Qt::QueuedConnection);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    m_placement->remember();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_placement->remember();
}
