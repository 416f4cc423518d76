#include "manage/ModifyDialog.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "core/Dialogs.h"
#include "manage/WaybillEditor.h"
#include "store/Waybills.h"

#include <QPushButton>

ModifyDialog::ModifyDialog(const QString &programFolder, Dialogs &dialogs, QWidget *parent)
    : WaybillFormDialog(QStringLiteral("ModifyDialog"), QStringLiteral("修改快递单"), CarrierCatalogue::modifyEntries(),
                        programFolder, dialogs, parent)
{
    modifyButton = new QPushButton(QStringLiteral("修改"), this);
    modifyButton->setObjectName(QStringLiteral("modifyButton"));
    exitButton = new QPushButton(QStringLiteral("退出"), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    addButtons(modifyButton, exitButton);
    connect(modifyButton, &QPushButton::clicked, this, &ModifyDialog::modify);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::hide);
}

void ModifyDialog::showFor(const Waybill &selection)
{
    if (!ensureStore())
        return;
    // The grid's labels may be older than the register (an edit, a refresh):
    // the dialog works on the row as it is stored now.
    Outcome read;
    const std::optional<Waybill> stored = Waybills(store()).find(selection.number, &read);
    if (!read) {
        dialogs().critical(this, Program::kTitle, read.error);
        return;
    }
    if (!stored) {
        hide();
        dialogs().information(parentWidget(), Program::kTitle,
                              QStringLiteral("快递单 %1 已不在数据库中（可能已被修改或删除），请在表格中重新选择。")
                                  .arg(selection.number));
        return;
    }
    fillFrom(*stored);
    show();
    raise();
    activateWindow();
}

void ModifyDialog::fillFrom(const Waybill &stored)
{
    fill(stored);
    m_oldNumber = stored.number;
    m_oldCarrier = stored.carrier;
    m_asRead = stored;
}

void ModifyDialog::modify()
{
    if (ensureStore()) {
        const Outcome changed = WaybillEditor::modify(store(), m_oldNumber, m_oldCarrier, typed(), m_asRead);
        if (changed) {
            dialogs().information(this, Program::kTitle, WaybillEditor::kModified);
            hide();
        } else if (changed.error == Waybills::kChangedElsewhere) {
            // The user's edits give way to the row as it is now, to be looked at before saving again.
            if (const std::optional<Waybill> now = Waybills(store()).find(m_oldNumber))
                fillFrom(*now);
            dialogs().information(this, Program::kTitle, changed.error);
        } else if (changed.error == Waybills::kDeletedElsewhere) {
            hide();
            dialogs().information(parentWidget(), Program::kTitle, changed.error);
        } else {
            // The dialog stays open with the user's edits.
            dialogs().information(this, Program::kTitle, changed.error);
        }
    }
    Q_EMIT attempted();
}
