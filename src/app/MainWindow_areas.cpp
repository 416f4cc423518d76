// The working areas of the main window: the carrier and data-source choice
// with the information panel, the queries and their results, the input form
// and the history list.
#include "app/MainWindow.h"

#include "app/ElidingLabel.h"
#include "app/MainWindow_build.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "settings/RegisterLocation.h"
#include "store/HistoryLoader.h"
#include "store/HistoryModel.h"
#include "store/Waybill.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// Refuses an edit that would hold more characters than the column: QLineEdit's
// own limit counts UTF-16 units, which halves it for emoji.
class CharacterLimit final : public QValidator {
public:
    CharacterLimit(int limit, QObject *parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString &input, int &) const override
    {
        return WaybillColumns::characterCount(input) <= m_limit ? Acceptable : Invalid;
    }

private:
    int m_limit;
};

QLabel *valueLabel(const char *name, const QString &tooltip, QWidget *parent)
{
    auto *label = new ElidingLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setToolTip(tooltip);
    // A screen reader announces the value itself; the caption describes it.
    label->setAccessibleDescription(tooltip);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QPushButton *button(const char *name, const QString &caption, const QString &tooltip, QWidget *parent)
{
    auto *b = named(new QPushButton(caption, parent), name);
    if (!tooltip.isEmpty())
        b->setToolTip(tooltip);
    return b;
}

} // namespace

