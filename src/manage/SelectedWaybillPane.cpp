#include "manage/SelectedWaybillPane.h"

#include <QGridLayout>
#include <QLabel>

SelectedWaybillPane::SelectedWaybillPane(QWidget *parent) : QGroupBox(QStringLiteral("选中运单"), parent)
{
    setObjectName(QStringLiteral("selectedWaybillPane"));
    auto *layout = new QGridLayout(this);
    struct Slot {
        const char *name;
        int column;
    };
    const Slot places[] = {
        {"numberValueLabel", WaybillColumns::Number}, {"carrierValueLabel", WaybillColumns::Carrier},
        {"statusValueLabel", WaybillColumns::Status}, {"daysInTransitValueLabel", WaybillColumns::DaysInTransit},
        {"goodsValueLabel", WaybillColumns::Goods},   {"amountValueLabel", WaybillColumns::Amount},
        {"timeValueLabel", WaybillColumns::Time},     {"nameValueLabel", WaybillColumns::Name},
        {"phoneValueLabel", WaybillColumns::Phone},   {"addressValueLabel", WaybillColumns::Address},
        {"notesValueLabel", WaybillColumns::Notes},
    };
    int index = 0;
    for (const Slot &slot : places) {
        const QString column = WaybillColumns::name(slot.column);
        auto *label = new QLabel(this); // empty until a row is chosen
        label->setObjectName(QString::fromLatin1(slot.name));
        label->setAccessibleDescription(column); // its name is the value it shows
        label->setToolTip(column);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto *caption = new QLabel(column + QStringLiteral("："), this);
        caption->setBuddy(label); // an empty value is announced by its caption
        layout->addWidget(caption, index / 4, (index % 4) * 2);
        layout->addWidget(label, index / 4, (index % 4) * 2 + 1);
        m_values[slot.column] = label;
        ++index;
    }
}

void SelectedWaybillPane::setWaybill(const Waybill &waybill)
{
    m_waybill = waybill;
    for (int c = 0; c < WaybillColumns::Count; ++c)
        m_values[c]->setText(WaybillColumns::value(waybill, c));
}

void SelectedWaybillPane::clear()
{
    m_waybill.reset();
    for (QLabel *value : m_values)
        value->clear();
}
