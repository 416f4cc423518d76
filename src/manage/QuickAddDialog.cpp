#include "manage/QuickAddDialog.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "carriers/CarrierDetector.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "manage/WaybillEditor.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>

QuickAddDialog::QuickAddDialog(const QString &programFolder, Dialogs &dialogs, const Clock &clock, QWidget *parent)
    : WaybillFormDialog(QStringLiteral("QuickAddDialog"), QStringLiteral("快速添加快递单"),
                        CarrierCatalogue::quickAddEntries(), programFolder, dialogs, parent),
      m_clock(clock)
{
    addButton = new QPushButton(QStringLiteral("添加"), this);
    addButton->setObjectName(QStringLiteral("addButton"));
    exitButton = new QPushButton(QStringLiteral("退出"), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    addButtons(addButton, exitButton);
    connect(addButton, &QPushButton::clicked, this, &QuickAddDialog::add);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::hide);

    m_entries = CarrierCatalogue::quickAddEntries();
    connect(numberEdit, &QLineEdit::textChanged, this, &QuickAddDialog::detectCarrier);
    connect(carrierList, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_reordering) {
            m_chosenByUser = true;
            m_autoChosen = false;
        }
    });
}

// The carriers the number may belong to come first in the list, best first;
// a sure one is chosen unless the user chose one.
void QuickAddDialog::detectCarrier()
{
    const CarrierDetection::Result found = CarrierDetection::detect(numberEdit->text());
    QStringList order;
    for (const CarrierDetection::Candidate &c : found.candidates)
        if (m_entries.contains(c.carrier->name) && !order.contains(c.carrier->name))
            order << c.carrier->name;
    for (const QString &entry : m_entries)
        if (!order.contains(entry))
            order << entry;
    const QList<QListWidgetItem *> selected = carrierList->selectedItems();
    QString keep = selected.isEmpty() ? QString() : selected.first()->text();
    if (!m_chosenByUser) {
        if (const Carrier *sure = found.sureCarrier(); sure && m_entries.contains(sure->name)) {
            keep = sure->name;
            m_autoChosen = true;
        } else if (m_autoChosen) {
            keep.clear(); // chosen for a number that is no longer there
            m_autoChosen = false;
        }
    }
    const QScopedValueRollback<bool> inCode(m_reordering, true);
    carrierList->clear();
    carrierList->addItems(order);
    selectCarrier(keep);
    carrierList->scrollToTop();
}

void QuickAddDialog::showEvent(QShowEvent *event)
{
    if (!m_shownBefore) {
        m_shownBefore = true;
        ensureStore();
        clearBoxes();
    }
    WaybillFormDialog::showEvent(event);
}

void QuickAddDialog::add()
{
    if (ensureStore()) {
        const Outcome added = WaybillEditor::quickAdd(store(), typed(), m_clock.today());
        if (added) {
            dialogs().information(this, Program::kTitle, WaybillEditor::kAdded);
            // Ready for the next waybill; the carrier choice stays.
            clearBoxes();
        } else {
            // The boxes keep what was typed, so that it can be corrected.
            dialogs().information(this, Program::kTitle, added.error);
        }
    }
    Q_EMIT attempted();
}

void QuickAddDialog::enterInLastBox()
{
    add();
    numberEdit->setFocus();
}
