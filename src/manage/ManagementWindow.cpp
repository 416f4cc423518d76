#include "manage/ManagementWindow.h"
#include "core/ProgramName.h"
#include "manage/WindowKeys.h"

#include "core/BackgroundTask.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "manage/QuickAddDialog.h"
#include "manage/DetailsDialog.h"
#include "manage/ImportWindow.h"
#include "manage/ModifyDialog.h"
#include "manage/StatisticsWindow.h"
#include "manage/GridFill.h"
#include "settings/WatchSettings.h"
#include "store/WaybillStore.h"
#include "store/WaybillTableModel.h"
#include "transfer/ExportWriter.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &text, bool tooltip)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    if (tooltip)
        b->setToolTip(text);
    return b;
}
} // namespace

ManagementWindow::ManagementWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, const Clock &clock,
             std::function<Waybill()> currentWaybill, QWidget *parent)
    : QWidget(parent, Qt::Window), m_programFolder(programFolder), m_dialogs(dialogs), m_launcher(launcher),
      m_clock(clock), m_currentWaybill(std::move(currentWaybill)), m_store(std::make_unique<WaybillStore>())
{
    setObjectName(QStringLiteral("ManagementWindow"));
    InstallWindowKeys(this);
    setWindowTitle(QStringLiteral("快递单管理"));
    m_exportTask = new BackgroundTask(this);
    m_loader = new WaybillLoader(QDir(m_programFolder).filePath(WaybillStore::fileName()), this);
    buildControls();
    resize(960, 620);
}

ManagementWindow::~ManagementWindow() = default;

