#include "manage/Form8.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "core/Dialogs.h"
#include "manage/WaybillEditor.h"

#include <QPushButton>

Form8::Form8(const QString &programFolder, Dialogs &dialogs, QWidget *parent)
    : WaybillFormDialog(QStringLiteral("Form8"), QStringLiteral("修改快递单"), CarrierCatalogue::modifyEntries(),
                        programFolder, dialogs, parent)
{
    Command2 = new QPushButton(QStringLiteral("修改"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("退出"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    addButtons(Command2, Command3);
    connect(Command2, &QPushButton::clicked, this, &Form8::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &QWidget::hide);
}

void Form8::showFor(const Waybill &selection)
{
    ensureStore();
    fill(selection);
    m_oldNumber = selection.number;
    m_oldCarrier = selection.carrier;
    show();
    raise();
    activateWindow();
}

void Form8::Command2_Click()
{
    if (ensureStore()) {
        const Outcome changed = WaybillEditor::modify(store(), m_oldNumber, m_oldCarrier, typed());
        if (changed) {
            dialogs().information(this, Program::kTitle, WaybillEditor::kModified);
            hide();
        } else {
            // The dialog stays open with the user's edits.
            dialogs().information(this, Program::kTitle, changed.error);
        }
    }
    Q_EMIT attempted();
}
