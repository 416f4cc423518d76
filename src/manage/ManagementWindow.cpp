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
    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setToolTip(QStringLiteral("双击确保选中值！！！"));
    DataGrid1->setAccessibleName(QStringLiteral("快递单"));
    DataGrid1->setModel(m_model);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed row heights keep a register of 100,000 rows cheap to show.
    DataGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataGrid1->verticalHeader()->setDefaultSectionSize(DataGrid1->fontMetrics().height() + 6);
    DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // 备注 takes what is left: no empty band at the right, no scrollbar for it.
    DataGrid1->horizontalHeader()->setStretchLastSection(true);

    Command8 = button(this, "Command8", QStringLiteral("刷新数据"), false);
    Command8->setToolTip(QStringLiteral("刷新显示数据"));
    Command15 = button(this, "Command15", QStringLiteral("显示选中运单"), false);
    Command1 = button(this, "Command1", QStringLiteral("删除选中运单"), true);
    Command9 = button(this, "Command9", QStringLiteral("修改选中运单"), true);
    Command10 = button(this, "Command10", QStringLiteral("快速添加运单"), true);

    auto *frame6 = new QGroupBox(QStringLiteral("批量导入导出"), this);
    frame6->setObjectName(QStringLiteral("Frame6"));
    Command11 = button(frame6, "Command11", QStringLiteral("批量导出"), false);
    Command14 = button(frame6, "Command14", QStringLiteral("批量导入"), false);
    auto *frame6Layout = new QHBoxLayout(frame6);
    frame6Layout->addWidget(Command11);
    frame6Layout->addWidget(Command14);
    CommandStats = button(frame6, "CommandStats", QStringLiteral("统计"), false);
    CommandStats->setToolTip(QStringLiteral("按状态、快递公司、月份和在途天数统计"));
    frame6Layout->addWidget(CommandStats);

    auto *frame7 = new QGroupBox(QStringLiteral("快速查找"), this);
    frame7->setObjectName(QStringLiteral("Frame7"));
    Label17 = new QLabel(QStringLiteral("关键字："), frame7);
    Label17->setObjectName(QStringLiteral("Label17"));
    Text5 = new QLineEdit(frame7);
    Text5->setObjectName(QStringLiteral("Text5"));
    Text5->setAccessibleName(QStringLiteral("关键字"));
    Label17->setBuddy(Text5);
    Label7 = new QLabel(QStringLiteral("在"), frame7);
    Label7->setObjectName(QStringLiteral("Label7"));
    Combo1 = new QComboBox(frame7);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setAccessibleName(QStringLiteral("查找的列"));
    Combo1->addItems({QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("状态"),
                      QStringLiteral("物品"), QStringLiteral("姓名"), QStringLiteral("时间"), QStringLiteral("备注")});
    // Wide enough for the longest column name under every skin.
    Combo1->setMinimumWidth(Combo1->fontMetrics().horizontalAdvance(QStringLiteral("快递单号")) + 48);
    Label7->setBuddy(Combo1);
    // Rows are read in the background; this says so until they are shown.
    const QString readingText = QStringLiteral("正在读取…");
    m_reading = new QLabel(frame7);
    m_reading->setObjectName(QStringLiteral("readingLabel"));
    m_reading->setToolTip(QStringLiteral("读取状态"));
    m_reading->setAccessibleName(QStringLiteral("读取状态"));
    m_reading->setMinimumWidth(m_reading->fontMetrics().horizontalAdvance(readingText) + 4);
    auto *frame7Layout = new QHBoxLayout(frame7);
    frame7Layout->addWidget(Label17);
    frame7Layout->addWidget(Text5, 1);
    frame7Layout->addWidget(Label7);
    frame7Layout->addWidget(Combo1);
    showArchived = new QCheckBox(QStringLiteral("显示已归档"), frame7);
    showArchived->setObjectName(QStringLiteral("showArchived"));
    showArchived->setAccessibleName(showArchived->text());
    showArchived->setToolTip(QStringLiteral("列出并查找已签收多日、已归档的快递单"));
    frame7Layout->addWidget(showArchived);
    frame7Layout->addWidget(m_reading);
    // Tab reads the bottom row from the left: the search, then export and import.
    setTabOrder(Command10, Text5);
    setTabOrder(Text5, Combo1);
    setTabOrder(Combo1, showArchived);
    setTabOrder(showArchived, Command11);
    setTabOrder(Command11, Command14);
    setTabOrder(Command14, CommandStats);

    // The selection labels, each beside the name of the column it holds.
    auto *selection = new QGroupBox(QStringLiteral("选中运单"), this);
    auto *selectionLayout = new QGridLayout(selection);
    struct Slot {
        QLabel **label;
        const char *name;
        int column;
    };
    const Slot places[] = {
        {&Label2, "Label2", WaybillColumns::Number},  {&Label1, "Label1", WaybillColumns::Carrier},
        {&Label4, "Label4", WaybillColumns::Status},  {&Label12, "Label12", WaybillColumns::DaysInTransit},
        {&Label5, "Label5", WaybillColumns::Goods},   {&Label6, "Label6", WaybillColumns::Amount},
        {&Label8, "Label8", WaybillColumns::Time},    {&Label9, "Label9", WaybillColumns::Name},
        {&Label10, "Label10", WaybillColumns::Phone}, {&Label11, "Label11", WaybillColumns::Address},
        {&Label3, "Label3", WaybillColumns::Notes},
    };
    int index = 0;
    for (const Slot &slot : places) {
        const QString column = WaybillColumns::name(slot.column);
        auto *label = new QLabel(QString::fromLatin1(slot.name), selection);
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

    yjcd = new QMenu(QStringLiteral("右键菜单"), this);
    yjcd->setObjectName(QStringLiteral("yjcd"));
    auto action = [this](QAction **member, const char *name, const QString &text) {
        *member = yjcd->addAction(text);
        (*member)->setObjectName(QString::fromLatin1(name));
    };
    action(&xiangxi, "xiangxi", QStringLiteral("详细信息"));
    action(&tjkdd, "tjkdd", QStringLiteral("添加快递单"));
    action(&xgkdd, "xgkdd", QStringLiteral("修改快递单"));
    action(&sckdd, "sckdd", QStringLiteral("删除快递单"));
    action(&quxiao, "quxiao", QStringLiteral("取消"));

    Timer1 = new ClassicTimer(1000, false, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Command8, Command15, Command1, Command9, Command10})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *lower = new QHBoxLayout;
    lower->addWidget(frame7, 1);
    lower->addWidget(frame6);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DataGrid1, 1);
    layout->addWidget(selection);
    layout->addLayout(buttons);
    layout->addLayout(lower);

    connect(Command8, &QPushButton::clicked, this, &ManagementWindow::Command8_Click);
    connect(Command15, &QPushButton::clicked, this, &ManagementWindow::Command15_Click);
    connect(Command1, &QPushButton::clicked, this, &ManagementWindow::Command1_Click);
    connect(Command9, &QPushButton::clicked, this, &ManagementWindow::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &ManagementWindow::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &ManagementWindow::Command11_Click);
    connect(CommandStats, &QPushButton::clicked, this, &ManagementWindow::showStatistics);
    connect(Command14, &QPushButton::clicked, this, &ManagementWindow::Command14_Click);
    connect(xiangxi, &QAction::triggered, this, &ManagementWindow::Command15_Click);
    connect(tjkdd, &QAction::triggered, this, &ManagementWindow::Command10_Click);
    connect(xgkdd, &QAction::triggered, this, &ManagementWindow::Command9_Click);
    connect(sckdd, &QAction::triggered, this, &ManagementWindow::Command1_Click);
    connect(Text5, &QLineEdit::textChanged, this, &ManagementWindow::Text5_Change);
    connect(showArchived, &QCheckBox::toggled, this, &ManagementWindow::showArchivedToggled);
    connect(Timer1, &ClassicTimer::timeout, this, &ManagementWindow::Timer1_Timer);
    connect(DataGrid1, &QWidget::customContextMenuRequested, this, &ManagementWindow::showMenu);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &ManagementWindow::DataGrid1_SelChange);
    connect(DataGrid1, &QAbstractItemView::doubleClicked, this, &ManagementWindow::DataGrid1_SelChange);
    connect(m_loader, &WaybillLoader::delivered, this, &ManagementWindow::showRead);
    connect(m_loader, &WaybillLoader::readingChanged, m_reading,
            [this, readingText](bool reading) { m_reading->setText(reading ? readingText : QString()); });
}

void ManagementWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        Form_Load();
    QWidget::showEvent(event);
}

void ManagementWindow::closeEvent(QCloseEvent *event)
{
    // Closing drops the connection, the rows and any read still on its way;
    // the next opening loads again.
    m_loader->cancel();
    Timer1->setEnabled(false);
    m_store->close();
    WaybillLoader::discard(m_model->setRows({}));
    m_loaded = false;
    QWidget::closeEvent(event);
}

void ManagementWindow::Form_Load()
{
    m_loaded = true;
    const Outcome opened = m_store->open(QDir(m_programFolder).filePath(WaybillStore::fileName()));
    if (!opened) {
        m_dialogs.critical(this, Program::kTitle, opened.error);
        return;
    }
    readWholeTable(true, false);
    Timer1->setEnabled(true);
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
                      showArchived->isChecked());
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
    const int margins = 2 * DataGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, DataGrid1) + 8;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        DataGrid1->setColumnWidth(c, GridFill::pixels(result.fill.widthsTwips[c]) + margins);
    selectWanted();
    DataGrid1->setColumnWidth(WaybillTableModel::LastCheck,
                              DataGrid1->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-07 14:03")) + margins);
}

void ManagementWindow::Command8_Click()
{
    if (m_store->isOpen())
        readWholeTable(true, false);
}

