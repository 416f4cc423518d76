#include "manage/BulkTransferBox.h"

#include "manage/ButtonRow.h"

#include <QHBoxLayout>

BulkTransferBox::BulkTransferBox(QWidget *parent) : QGroupBox(QStringLiteral("批量导入导出"), parent)
{
    setObjectName(QStringLiteral("transferGroup"));
    using Box = BulkTransferBox;
    const QVector<QPushButton *> buttons = ButtonRow::add<Box>(
        this, new QHBoxLayout(this),
        {{"exportButton", QStringLiteral("批量导出"), QString(), &Box::exportAsked},
         {"importButton", QStringLiteral("批量导入"), QString(), &Box::importAsked},
         {"statisticsButton", QStringLiteral("统计"), QStringLiteral("按状态、快递公司、月份和在途天数统计"),
          &Box::statisticsAsked},
         {"flaggedButton", QStringLiteral("超时件"),
          QStringLiteral("揽收超时、超时未更新、超时未签收、待取超时的快递单"), &Box::flaggedAsked}});
    m_exportButton = buttons.first();
    for (QPushButton *b : buttons)
        m_buttons.push_back(b);
}

void BulkTransferBox::setExporting(bool exporting)
{
    m_exportButton->setEnabled(!exporting);
}

QVector<QWidget *> BulkTransferBox::tabStops() const
{
    return m_buttons;
}
