// The input form and the history list of the main window.
#include "app/MainWindow.h"
#include "settings/WatchSettings.h"
#include "core/ProgramName.h"

#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "manage/ManagementWindow.h"
#include "settings/AppSettings.h"
#include "app/HistoryPane.h"
#include "app/InfoPane.h"
#include "app/InputPane.h"
#include "store/Waybill.h"
#include "query/PassMarks.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

void MainWindow::formChanged(QString Waybill::*field, const QString &text)
{
    if (field != &Waybill::number) {
        m_infoPane->setField(field, text);
        return;
    }
    // The number is the choice's as it will be stored and queried.
    m_choice->setNumber(WaybillNumber::normalForm(text));
    updateStatusLine();
    updateDetection();
}

void MainWindow::saveInput()
{
    const QString &title = Program::kTitle;
    if (m_inputPane->number().isEmpty()) {
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
    Waybill w = m_infoPane->waybill();
    w.number = m_choice->number();
    w.carrier = m_choice->carrierName();
    return w;
}

void MainWindow::storeAutoSave()
{
    AppSettings::write(m_dataFolder, AppSettings::kAutoSave,
                       m_inputPane->autoSave() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::loadHistory()
{
    m_historyPane->load();
}

bool MainWindow::isHistoryLoading() const
{
    return m_historyPane->isLoading();
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
