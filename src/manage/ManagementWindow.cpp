// The management window built from its parts, opened and closed.
#include "manage/ManagementWindow.h"

#include "core/BackgroundTask.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "manage/BulkTransferBox.h"
#include "manage/RegisterSearchBar.h"
#include "manage/SelectedWaybillPane.h"
#include "manage/WaybillActionBar.h"
#include "manage/WaybillGridPane.h"
#include "manage/WindowKeys.h"
#include "settings/RegisterLocation.h"
#include "settings/WatchSettings.h"
#include "store/RegisterGrid.h"
#include "store/StoreConnection.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

ManagementWindow::ManagementWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher,
                                   const Clock &clock, std::function<Waybill()> currentWaybill, QWidget *parent)
    : QWidget(parent, Qt::Window), m_programFolder(programFolder), m_dialogs(dialogs), m_launcher(launcher),
      m_clock(clock), m_currentWaybill(std::move(currentWaybill)), m_store(std::make_unique<StoreConnection>())
{
    setObjectName(QStringLiteral("ManagementWindow"));
    InstallWindowKeys(this);
    setWindowTitle(QStringLiteral("快递单管理"));
    m_exportTask = new BackgroundTask(this);
    m_openTask = new BackgroundTask(this);
    buildParts();
    resize(960, 620);
}

ManagementWindow::~ManagementWindow() = default;

void ManagementWindow::buildParts()
{
    // Made in the order Tab first read them.
    m_gridPane = new WaybillGridPane(
        *m_store,
        [this] {
            RegisterGrid::GridFilter filter;
            filter.today = m_clock.today();
            filter.archiveDays = WatchSettings::archiveDays(m_programFolder);
            filter.showArchived = m_searchBar->showsArchived();
            return filter;
        },
        this);
    m_actionBar = new WaybillActionBar(this);
    m_transferBox = new BulkTransferBox(this);
    m_searchBar = new RegisterSearchBar(this);
    m_selectedPane = new SelectedWaybillPane(this);
    m_deferredRefreshTimer = new ClassicTimer(1000, false, this);
    m_deferredRefreshTimer->setObjectName(QStringLiteral("deferredRefreshTimer"));
    waybillGrid = m_gridPane->grid();
    importButton = m_transferBox->findChild<QPushButton *>(QStringLiteral("importButton"));
    statisticsButton = m_transferBox->findChild<QPushButton *>(QStringLiteral("statisticsButton"));

    // Tab reads the bottom row from the left: the search, then export and import.
    QWidget *previous = m_actionBar->tabStops().constLast();
    for (QWidget *next : m_searchBar->tabStops() + m_transferBox->tabStops()) {
        setTabOrder(previous, next);
        previous = next;
    }

    auto *lower = new QHBoxLayout;
    lower->addWidget(m_searchBar, 1);
    lower->addWidget(m_transferBox);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_gridPane, 1);
    layout->addWidget(m_selectedPane);
    layout->addWidget(m_actionBar);
    layout->addLayout(lower);

    connect(m_gridPane, &WaybillGridPane::rowChosen, m_selectedPane, &SelectedWaybillPane::setWaybill);
    connect(m_gridPane, &WaybillGridPane::rowsShown, this, &ManagementWindow::rowsShown);
    connect(m_gridPane, &WaybillGridPane::answered, m_searchBar, &RegisterSearchBar::tellAnswer);
    connect(m_gridPane, &WaybillGridPane::failed, this,
            [this](const QString &error) { m_dialogs.critical(this, Program::kTitle, error); });
    connect(m_gridPane, &WaybillGridPane::readingChanged, m_searchBar,
            [this](bool reading) { m_searchBar->setActivity(reading ? QStringLiteral("正在读取…") : QString()); });
    connect(m_gridPane, &WaybillGridPane::detailsAsked, this, &ManagementWindow::showDetails);
    connect(m_gridPane, &WaybillGridPane::quickAddAsked, this, &ManagementWindow::showQuickAdd);
    connect(m_gridPane, &WaybillGridPane::modifyAsked, this, &ManagementWindow::modifySelected);
    connect(m_gridPane, &WaybillGridPane::deleteAsked, this, &ManagementWindow::deleteSelected);
    connect(m_actionBar, &WaybillActionBar::refreshAsked, this, &ManagementWindow::refresh);
    connect(m_actionBar, &WaybillActionBar::detailsAsked, this, &ManagementWindow::showDetails);
    connect(m_actionBar, &WaybillActionBar::deleteAsked, this, &ManagementWindow::deleteSelected);
    connect(m_actionBar, &WaybillActionBar::modifyAsked, this, &ManagementWindow::modifySelected);
    connect(m_actionBar, &WaybillActionBar::quickAddAsked, this, &ManagementWindow::showQuickAdd);
    connect(m_transferBox, &BulkTransferBox::exportAsked, this, &ManagementWindow::exportRegister);
    connect(m_transferBox, &BulkTransferBox::importAsked, this, &ManagementWindow::showImport);
    connect(m_transferBox, &BulkTransferBox::statisticsAsked, this, &ManagementWindow::showStatistics);
    connect(m_transferBox, &BulkTransferBox::flaggedAsked, this, &ManagementWindow::showFlagged);
    connect(m_searchBar, &RegisterSearchBar::keyEdited, this, &ManagementWindow::search);
    connect(m_searchBar, &RegisterSearchBar::showArchivedToggled, this, &ManagementWindow::showArchivedToggled);
    connect(m_deferredRefreshTimer, &ClassicTimer::timeout, this, &ManagementWindow::onDeferredRefreshTick);
}

