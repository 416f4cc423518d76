// The register the main window opens, and what it learns of it.
#include "app/RegisterSession.h"

#include "core/BackgroundTask.h"
#include "core/Dialogs.h"
#include "core/ProgramName.h"
#include "query/BackgroundRefresh.h"
#include "settings/RegisterLocation.h"
#include "store/QuickSearch.h"
#include "store/RegisterWatch.h"
#include "store/StoreConnection.h"

#include <QPointer>

RegisterSession::RegisterSession(StoreConnection &store, Dialogs &dialogs, QWidget &window, QObject *parent)
    : QObject(parent), m_store(store), m_dialogs(dialogs), m_window(window), m_openTask(new BackgroundTask(this))
{
}

void RegisterSession::open(const StoreLocation &where, BackgroundRefresh &refresh)
{
    if (!where.onServer) {
        if (Outcome opened = m_store.open(where); !opened)
            m_dialogs.critical(&m_window, Program::kTitle, opened.error);
        else if (!QuickSearch(m_store).searchIndexComplete())
            indexForSearch();
        return;
    }
    m_watch = new RegisterWatch(where.server, this);
    connect(m_watch, &RegisterWatch::changed, this, &RegisterSession::changedElsewhere);
    // It starts listening once the window's own connection is made (with the
    // password, if one was asked for); until then the refresh waits.
    refresh.setPassLock([this] { return m_watch->tryLockRefresh(); }, [this] { m_watch->unlockRefresh(); });
    openServer(where, false);
}

// A server that is down must not hold the window up for its connect_timeout:
// the first connection (which also makes the tables of an empty database) is
// tried on a worker. Until it answers, and without it, the queries that need
// no register work; saving says the register is not open.
void RegisterSession::openServer(const StoreLocation &where, bool askedForPassword)
{
    m_openTask->run<Outcome>(
        [where](const BackgroundTask::KeepGoing &) {
            StoreConnection store;
            return store.open(where);
        },
        [this, where, askedForPassword](Outcome reached) {
            // The window's own connection, now that the server answers.
            if (reached)
                reached = m_store.open(where);
            // Asked once; the password then serves every window of this run, and is written nowhere.
            if (!reached && !askedForPassword && reached.error.contains(StoreConnection::kPasswordNeeded)) {
                StoreLocation typed = where;
                typed.server.password =
                    m_dialogs.askPassword(&m_window, Program::kTitle,
                                          QStringLiteral("数据库服务器 %1 要求密码（只在本次运行中使用，不会保存）：")
                                              .arg(where.server.display()));
                if (!typed.server.password.isEmpty()) {
                    RegisterLocation::rememberPassword(typed.server);
                    openServer(typed, true);
                    return;
                }
            }
            m_watch->setServer(where.server);
            // Unreachable now: the watch tries again on its own, off this thread.
            m_watch->startWhenReachable();
            if (!reached) {
                m_dialogs.critical(&m_window, Program::kTitle, reached.error);
                return;
            }
            Q_EMIT serverReached();
        });
}

bool RegisterSession::isOpening() const
{
    return m_openTask->isBusy();
}

// A register from an older build gets its search index on a worker, its
// progress in the status bar; the management window's search scans until then.
void RegisterSession::indexForSearch()
{
    auto *task = new BackgroundTask(this);
    Q_EMIT indexing(QStringLiteral("正在建立查找索引…"));
    const QPointer<RegisterSession> session = this;
    task->run<Outcome>(
        [path = m_store.location(), session](const BackgroundTask::KeepGoing &keepGoing) {
            StoreConnection store;
            if (Outcome opened = store.open(path); !opened)
                return opened;
            return QuickSearch(store).buildSearchIndex([&](qint64 indexed, qint64 total) {
                const int percent = total > 0 ? int(indexed * 100 / total) : 100;
                QMetaObject::invokeMethod(
                    session,
                    [session, percent] {
                        if (session)
                            Q_EMIT session->indexing(QStringLiteral("正在建立查找索引：%1%").arg(percent));
                    },
                    Qt::QueuedConnection);
                return keepGoing();
            });
        },
        [this](const Outcome &built) {
            // Not built, the search still finds everything, only slower; the next start tries again.
            Q_EMIT indexing(built ? QString() : QStringLiteral("查找索引未建成：") + built.error);
        });
}