void MainWindow::buildCarrierArea(QWidget *parent)
{
    carrierGroup = named(new QGroupBox(QStringLiteral("快递公司"), parent), "carrierGroup");
    auto *grid = new QGridLayout(carrierGroup);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(2);
    m_carrierButtons = new QButtonGroup(this);
    const auto carriers = CarrierCatalogue::buttonCarriers();
    for (int i = 0; i < 12; ++i) {
        carrierOptions[i] = new QRadioButton(carriers[i]->name, carrierGroup);
        carrierOptions[i]->setObjectName(QStringLiteral("carrierOptions[%1]").arg(i));
        carrierOptions[i]->setToolTip(carriers[i]->tooltip);
        m_carrierButtons->addButton(carrierOptions[i], i);
        grid->addWidget(carrierOptions[i], i / 4, i % 4);
        whenChosen(carrierOptions[i], [this, i] {
            selectCarrier(i);
            userChoseCarrier();
        });
    }
    otherCarriersLabel = named(new QLabel(QStringLiteral("其他快递公司："), carrierGroup), "otherCarriersLabel");
    otherCarriersList = named(new QListWidget(carrierGroup), "otherCarriersList");
    otherCarriersList->setAccessibleName(otherCarriersLabel->text());
    otherCarriersLabel->setBuddy(otherCarriersList);
    for (const Carrier *c : CarrierCatalogue::listCarriers())
        otherCarriersList->addItem(c->name);
    otherCarriersList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Four whole rows: a row cut at the bottom looks like a fault.
    otherCarriersList->setFixedHeight(4 * otherCarriersList->sizeHintForRow(0) + 2 * otherCarriersList->frameWidth());
    grid->addWidget(otherCarriersLabel, 3, 0);
    grid->addWidget(otherCarriersList, 4, 0, 1, 4);
    connect(otherCarriersList, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_suppressListAction)
            return;
        selectListedCarrier();
        userChoseCarrier();
    });

    sourceGroup = named(new QGroupBox(QStringLiteral("数据来源"), parent), "sourceGroup");
    auto *sources = new QGridLayout(sourceGroup);
    sources->setContentsMargins(6, 2, 6, 4);
    defaultSourceOption = named(new QRadioButton(QStringLiteral("默认来源"), sourceGroup), "defaultSourceOption");
    defaultSourceNoteLabel = named(new QLabel(QStringLiteral("(快递100)"), sourceGroup), "defaultSourceNoteLabel");
    backupSource1Option = named(new QRadioButton(QStringLiteral("备用来源1"), sourceGroup), "backupSource1Option");
    backupSource2Option = named(new QRadioButton(QStringLiteral("备用来源2"), sourceGroup), "backupSource2Option");
    sources->addWidget(defaultSourceOption, 0, 0);
    sources->addWidget(defaultSourceNoteLabel, 0, 1);
    sources->addWidget(backupSource1Option, 1, 0);
    sources->addWidget(backupSource2Option, 1, 1);
    // Exclusive, as a screen reader and the arrow keys expect; none is on until one is chosen.
    m_sourceButtons = new QButtonGroup(this);
    for (QRadioButton *b : {defaultSourceOption, backupSource1Option, backupSource2Option})
        m_sourceButtons->addButton(b);
    whenChosen(defaultSourceOption, [this] { selectDataSource(DataSource::Default); });
    whenChosen(backupSource1Option, [this] { selectDataSource(DataSource::Backup1); });
    whenChosen(backupSource2Option, [this] { selectDataSource(DataSource::Backup2); });

    infoGroup = named(new QGroupBox(QStringLiteral("信息"), parent), "infoGroup");
    auto *info = new QGridLayout(infoGroup);
    info->setContentsMargins(6, 2, 6, 4);
    info->setVerticalSpacing(2);
    numberCaptionLabel = named(new QLabel(QStringLiteral("运单号："), infoGroup), "numberCaptionLabel");
    numberValueLabel = valueLabel("numberValueLabel", QStringLiteral("运单号"), infoGroup);
    carrierCaptionLabel = named(new QLabel(QStringLiteral("快递公司："), infoGroup), "carrierCaptionLabel");
    carrierValueLabel = valueLabel("carrierValueLabel", QStringLiteral("快递公司"), infoGroup);
    hotlineCaptionLabel = named(new QLabel(QStringLiteral("客服热线："), infoGroup), "hotlineCaptionLabel");
    hotlineValueLabel = valueLabel("hotlineValueLabel", QStringLiteral("客服热线"), infoGroup);
    // An empty value is announced by its caption, not by the frame's title.
    numberCaptionLabel->setBuddy(numberValueLabel);
    carrierCaptionLabel->setBuddy(carrierValueLabel);
    hotlineCaptionLabel->setBuddy(hotlineValueLabel);
    info->addWidget(numberCaptionLabel, 0, 0);
    info->addWidget(numberValueLabel, 0, 1);
    info->addWidget(carrierCaptionLabel, 1, 0);
    info->addWidget(carrierValueLabel, 1, 1);
    info->addWidget(hotlineCaptionLabel, 2, 0);
    info->addWidget(hotlineValueLabel, 2, 1);
    info->setColumnStretch(1, 1);
    // Mirrors of the input form: what the save stores and the details show.
    // The boxes themselves show the same text, so the mirrors stay hidden.
    goodsValueLabel = valueLabel("goodsValueLabel", QStringLiteral("物品"), infoGroup);
    amountValueLabel = valueLabel("amountValueLabel", QStringLiteral("金额"), infoGroup);
    timeValueLabel = valueLabel("timeValueLabel", QStringLiteral("时间"), infoGroup);
    nameValueLabel = valueLabel("nameValueLabel", QStringLiteral("姓名"), infoGroup);
    phoneValueLabel = valueLabel("phoneValueLabel", QStringLiteral("电话"), infoGroup);
    addressValueLabel = valueLabel("addressValueLabel", QStringLiteral("联系地址"), infoGroup);
    notesValueLabel = valueLabel("notesValueLabel", QStringLiteral("备注"), infoGroup);
    daysInTransitValueLabel = valueLabel("daysInTransitValueLabel", QStringLiteral("在途时间"), infoGroup);
    statusValueLabel = valueLabel("statusValueLabel", QStringLiteral("状态"), infoGroup);
    for (QLabel *mirror : {goodsValueLabel, amountValueLabel, timeValueLabel, nameValueLabel, phoneValueLabel,
                           addressValueLabel, notesValueLabel, daysInTransitValueLabel, statusValueLabel})
        mirror->hide();
    carrierHomePageButton = button("carrierHomePageButton", QStringLiteral("打开快递官网"),
                                   QStringLiteral("打开所选快递公司的官网"), infoGroup);
    info->addWidget(carrierHomePageButton, 3, 0, 1, 2);
    connect(carrierHomePageButton, &QPushButton::clicked, this, &MainWindow::openCarrierHomePage);
}

