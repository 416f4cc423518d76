// A register shared on a server: the others' changes shown at once, and one
// background refresh pass at a time among the PCs.
#include "app/MainWindow.h"

#include "manage/ManagementWindow.h"
#include "query/BackgroundRefresh.h"
#include "store/RegisterWatch.h"

void MainWindow::watchRegister(const StoreLocation &where)
{
    if (!where.onServer)
        return;
    m_watch = new RegisterWatch(where.server, this);
    connect(m_watch, &RegisterWatch::changed, this, &MainWindow::followChanges);
    // It starts listening once the window's own connection is made (with the
    // password, if one was asked for); until then the refresh waits.
    if (m_refresh)
        m_refresh->setPassLock([this] { return m_watch->tryLockRefresh(); }, [this] { m_watch->unlockRefresh(); });
}

void MainWindow::followChanges(const QStringList &numbers)
{
    // The list is read whole on a worker; loads that overlap deliver only the newest.
    loadHistory();
    if (m_management)
        m_management->followChanges(numbers);
}
