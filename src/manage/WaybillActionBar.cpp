#include "manage/WaybillActionBar.h"

#include "manage/ButtonRow.h"

#include <QHBoxLayout>

WaybillActionBar::WaybillActionBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("waybillActionBar"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0); // lined up with the panes above and below
    using Bar = WaybillActionBar;
    for (QPushButton *b : ButtonRow::add<Bar>(
             this, layout,
             {{"refreshButton", QStringLiteral("刷新数据"), QStringLiteral("刷新显示数据"), &Bar::refreshAsked},
              {"detailsButton", QStringLiteral("显示选中运单"), QString(), &Bar::detailsAsked},
              {"deleteButton", QStringLiteral("删除选中运单"), QStringLiteral("删除选中运单"), &Bar::deleteAsked},
              {"modifyButton", QStringLiteral("修改选中运单"), QStringLiteral("修改选中运单"), &Bar::modifyAsked},
              {"quickAddButton", QStringLiteral("快速添加运单"), QStringLiteral("快速添加运单"), &Bar::quickAddAsked}}))
        m_buttons.push_back(b);
    layout->addStretch();
}

QVector<QWidget *> WaybillActionBar::tabStops() const
{
    return m_buttons;
}
