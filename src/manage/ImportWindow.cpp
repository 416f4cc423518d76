#include "manage/ImportWindow.h"
#include "core/ProgramName.h"
#include "manage/WindowKeys.h"

#include "core/BackgroundTask.h"
#include "core/Dialogs.h"
#include "manage/OpenRegister.h"
#include "manage/SkippedLinesWindow.h"
#include "store/StoreConnection.h"
#include "transfer/ImportTemplate.h"
#include "transfer/WaybillImporter.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
}

ImportWindow::ImportWindow(const QString &programFolder, Dialogs &dialogs, Launcher &launcher, QWidget *parent)
    : QWidget(parent, Qt::Window), m_programFolder(programFolder), m_dialogs(dialogs), m_launcher(launcher),
      m_store(std::make_unique<StoreConnection>())
{
    setObjectName(QStringLiteral("ImportWindow"));
    InstallWindowKeys(this);
    setWindowTitle(QStringLiteral("选择类型"));

    excelOption = new QRadioButton(QStringLiteral("从EXCEL导入"), this);
    excelOption->setObjectName(QStringLiteral("excelOption"));
    textOption = new QRadioButton(QStringLiteral("从TXT导入"), this);
    textOption->setObjectName(QStringLiteral("textOption"));
    confirmButton = new QPushButton(QStringLiteral("确定"), this);
    confirmButton->setObjectName(QStringLiteral("confirmButton"));
    confirmButton->setEnabled(false);
    templateButton = new QPushButton(QStringLiteral("EXCLE模板"), this);
    templateButton->setObjectName(QStringLiteral("templateButton"));
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setToolTip(QStringLiteral("停止导入，已读入的快递单一条也不保存"));
    cancelButton->hide();
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("progressLabel"));
    m_progress->setAccessibleDescription(QStringLiteral("导入进度"));
    m_progress->hide();
    m_task = new BackgroundTask(this);
    SetDefaultButton(this, confirmButton);
    excelHintEdit = new QLineEdit(QStringLiteral("EXCEL第一行不会导入，必须在第一行第9列及以上填入任意值！"), this);
    excelHintEdit->setObjectName(QStringLiteral("excelHintEdit"));
    excelHintEdit->setReadOnly(true);
    excelHintEdit->setAccessibleName(QStringLiteral("EXCEL导入提示"));
    excelHintEdit->setCursorPosition(0);
    excelFormatLabel =
        new QLabel(QStringLiteral("请按照指定EXCEL格式导入数据 （切忌快递单号不能重复！）\r\n每一行顺序均为 "
                                  "快递单号,快递公司,物品,金额,时间,姓名,电话,联系地址,备注。"),
                   this);
    excelFormatLabel->setObjectName(QStringLiteral("excelFormatLabel"));
    textFormatLabel =
        new QLabel(QStringLiteral("请按照指定TXT格式导入数据 （切忌快递单号不能重复！）\r\n每一行格式均为 "
                                  "快递单号,快递公司,物品,金额,时间,姓名,电话,联系地址,备注。(逗号 , (半角)隔开)"),
                   this);
    textFormatLabel->setObjectName(QStringLiteral("textFormatLabel"));
    for (QLabel *label : {textFormatLabel, excelFormatLabel}) {
        label->setWordWrap(true);
        label->setAccessibleDescription(QStringLiteral("导入格式说明")); // its name is the text it shows
        label->hide();
    }

    auto *options = new QHBoxLayout;
    options->addWidget(excelOption);
    options->addWidget(textOption);
    options->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(templateButton);
    buttons->addStretch();
    buttons->addWidget(m_progress);
    buttons->addWidget(cancelButton);
    buttons->addWidget(confirmButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(excelHintEdit);
    layout->addWidget(excelFormatLabel);
    layout->addWidget(textFormatLabel);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(460, 220);

    // Checked by mouse, keyboard or a screen reader's action alike.
    connect(excelOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onExcelChosen();
    });
    connect(textOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onTextChosen();
    });
    connect(confirmButton, &QPushButton::clicked, this, &ImportWindow::chooseFileAndImport);
    connect(templateButton, &QPushButton::clicked, this, &ImportWindow::openTemplate);
    connect(cancelButton, &QPushButton::clicked, this, &ImportWindow::cancelImport);
}

ImportWindow::~ImportWindow()
{
    // The import stops and rolls back before the window it reports to is gone.
    if (m_cancel)
        *m_cancel = true;
    delete m_task;
}