bool ManagementWindow::isReading() const
{
    return m_opening || m_gridPane->isReading();
}

void ManagementWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        load();
        // Typing searches at once; the grid takes no focus, and so chooses no row, by itself.
        m_searchBar->focusKey();
    }
    QWidget::showEvent(event);
}

void ManagementWindow::closeEvent(QCloseEvent *event)
{
    // Closing drops the connection, the rows, the chosen row and any read still on its way;
    // the next opening loads again.
    m_gridPane->clear();
    m_openTask->cancel();
    m_opening = false;
    m_deferredRefreshTimer->setEnabled(false);
    m_store->close();
    m_selectedPane->clear();
    m_searchBar->clearKey(); // the next opening shows the whole register
    m_loaded = false;
    QWidget::closeEvent(event);
}

void ManagementWindow::load()
{
    m_loaded = true;
    const StoreLocation where = RegisterLocation::read(m_programFolder);
    m_gridPane->setLocation(where);
    if (!where.onServer) {
        opened(where, Outcome::success());
        return;
    }
    // A server that is down must not hold the window up for its connect
    // timeout: it is tried on a worker, and the window connects once it answered.
    m_opening = true;
    m_searchBar->setActivity(QStringLiteral("正在连接数据库服务器…"));
    m_openTask->run<Outcome>(
        [where](const BackgroundTask::KeepGoing &) {
            StoreConnection store;
            return store.open(where);
        },
        [this, where](const Outcome &reached) {
            m_opening = false;
            opened(where, reached);
        });
}

void ManagementWindow::opened(const StoreLocation &where, Outcome reached)
{
    if (reached)
        reached = m_store->open(where);
    m_searchBar->setActivity(QString());
    if (!reached) {
        m_dialogs.critical(this, Program::kTitle, reached.error);
        return;
    }
    // A key typed while the server was being reached is searched for now.
    if (m_searchBar->key().isEmpty())
        m_gridPane->readWhole(true, false);
    else
        search();
    m_deferredRefreshTimer->setEnabled(true);
}

void ManagementWindow::refresh()
{
    if (m_store->isOpen())
        m_gridPane->readWhole(true, false);
}

void ManagementWindow::search()
{
    m_gridPane->search(m_searchBar->column(), m_searchBar->key());
}

// The grid follows the box at once: the search shown, or the whole register.
void ManagementWindow::showArchivedToggled()
{
    if (!m_store->isOpen())
        return;
    if (m_searchBar->key().isEmpty())
        m_gridPane->readWhole(false, true);
    else
        m_gridPane->search(m_searchBar->column(), m_searchBar->key(), true); // rows just hidden must not stay
}

void ManagementWindow::onDeferredRefreshTick()
{
    m_deferredRefreshTimer->setEnabled(false);
    refresh();
    Q_EMIT registerChanged();
}

void ManagementWindow::followChanges(const QStringList &)
{
    if (m_store->isOpen() && m_loaded)
        m_gridPane->followChanges();
}

void ManagementWindow::showWaybill(const QString &number)
{
    show();
    raise();
    activateWindow();
    m_gridPane->showWaybill(number);
}
