// The background refresh and the notices of what queries learned.
#include "app/MainWindow.h"

#include "core/Clock.h"
#include "manage/ManagementWindow.h"
#include "query/BackgroundRefresh.h"
#include "services/WaybillStatus.h"
#include "settings/WatchSettings.h"
#include "app/HistoryPane.h"
#include "store/WaybillStore.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>

#include <utility>

void MainWindow::buildBackgroundRefresh()
{
    m_refresh = new BackgroundRefresh(
        m_dataFolder, m_clock, [this] { return isConciseQueryRunning() || isDetailedPassRunning(); }, this);
    connect(m_refresh, &BackgroundRefresh::checked, this, &MainWindow::announceCheck);
    connect(m_refresh, &BackgroundRefresh::flagged, this, &MainWindow::announceFlags);
    connect(m_refresh, &BackgroundRefresh::status, this, &MainWindow::showQueryStatus);
    connect(m_refresh, &BackgroundRefresh::tickDone, this, &MainWindow::passEnded);
    m_refresh->start();
    // The history list tells why a waybill is no longer refreshed; 刷新数据 on it starts it again.
    m_historyPane->setNoteFor([this](const QString &number) {
        const QString why = m_refresh->schedule().stoppedWhy(number, m_clock.now().toUTC());
        return WaybillStatus::isFinal(why) ? QString() : why;
    });
    connect(m_historyPane, &HistoryPane::refreshClicked, this, &MainWindow::restartChosenRefresh);

    signingNoticeButton = new QPushButton(this);
    signingNoticeButton->setObjectName(QStringLiteral("signingNoticeButton"));
    signingNoticeButton->setFlat(true);
    signingNoticeButton->setAccessibleDescription(QStringLiteral("签收提醒"));
    // A long list never widens the window; the tooltip holds it whole.
    signingNoticeButton->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    signingNoticeButton->setStyleSheet(QStringLiteral("text-align: left;")); // cut at its end, never its start
    signingNoticeButton->setToolTip(QStringLiteral("打开快递单详细管理"));
    signingNoticeButton->hide();
    statusBar()->addWidget(signingNoticeButton, 1); // a share of the bar, or an ignored width is none
    connect(signingNoticeButton, &QPushButton::clicked, this, [this] {
        signingNoticeButton->hide();
        openAnnounced();
    });
}

// What a pass or a refresh tick learned is told once it has ended: the
// signings together, then the history list with their new status.
void MainWindow::passEnded()
{
    announceSignings();
    refreshHistoryAfterMarks();
}

// A signing is announced once: only the check that turned the status into
// signed for reports it, whichever query made it.
void MainWindow::announceCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier)
{
    if (!effect.newlySigned) {
        if (effect.changed)
            showQueryStatus(QStringLiteral("%1 状态更新：%2").arg(check.number, check.state));
        return;
    }
    m_markedSinceLoad = true; // the history list shows the new status after the tick
    m_unannounced.push_back({check.number, carrier, check.state});
}

namespace {
// A notice names five waybills at most, then 等.
QString firstFew(const QStringList &named)
{
    constexpr int kNamed = 5;
    return named.mid(0, kNamed).join(QStringLiteral("、")) + (named.size() > kNamed ? QStringLiteral("等") : QString());
}
} // namespace

// One notice for all the signings of a pass, naming the first few.
void MainWindow::announceSignings()
{
    if (m_unannounced.isEmpty())
        return;
    const QVector<Signing> signings = std::exchange(m_unannounced, {});
    if (!WatchSettings::signingNotice(m_dataFolder))
        return;
    QStringList named, numbers;
    for (const Signing &s : signings) {
        numbers << s.number;
        named << QStringLiteral("%1（%2）").arg(s.number, s.carrier);
    }
    const Signing &first = signings.first();
    const QString title = signings.size() == 1
                              ? QStringLiteral("%1 已签收（%2）").arg(first.number, first.carrier)
                              : QStringLiteral("%1 件快递已签收：%2").arg(signings.size()).arg(firstFew(named));
    const QString body = signings.size() == 1 ? first.state : numbers.mid(0, 20).join(QLatin1Char('\n'));
    m_announced = first.number;
    m_announcedFlags = false;
    showNotice(title, body, signings.size() == 1 ? title + QStringLiteral("：") + first.state : title);
    Q_EMIT signingAnnounced(numbers, title);
}

// In the tray where it can tell, else on the status bar until read.
void MainWindow::showNotice(const QString &title, const QString &body, const QString &shown)
{
    if (m_tray && m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_tray->showMessage(title, body, QSystemTrayIcon::Information);
    } else {
        signingNoticeButton->setText(shown.left(200));
        signingNoticeButton->setToolTip(shown + QStringLiteral("\n点击打开快递单详细管理"));
        signingNoticeButton->show();
    }
}

// Flags come on as time passes, not with a check: the refresh remembers
// which it told, so each is announced once, like a signing.
void MainWindow::announceFlags(const QVector<FlaggedWaybill> &fresh)
{
    if (fresh.isEmpty())
        return;
    QStringList named, numbers;
    for (const FlaggedWaybill &f : fresh) {
        numbers << f.number;
        named << QStringLiteral("%1（%2）").arg(f.number, f.flag);
    }
    const QString title =
        fresh.size() == 1
            ? QStringLiteral("%1 %2（%3）").arg(fresh.first().number, fresh.first().flag, fresh.first().carrier)
            : QStringLiteral("%1 件快递超时：%2").arg(fresh.size()).arg(firstFew(named));
    m_announced = fresh.first().number;
    m_announcedFlags = true;
    showNotice(title, numbers.mid(0, 20).join(QLatin1Char('\n')), title);
    Q_EMIT flagsAnnounced(numbers, title);
}

// The waybill chosen in the history list, if its refresh stopped, is refreshed again.
void MainWindow::restartChosenRefresh(const QString &number)
{
    if (number.isEmpty())
        return;
    const QDateTime now = m_clock.now().toUTC();
    const QString why = m_refresh->schedule().stoppedWhy(number, now);
    if (why.isEmpty() || WaybillStatus::isFinal(why))
        return;
    m_refresh->schedule().restart(number, now);
    showQueryStatus(QStringLiteral("%1 重新开始自动刷新").arg(number));
}

// A click on the notice: the management window at that waybill's row.
void MainWindow::openAnnounced()
{
    if (m_announced.isEmpty())
        return;
    showManagement();
    m_management->showWaybill(m_announced);
    if (m_announcedFlags)
        m_management->showFlagged();
}