void ManagementWindow::buildControls()
{
    m_model = new WaybillTableModel(this);
    waybillGrid = new QTableView(this);
    waybillGrid->setObjectName(QStringLiteral("waybillGrid"));
    waybillGrid->setToolTip(QStringLiteral("双击确保选中值！！！"));
    waybillGrid->setAccessibleName(QStringLiteral("快递单"));
    waybillGrid->setModel(m_model);
    waybillGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    waybillGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    waybillGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    waybillGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed row heights keep a register of 100,000 rows cheap to show.
    waybillGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    waybillGrid->verticalHeader()->setDefaultSectionSize(waybillGrid->fontMetrics().height() + 6);
    waybillGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // 备注 takes what is left: no empty band at the right, no scrollbar for it.
    waybillGrid->horizontalHeader()->setStretchLastSection(true);

    refreshButton = button(this, "refreshButton", QStringLiteral("刷新数据"), false);
    refreshButton->setToolTip(QStringLiteral("刷新显示数据"));
    detailsButton = button(this, "detailsButton", QStringLiteral("显示选中运单"), false);
    deleteButton = button(this, "deleteButton", QStringLiteral("删除选中运单"), true);
    modifyButton = button(this, "modifyButton", QStringLiteral("修改选中运单"), true);
    quickAddButton = button(this, "quickAddButton", QStringLiteral("快速添加运单"), true);

    auto *transferGroup = new QGroupBox(QStringLiteral("批量导入导出"), this);
    transferGroup->setObjectName(QStringLiteral("transferGroup"));
    exportButton = button(transferGroup, "exportButton", QStringLiteral("批量导出"), false);
    importButton = button(transferGroup, "importButton", QStringLiteral("批量导入"), false);
    auto *transferLayout = new QHBoxLayout(transferGroup);
    transferLayout->addWidget(exportButton);
    transferLayout->addWidget(importButton);
    statisticsButton = button(transferGroup, "statisticsButton", QStringLiteral("统计"), false);
    statisticsButton->setToolTip(QStringLiteral("按状态、快递公司、月份和在途天数统计"));
    transferLayout->addWidget(statisticsButton);

    auto *searchGroup = new QGroupBox(QStringLiteral("快速查找"), this);
    searchGroup->setObjectName(QStringLiteral("searchGroup"));
    searchKeyCaptionLabel = new QLabel(QStringLiteral("关键字："), searchGroup);
    searchKeyCaptionLabel->setObjectName(QStringLiteral("searchKeyCaptionLabel"));
    searchKeyEdit = new QLineEdit(searchGroup);
    searchKeyEdit->setObjectName(QStringLiteral("searchKeyEdit"));
    searchKeyEdit->setAccessibleName(QStringLiteral("关键字"));
    searchKeyCaptionLabel->setBuddy(searchKeyEdit);
    searchColumnCaptionLabel = new QLabel(QStringLiteral("在"), searchGroup);
    searchColumnCaptionLabel->setObjectName(QStringLiteral("searchColumnCaptionLabel"));
    searchColumnCombo = new QComboBox(searchGroup);
    searchColumnCombo->setObjectName(QStringLiteral("searchColumnCombo"));
    searchColumnCombo->setAccessibleName(QStringLiteral("查找的列"));
    searchColumnCombo->addItems({QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("状态"),
                                 QStringLiteral("物品"), QStringLiteral("姓名"), QStringLiteral("时间"),
                                 QStringLiteral("备注")});
    // Wide enough for the longest column name under every skin.
    searchColumnCombo->setMinimumWidth(searchColumnCombo->fontMetrics().horizontalAdvance(QStringLiteral("快递单号")) +
                                       48);
    searchColumnCaptionLabel->setBuddy(searchColumnCombo);
    // Rows are read in the background; this says so until they are shown.
    const QString readingText = QStringLiteral("正在读取…");
    m_reading = new QLabel(searchGroup);
    m_reading->setObjectName(QStringLiteral("readingLabel"));
    m_reading->setToolTip(QStringLiteral("读取状态"));
    m_reading->setAccessibleName(QStringLiteral("读取状态"));
    m_reading->setMinimumWidth(m_reading->fontMetrics().horizontalAdvance(readingText) + 4);
    auto *searchLayout = new QHBoxLayout(searchGroup);
    searchLayout->addWidget(searchKeyCaptionLabel);
    searchLayout->addWidget(searchKeyEdit, 1);
    searchLayout->addWidget(searchColumnCaptionLabel);
    searchLayout->addWidget(searchColumnCombo);
    showArchivedCheckBox = new QCheckBox(QStringLiteral("显示已归档"), searchGroup);
    showArchivedCheckBox->setObjectName(QStringLiteral("showArchivedCheckBox"));
    showArchivedCheckBox->setAccessibleName(showArchivedCheckBox->text());
    showArchivedCheckBox->setToolTip(QStringLiteral("列出并查找已签收多日、已归档的快递单"));
    searchLayout->addWidget(showArchivedCheckBox);
    searchLayout->addWidget(m_reading);
    // Tab reads the bottom row from the left: the search, then export and import.
    setTabOrder(quickAddButton, searchKeyEdit);
    setTabOrder(searchKeyEdit, searchColumnCombo);
    setTabOrder(searchColumnCombo, showArchivedCheckBox);
    setTabOrder(showArchivedCheckBox, exportButton);
    setTabOrder(exportButton, importButton);
    setTabOrder(importButton, statisticsButton);

    // The selection labels, each beside the name of the column it holds.
    auto *selection = new QGroupBox(QStringLiteral("选中运单"), this);
    auto *selectionLayout = new QGridLayout(selection);
    struct Slot {
        QLabel **label;
        const char *name;
        int column;
    };
    const Slot places[] = {
        {&numberValueLabel, "numberValueLabel", WaybillColumns::Number},
        {&carrierValueLabel, "carrierValueLabel", WaybillColumns::Carrier},
        {&statusValueLabel, "statusValueLabel", WaybillColumns::Status},
        {&daysInTransitValueLabel, "daysInTransitValueLabel", WaybillColumns::DaysInTransit},
        {&goodsValueLabel, "goodsValueLabel", WaybillColumns::Goods},
        {&amountValueLabel, "amountValueLabel", WaybillColumns::Amount},
        {&timeValueLabel, "timeValueLabel", WaybillColumns::Time},
        {&nameValueLabel, "nameValueLabel", WaybillColumns::Name},
        {&phoneValueLabel, "phoneValueLabel", WaybillColumns::Phone},
        {&addressValueLabel, "addressValueLabel", WaybillColumns::Address},
        {&notesValueLabel, "notesValueLabel", WaybillColumns::Notes},
    };
    int index = 0;
    for (const Slot &slot : places) {
        const QString column = WaybillColumns::name(slot.column);
        auto *label = new QLabel(selection); // empty until a row is chosen
        label->setObjectName(QString::fromLatin1(slot.name));
        label->setAccessibleDescription(column); // its name is the value it shows
        label->setToolTip(column);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto *caption = new QLabel(column + QStringLiteral("："), selection);
        caption->setBuddy(label); // an empty value is announced by its caption
        selectionLayout->addWidget(caption, index / 4, (index % 4) * 2);
        selectionLayout->addWidget(label, index / 4, (index % 4) * 2 + 1);
        *slot.label = label;
        m_selection[slot.column] = label;
        ++index;
    }

    gridMenu = new QMenu(QStringLiteral("右键菜单"), this);
    gridMenu->setObjectName(QStringLiteral("gridMenu"));
    auto action = [this](QAction **member, const char *name, const QString &text) {
        *member = gridMenu->addAction(text);
        (*member)->setObjectName(QString::fromLatin1(name));
    };
    action(&detailsAction, "detailsAction", QStringLiteral("详细信息"));
    action(&quickAddAction, "quickAddAction", QStringLiteral("添加快递单"));
    action(&modifyAction, "modifyAction", QStringLiteral("修改快递单"));
    action(&deleteAction, "deleteAction", QStringLiteral("删除快递单"));
    action(&cancelAction, "cancelAction", QStringLiteral("取消"));

    deferredRefreshTimer = new ClassicTimer(1000, false, this);
    deferredRefreshTimer->setObjectName(QStringLiteral("deferredRefreshTimer"));

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {refreshButton, detailsButton, deleteButton, modifyButton, quickAddButton})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *lower = new QHBoxLayout;
    lower->addWidget(searchGroup, 1);
    lower->addWidget(transferGroup);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(waybillGrid, 1);
    layout->addWidget(selection);
    layout->addLayout(buttons);
    layout->addLayout(lower);

    connect(refreshButton, &QPushButton::clicked, this, &ManagementWindow::refresh);
    connect(detailsButton, &QPushButton::clicked, this, &ManagementWindow::showDetails);
    connect(deleteButton, &QPushButton::clicked, this, &ManagementWindow::deleteSelected);
    connect(modifyButton, &QPushButton::clicked, this, &ManagementWindow::modifySelected);
    connect(quickAddButton, &QPushButton::clicked, this, &ManagementWindow::showQuickAdd);
    connect(exportButton, &QPushButton::clicked, this, &ManagementWindow::exportRegister);
    connect(statisticsButton, &QPushButton::clicked, this, &ManagementWindow::showStatistics);
    connect(importButton, &QPushButton::clicked, this, &ManagementWindow::showImport);
    connect(detailsAction, &QAction::triggered, this, &ManagementWindow::showDetails);
    connect(quickAddAction, &QAction::triggered, this, &ManagementWindow::showQuickAdd);
    connect(modifyAction, &QAction::triggered, this, &ManagementWindow::modifySelected);
    connect(deleteAction, &QAction::triggered, this, &ManagementWindow::deleteSelected);
    connect(searchKeyEdit, &QLineEdit::textChanged, this, &ManagementWindow::search);
    connect(showArchivedCheckBox, &QCheckBox::toggled, this, &ManagementWindow::showArchivedToggled);
    connect(deferredRefreshTimer, &ClassicTimer::timeout, this, &ManagementWindow::onDeferredRefreshTick);
    connect(waybillGrid, &QWidget::customContextMenuRequested, this, &ManagementWindow::showMenu);
    connect(waybillGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManagementWindow::showSelectedRow);
    connect(waybillGrid, &QAbstractItemView::doubleClicked, this, &ManagementWindow::showSelectedRow);
    connect(m_loader, &WaybillLoader::delivered, this, &ManagementWindow::showRead);
    connect(m_loader, &WaybillLoader::readingChanged, m_reading,
            [this, readingText](bool reading) { m_reading->setText(reading ? readingText : QString()); });
}

void ManagementWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        load();
    QWidget::showEvent(event);
}

void ManagementWindow::closeEvent(QCloseEvent *event)
{
    // Closing drops the connection, the rows, the chosen row and any read still on its way;
    // the next opening loads again.
    m_loader->cancel();
    deferredRefreshTimer->setEnabled(false);
    m_store->close();
    WaybillLoader::discard(m_model->setRows({}));
    clearSelectionPanel();
    m_loaded = false;
    QWidget::closeEvent(event);
}

void ManagementWindow::load()
{
    m_loaded = true;
    const Outcome opened = m_store->open(QDir(m_programFolder).filePath(WaybillStore::fileName()));
    if (!opened) {
        m_dialogs.critical(this, Program::kTitle, opened.error);
        return;
    }
    readWholeTable(true, false);
    deferredRefreshTimer->setEnabled(true);
}

bool ManagementWindow::isReading() const
{
    return m_loader->isReading();
}

void ManagementWindow::readWholeTable(bool updateDays, bool emptyClears)
{
    // Only the newest request is ever delivered, so this flag belongs to it.
    m_emptyClears = emptyClears;
    m_loader->readAll(m_clock.today(), updateDays, WatchSettings::archiveDays(m_programFolder),
                      showArchivedCheckBox->isChecked());
}

