// The management window's controls, built and wired once.
#include "manage/ManagementWindow.h"

#include "core/ClassicTimer.h"
#include "manage/FlaggedWindow.h"
#include "manage/WaybillLoader.h"
#include "store/WaybillTableModel.h"

#include <algorithm>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTabBar>
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
    // A click on a heading sorts by it, another reverses; the register's order until then.
    waybillGrid->horizontalHeader()->setSectionsClickable(true);
    waybillGrid->horizontalHeader()->setSortIndicatorShown(true);
    waybillGrid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(waybillGrid->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, &ManagementWindow::sortBy);
    statusFilterTabs = new QTabBar(this);
    statusFilterTabs->setObjectName(QStringLiteral("statusFilterTabs"));
    statusFilterTabs->setAccessibleName(QStringLiteral("按物流状态筛选"));
    statusFilterTabs->setDrawBase(false);
    statusFilterTabs->setExpanding(false);
    connect(statusFilterTabs, &QTabBar::currentChanged, this, &ManagementWindow::filterByStatus);
    countStatuses();
    statusFilterTabs->setTabText(0, QStringLiteral("全部")); // no count until the rows are counted

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
    flaggedButton = button(transferGroup, "flaggedButton", QStringLiteral("超时件"), false);
    flaggedButton->setToolTip(QStringLiteral("揽收超时、超时未更新、超时未签收、待取超时的快递单"));
    transferLayout->addWidget(flaggedButton);

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
    m_reading->setAccessibleDescription(QStringLiteral("读取状态")); // its name is the state it shows
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
    searchResultLabel = new QLabel(searchGroup);
    searchResultLabel->setObjectName(QStringLiteral("searchResultLabel"));
    searchResultLabel->setAccessibleDescription(QStringLiteral("查找结果")); // its name is the result it shows
    searchResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    showArchivedFoundButton = new QPushButton(QStringLiteral("显示"), searchGroup);
    showArchivedFoundButton->setObjectName(QStringLiteral("showArchivedFoundButton"));
    showArchivedFoundButton->setAccessibleName(QStringLiteral("显示已归档的快递单"));
    showArchivedFoundButton->hide();
    searchLayout->addWidget(searchResultLabel);
    searchLayout->addWidget(showArchivedFoundButton);
    // Tab reads the bottom row from the left: the search, then export and import.
    setTabOrder(quickAddButton, searchKeyEdit);
    setTabOrder(searchKeyEdit, searchColumnCombo);
    setTabOrder(searchColumnCombo, showArchivedCheckBox);
    setTabOrder(showArchivedCheckBox, exportButton);
    setTabOrder(exportButton, importButton);
    setTabOrder(importButton, statisticsButton);
    setTabOrder(statisticsButton, flaggedButton);

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
    layout->addWidget(statusFilterTabs);
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
    connect(flaggedButton, &QPushButton::clicked, this, &ManagementWindow::showFlagged);
    connect(importButton, &QPushButton::clicked, this, &ManagementWindow::showImport);
    connect(detailsAction, &QAction::triggered, this, &ManagementWindow::showDetails);
    connect(quickAddAction, &QAction::triggered, this, &ManagementWindow::showQuickAdd);
    connect(modifyAction, &QAction::triggered, this, &ManagementWindow::modifySelected);
    connect(deleteAction, &QAction::triggered, this, &ManagementWindow::deleteSelected);
    connect(searchKeyEdit, &QLineEdit::textChanged, this, &ManagementWindow::search);
    connect(showArchivedCheckBox, &QCheckBox::toggled, this, &ManagementWindow::showArchivedToggled);
    connect(showArchivedFoundButton, &QPushButton::clicked, showArchivedCheckBox,
            [this] { showArchivedCheckBox->setChecked(true); });
    connect(deferredRefreshTimer, &ClassicTimer::timeout, this, &ManagementWindow::onDeferredRefreshTick);
    connect(waybillGrid, &QWidget::customContextMenuRequested, this, &ManagementWindow::showMenu);
    connect(waybillGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManagementWindow::showSelectedRow);
    connect(waybillGrid, &QAbstractItemView::doubleClicked, this, &ManagementWindow::showSelectedRow);
    // A screen reader selects a cell without moving the current one; the row it
    // selected is then the chosen row, as a click would make it.
    connect(waybillGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList selected = waybillGrid->selectionModel()->selectedIndexes();
        if (selected.isEmpty() || selected.first().row() == waybillGrid->currentIndex().row())
            return;
        const int row = selected.first().row();
        if (std::all_of(selected.cbegin(), selected.cend(), [row](const QModelIndex &i) { return i.row() == row; }))
            waybillGrid->selectionModel()->setCurrentIndex(selected.first(), QItemSelectionModel::NoUpdate);
    });
    connect(m_loader, &WaybillLoader::firstScreenRead, this, &ManagementWindow::showFirstScreen);
    connect(m_loader, &WaybillLoader::listed, this, &ManagementWindow::showListed);
    connect(m_loader, &WaybillLoader::counted, this, &ManagementWindow::showCounts);
    connect(m_loader, &WaybillLoader::delivered, this, &ManagementWindow::readFinished);
    connect(m_loader, &WaybillLoader::readingChanged, m_reading,
            [this, readingText](bool reading) { m_reading->setText(reading ? readingText : QString()); });
}

void ManagementWindow::showFlagged()
{
    if (!m_flagged) {
        m_flagged = new FlaggedWindow(m_programFolder, m_clock, this);
        connect(m_flagged, &FlaggedWindow::showRequested, this, [this](const QString &number) {
            showWaybill(number);
            raise();
            activateWindow();
        });
    }
    m_flagged->show();
    m_flagged->raise();
    m_flagged->activateWindow();
}
