#include "manage/DetailsDialog.h"
#include "core/ProgramName.h"
#include "manage/WindowKeys.h"

#include "core/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

DetailsDialog::DetailsDialog(Dialogs &dialogs, QWidget *parent) : QWidget(parent, Qt::Window), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("DetailsDialog"));
    InstallWindowKeys(this);
    setWindowTitle(QStringLiteral("当前快递单信息"));
    struct Row {
        const char *captionName;
        QString caption;
        QLabel **value;
        const char *valueName;
    };
    const Row rows[] = {
        {"Label1", QStringLiteral("单号"), &Label10, "Label10"},
        {"Label2", QStringLiteral("快递公司"), &Label11, "Label11"},
        {"Label4", QStringLiteral("物品"), &Label12, "Label12"},
        {"Label5", QStringLiteral("金额"), &Label13, "Label13"},
        {"Label6", QStringLiteral("时间"), &Label14, "Label14"},
        {"Label7", QStringLiteral("姓名"), &Label15, "Label15"},
        {"Label8", QStringLiteral("电话"), &Label16, "Label16"},
        {"Label9", QStringLiteral("联系地址"), &Label17, "Label17"},
        {"Label3", QStringLiteral("备注"), &Label18, "Label18"},
        {"Label19", QStringLiteral("状态"), &Label21, "Label21"},
        {"Label20", QStringLiteral("在途时间"), &Label22, "Label22"},
    };
    auto *grid = new QGridLayout(this);
    int r = 0;
    for (const Row &row : rows) {
        auto *caption = new QLabel(row.caption, this);
        caption->setObjectName(QString::fromLatin1(row.captionName));
        if (row.value == &Label15)
            caption->setToolTip(QStringLiteral("姓名，可以不填哦~~~"));
        auto *value = new QLabel(this);
        value->setTextFormat(Qt::PlainText); // an imported "<b>" is text, never markup
        value->setObjectName(QString::fromLatin1(row.valueName));
        value->setAccessibleDescription(row.caption); // its name is the value it shows
        value->setToolTip(row.caption);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setMinimumWidth(220);
        caption->setBuddy(value); // an empty value is announced by its caption
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1);
        *row.value = value;
        ++r;
    }
    lastCheck = new QLabel(this);
    lastCheck->setTextFormat(Qt::PlainText);
    lastCheck->setObjectName(QStringLiteral("lastCheck"));
    lastCheck->setAccessibleDescription(QStringLiteral("最后查询")); // its name is the value it shows
    lastCheck->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    grid->addWidget(lastCheck, r++, 0, 1, 2);
    stateHistory = new QTreeWidget(this);
    stateHistory->setObjectName(QStringLiteral("stateHistory"));
    stateHistory->setAccessibleName(QStringLiteral("查询历史"));
    stateHistory->setRootIsDecorated(false);
    stateHistory->setHeaderLabels({QStringLiteral("查询时间"), QStringLiteral("最后查询"), QStringLiteral("来源"),
                                   QStringLiteral("状态")});
    stateHistory->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    stateHistory->header()->setStretchLastSection(true);
    stateHistory->setMinimumSize(520, 140); // the state text needs the room
    grid->addWidget(stateHistory, r++, 0, 1, 2);
    Command2 = new QPushButton(QStringLiteral("退出"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    grid->addWidget(Command2, r, 1, Qt::AlignRight);
    connect(Command2, &QPushButton::clicked, this, &QWidget::hide);
}

void DetailsDialog::showFor(const Waybill &current, const std::optional<Waybill> &registered,
                    const QVector<StateEntry> &history, const QDateTime &now)
{
    if (current.number.isEmpty()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("哈哈，没有选定哦！！！"));
    } else {
        Label10->setText(current.number);
        Label11->setText(current.carrier);
        Label12->setText(current.goods);
        Label13->setText(current.amount);
        Label14->setText(current.time);
        Label15->setText(current.name);
        Label16->setText(current.phone);
        Label17->setText(current.address);
        Label18->setText(current.notes);
        Label21->setText(registered ? registered->status : QString());
        Label22->setText(registered ? registered->daysInTransit : QString());
        showHistory(history, now);
    }
    show();
    raise();
    activateWindow();
}

void DetailsDialog::showHistory(const QVector<StateEntry> &history, const QDateTime &now)
{
    lastCheck->setText(QStringLiteral("最后查询：") +
                       DescribeLastCheck(history.isEmpty() ? QDateTime() : history.first().lastCheck, now));
    stateHistory->clear();
    for (const StateEntry &entry : history) {
        auto *item = new QTreeWidgetItem(stateHistory, {ShortLocalTime(entry.firstSeen), ShortLocalTime(entry.lastCheck),
                                                        StateSource::caption(entry.source), entry.state});
        item->setToolTip(3, entry.state);
    }
}