void ManagementWindow::showRead(const WaybillLoader::Result &result)
{
    if (!result.read) {
        // A search that fails leaves the grid as it is, without a message.
        if (!result.request.search)
            m_dialogs.critical(this, Program::kTitle, result.read.error);
        return;
    }
    if (!result.stored)
        m_dialogs.critical(this, Program::kTitle, result.stored.error);
    // No match, or an empty register on a refresh, leaves the grid as it is.
    if (result.rows.isEmpty()) {
        if (m_emptyClears)
            WaybillLoader::discard(m_model->setRows({}));
        return;
    }
    WaybillLoader::discard(m_model->setRows(result.rows, result.checks, result.archived));
    // The widths follow the text's GBK length; the cell's own margins come on
    // top, so that the widest value is shown whole in today's larger fonts.
    const int margins = 2 * waybillGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, waybillGrid) + 8;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        waybillGrid->setColumnWidth(c, GridFill::pixels(result.fill.widthsTwips[c]) + margins);
    selectWanted();
    waybillGrid->setColumnWidth(WaybillTableModel::LastCheck,
                                waybillGrid->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-07 14:03")) +
                                    margins);
}

void ManagementWindow::refresh()
{
    if (m_store->isOpen())
        readWholeTable(true, false);
}

void ManagementWindow::onDeferredRefreshTick()
{
    deferredRefreshTimer->setEnabled(false);
    refresh();
    Q_EMIT registerChanged();
}

void ManagementWindow::search()
{
    if (!m_store->isOpen())
        return;
    // A column with no statement leaves the grid as it is.
    const QString column = searchColumnCombo->currentText();
    if (!WaybillStore::searchableColumns().contains(column))
        return;
    m_emptyClears = false;
    m_loader->search(column, searchKeyEdit->text(), m_clock.today(), WatchSettings::archiveDays(m_programFolder),
                     showArchivedCheckBox->isChecked());
}

void ManagementWindow::showWaybill(const QString &number)
{
    m_wanted = number;
    show();
    raise();
    activateWindow();
    if (!m_loader->isReading())
        selectWanted();
}

bool ManagementWindow::selectWanted()
{
    if (m_wanted.isEmpty())
        return false;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->waybill(row).number == m_wanted) {
            m_wanted.clear();
            waybillGrid->setCurrentIndex(m_model->index(row, 0));
            waybillGrid->scrollTo(m_model->index(row, 0));
            return true;
        }
    }
    return false;
}

// The grid follows the box at once: the search shown, or the whole register.
void ManagementWindow::showArchivedToggled()
{
    if (!m_store->isOpen())
        return;
    if (searchKeyEdit->text().isEmpty()) {
        readWholeTable(false, true);
        return;
    }
    search();
    m_emptyClears = true; // rows just hidden must not stay on the screen

}

int ManagementWindow::currentRow() const
{
    const QModelIndex current = waybillGrid->selectionModel()->currentIndex();
    return current.isValid() && current.row() < m_model->rowCount() ? current.row() : -1;
}

void ManagementWindow::deleteSelected()
{
    if (!m_store->isOpen())
        return;
    const int row = currentRow();
    if (row < 0) {
        // A refresh leaves no current row; the user may still think one is chosen.
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要删除的快递单。"));
        return;
    }
    // Taken before asking: rows read meanwhile may replace the grid's contents.
    const QString number = m_model->waybill(row).number;
    if (!m_dialogs.askYesNo(this, QStringLiteral("提示"), QStringLiteral("是否删除该快递单 %1？").arg(number)))
        return;
    if (const Outcome deleted = m_store->deleteWaybill(number); !deleted) {
        m_dialogs.critical(this, Program::kTitle, deleted.error);
    } else {
        m_model->removeWaybill(number); // gone from the screen before the table is read again
        // The grid moves its current row to a neighbour; the user chose none of them.
        clearSelectionPanel();
        Q_EMIT registerChanged();
    }
    // The whole table again, a shown search result included.
    readWholeTable(false, true);
}

void ManagementWindow::showSelectedRow()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const Waybill &w = m_model->waybill(row);
    for (int c = 0; c < WaybillColumns::Count; ++c)
        m_selection[c]->setText(WaybillColumns::value(w, c));
    m_hasSelection = true;
}

void ManagementWindow::clearSelectionPanel()
{
    for (QLabel *value : m_selection)
        value->clear();
    m_hasSelection = false;
}

Waybill ManagementWindow::selectionLabels() const
{
    Waybill w;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        WaybillColumns::value(w, c) = m_selection[c]->text();
    return w;
}

void ManagementWindow::showMenu(const QPoint &at)
{
    gridMenu->popup(waybillGrid->viewport()->mapToGlobal(at));
}