void ManagementWindow::Timer1_Timer()
{
    Timer1->setEnabled(false);
    Command8_Click();
    Q_EMIT registerChanged();
}

void ManagementWindow::Text5_Change()
{
    if (!m_store->isOpen())
        return;
    // A column with no statement leaves the grid as it is.
    const QString column = Combo1->currentText();
    if (!WaybillStore::searchableColumns().contains(column))
        return;
    m_emptyClears = false;
    m_loader->search(column, Text5->text(), m_clock.today(), WatchSettings::archiveDays(m_programFolder),
                     showArchived->isChecked());
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
            DataGrid1->setCurrentIndex(m_model->index(row, 0));
            DataGrid1->scrollTo(m_model->index(row, 0));
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
    if (Text5->text().isEmpty()) {
        readWholeTable(false, true);
        return;
    }
    Text5_Change();
    m_emptyClears = true; // rows just hidden must not stay on the screen

}

int ManagementWindow::currentRow() const
{
    const QModelIndex current = DataGrid1->selectionModel()->currentIndex();
    return current.isValid() && current.row() < m_model->rowCount() ? current.row() : -1;
}

void ManagementWindow::Command1_Click()
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
        Q_EMIT registerChanged();
    }
    // The whole table again, a shown search result included.
    readWholeTable(false, true);
}

void ManagementWindow::DataGrid1_SelChange()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const Waybill &w = m_model->waybill(row);
    for (int c = 0; c < WaybillColumns::Count; ++c)
        m_selection[c]->setText(WaybillColumns::value(w, c));
    m_hasSelection = true;
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
    yjcd->popup(DataGrid1->viewport()->mapToGlobal(at));
}

void ManagementWindow::Command15_Click()
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

void ManagementWindow::Command9_Click()
{
    // Before any row was chosen the labels hold no waybill to change.
    if (!m_hasSelection) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("请先在表格中选中要修改的快递单。"));
        return;
    }
    if (!m_modifyDialog) {
        m_modifyDialog = new ModifyDialog(m_programFolder, m_dialogs, this);
        connect(m_modifyDialog, &ModifyDialog::attempted, Timer1, [this] { Timer1->setEnabled(true); });
    }
    m_modifyDialog->showFor(selectionLabels());
}

void ManagementWindow::Command10_Click()
{
    if (!m_quickAddDialog) {
        m_quickAddDialog = new QuickAddDialog(m_programFolder, m_dialogs, m_clock, this);
        connect(m_quickAddDialog, &QuickAddDialog::attempted, Timer1, [this] { Timer1->setEnabled(true); });
    }
    m_quickAddDialog->show();
    m_quickAddDialog->raise();
    m_quickAddDialog->activateWindow();
}

void ManagementWindow::Command14_Click()
{
    if (!m_importWindow) {
        m_importWindow = new ImportWindow(m_programFolder, m_dialogs, m_launcher, this);
        connect(m_importWindow, &ImportWindow::imported, this, &ManagementWindow::waybillsImported);
    }
    m_importWindow->show();
    m_importWindow->raise();
    m_importWindow->activateWindow();
}

void ManagementWindow::Command11_Click()
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
    Command11->setEnabled(false);
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
    Command11->setEnabled(true);
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
