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
#include "query/PassMarks.h"

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
    // The number is the choice's as it will be stored and queried.
    if (box == numberEdit)
        m_choice->setNumber(WaybillNumber::normalForm(box->text()));
    else
        mirror->setText(box->text());
    if (updateStatus)
        updateStatusLine();
}

void MainWindow::saveInput()
{
    const QString &title = Program::kTitle;
    if (numberEdit->text().isEmpty()) {
        m_dialogs.information(this, title, QStringLiteral("快递单号不能为空！"));
    } else if (!m_choice->hasCarrier()) {
        m_dialogs.information(this, title, QStringLiteral("呵呵，忘记选择快递公司啦！"));
    } else {
        Outcome checked;
        // The number that would be stored is the label's, which a history pick may have set.
        if (m_store.numberExists(m_choice->number(), &checked)) {
            m_dialogs.information(this, title, QStringLiteral("快递单号已存在！"));
        } else if (!checked) {
            m_dialogs.information(this, title, checked.error);
        } else {
            if (Outcome saved = m_store.insertFromInputForm(currentWaybill()); !saved)
                m_dialogs.information(this, title, saved.error);
            else
                keepLastAnswer(m_choice->number());
        }
    }
    historyRefreshTimer->setEnabled(true);
}

// A number queried before it was saved keeps what its query said.
void MainWindow::keepLastAnswer(const QString &number)
{
    const std::optional<StateCheck> answer = m_lastAnswers.take(number);
    if (!answer)
        return;
    PassMarks marks;
    if (!markSignedFor(*answer, marks))
        m_dialogs.information(this, Program::kTitle, marks.endOfPass(QStringLiteral("查询结果未能保存")));
}

Waybill MainWindow::currentWaybill() const
{
    Waybill w;
    w.number = m_choice->number();
    w.carrier = m_choice->carrierName();
    w.goods = goodsValueLabel->text();
    w.amount = amountValueLabel->text();
    w.time = timeValueLabel->text();
    w.name = nameValueLabel->text();
    w.phone = phoneValueLabel->text();
    w.address = addressValueLabel->text();
    w.notes = notesValueLabel->text();
    return w;
}

void MainWindow::clearInput()
{
    for (QLineEdit *box : {numberEdit, nameEdit, phoneEdit, notesEdit, goodsEdit, amountEdit, addressEdit})
        box->setText(QString());
}

void MainWindow::storeAutoSave()
{
    AppSettings::write(m_dataFolder, AppSettings::kAutoSave,
                       autoSaveCheckBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::loadHistory()
{
    m_historyLoader->load(
        {m_clock.today(), WatchSettings::archiveDays(m_dataFolder), showArchivedCheckBox->isChecked()});
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
        connect(m_management, &ManagementWindow::waybillsImported, this,
                [this] { historyRefreshTimer->setEnabled(true); });
        connect(m_management, &ManagementWindow::registerChanged, this, &MainWindow::rebuildRegisterIndex);
    }
    m_management->show();
    m_management->raise();
    m_management->activateWindow();
}

void MainWindow::onHistoryRefreshTick()
{
    historyRefreshTimer->setEnabled(false);
    loadHistory();
}
