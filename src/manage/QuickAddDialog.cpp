#include "manage/QuickAddDialog.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "carriers/CarrierDetector.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "manage/WaybillEditor.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QPushButton>

QuickAddDialog::QuickAddDialog(const QString &programFolder, Dialogs &dialogs, const Clock &clock, QWidget *parent)
    : WaybillFormDialog(QStringLiteral("QuickAddDialog"), QStringLiteral("快速添加快递单"), CarrierCatalogue::quickAddEntries(),
                        programFolder, dialogs, parent),
      m_clock(clock)
{
    Command1 = new QPushButton(QStringLiteral("添加"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command3 = new QPushButton(QStringLiteral("退出"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    addButtons(Command1, Command3);
    connect(Command1, &QPushButton::clicked, this, &QuickAddDialog::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &QWidget::hide);

    m_entries = CarrierCatalogue::quickAddEntries();
    connect(Text1, &QLineEdit::textChanged, this, &QuickAddDialog::detectCarrier);
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
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
    const CarrierDetection::Result found = CarrierDetection::detect(Text1->text());
    QStringList order;
    for (const CarrierDetection::Candidate &c : found.candidates)
        if (m_entries.contains(c.carrier->name) && !order.contains(c.carrier->name))
            order << c.carrier->name;
    for (const QString &entry : m_entries)
        if (!order.contains(entry))
            order << entry;
    const QList<QListWidgetItem *> selected = List1->selectedItems();
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
    List1->clear();
    List1->addItems(order);
    selectCarrier(keep);
    List1->scrollToTop();
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

void QuickAddDialog::Command1_Click()
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
    Command1_Click();
    Text1->setFocus();
}
