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
    top->addWidget(Frame2, 3);
    auto *sideColumn = new QVBoxLayout;
    sideColumn->addWidget(Frame9);
    sideColumn->addWidget(Frame3);
    top->addLayout(sideColumn, 2);
    layout->addLayout(top);

    m_browser->widget()->setParent(central);
    m_browser->widget()->setMinimumHeight(40);
    layout->addWidget(m_browser->widget(), 2);

    auto *middle = new QHBoxLayout;
    auto *results = new QVBoxLayout;
    results->setSpacing(0);
    results->addWidget(SSTab1);
    results->addWidget(RichTextBox3, 1);
    results->addWidget(ListView1, 1);
    auto *resultButtons = new QHBoxLayout;
    resultButtons->addWidget(Command13);
    resultButtons->addWidget(Command3);
    resultButtons->addWidget(Command4);
    results->addLayout(resultButtons);
    middle->addLayout(results, 3);
    middle->addWidget(Frame4, 1);
    layout->addLayout(middle, 3);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(SSTab2, 3);
    bottom->addWidget(Frame10, 2);
    layout->addLayout(bottom, 3);
    setCentralWidget(central);

    StatusPanel1 = named(new ElidingLabel(this), "StatusPanel1");
    StatusPanel2 = named(new QLabel(this), "StatusPanel2");
    StatusPanel3 = named(new QLabel(this), "StatusPanel3");
    StatusPanel1->setAccessibleDescription(QStringLiteral("当前快递单"));
    StatusPanel2->setAccessibleDescription(QStringLiteral("当前时间"));
    StatusPanel3->setAccessibleDescription(QStringLiteral("查询进度"));
    StatusPanel3->hide();
    StatusPanel3->setTextFormat(Qt::PlainText); // names waybills
    auto *bar = named(new QStatusBar(this), "StatusBar1");
    bar->addWidget(StatusPanel1, 1);
    bar->addWidget(StatusPanel3);
    bar->addPermanentWidget(StatusPanel2);
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
        menuBar()->setActiveAction(shezhi->menuAction());
        shezhi->setActiveAction(gongneng); // Enter then opens the settings, as from the mouse
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
    shezhi = menuBar()->addMenu(QStringLiteral("设置"));
    shezhi->setObjectName(QStringLiteral("shezhi"));
    gongneng = named(shezhi->addAction(QStringLiteral("设置")), "gongneng");
    pf = shezhi->addMenu(QStringLiteral("皮肤"));
    pf->setObjectName(QStringLiteral("pf"));
    moren = named(pf->addAction(QStringLiteral("默认皮肤")), "moren");
    jdqq = named(pf->addAction(QStringLiteral("经典QQ")), "jdqq");
    jpjm = named(pf->addAction(QStringLiteral("简谱积木")), "jpjm");
    hskx = named(pf->addAction(QStringLiteral("黑色酷炫")), "hskx");
    const QKeySequence keys[] = {QKeySequence(QStringLiteral("Ctrl+1")), QKeySequence(QStringLiteral("Ctrl+2")),
                                 QKeySequence(QStringLiteral("Ctrl+3")), QKeySequence(QStringLiteral("Ctrl+4"))};
    QAction *skins[] = {moren, jdqq, jpjm, hskx};
    for (int i = 0; i < 4; ++i) {
        skins[i]->setCheckable(true);
        skins[i]->setShortcut(keys[i]);
    }

    bangzhu = menuBar()->addMenu(QStringLiteral("帮助"));
    bangzhu->setObjectName(QStringLiteral("bangzhu"));
    bz = named(bangzhu->addAction(QStringLiteral("帮助")), "bz");
    gy = named(bangzhu->addAction(QStringLiteral("关于")), "gy");
    jcgx = named(bangzhu->addAction(QStringLiteral("检查更新")), "jcgx");
    wangzhan = named(menuBar()->addAction(QStringLiteral(
                         "访问我的网站，欢迎提供宝贵建议     Tips:软件启动慢的话，可以在设置中取消更新提示……")),
                     "wangzhan");

    // The tray's menu: never on the menu bar.
    F00 = new QMenu(QStringLiteral("菜单项"), this);
    F00->setObjectName(QStringLiteral("F00"));
    F01 = named(F00->addAction(QStringLiteral("打开")), "F01");
    F02 = named(F00->addAction(QStringLiteral("退出")), "F02");

    connect(bz, &QAction::triggered, this, &MainWindow::openHelp);
    connect(gy, &QAction::triggered, this, &MainWindow::showAbout);
    connect(gongneng, &QAction::triggered, this, &MainWindow::showSettings);
    connect(jcgx, &QAction::triggered, this, &MainWindow::showUpdateWindow);
    connect(wangzhan, &QAction::triggered, this, &MainWindow::openMakerSite);
    connect(F01, &QAction::triggered, this, [this] { showNormal(); });
    connect(F02, &QAction::triggered, this, &MainWindow::exitFromTray);
}

