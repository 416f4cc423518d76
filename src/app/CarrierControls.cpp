#include "app/CarrierControls.h"

#include "core/BuildHelpers.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTimer>

CarrierControls::CarrierControls(QWidget *parent) : QObject(parent)
{
    m_carrierGroup = named(new QGroupBox(QStringLiteral("快递公司"), parent), "carrierGroup");
    auto *grid = new QGridLayout(m_carrierGroup);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(2);
    m_carrierButtons = new QButtonGroup(this);
    const auto carriers = CarrierCatalogue::buttonCarriers();
    for (int i = 0; i < 12; ++i) {
        carrierOptions[i] = new QRadioButton(carriers[i]->name, m_carrierGroup);
        carrierOptions[i]->setObjectName(QStringLiteral("carrierOptions[%1]").arg(i));
        carrierOptions[i]->setToolTip(carriers[i]->tooltip);
        m_carrierButtons->addButton(carrierOptions[i], i);
        grid->addWidget(carrierOptions[i], i / 4, i % 4);
        whenChosen(carrierOptions[i], [this, i] { Q_EMIT buttonChosen(i); });
    }
    otherCarriersLabel = named(new QLabel(QStringLiteral("其他快递公司："), m_carrierGroup), "otherCarriersLabel");
    otherCarriersList = named(new QListWidget(m_carrierGroup), "otherCarriersList");
    otherCarriersList->setAccessibleName(otherCarriersLabel->text());
    otherCarriersLabel->setBuddy(otherCarriersList);
    for (const Carrier *c : CarrierCatalogue::listCarriers())
        otherCarriersList->addItem(c->name);
    otherCarriersList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Four whole rows: a row cut at the bottom looks like a fault.
    otherCarriersList->setFixedHeight(4 * otherCarriersList->sizeHintForRow(0) + 2 * otherCarriersList->frameWidth());
    grid->addWidget(otherCarriersLabel, 3, 0);
    grid->addWidget(otherCarriersList, 4, 0, 1, 4);
    connect(otherCarriersList, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_suppressListAction)
            return;
        Q_EMIT listChosen();
    });

    m_sourceGroup = named(new QGroupBox(QStringLiteral("数据来源"), parent), "sourceGroup");
    auto *sources = new QGridLayout(m_sourceGroup);
    sources->setContentsMargins(6, 2, 6, 4);
    defaultSourceOption = named(new QRadioButton(QStringLiteral("默认来源"), m_sourceGroup), "defaultSourceOption");
    defaultSourceNoteLabel = named(new QLabel(QStringLiteral("(快递100)"), m_sourceGroup), "defaultSourceNoteLabel");
    backupSource1Option = named(new QRadioButton(QStringLiteral("备用来源1"), m_sourceGroup), "backupSource1Option");
    backupSource2Option = named(new QRadioButton(QStringLiteral("备用来源2"), m_sourceGroup), "backupSource2Option");
    sources->addWidget(defaultSourceOption, 0, 0);
    sources->addWidget(defaultSourceNoteLabel, 0, 1);
    sources->addWidget(backupSource1Option, 1, 0);
    sources->addWidget(backupSource2Option, 1, 1);
    // Exclusive, as a screen reader and the arrow keys expect; none is on until one is chosen.
    m_sourceButtons = new QButtonGroup(this);
    for (QRadioButton *b : {defaultSourceOption, backupSource1Option, backupSource2Option})
        m_sourceButtons->addButton(b);
    whenChosen(defaultSourceOption, [this] { Q_EMIT sourceChosen(DataSource::Default); });
    whenChosen(backupSource1Option, [this] { Q_EMIT sourceChosen(DataSource::Backup1); });
    whenChosen(backupSource2Option, [this] { Q_EMIT sourceChosen(DataSource::Backup2); });
}

// A choice runs its action however it is made: a click (also on the button
// already on, which requests its page afresh), the arrow keys or Space, or a
// screen reader's action. Buttons set in code run nothing here.
void CarrierControls::whenChosen(QRadioButton *button, const std::function<void()> &action)
{
    auto fromToggle = std::make_shared<bool>(false);
    connect(button, &QRadioButton::toggled, this, [this, action, fromToggle](bool on) {
        if (!on || m_choosingInCode)
            return;
        *fromToggle = true; // the click that may follow is the same choice
        QTimer::singleShot(0, this, [fromToggle] { *fromToggle = false; });
        action();
    });
    connect(button, &QRadioButton::clicked, this, [this, action, fromToggle] {
        if (std::exchange(*fromToggle, false) || m_choosingInCode)
            return;
        action();
    });
}

void CarrierControls::setButtonOn(int button)
{
    const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
    carrierOptions[button]->setChecked(true);
}

void CarrierControls::turnButtonsOff()
{
    const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
    m_carrierButtons->setExclusive(false);
    for (QRadioButton *b : carrierOptions)
        b->setChecked(false);
    m_carrierButtons->setExclusive(true);
}

void CarrierControls::clearList()
{
    const QScopedValueRollback<bool> inCode(m_suppressListAction, true);
    otherCarriersList->clearSelection();
    otherCarriersList->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
}

void CarrierControls::setListRow(int row)
{
    const QScopedValueRollback<bool> inCode(m_suppressListAction, true);
    otherCarriersList->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

const Carrier *CarrierControls::buttonCarrier() const
{
    for (QRadioButton *b : carrierOptions) {
        if (b->isChecked())
            return CarrierCatalogue::buttonCarriers().at(m_carrierButtons->id(b));
    }
    return nullptr;
}

const Carrier *CarrierControls::listedCarrier() const
{
    const QList<QListWidgetItem *> selected = otherCarriersList->selectedItems();
    const Carrier *carrier = FindCarrierByName(selected.isEmpty() ? QString() : selected.first()->text());
    return carrier && carrier->isListEntry() ? carrier : nullptr;
}

DataSource CarrierControls::source() const
{
    if (defaultSourceOption->isChecked())
        return DataSource::Default;
    if (backupSource2Option->isChecked())
        return DataSource::Backup2;
    if (backupSource1Option->isChecked())
        return DataSource::Backup1;
    return DataSource::None;
}

void CarrierControls::setSource(DataSource source)
{
    const QScopedValueRollback<bool> inCode(m_choosingInCode, true);
    if (source == DataSource::Default)
        defaultSourceOption->setChecked(true);
    else if (source == DataSource::Backup1)
        backupSource1Option->setChecked(true);
    else if (source == DataSource::Backup2)
        backupSource2Option->setChecked(true);
}
