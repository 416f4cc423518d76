#include "manage/FlaggedWindow.h"

#include "core/BackgroundTask.h"
#include "core/Clock.h"
#include "query/FlaggedWaybills.h"
#include "settings/RegisterLocation.h"
#include "store/StateHistory.h"
#include "store/StoreConnection.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
struct Read {
    QVector<FlaggedWaybill> flagged;
    QString error;
};
} // namespace

FlaggedWindow::FlaggedWindow(QString programFolder, const Clock &clock, QWidget *parent)
    : QDialog(parent), m_programFolder(std::move(programFolder)), m_clock(clock), m_task(new BackgroundTask(this))
{
    setWindowTitle(QStringLiteral("超时件"));
    flaggedList = new QTreeWidget(this);
    flaggedList->setObjectName(QStringLiteral("flaggedList"));
    flaggedList->setAccessibleName(QStringLiteral("超时件"));
    flaggedList->setRootIsDecorated(false);
    flaggedList->setAlternatingRowColors(true);
    flaggedList->setHeaderLabels(
        {QStringLiteral("快递单号"), QStringLiteral("快递公司"), QStringLiteral("标记"), QStringLiteral("起始时间")});
    flaggedList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    flaggedList->setSortingEnabled(true);
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("countLabel"));
    showButton = new QPushButton(QStringLiteral("显示选中运单"), this);
    showButton->setObjectName(QStringLiteral("showButton"));
    showButton->setToolTip(QStringLiteral("在快递单详细管理中选中该运单（也可双击）"));
    refreshButton = new QPushButton(QStringLiteral("刷新"), this);
    refreshButton->setObjectName(QStringLiteral("refreshButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(countLabel, 1);
    buttons->addWidget(refreshButton);
    buttons->addWidget(showButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(flaggedList, 1);
    layout->addLayout(buttons);
    resize(640, 400);

    connect(refreshButton, &QPushButton::clicked, this, &FlaggedWindow::refresh);
    connect(showButton, &QPushButton::clicked, this, &FlaggedWindow::showChosen);
    connect(flaggedList, &QTreeWidget::itemActivated, this, &FlaggedWindow::showChosen);
}

bool FlaggedWindow::isReading() const
{
    return m_task->isBusy();
}

void FlaggedWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refresh();
}

void FlaggedWindow::refresh()
{
    countLabel->setText(QStringLiteral("正在读取……"));
    const StoreLocation path = RegisterLocation::read(m_programFolder);
    const QDateTime now = m_clock.now().toUTC();
    const TimeFlags::Thresholds limits = TimeFlags::fromSettings(m_programFolder);
    m_task->run<Read>(
        [path, now, limits](const BackgroundTask::KeepGoing &) {
            Read read;
            StoreConnection store;
            Outcome outcome = store.open(path);
            if (outcome)
                read.flagged = FlaggedWaybills::read(store, now, limits, &outcome);
            read.error = outcome ? QString() : outcome.error;
            return read;
        },
        [this](Read read) {
            flaggedList->setSortingEnabled(false);
            flaggedList->clear();
            QList<QTreeWidgetItem *> items;
            for (const FlaggedWaybill &f : std::as_const(read.flagged))
                items << new QTreeWidgetItem(QStringList{f.number, f.carrier, f.flag, ShortLocalTime(f.since)});
            flaggedList->addTopLevelItems(items);
            flaggedList->setSortingEnabled(true);
            countLabel->setText(read.error.isEmpty() ? QStringLiteral("共 %1 条").arg(items.size()) : read.error);
        });
}

void FlaggedWindow::showChosen()
{
    if (const QTreeWidgetItem *item = flaggedList->currentItem())
        Q_EMIT showRequested(item->text(0));
}
