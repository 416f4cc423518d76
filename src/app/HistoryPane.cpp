#include "app/HistoryPane.h"

#include "core/BuildHelpers.h"
#include "core/Clock.h"
#include "settings/RegisterLocation.h"
#include "settings/WatchSettings.h"
#include "store/HistoryLoader.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

HistoryPane::HistoryPane(QString dataFolder, const Clock &clock, QWidget *parent)
    : QGroupBox(QStringLiteral("历史记录"), parent), m_dataFolder(std::move(dataFolder)), m_clock(clock)
{
    setObjectName(QStringLiteral("historyGroup"));
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(6, 2, 6, 4);
    m_history = new HistoryModel(this);
    historyView = named(new QTreeView(this), "historyView");
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
    header->setSortIndicator(-1, Qt::DescendingOrder);
    header->setSortIndicatorClearable(true);
    historyView->setSortingEnabled(true);
    box->addWidget(historyView, 1);
    showArchivedCheckBox = named(new QCheckBox(QStringLiteral("显示已归档"), this), "showArchivedCheckBox");
    showArchivedCheckBox->setAccessibleName(showArchivedCheckBox->text());
    box->addWidget(showArchivedCheckBox);
    connect(showArchivedCheckBox, &QCheckBox::toggled, this, &HistoryPane::load);
    refreshHistoryButton = named(new QPushButton(QStringLiteral("刷新数据"), this), "refreshHistoryButton");
    managementButton = named(new QPushButton(QStringLiteral("快递单详细管理"), this), "managementButton");
    settingsButton = named(new QPushButton(QStringLiteral("软件设置"), this), "settingsButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(refreshHistoryButton);
    buttons->addWidget(managementButton);
    buttons->addWidget(settingsButton);
    box->addLayout(buttons);
    connect(historyView, &QTreeView::clicked, this, [this](const QModelIndex &index) { pick(index.row()); });
    connect(historyView, &QTreeView::activated, this, [this](const QModelIndex &index) { pick(index.row()); });
    connect(refreshHistoryButton, &QPushButton::clicked, this, [this] {
        load();
        Q_EMIT refreshClicked(chosenNumber());
    });
    connect(settingsButton, &QPushButton::clicked, this, &HistoryPane::settingsClicked);
    connect(managementButton, &QPushButton::clicked, this, &HistoryPane::managementClicked);

    m_loader = new HistoryLoader(RegisterLocation::read(m_dataFolder), this);
    connect(m_loader, &HistoryLoader::loaded, this, [this](const QVector<HistoryModel::Row> &rows) {
        m_history->setRows(rows);
        Q_EMIT loaded(rows);
    });
    connect(m_loader, &HistoryLoader::failed, this, &HistoryPane::loadFailed);
}

void HistoryPane::load()
{
    m_loader->load({m_clock.today(), WatchSettings::archiveDays(m_dataFolder), showArchivedCheckBox->isChecked()});
}

bool HistoryPane::isLoading() const
{
    return m_loader->isLoading();
}

void HistoryPane::setNoteFor(std::function<QString(const QString &number)> note)
{
    m_history->setNoteFor(std::move(note));
}

void HistoryPane::pick(int row)
{
    if (row < 0 || row >= m_history->rowCount())
        return;
    Q_EMIT picked(m_history->row(row));
}

QString HistoryPane::chosenNumber() const
{
    const QModelIndex chosen = historyView->currentIndex();
    if (!chosen.isValid() || chosen.row() >= m_history->rowCount())
        return QString();
    return m_history->row(chosen.row()).number;
}
