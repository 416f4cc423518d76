#include "manage/Form3.h"
#include "core/ProgramName.h"

#include "carriers/CarrierCatalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "manage/WaybillEditor.h"

#include <QLineEdit>
#include <QPushButton>

Form3::Form3(const QString &programFolder, Dialogs &dialogs, const Clock &clock, QWidget *parent)
    : WaybillFormDialog(QStringLiteral("Form3"), QStringLiteral("快速添加快递单"), CarrierCatalogue::quickAddEntries(),
                        programFolder, dialogs, parent),
      m_clock(clock)
{
    Command1 = new QPushButton(QStringLiteral("添加"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command3 = new QPushButton(QStringLiteral("退出"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    addButtons(Command1, Command3);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &QWidget::hide);
}

void Form3::showEvent(QShowEvent *event)
{
    if (!m_shownBefore) {
        m_shownBefore = true;
        ensureStore();
        clearBoxes();
    }
    WaybillFormDialog::showEvent(event);
}

void Form3::Command1_Click()
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

void Form3::enterInLastBox()
{
    Command1_Click();
    Text1->setFocus();
}