void ManagementWindow::showDetails()
{
    if (!m_detailsDialog)
        m_detailsDialog = new DetailsDialog(m_dialogs, this);
    const Waybill current = m_currentWaybill ? m_currentWaybill() : Waybill{};
    std::optional<Waybill> registered;
    QVector<StateEntry> history;
    if (!current.number.isEmpty() && m_store->isOpen()) {
        registered = m_store->find(current.number);
        history = m_store->stateHistory(current.number);
    }
    m_detailsDialog->showFor(current, registered, history, m_clock.now());
}

void ManagementWindow::modifySelected()
{
    // Before any row was chosen the labels hold no waybill to change.
    if (!m_hasSelection) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要修改的快递单。"));
        return;
    }
    if (!m_modifyDialog) {
        m_modifyDialog = new ModifyDialog(m_programFolder, m_dialogs, this);
        connect(m_modifyDialog, &ModifyDialog::attempted, deferredRefreshTimer,
                [this] { deferredRefreshTimer->setEnabled(true); });
    }
    m_modifyDialog->showFor(selectionLabels());
}

void ManagementWindow::showQuickAdd()
{
    if (!m_quickAddDialog) {
        m_quickAddDialog = new QuickAddDialog(m_programFolder, m_dialogs, m_clock, this);
        connect(m_quickAddDialog, &QuickAddDialog::attempted, deferredRefreshTimer,
                [this] { deferredRefreshTimer->setEnabled(true); });
    }
    m_quickAddDialog->show();
    m_quickAddDialog->raise();
    m_quickAddDialog->activateWindow();
}

void ManagementWindow::showImport()
{
    if (!m_importWindow) {
        m_importWindow = new ImportWindow(m_programFolder, m_dialogs, m_launcher, this);
        connect(m_importWindow, &ImportWindow::imported, this, &ManagementWindow::waybillsImported);
    }
    m_importWindow->show();
    m_importWindow->raise();
    m_importWindow->activateWindow();
}

void ManagementWindow::exportRegister()
{
    Dialogs::FileRequest request;
    request.title = QStringLiteral("保存为");
    request.folder = m_programFolder;
    request.filters = {QStringLiteral("文本文件(*.txt)"), QStringLiteral("导出为 Excel (*.xlsx)"),
                       QStringLiteral("所有文件(*.*)")};
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = m_dialogs.saveFile(this, request);
    if (path.isEmpty() || !m_store->isOpen() || m_exporting)
        return;
    // Reading and writing a large register happen off the window's thread,
    // with a connection of their own.
    m_exporting = true;
    exportButton->setEnabled(false);
    m_reading->setText(QStringLiteral("正在导出…"));
    struct Written {
        Outcome outcome;
        bool empty = false;
        int beyondGbk = 0;
    };
    const QString database = m_store->path();
    const bool workbook = path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
    m_exportTask->run<Written>(
        [database, path, workbook](const BackgroundTask::KeepGoing &) {
            Written written;
            WaybillStore store;
            written.outcome = store.open(database);
            if (written.outcome) {
                const QVector<Waybill> rows = store.allWaybills(&written.outcome);
                written.empty = written.outcome && rows.isEmpty();
                if (written.outcome && !written.empty)
                    written.outcome = workbook ? ExportWriter::writeWorkbook(path, rows)
                                               : ExportWriter::write(path, rows, &written.beyondGbk);
            }
            return written;
        },
        [this](Written written) { exportFinished(written.outcome, written.empty, written.beyondGbk); });
}

void ManagementWindow::exportFinished(const Outcome &outcome, bool empty, int beyondGbk)
{
    m_exporting = false;
    exportButton->setEnabled(true);
    m_reading->setText(m_loader->isReading() ? QStringLiteral("正在读取…") : QString());
    if (!outcome)
        m_dialogs.critical(this, Program::kTitle, outcome.error);
    else if (empty)
        m_dialogs.information(this, Program::kTitle, QStringLiteral("数据库没有记录!!"));
    else if (beyondGbk > 0)
        m_dialogs.information(
            this, Program::kTitle,
            QStringLiteral("导出完成。其中 %1 条运单含有 GBK 编码没有的字符（如表情符号、€、不换行空格），"
                           "这些字符按 GB18030 编码写入，内容没有丢失，但只认 GBK 的程序可能显示不正确。")
                .arg(beyondGbk));
    Q_EMIT exportDone();
}

void ManagementWindow::showStatistics()
{
    if (!m_statistics)
        m_statistics = new StatisticsWindow(QDir(m_programFolder).filePath(WaybillStore::fileName()), m_clock.today(), this);
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
}