void MainWindow::buildQueryArea(QWidget *parent)
{
    queryGroup = named(new QGroupBox(QStringLiteral("查询"), parent), "queryGroup");
    // Options beside the buttons: a column of six would hold the window taller than it opens.
    auto *box = new QGridLayout(queryGroup);
    currentNumberOption = named(new QRadioButton(QStringLiteral("当前单号"), queryGroup), "currentNumberOption");
    storedNumbersOption = named(new QRadioButton(QStringLiteral("已存单号"), queryGroup), "storedNumbersOption");
    batchNumbersOption = named(new QRadioButton(QStringLiteral("批量单号"), queryGroup), "batchNumbersOption");
    conciseQueryButton =
        button("conciseQueryButton", QStringLiteral("简洁查询"), QStringLiteral("仅查询最后一条记录"), queryGroup);
    detailedQueryButton =
        button("detailedQueryButton", QStringLiteral("详细查询"), QStringLiteral("查询所有记录"), queryGroup);
    stopQueryButton =
        button("stopQueryButton", QStringLiteral("停止查询"), QStringLiteral("停止正在进行的查询"), queryGroup);
    stopQueryButton->setEnabled(false);
    QWidget *column[][2] = {{currentNumberOption, conciseQueryButton},
                            {storedNumbersOption, detailedQueryButton},
                            {batchNumbersOption, stopQueryButton}};
    for (int row = 0; row < 3; ++row) {
        box->addWidget(column[row][0], row, 0);
        box->addWidget(column[row][1], row, 1);
    }
    box->setRowStretch(3, 1);

    resultTabs = named(new QTabBar(parent), "resultTabs");
    resultTabs->addTab(QStringLiteral("详细结果"));
    resultTabs->addTab(QStringLiteral("简洁结果"));
    resultTabs->setAccessibleName(QStringLiteral("查询结果"));
    detailedResultText = named(new QTextEdit(parent), "detailedResultText");
    detailedResultText->setReadOnly(true);
    detailedResultText->setAcceptRichText(false);
    detailedResultText->setAccessibleName(QStringLiteral("详细结果"));
    conciseResultView = named(new QTreeWidget(parent), "conciseResultView");
    conciseResultView->setRootIsDecorated(false);
    conciseResultView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    conciseResultView->setAccessibleName(QStringLiteral("简洁结果"));
    conciseResultView->setHeaderHidden(false);
    conciseResultView->setColumnCount(0);
    conciseResultView->hide();
    saveConciseResultsButton =
        button("saveConciseResultsButton", QStringLiteral("保存简洁结果"), QStringLiteral("保存批量查询结果"), parent);
    saveDetailedResultsButton =
        button("saveDetailedResultsButton", QStringLiteral("保存详细结果"), QStringLiteral("保存查询到的结果"), parent);
    clearResultsButton = button("clearResultsButton", QStringLiteral("清空结果"), QString(), parent);
    connect(saveConciseResultsButton, &QPushButton::clicked, this, &MainWindow::saveConciseResults);
    connect(saveDetailedResultsButton, &QPushButton::clicked, this, &MainWindow::saveDetailedResults);
    connect(clearResultsButton, &QPushButton::clicked, this, &MainWindow::clearResults);
    connect(resultTabs, &QTabBar::currentChanged, this, &MainWindow::showChosenResults);
}

