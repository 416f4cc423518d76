#include "manage/DetailsDialog.h"
#include "core/ProgramName.h"
#include "manage/WindowKeys.h"

#include "core/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
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
        {"numberCaptionLabel", QStringLiteral("单号"), &numberValueLabel, "numberValueLabel"},
        {"carrierCaptionLabel", QStringLiteral("快递公司"), &carrierValueLabel, "carrierValueLabel"},
        {"goodsCaptionLabel", QStringLiteral("物品"), &goodsValueLabel, "goodsValueLabel"},
        {"amountCaptionLabel", QStringLiteral("金额"), &amountValueLabel, "amountValueLabel"},
        {"timeCaptionLabel", QStringLiteral("时间"), &timeValueLabel, "timeValueLabel"},
        {"nameCaptionLabel", QStringLiteral("姓名"), &nameValueLabel, "nameValueLabel"},
        {"phoneCaptionLabel", QStringLiteral("电话"), &phoneValueLabel, "phoneValueLabel"},
        {"addressCaptionLabel", QStringLiteral("联系地址"), &addressValueLabel, "addressValueLabel"},
        {"notesCaptionLabel", QStringLiteral("备注"), &notesValueLabel, "notesValueLabel"},
        {"statusCaptionLabel", QStringLiteral("状态"), &statusValueLabel, "statusValueLabel"},
        {"daysInTransitCaptionLabel", QStringLiteral("在途时间"), &daysInTransitValueLabel, "daysInTransitValueLabel"},
    };
    auto *grid = new QGridLayout(this);
    int r = 0;
    for (const Row &row : rows) {
        auto *caption = new QLabel(row.caption, this);
        caption->setObjectName(QString::fromLatin1(row.captionName));
        if (row.value == &nameValueLabel)
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
    lastCheckLabel = new QLabel(this);
    lastCheckLabel->setTextFormat(Qt::PlainText);
    lastCheckLabel->setObjectName(QStringLiteral("lastCheckLabel"));
    lastCheckLabel->setAccessibleDescription(QStringLiteral("最后查询")); // its name is the value it shows
    lastCheckLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    grid->addWidget(lastCheckLabel, r++, 0, 1, 2);
    stateHistoryView = new QTreeWidget(this);
    stateHistoryView->setObjectName(QStringLiteral("stateHistoryView"));
    stateHistoryView->setAccessibleName(QStringLiteral("查询历史"));
    stateHistoryView->setRootIsDecorated(false);
    stateHistoryView->setHeaderLabels(
        {QStringLiteral("查询时间"), QStringLiteral("最后查询"), QStringLiteral("来源"), QStringLiteral("状态")});
    stateHistoryView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    stateHistoryView->header()->setStretchLastSection(true);
    stateHistoryView->setMinimumSize(520, 140); // the state text needs the room
    grid->addWidget(stateHistoryView, r++, 0, 1, 2);
    exitButton = new QPushButton(QStringLiteral("退出"), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    grid->addWidget(exitButton, r, 1, Qt::AlignRight);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::hide);
}

void DetailsDialog::showFor(const Waybill &current, const std::optional<Waybill> &registered,
                            const QVector<StateEntry> &history, const QDateTime &now)
{
    if (current.number.isEmpty()) {
        m_dialogs.information(this, Program::kTitle, QStringLiteral("哈哈，没有选定哦！！！"));
    } else {
        numberValueLabel->setText(current.number);
        carrierValueLabel->setText(current.carrier);
        goodsValueLabel->setText(current.goods);
        amountValueLabel->setText(current.amount);
        timeValueLabel->setText(current.time);
        nameValueLabel->setText(current.name);
        phoneValueLabel->setText(current.phone);
        addressValueLabel->setText(current.address);
        notesValueLabel->setText(current.notes);
        statusValueLabel->setText(registered ? registered->status : QString());
        daysInTransitValueLabel->setText(registered ? registered->daysInTransit : QString());
        showHistory(history, now);
    }
    show();
    raise();
    activateWindow();
}

void DetailsDialog::showHistory(const QVector<StateEntry> &history, const QDateTime &now)
{
    lastCheckLabel->setText(QStringLiteral("最后查询：") +
                            DescribeLastCheck(history.isEmpty() ? QDateTime() : history.first().lastCheck, now));
    stateHistoryView->clear();
    for (const StateEntry &entry : history) {
        auto *item =
            new QTreeWidgetItem(stateHistoryView, {ShortLocalTime(entry.firstSeen), ShortLocalTime(entry.lastCheck),
                                                   StateSource::caption(entry.source), entry.state});
        item->setToolTip(3, entry.state);
    }
}
