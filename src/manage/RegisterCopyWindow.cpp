#include "manage/RegisterCopyWindow.h"

#include "core/BackgroundTask.h"
#include "store/RegisterCopy.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Copied {
    CopyCounts counts;
    Outcome outcome;
};

QString placeOf(const StoreLocation &where)
{
    return where.onServer ? where.server.display() : where.file;
}

} // namespace

RegisterCopyWindow::RegisterCopyWindow(const StoreLocation &source, const StoreLocation &target, QWidget *parent)
    : QDialog(parent), m_source(source), m_target(target), m_task(new BackgroundTask(this))
{
    setWindowTitle(target.onServer ? QStringLiteral("复制本机登记簿到服务器")
                                   : QStringLiteral("复制服务器登记簿到本机文件"));
    routeLabel = new QLabel(QStringLiteral("从：%1\n到：%2").arg(placeOf(source), placeOf(target)), this);
    routeLabel->setObjectName(QStringLiteral("routeLabel"));
    routeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setAccessibleName(QStringLiteral("复制进度"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    resultLabel = new QLabel(target.onServer ? QStringLiteral("服务器上的数据库必须是空的；复制在一个事务中完成，"
                                                              "中途取消或失败时服务器上不会留下任何内容。")
                                             : QStringLiteral("文件复制完整后才会出现；已有的文件不会被覆盖。"),
                             this);
    resultLabel->setObjectName(QStringLiteral("resultLabel"));
    resultLabel->setAccessibleName(QStringLiteral("复制结果"));
    resultLabel->setWordWrap(true);
    startButton = new QPushButton(QStringLiteral("开始复制"), this);
    startButton->setObjectName(QStringLiteral("startButton"));
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setToolTip(QStringLiteral("停止复制，已复制的内容一条也不保留"));
    cancelButton->setEnabled(false);
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(routeLabel);
    layout->addWidget(progressBar);
    layout->addWidget(resultLabel, 1);
    layout->addLayout(buttons);
    resize(520, 220);
    startButton->setDefault(true);
    startButton->setFocus();

    connect(startButton, &QPushButton::clicked, this, &RegisterCopyWindow::start);
    connect(cancelButton, &QPushButton::clicked, this, &RegisterCopyWindow::cancel);
    connect(closeButton, &QPushButton::clicked, this, &RegisterCopyWindow::reject);
}

RegisterCopyWindow::~RegisterCopyWindow()
{
    // The worker rolls back at its next step; the task waits for it.
    if (m_cancel)
        *m_cancel = true;
}

void RegisterCopyWindow::start()
{
    if (m_copying)
        return;
    m_cancel = std::make_shared<std::atomic_bool>(false);
    const std::shared_ptr<std::atomic_bool> cancel = m_cancel;
    QPointer<QProgressBar> bar = progressBar;
    const StoreLocation source = m_source;
    const StoreLocation target = m_target;
    setCopying(true);
    m_task->run<Copied>(
        [source, target, cancel, bar](const BackgroundTask::KeepGoing &) {
            Copied copied;
            copied.counts =
                RegisterCopy::copy(source, target, &copied.outcome, [cancel, bar](qint64 done, qint64 total) {
                    const int percent = total > 0 ? int(done * 100 / total) : 100;
                    QMetaObject::invokeMethod(bar, [bar, percent] {
                        if (bar)
                            bar->setValue(percent);
                    });
                    return !*cancel;
                });
            return copied;
        },
        [this](const Copied &copied) {
            setCopying(false);
            if (copied.outcome.ok) {
                progressBar->setValue(100);
                resultLabel->setText(RegisterCopy::doneText(copied.counts));
            } else {
                progressBar->setValue(0);
                resultLabel->setText(copied.outcome.error);
            }
            Q_EMIT finished(copied.outcome.ok);
        });
}

void RegisterCopyWindow::cancel()
{
    if (!m_copying || !m_cancel)
        return;
    *m_cancel = true;
    cancelButton->setEnabled(false);
    resultLabel->setText(QStringLiteral("正在取消…"));
}

void RegisterCopyWindow::setCopying(bool copying)
{
    m_copying = copying;
    startButton->setEnabled(!copying);
    cancelButton->setEnabled(copying);
    closeButton->setEnabled(!copying);
    if (copying) {
        resultLabel->setText(QStringLiteral("正在复制…"));
        cancelButton->setFocus();
    } else {
        closeButton->setFocus();
    }
}

void RegisterCopyWindow::reject()
{
    // Esc while copying cancels first; the window stays until the copy has rolled back.
    if (m_copying) {
        cancel();
        return;
    }
    QDialog::reject();
}
