#include "app/MainWindow.h"

#include "app/ElidingLabel.h"
#include "core/ProgramName.h"

#include "app/AboutWindow.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Endpoints.h"
#include "manage/WindowKeys.h"
#include "query/Browser.h"
#include "settings/AppSettings.h"
#include "settings/AutoStart.h"
#include "store/HistoryLoader.h"
#include "store/HistoryModel.h"
#include "store/Waybill.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
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

// Twips of the classic layout to pixels at the usual 15 twips per pixel.
constexpr int px(int twips)
{
    return twips / 15;
}

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

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton *button(const char *name, const QString &caption, const QString &tooltip, QWidget *parent)
{
    auto *b = named(new QPushButton(caption, parent), name);
    if (!tooltip.isEmpty())
        b->setToolTip(tooltip);
    return b;
}

} // namespace

MainWindow::MainWindow(QString dataFolder, Services services, std::unique_ptr<Browser> browser, QWidget *parent)
    : QMainWindow(parent), m_dataFolder(std::move(dataFolder)), m_dialogs(services.dialogs),
      m_launcher(services.launcher), m_clock(services.clock), m_browser(std::move(browser)),
      m_quit([] { QCoreApplication::quit(); })
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tolvane V3.0"));
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);

    buildMenus();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    buildCarrierArea(central);
    buildQueryArea(central);
    buildInputArea(central);
    buildHistoryArea(central);

    auto *top = new QHBoxLayout;
    top->addWidget(carrierGroup, 3);
    auto *sideColumn = new QVBoxLayout;
    sideColumn->addWidget(sourceGroup);
    sideColumn->addWidget(infoGroup);
    top->addLayout(sideColumn, 2);
    layout->addLayout(top);

    m_browser->widget()->setParent(central);
    m_browser->widget()->setMinimumHeight(40);
    layout->addWidget(m_browser->widget(), 2);

    auto *middle = new QHBoxLayout;
    auto *results = new QVBoxLayout;
    results->setSpacing(0);
    results->addWidget(resultTabs);
    results->addWidget(detailedResultText, 1);
    results->addWidget(conciseResultView, 1);
    auto *resultButtons = new QHBoxLayout;
    resultButtons->addWidget(saveConciseResultsButton);
    resultButtons->addWidget(saveDetailedResultsButton);
    resultButtons->addWidget(clearResultsButton);
    results->addLayout(resultButtons);
    middle->addLayout(results, 3);
    middle->addWidget(queryGroup, 1);
    layout->addLayout(middle, 3);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(inputTabs, 3);
    bottom->addWidget(historyGroup, 2);
    layout->addLayout(bottom, 3);
    setCentralWidget(central);

    statusLineLabel = named(new ElidingLabel(this), "statusLineLabel");
    clockLabel = named(new QLabel(this), "clockLabel");
    queryProgressLabel = named(new QLabel(this), "queryProgressLabel");
    statusLineLabel->setAccessibleDescription(QStringLiteral("当前快递单"));
    clockLabel->setAccessibleDescription(QStringLiteral("当前时间"));
    queryProgressLabel->setAccessibleDescription(QStringLiteral("查询进度"));
    queryProgressLabel->hide();
    auto *bar = named(new QStatusBar(this), "statusBar");
    bar->addWidget(statusLineLabel, 1);
    bar->addWidget(queryProgressLabel);
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
    resize(px(10260), px(10110));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    load();
}

MainWindow::~MainWindow()
{
    removeTrayIcon();
}

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
    makerSiteAction = named(menuBar()->addAction(QStringLiteral(
                                "访问我的网站，欢迎提供宝贵建议     Tips:软件启动慢的话，可以在设置中取消更新提示……")),
                            "makerSiteAction");

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
    historyView->header()->resizeSection(0, px(850));
    historyView->header()->resizeSection(1, px(1200));
    historyView->header()->resizeSection(2, px(1800));
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

    m_historyLoader = new HistoryLoader(QDir(m_dataFolder).filePath(WaybillStore::fileName()), this);
    connect(m_historyLoader, &HistoryLoader::loaded, this, [this](const QVector<HistoryModel::Row> &rows) {
        m_history->setRows(rows);
        Q_EMIT historyLoaded();
    });
    connect(m_historyLoader, &HistoryLoader::failed, this,
            [this](const QString &message) { m_dialogs.information(this, Program::kTitle, message); });
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
    currentNumberOption->setChecked(true);
    m_browser->navigate(Endpoints::current().makerSite);
    updateStatusLine();
    timeEdit->setText(m_clock.today().toString(QStringLiteral("yyyy/M/d")));
    if (Outcome opened = m_store.open(QDir(m_dataFolder).filePath(WaybillStore::fileName())); !opened)
        m_dialogs.critical(this, Program::kTitle, opened.error);
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

// A choice runs its action however it is made: a click (also on the button
// already on, which requests its page afresh), the arrow keys or Space, or a
// screen reader's action. Buttons set in code run nothing here.
void MainWindow::whenChosen(QRadioButton *button, std::function<void()> action)
{
    auto fromToggle = std::make_shared<bool>(false);
    connect(button, &QRadioButton::toggled, this, [this, action, fromToggle](bool on) {
        if (!on || m_choosingInCode)
            return;
        *fromToggle = true; // the click that may follow is the same choice
        QTimer::singleShot(0, this, [fromToggle] { *fromToggle = false; });
        action();
    });
    connect(button, &QRadioButton::clicked, this, [this, action, fromToggle] {
        if (std::exchange(*fromToggle, false) || m_choosingInCode)
            return;
        action();
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