void ImportWindow::showEvent(QShowEvent *event)
{
    // Each opening starts with no option chosen, as a fresh window would.
    for (QRadioButton *option : {excelOption, textOption}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
    confirmButton->setEnabled(false);
    textFormatLabel->hide();
    excelFormatLabel->hide();
    excelHintEdit->hide();
    ensureStore();
    QWidget::showEvent(event);
}

void ImportWindow::onExcelChosen()
{
    confirmButton->setEnabled(true);
    excelFormatLabel->show();
    excelHintEdit->show(); // the Excel hint belongs to the Excel option only
    textFormatLabel->hide();
}

void ImportWindow::onTextChosen()
{
    confirmButton->setEnabled(true);
    textFormatLabel->show();
    excelFormatLabel->hide();
    excelHintEdit->hide();
}

bool ImportWindow::ensureStore()
{
    return OpenRegister(*m_store, m_programFolder, m_dialogs, this);
}

void ImportWindow::chooseFileAndImport()
{
    const bool excel = excelOption->isChecked();
    if (!excel && !textOption->isChecked())
        return;
    Dialogs::FileRequest request;
    request.title = excel ? QStringLiteral("选择excel文件") : QStringLiteral("选择txt文件");
    request.filters = {excel ? QStringLiteral("EXCEL文件(*.xls *.xlsx)") : QStringLiteral("文本文件(*.txt)")};
    const QString path = m_dialogs.openFile(this, request);
    if (path.isEmpty() || !ensureStore())
        return;

    startImport(path, excel);
}

// Reading, parsing and storing run off the window's thread; the window shows
// how far it got and can stop it, which rolls everything back.
void ImportWindow::startImport(const QString &path, bool excel)
{
    setImporting(true);
    m_cancel = std::make_shared<std::atomic_bool>(false);
    const std::shared_ptr<std::atomic_bool> cancel = m_cancel;
    QPointer<QLabel> progressLabel = m_progress;
    const StoreLocation database = m_store->location();
    m_task->run<ImportResult>(
        [database, path, excel, cancel, progressLabel](const BackgroundTask::KeepGoing &) {
            return WaybillImporter::importFile(database, path, excel, [cancel, progressLabel](int done, int total) {
                if (*cancel)
                    return false;
                const QLocale numbers(QLocale::English);
                const QString text =
                    QStringLiteral("正在导入 %1/%2").arg(numbers.toString(done), numbers.toString(total));
                QMetaObject::invokeMethod(
                    progressLabel,
                    [progressLabel, text, cancel] {
                        if (progressLabel && !*cancel)
                            progressLabel->setText(text);
                    },
                    Qt::QueuedConnection);
                return true;
            });
        },
        [this, path](const ImportResult &result) { finishImport(result, path); });
}

void ImportWindow::setImporting(bool importing)
{
    m_importing = importing;
    for (QWidget *w : std::initializer_list<QWidget *>{excelOption, textOption, confirmButton, templateButton})
        w->setEnabled(!importing && (w != confirmButton || excelOption->isChecked() || textOption->isChecked()));
    m_progress->setText(importing ? QStringLiteral("正在读取文件…") : QString());
    m_progress->setVisible(importing);
    cancelButton->setVisible(importing);
    cancelButton->setEnabled(importing);
    if (importing)
        cancelButton->setFocus();
}

void ImportWindow::cancelImport()
{
    if (!m_importing || !m_cancel)
        return;
    *m_cancel = true;
    cancelButton->setEnabled(false);
    m_progress->setText(QStringLiteral("正在取消…"));
}

void ImportWindow::finishImport(const ImportResult &result, const QString &path)
{
    setImporting(false);
    if (result.cancelled) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("导入已取消，没有导入任何快递单。"));
        return;
    }
    if (!result.outcome) {
        m_dialogs.critical(this, Program::kTitle, result.outcome.error);
        return;
    }
    const bool more = result.skipped.size() > WaybillImporter::kListedSkips;
    if (more &&
        m_dialogs.askYesNo(this, Program::kTitle, result.message() + QStringLiteral("\n\n是否查看全部跳过的行？")))
        showSkipped(result, path);
    else if (!more)
        m_dialogs.information(this, Program::kTitle, result.message());
    hide();
    if (result.imported > 0)
        Q_EMIT imported();
}

void ImportWindow::showSkipped(const ImportResult &result, const QString &importedFile)
{
    if (!m_skipped)
        m_skipped = new SkippedLinesWindow(m_dialogs, this);
    m_skipped->showList(result.fullList(), importedFile);
}

void ImportWindow::openTemplate()
{
    const QString path = QDir(m_programFolder).filePath(ImportTemplate::relativePath());
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        const Outcome written = ImportTemplate::write(path);
        if (!written) {
            m_dialogs.critical(this, Program::kTitle, written.error);
            return;
        }
    }
    m_launcher.openFile(path, this, [this, path] {
        m_dialogs.information(this, Program::kTitle,
                              QStringLiteral("无法打开模板文件，没有找到能打开它的程序。\n请用表格软件手动打开：\n%1")
                                  .arg(QDir::toNativeSeparators(path)));
    });
}