void MainWindow::buildInputArea(QWidget *parent)
{
    inputTabs = named(new QTabWidget(parent), "inputTabs");
    inputGroup = named(new QGroupBox(inputTabs), "inputGroup");
    auto *form = new QGridLayout(inputGroup);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(3);
    struct Field {
        QLabel *&label;
        const char *labelName;
        const char *caption;
        QLineEdit *&box;
        const char *boxName;
        int column;
    };
    using C = WaybillColumns::Column;
    Field fields[] = {
        {numberInputLabel, "numberInputLabel", "单号", numberEdit, "numberEdit", C::Number},
        {goodsInputLabel, "goodsInputLabel", "物品", goodsEdit, "goodsEdit", C::Goods},
        {amountInputLabel, "amountInputLabel", "金额", amountEdit, "amountEdit", C::Amount},
        {timeInputLabel, "timeInputLabel", "时间", timeEdit, "timeEdit", C::Time},
        {nameInputLabel, "nameInputLabel", "姓名", nameEdit, "nameEdit", C::Name},
        {phoneInputLabel, "phoneInputLabel", "电话", phoneEdit, "phoneEdit", C::Phone},
        {addressInputLabel, "addressInputLabel", "联系地址", addressEdit, "addressEdit", C::Address},
        {notesInputLabel, "notesInputLabel", "备注", notesEdit, "notesEdit", C::Notes},
    };
    int index = 0;
    for (Field &f : fields) {
        f.label = named(new QLabel(QString::fromUtf8(f.caption), inputGroup), f.labelName);
        f.box = named(new QLineEdit(inputGroup), f.boxName);
        // A box never takes more than its column holds, so a save never fails on
        // length; both count characters, so an emoji is one, not two.
        f.box->setMaxLength(2 * WaybillColumns::maxLength(f.column));
        f.box->setValidator(new CharacterLimit(WaybillColumns::maxLength(f.column), f.box));
        f.box->setAccessibleName(f.label->text());
        f.label->setBuddy(f.box);
        // Row 1 is kept for the line under 单号.
        const int row = index / 2 + (index >= 2 ? 1 : 0);
        form->addWidget(f.label, row, (index % 2) * 2);
        form->addWidget(f.box, row, (index % 2) * 2 + 1);
        ++index;
    }
    timeInputLabel->setToolTip(QStringLiteral("发货时间"));
    timeEdit->setToolTip(QStringLiteral("发货时间"));
    detectionLabel = named(new QLabel(inputGroup), "detectionLabel");
    detectionLabel->setTextFormat(Qt::RichText);
    detectionLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    detectionLabel->setAccessibleDescription(QStringLiteral("按单号识别的快递公司"));
    // A long reason wraps within the form; it never widens the window.
    detectionLabel->setWordWrap(true);
    detectionLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    detectionLabel->hide();
    form->addWidget(detectionLabel, 1, 1, 1, 3);
    setTabOrder(numberEdit, detectionLabel);
    // Made in the order that Tab visits them, which is the order they are read.
    autoSaveCheckBox =
        named(new QCheckBox(QStringLiteral("自动保存输入信息到历史记录"), inputGroup), "autoSaveCheckBox");
    saveInputButton = button("saveInputButton", QStringLiteral("保存输入信息"),
                             QStringLiteral("保存输入框中的各运单数据"), inputGroup);
    clearInputButton = button("clearInputButton", QStringLiteral("清空输入信息"),
                              QStringLiteral("清空输入框中的各运单数据"), inputGroup);
    form->addWidget(autoSaveCheckBox, 5, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(saveInputButton);
    buttons->addWidget(clearInputButton);
    form->addLayout(buttons, 6, 0, 1, 4);
    // A taller form keeps its rows together; the room left goes below them.
    form->setRowStretch(7, 1);
    inputTabs->addTab(inputGroup, QStringLiteral("单个快递单"));

    auto *batchPage = new QWidget(inputTabs);
    auto *batchLayout = new QHBoxLayout(batchPage);
    batchLayout->setContentsMargins(0, 0, 0, 0);
    batchLayout->setSpacing(2);
    batchNumbersEdit = named(new QPlainTextEdit(batchPage), "batchNumbersEdit");
    batchNumbersEdit->setToolTip(QStringLiteral("每行一个快递单号"));
    batchNumbersEdit->setAccessibleName(QStringLiteral("批量快递单"));
    batchNumbersEdit->setTabChangesFocus(true);
    // Beside the numbers: the carrier each line will run with.
    batchCarriersList = named(new QListWidget(batchPage), "batchCarriersList");
    batchCarriersList->setAccessibleName(QStringLiteral("各行的快递公司"));
    batchCarriersList->setToolTip(QStringLiteral("双击或按回车为无法确定的单号选择快递公司"));
    batchLayout->addWidget(batchNumbersEdit, 3);
    batchLayout->addWidget(batchCarriersList, 2);
    inputTabs->addTab(batchPage, QStringLiteral("批量快递单"));

    connect(numberEdit, &QLineEdit::textChanged, this, [this] { trimmedMirror(numberEdit, numberValueLabel, true); });
    connect(notesEdit, &QLineEdit::textChanged, this, [this] { trimmedMirror(notesEdit, notesValueLabel, false); });
    const QPair<QLineEdit *, QLabel *> copies[] = {{goodsEdit, goodsValueLabel}, {amountEdit, amountValueLabel},
                                                   {timeEdit, timeValueLabel},   {nameEdit, nameValueLabel},
                                                   {phoneEdit, phoneValueLabel}, {addressEdit, addressValueLabel}};
    for (const auto &[box, mirror] : copies)
        connect(box, &QLineEdit::textChanged, mirror, &QLabel::setText);
    // Enter in 单号 queries it as 简洁查询 does, after the detection has taken the
    // carrier it offers on the same Enter; a disabled button ignores it.
    connect(numberEdit, &QLineEdit::returnPressed, conciseQueryButton, &QPushButton::click, Qt::QueuedConnection);
    connect(saveInputButton, &QPushButton::clicked, this, &MainWindow::saveInput);
    connect(clearInputButton, &QPushButton::clicked, this, &MainWindow::clearInput);
    connect(autoSaveCheckBox, &QCheckBox::clicked, this, &MainWindow::storeAutoSave);
}

void MainWindow::buildHistoryArea(QWidget *parent)
{
    historyGroup = named(new QGroupBox(QStringLiteral("历史记录"), parent), "historyGroup");
    auto *box = new QVBoxLayout(historyGroup);
    box->setContentsMargins(6, 2, 6, 4);
    m_history = new HistoryModel(this);
    historyView = named(new QTreeView(historyGroup), "historyView");
    historyView->setModel(m_history);
    historyView->setRootIsDecorated(false);
    historyView->setUniformRowHeights(true);
    historyView->setAlternatingRowColors(true);
    historyView->setSelectionBehavior(QAbstractItemView::SelectRows);
    historyView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    historyView->setAccessibleName(QStringLiteral("历史记录"));
    // Whole values, a number above all; 物流状态 beside 状态, where a returned
    // parcel's "未签收" is read with its reason, taking the room the others
    // leave (its whole text in the tooltip), so it never pushes the number out.
    constexpr int kTrackingStatusColumn = 3; // HistoryModel's 物流状态
    QHeaderView *header = historyView->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kTrackingStatusColumn, QHeaderView::Stretch);
    header->setMinimumSectionSize(historyView->fontMetrics().horizontalAdvance(QStringLiteral("已退签…")));
    header->moveSection(kTrackingStatusColumn, 1);
    // The newest first until a header is clicked; a third click goes back to it.
    historyView->header()->setSortIndicator(-1, Qt::DescendingOrder);
    historyView->header()->setSortIndicatorClearable(true);
    historyView->setSortingEnabled(true);
    box->addWidget(historyView, 1);
    showArchivedCheckBox = named(new QCheckBox(QStringLiteral("显示已归档"), historyGroup), "showArchivedCheckBox");
    showArchivedCheckBox->setAccessibleName(showArchivedCheckBox->text());
    box->addWidget(showArchivedCheckBox);
    connect(showArchivedCheckBox, &QCheckBox::toggled, this, &MainWindow::loadHistory);
    refreshHistoryButton = button("refreshHistoryButton", QStringLiteral("刷新数据"), QString(), historyGroup);
    managementButton = button("managementButton", QStringLiteral("快递单详细管理"), QString(), historyGroup);
    settingsButton = button("settingsButton", QStringLiteral("软件设置"), QString(), historyGroup);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(refreshHistoryButton);
    buttons->addWidget(managementButton);
    buttons->addWidget(settingsButton);
    box->addLayout(buttons);
    connect(historyView, &QTreeView::clicked, this, [this](const QModelIndex &index) { historyPick(index.row()); });
    connect(historyView, &QTreeView::activated, this, [this](const QModelIndex &index) { historyPick(index.row()); });
    connect(refreshHistoryButton, &QPushButton::clicked, this, &MainWindow::loadHistory);
    connect(settingsButton, &QPushButton::clicked, this, &MainWindow::showSettings);
    connect(managementButton, &QPushButton::clicked, this, &MainWindow::showManagement);

    m_historyLoader = new HistoryLoader(RegisterLocation::read(m_dataFolder), this);
    connect(m_historyLoader, &HistoryLoader::loaded, this, [this](const QVector<HistoryModel::Row> &rows) {
        m_history->setRows(rows);
        Q_EMIT historyLoaded();
    });
    connect(m_historyLoader, &HistoryLoader::failed, this,
            [this](const QString &message) { m_dialogs.information(this, Program::kTitle, message); });
}
