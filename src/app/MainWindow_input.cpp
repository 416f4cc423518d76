// The input form and the history list of the main window.
#include "app/MainWindow.h"
#include "settings/WatchSettings.h"
#include "core/ProgramName.h"

#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "manage/ManagementWindow.h"
#include "settings/AppSettings.h"
#include "store/HistoryLoader.h"
#include "store/Waybill.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

void MainWindow::trimmedMirror(QLineEdit *box, QLabel *mirror, bool updateStatus)
{
    const QString trimmed = TrimBlanks(box->text());
    if (trimmed != box->text()) {
        // The box never keeps blanks at either end; the change comes back here.
        const int caret = qMin(box->cursorPosition(), int(trimmed.size()));
        box->setText(trimmed);
        box->setCursorPosition(caret);
        return;
    }
    mirror->setText(box->text());
    if (updateStatus)
        UpdateStatusLine();
}

void MainWindow::Command6_Click()
{
    const QString &title = Program::kTitle;
    if (Text1->text().isEmpty()) {
        m_dialogs.information(this, title, QStringLiteral("快递单号不能为空！"));
    } else if (Label6->text().isEmpty()) {
        m_dialogs.information(this, title, QStringLiteral("呵呵，忘记选择快递公司啦！"));
    } else {
        Outcome checked;
        // The number that would be stored is the label's, which a history pick may have set.
        if (m_store.numberExists(Label4->text(), &checked)) {
            m_dialogs.information(this, title, QStringLiteral("快递单号已存在！"));
        } else if (!checked) {
            m_dialogs.information(this, title, checked.error);
        } else {
            if (Outcome saved = m_store.insertFromInputForm(currentWaybill()); !saved)
                m_dialogs.information(this, title, saved.error);
        }
    }
    Timer4->setEnabled(true);
}

Waybill MainWindow::currentWaybill() const
{
    Waybill w;
    w.number = Label4->text();
    w.carrier = Label6->text();
    w.goods = Label20->text();
    w.amount = Label21->text();
    w.time = Label22->text();
    w.name = Label23->text();
    w.phone = Label24->text();
    w.address = Label25->text();
    w.notes = Label16->text();
    return w;
}

void MainWindow::Command2_Click()
{
    for (QLineEdit *box : {Text1, Text2, Text3, Text4, Text9, Text7, Text8})
        box->setText(QString());
}

void MainWindow::Check1_Click()
{
    AppSettings::write(m_dataFolder, AppSettings::kAutoSave,
                       Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::LoadData()
{
    m_historyLoader->load({m_clock.today(), WatchSettings::archiveDays(m_dataFolder), showArchived->isChecked()});
}

bool MainWindow::isHistoryLoading() const
{
    return m_historyLoader->isLoading();
}

ManagementWindow *MainWindow::managementWindow() const
{
    return m_management;
}

void MainWindow::showManagement()
{
    if (!m_management) {
        m_management = new ManagementWindow(
            m_dataFolder, m_dialogs, m_launcher, m_clock, [this] { return currentWaybill(); }, this);
        m_management->setWindowFlag(Qt::Window);
        // After an import the history list follows a second later.
        connect(m_management, &ManagementWindow::waybillsImported, this, [this] { Timer4->setEnabled(true); });
        connect(m_management, &ManagementWindow::registerChanged, this, &MainWindow::rebuildRegisterIndex);
    }
    m_management->show();
    m_management->raise();
    m_management->activateWindow();
}

void MainWindow::Timer4_Timer()
{
    Timer4->setEnabled(false);
    LoadData();
}
