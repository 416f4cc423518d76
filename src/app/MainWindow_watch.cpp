// The background refresh and the notices of what queries learned.
#include "app/MainWindow.h"

#include "core/Clock.h"
#include "manage/ManagementWindow.h"
#include "query/BackgroundRefresh.h"
#include "settings/WatchSettings.h"
#include "store/WaybillStore.h"

#include <QLabel>

void MainWindow::buildBackgroundRefresh()
{
    m_refresh = new BackgroundRefresh(
        m_dataFolder, m_clock, [this] { return isConciseQueryRunning() || isDetailedPassRunning(); }, this);
    connect(m_refresh, &BackgroundRefresh::checked, this, &MainWindow::announceCheck);
    connect(m_refresh, &BackgroundRefresh::status, this, &MainWindow::showQueryStatus);
    connect(m_refresh, &BackgroundRefresh::tickDone, this, &MainWindow::refreshHistoryAfterMarks);
    m_refresh->start();
}

// A signing is announced once: only the check that turned the status into
// signed for reports it, whichever query made it.
void MainWindow::announceCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier)
{
    if (effect.newlySigned)
        m_markedSinceLoad = true; // the history list shows the new status after the tick
    if (!effect.newlySigned) {
        if (effect.changed)
            showQueryStatus(QStringLiteral("%1 状态更新：%2").arg(check.number, check.state));
        return;
    }
    if (!WatchSettings::signingNotice(m_dataFolder))
        return;
    const QString title = QStringLiteral("%1 已签收（%2）").arg(check.number, carrier);
    if (m_tray && m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_announced = check.number;
        m_tray->showMessage(title, check.state, QSystemTrayIcon::Information);
    } else {
        showQueryStatus(title + QStringLiteral("：") + check.state);
    }
    Q_EMIT signingAnnounced(check.number, title);
}

// A click on the notice: the management window at that waybill's row.
void MainWindow::openAnnounced()
{
    if (m_announced.isEmpty())
        return;
    showManagement();
    m_management->showWaybill(m_announced);
}