void MainWindow::buildCarrierArea(QWidget *parent)
{
    Frame2 = named(new QGroupBox(QStringLiteral("快递公司"), parent), "Frame2");
    auto *grid = new QGridLayout(Frame2);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(2);
    m_carrierButtons = new QButtonGroup(this);
    const auto carriers = CarrierCatalogue::buttonCarriers();
    for (int i = 0; i < 12; ++i) {
        Option[i] = new QRadioButton(carriers[i]->name, Frame2);
        Option[i]->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        Option[i]->setToolTip(carriers[i]->tooltip);
        m_carrierButtons->addButton(Option[i], i);
        grid->addWidget(Option[i], i / 4, i % 4);
        whenChosen(Option[i], [this, i] {
            SelectCarrier(i);
            userChoseCarrier();
        });
    }
    Label9 = named(new QLabel(QStringLiteral("其他快递公司："), Frame2), "Label9");
    List1 = named(new QListWidget(Frame2), "List1");
    List1->setAccessibleName(Label9->text());
    Label9->setBuddy(List1);
    for (const Carrier *c : CarrierCatalogue::listCarriers())
        List1->addItem(c->name);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Four whole rows: a row cut at the bottom looks like a fault.
    List1->setFixedHeight(4 * List1->sizeHintForRow(0) + 2 * List1->frameWidth());
    grid->addWidget(Label9, 3, 0);
    grid->addWidget(List1, 4, 0, 1, 4);
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_suppressListAction)
            return;
        List1_Action();
        userChoseCarrier();
    });

    Frame9 = named(new QGroupBox(QStringLiteral("数据来源"), parent), "Frame9");
    auto *sources = new QGridLayout(Frame9);
    sources->setContentsMargins(6, 2, 6, 4);
    Option14 = named(new QRadioButton(QStringLiteral("默认来源"), Frame9), "Option14");
    Label28 = named(new QLabel(QStringLiteral("(快递100)"), Frame9), "Label28");
    Option18 = named(new QRadioButton(QStringLiteral("备用来源1"), Frame9), "Option18");
    Option17 = named(new QRadioButton(QStringLiteral("备用来源2"), Frame9), "Option17");
    sources->addWidget(Option14, 0, 0);
    sources->addWidget(Label28, 0, 1);
    sources->addWidget(Option18, 1, 0);
    sources->addWidget(Option17, 1, 1);
    // Exclusive, as a screen reader and the arrow keys expect; none is on until one is chosen.
    m_sourceButtons = new QButtonGroup(this);
    for (QRadioButton *b : {Option14, Option18, Option17})
        m_sourceButtons->addButton(b);
    whenChosen(Option14, [this] { SelectDataSource(DataSource::Default); });
    whenChosen(Option18, [this] { SelectDataSource(DataSource::Backup1); });
    whenChosen(Option17, [this] { SelectDataSource(DataSource::Backup2); });

    Frame3 = named(new QGroupBox(QStringLiteral("信息"), parent), "Frame3");
    auto *info = new QGridLayout(Frame3);
    info->setContentsMargins(6, 2, 6, 4);
    info->setVerticalSpacing(2);
    Label3 = named(new QLabel(QStringLiteral("运单号："), Frame3), "Label3");
    Label4 = valueLabel("Label4", QStringLiteral("运单号"), Frame3);
    Label5 = named(new QLabel(QStringLiteral("快递公司："), Frame3), "Label5");
    Label6 = valueLabel("Label6", QStringLiteral("快递公司"), Frame3);
    Label27 = named(new QLabel(QStringLiteral("客服热线："), Frame3), "Label27");
    Label26 = valueLabel("Label26", QStringLiteral("客服热线"), Frame3);
    // An empty value is announced by its caption, not by the frame's title.
    Label3->setBuddy(Label4);
    Label5->setBuddy(Label6);
    Label27->setBuddy(Label26);
    info->addWidget(Label3, 0, 0);
    info->addWidget(Label4, 0, 1);
    info->addWidget(Label5, 1, 0);
    info->addWidget(Label6, 1, 1);
    info->addWidget(Label27, 2, 0);
    info->addWidget(Label26, 2, 1);
    info->setColumnStretch(1, 1);
    // Mirrors of the input form: what the save stores and the details show.
    // The boxes themselves show the same text, so the mirrors stay hidden.
    Label20 = valueLabel("Label20", QStringLiteral("物品"), Frame3);
    Label21 = valueLabel("Label21", QStringLiteral("金额"), Frame3);
    Label22 = valueLabel("Label22", QStringLiteral("时间"), Frame3);
    Label23 = valueLabel("Label23", QStringLiteral("姓名"), Frame3);
    Label24 = valueLabel("Label24", QStringLiteral("电话"), Frame3);
    Label25 = valueLabel("Label25", QStringLiteral("联系地址"), Frame3);
    Label16 = valueLabel("Label16", QStringLiteral("备注"), Frame3);
    Label18 = valueLabel("Label18", QStringLiteral("在途时间"), Frame3);
    Label19 = valueLabel("Label19", QStringLiteral("状态"), Frame3);
    for (QLabel *mirror : {Label20, Label21, Label22, Label23, Label24, Label25, Label16, Label18, Label19})
        mirror->hide();
    Command7 = button("Command7", QStringLiteral("打开快递官网"), QStringLiteral("打开所选快递公司的官网"), Frame3);
    info->addWidget(Command7, 3, 0, 1, 2);
    connect(Command7, &QPushButton::clicked, this, &MainWindow::Command7_Click);
}

