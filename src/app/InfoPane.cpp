#include "app/InfoPane.h"

#include "app/ElidingLabel.h"
#include "core/BuildHelpers.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {
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
} // namespace

InfoPane::InfoPane(QWidget *parent) : QGroupBox(QStringLiteral("信息"), parent)
{
    setObjectName(QStringLiteral("infoGroup"));
    auto *info = new QGridLayout(this);
    info->setContentsMargins(6, 2, 6, 4);
    info->setVerticalSpacing(2);
    numberCaptionLabel = named(new QLabel(QStringLiteral("运单号："), this), "numberCaptionLabel");
    numberValueLabel = valueLabel("numberValueLabel", QStringLiteral("运单号"), this);
    carrierCaptionLabel = named(new QLabel(QStringLiteral("快递公司："), this), "carrierCaptionLabel");
    carrierValueLabel = valueLabel("carrierValueLabel", QStringLiteral("快递公司"), this);
    hotlineCaptionLabel = named(new QLabel(QStringLiteral("客服热线："), this), "hotlineCaptionLabel");
    hotlineValueLabel = valueLabel("hotlineValueLabel", QStringLiteral("客服热线"), this);
    // An empty value is announced by its caption, not by the frame's title.
    numberCaptionLabel->setBuddy(numberValueLabel);
    carrierCaptionLabel->setBuddy(carrierValueLabel);
    hotlineCaptionLabel->setBuddy(hotlineValueLabel);
    info->addWidget(numberCaptionLabel, 0, 0);
    info->addWidget(numberValueLabel, 0, 1);
    info->addWidget(carrierCaptionLabel, 1, 0);
    info->addWidget(carrierValueLabel, 1, 1);
    info->addWidget(hotlineCaptionLabel, 2, 0);
    info->addWidget(hotlineValueLabel, 2, 1);
    info->setColumnStretch(1, 1);
    // Mirrors of the input form: what the save stores and the details show.
    // The boxes themselves show the same text, so the mirrors stay hidden.
    goodsValueLabel = valueLabel("goodsValueLabel", QStringLiteral("物品"), this);
    amountValueLabel = valueLabel("amountValueLabel", QStringLiteral("金额"), this);
    timeValueLabel = valueLabel("timeValueLabel", QStringLiteral("时间"), this);
    nameValueLabel = valueLabel("nameValueLabel", QStringLiteral("姓名"), this);
    phoneValueLabel = valueLabel("phoneValueLabel", QStringLiteral("电话"), this);
    addressValueLabel = valueLabel("addressValueLabel", QStringLiteral("联系地址"), this);
    notesValueLabel = valueLabel("notesValueLabel", QStringLiteral("备注"), this);
    daysInTransitValueLabel = valueLabel("daysInTransitValueLabel", QStringLiteral("在途时间"), this);
    statusValueLabel = valueLabel("statusValueLabel", QStringLiteral("状态"), this);
    for (QLabel *mirror : {goodsValueLabel, amountValueLabel, timeValueLabel, nameValueLabel, phoneValueLabel,
                           addressValueLabel, notesValueLabel, daysInTransitValueLabel, statusValueLabel})
        mirror->hide();
    carrierHomePageButton = named(new QPushButton(QStringLiteral("打开快递官网"), this), "carrierHomePageButton");
    carrierHomePageButton->setToolTip(QStringLiteral("打开所选快递公司的官网"));
    info->addWidget(carrierHomePageButton, 3, 0, 1, 2);
    connect(carrierHomePageButton, &QPushButton::clicked, this, &InfoPane::homePageClicked);
}

void InfoPane::setNumberAndCarrier(const QString &number, const QString &carrier)
{
    m_waybill.number = number;
    m_waybill.carrier = carrier;
    showState();
}

void InfoPane::setField(QString Waybill::*field, const QString &text)
{
    m_waybill.*field = text;
    showState();
}

void InfoPane::setHotline(const QString &hotline)
{
    m_hotline = hotline;
    showState();
}

void InfoPane::showState()
{
    const QPair<QLabel *, const QString *> shown[] = {
        {numberValueLabel, &m_waybill.number},   {carrierValueLabel, &m_waybill.carrier},
        {hotlineValueLabel, &m_hotline},         {goodsValueLabel, &m_waybill.goods},
        {amountValueLabel, &m_waybill.amount},   {timeValueLabel, &m_waybill.time},
        {nameValueLabel, &m_waybill.name},       {phoneValueLabel, &m_waybill.phone},
        {addressValueLabel, &m_waybill.address}, {notesValueLabel, &m_waybill.notes}};
    for (const auto &[label, text] : shown)
        if (label->text() != *text)
            label->setText(*text);
}