void MainWindow::buildQueryArea(QWidget *parent)
{
    Frame4 = named(new QGroupBox(QStringLiteral("查询"), parent), "Frame4");
    // Options beside the buttons: a column of six would hold the window taller than it opens.
    auto *box = new QGridLayout(Frame4);
    Option15 = named(new QRadioButton(QStringLiteral("当前单号"), Frame4), "Option15");
    Option16 = named(new QRadioButton(QStringLiteral("已存单号"), Frame4), "Option16");
    Option13 = named(new QRadioButton(QStringLiteral("批量单号"), Frame4), "Option13");
    Command12 = button("Command12", QStringLiteral("简洁查询"), QStringLiteral("仅查询最后一条记录"), Frame4);
    Command5 = button("Command5", QStringLiteral("详细查询"), QStringLiteral("查询所有记录"), Frame4);
    CommandStop = button("CommandStop", QStringLiteral("停止查询"), QStringLiteral("停止正在进行的查询"), Frame4);
    CommandStop->setEnabled(false);
    QWidget *column[][2] = {{Option15, Command12}, {Option16, Command5}, {Option13, CommandStop}};
    for (int row = 0; row < 3; ++row) {
        box->addWidget(column[row][0], row, 0);
        box->addWidget(column[row][1], row, 1);
    }
    box->setRowStretch(3, 1);

    SSTab1 = named(new QTabBar(parent), "SSTab1");
    SSTab1->addTab(QStringLiteral("详细结果"));
    SSTab1->addTab(QStringLiteral("简洁结果"));
    SSTab1->setAccessibleName(QStringLiteral("查询结果"));
    RichTextBox3 = named(new QTextEdit(parent), "RichTextBox3");
    RichTextBox3->setReadOnly(true);
    RichTextBox3->setAcceptRichText(false);
    RichTextBox3->setAccessibleName(QStringLiteral("详细结果"));
    ListView1 = named(new QTreeWidget(parent), "ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAccessibleName(QStringLiteral("简洁结果"));
    ListView1->setHeaderHidden(false);
    ListView1->setColumnCount(0);
    ListView1->hide();
    Command13 = button("Command13", QStringLiteral("保存简洁结果"), QStringLiteral("保存批量查询结果"), parent);
    Command3 = button("Command3", QStringLiteral("保存详细结果"), QStringLiteral("保存查询到的结果"), parent);
    Command4 = button("Command4", QStringLiteral("清空结果"), QString(), parent);
    connect(Command13, &QPushButton::clicked, this, &MainWindow::Command13_Click);
    connect(Command3, &QPushButton::clicked, this, &MainWindow::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &MainWindow::Command4_Click);
    connect(SSTab1, &QTabBar::currentChanged, this, &MainWindow::SSTab1_Click);
}

void MainWindow::buildInputArea(QWidget *parent)
{
    SSTab2 = named(new QTabWidget(parent), "SSTab2");
    Frame1 = named(new QGroupBox(SSTab2), "Frame1");
    auto *form = new QGridLayout(Frame1);
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
        {Label1, "Label1", "单号", Text1, "Text1", C::Number},
        {Label11, "Label11", "物品", Text9, "Text9", C::Goods},
        {Label14, "Label14", "金额", Text7, "Text7", C::Amount},
        {Label10, "Label10", "时间", Text6, "Text6", C::Time},
        {Label2, "Label2", "姓名", Text2, "Text2", C::Name},
        {Label12, "Label12", "电话", Text3, "Text3", C::Phone},
        {Label8, "Label8", "联系地址", Text8, "Text8", C::Address},
        {Label13, "Label13", "备注", Text4, "Text4", C::Notes},
    };
    int index = 0;
    for (Field &f : fields) {
        f.label = named(new QLabel(QString::fromUtf8(f.caption), Frame1), f.labelName);
        f.box = named(new QLineEdit(Frame1), f.boxName);
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
    Label10->setToolTip(QStringLiteral("发货时间"));
    Text6->setToolTip(QStringLiteral("发货时间"));
    LabelDetect = named(new QLabel(Frame1), "LabelDetect");
    LabelDetect->setTextFormat(Qt::RichText);
    LabelDetect->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    LabelDetect->setAccessibleDescription(QStringLiteral("按单号识别的快递公司"));
    // A long reason wraps within the form; it never widens the window.
    LabelDetect->setWordWrap(true);
    LabelDetect->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelDetect->hide();
    form->addWidget(LabelDetect, 1, 1, 1, 3);
    setTabOrder(Text1, LabelDetect);
    // Made in the order that Tab visits them, which is the order they are read.
    Check1 = named(new QCheckBox(QStringLiteral("自动保存输入信息到历史记录"), Frame1), "Check1");
    Command6 = button("Command6", QStringLiteral("保存输入信息"), QStringLiteral("保存输入框中的各运单数据"), Frame1);
    Command2 = button("Command2", QStringLiteral("清空输入信息"), QStringLiteral("清空输入框中的各运单数据"), Frame1);
    form->addWidget(Check1, 5, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command6);
    buttons->addWidget(Command2);
    form->addLayout(buttons, 6, 0, 1, 4);
    SSTab2->addTab(Frame1, QStringLiteral("单个快递单"));

    auto *batchPage = new QWidget(SSTab2);
    auto *batchLayout = new QHBoxLayout(batchPage);
    batchLayout->setContentsMargins(0, 0, 0, 0);
    batchLayout->setSpacing(2);
    Text10 = named(new QPlainTextEdit(batchPage), "Text10");
    Text10->setToolTip(QStringLiteral("每行一个快递单号"));
    Text10->setAccessibleName(QStringLiteral("批量快递单"));
    Text10->setTabChangesFocus(true);
    // Beside the numbers: the carrier each line will run with.
    ListBatch = named(new QListWidget(batchPage), "ListBatch");
    ListBatch->setAccessibleName(QStringLiteral("各行的快递公司"));
    ListBatch->setToolTip(QStringLiteral("双击或按回车为无法确定的单号选择快递公司"));
    batchLayout->addWidget(Text10, 3);
    batchLayout->addWidget(ListBatch, 2);
    SSTab2->addTab(batchPage, QStringLiteral("批量快递单"));

    connect(Text1, &QLineEdit::textChanged, this, [this] { trimmedMirror(Text1, Label4, true); });
    connect(Text4, &QLineEdit::textChanged, this, [this] { trimmedMirror(Text4, Label16, false); });
    const QPair<QLineEdit *, QLabel *> copies[] = {{Text9, Label20}, {Text7, Label21}, {Text6, Label22},
                                                   {Text2, Label23}, {Text3, Label24}, {Text8, Label25}};
    for (const auto &[box, mirror] : copies)
        connect(box, &QLineEdit::textChanged, mirror, &QLabel::setText);
    connect(Command6, &QPushButton::clicked, this, &MainWindow::Command6_Click);
    connect(Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    connect(Check1, &QCheckBox::clicked, this, &MainWindow::Check1_Click);
}

void MainWindow::buildHistoryArea(QWidget *parent)
{
    Frame10 = named(new QGroupBox(QStringLiteral("历史记录"), parent), "Frame10");
    auto *box = new QVBoxLayout(Frame10);
    box->setContentsMargins(6, 2, 6, 4);
    m_history = new HistoryModel(this);
    ListView2 = named(new QTreeView(Frame10), "ListView2");
    ListView2->setModel(m_history);
    ListView2->setRootIsDecorated(false);
    ListView2->setUniformRowHeights(true);
    ListView2->setAlternatingRowColors(true);
    ListView2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView2->setAccessibleName(QStringLiteral("历史记录"));
    ListView2->header()->resizeSection(0, px(850));
    ListView2->header()->resizeSection(1, px(1200));
    ListView2->header()->resizeSection(2, px(1800));
    box->addWidget(ListView2, 1);
    showArchived = named(new QCheckBox(QStringLiteral("显示已归档"), Frame10), "showArchived");
    showArchived->setAccessibleName(showArchived->text());
    box->addWidget(showArchived);
    connect(showArchived, &QCheckBox::toggled, this, &MainWindow::LoadData);
    Command8 = button("Command8", QStringLiteral("刷新数据"), QString(), Frame10);
    Command16 = button("Command16", QStringLiteral("快递单详细管理"), QString(), Frame10);
    Command1 = button("Command1", QStringLiteral("软件设置"), QString(), Frame10);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command8);
    buttons->addWidget(Command16);
    buttons->addWidget(Command1);
    box->addLayout(buttons);
    connect(ListView2, &QTreeView::clicked, this, [this](const QModelIndex &index) { historyPick(index.row()); });
    connect(ListView2, &QTreeView::activated, this, [this](const QModelIndex &index) { historyPick(index.row()); });
    connect(Command8, &QPushButton::clicked, this, &MainWindow::LoadData);
    connect(Command1, &QPushButton::clicked, this, &MainWindow::showSettings);
    connect(Command16, &QPushButton::clicked, this, &MainWindow::showManagement);

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
    Timer1 = named(new ClassicTimer(3500, false, this), "Timer1");
    Timer2 = named(new ClassicTimer(1000, true, this), "Timer2");
    Timer3 = named(new ClassicTimer(1000, false, this), "Timer3");
    Timer4 = named(new ClassicTimer(1000, false, this), "Timer4");
    Timer7 = named(new ClassicTimer(700, true, this), "Timer7");
    connect(Timer2, &ClassicTimer::timeout, this, &MainWindow::Timer2_Timer);
    connect(Timer4, &ClassicTimer::timeout, this, &MainWindow::Timer4_Timer);
    connect(Timer3, &ClassicTimer::timeout, this, &MainWindow::Timer3_Timer);
    connect(Timer7, &ClassicTimer::timeout, this, [this] {
        Timer7->setEnabled(false);
        delay();
    });
}

void MainWindow::load()
{
    Option15->setChecked(true);
    m_browser->navigate(Endpoints::current().makerSite);
    UpdateStatusLine();
    Text6->setText(m_clock.today().toString(QStringLiteral("yyyy/M/d")));
    if (Outcome opened = m_store.open(QDir(m_dataFolder).filePath(WaybillStore::fileName())); !opened)
        m_dialogs.critical(this, Program::kTitle, opened.error);
    createTrayIcon();
    AppSettings::write(m_dataFolder, AppSettings::kVersion, AppSettings::kProgramVersion);
    const QString autoUpdate = AppSettings::read(m_dataFolder, AppSettings::kAutoUpdate);
    if (autoUpdate == QLatin1String("0")) {
        Timer3->setInterval(1000);
        Timer3->setEnabled(true);
    } else if (autoUpdate == QLatin1String("1")) {
        Timer3->setInterval(0);
    }
    applyStoredSkin();
    Timer2_Timer();
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

void MainWindow::Timer2_Timer()
{
    const QDateTime now = m_clock.now();
    // The program's texts are Chinese whatever the system's language.
    const QLocale locale(QLocale::Chinese, QLocale::China);
    StatusPanel2->setText(QStringLiteral("当前时间：") + locale.toString(now.date(), QLocale::ShortFormat) +
                          QLatin1Char(' ') + locale.toString(now.time(), QLocale::ShortFormat));
}
