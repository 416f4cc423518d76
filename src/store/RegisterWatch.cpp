#include "store/RegisterWatch.h"

#include "core/BackgroundTask.h"
#include "store/ChangeNotices.h"
#include "store/StoreConnection.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

namespace {

QAtomicInt watchCounter;

// The key of the refresh pass's advisory lock, the same on every PC ("Tolv").
constexpr qint64 kRefreshLock = 0x546F6C76;

} // namespace

RegisterWatch::RegisterWatch(const ServerLocation &server, QObject *parent)
    : QObject(parent), m_server(server),
      m_connection(QStringLiteral("tolvane-watch-%1").arg(watchCounter.fetchAndAddRelaxed(1))),
      m_probe(new BackgroundTask(this))
{
    // Short, so that a waiting PC is never stuck behind an unreachable server for long.
    m_server.connectSeconds = qMin(m_server.connectSeconds, 5);
    m_check.setInterval(5000);
    connect(&m_check, &QTimer::timeout, this, &RegisterWatch::checkConnection);
    m_deliver.setSingleShot(true);
    m_deliver.setInterval(0);
    connect(&m_deliver, &QTimer::timeout, this, [this] {
        const QStringList numbers = m_pendingAll ? QStringList() : m_pending;
        m_pending.clear();
        m_pendingAll = false;
        Q_EMIT changed(numbers);
    });
}

RegisterWatch::~RegisterWatch()
{
    drop();
}

bool RegisterWatch::start()
{
    m_check.start();
    drop();
    QSqlDatabase db = StoreConnection::addServerConnection(m_server, m_connection);
    if (!db.isValid() || !db.open())
        return false;
    QSqlDriver *driver = db.driver();
    connect(driver, &QSqlDriver::notification, this, &RegisterWatch::notified);
    m_listening = driver->subscribeToNotification(ChangeNotices::kChannel);
    return m_listening;
}

void RegisterWatch::setServer(const ServerLocation &server)
{
    const int seconds = m_server.connectSeconds;
    m_server = server;
    m_server.connectSeconds = seconds;
}

void RegisterWatch::startWhenReachable()
{
    m_check.start();
    reachOut();
}

void RegisterWatch::reachOut()
{
    if (m_probe->isBusy())
        return;
    const QString name = m_connection + QStringLiteral("-probe");
    m_probe->run<bool>(
        [server = m_server, name](const BackgroundTask::KeepGoing &) {
            bool reached = false;
            {
                QSqlDatabase db = StoreConnection::addServerConnection(server, name);
                reached = db.isValid() && db.open();
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
            return reached;
        },
        [this](bool reached) {
            if (!reached || !start()) {
                m_lostOnce = true;
                return;
            }
            if (m_lostOnce) {
                m_lostOnce = false;
                m_pendingAll = true;
                m_deliver.start();
            }
        });
}

void RegisterWatch::drop()
{
    m_listening = false;
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.driver())
            db.driver()->disconnect(this);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void RegisterWatch::notified(const QString &name, int, const QVariant &payload)
{
    // Our own connections' changes come too: reloading them costs a read only.
    if (name != ChangeNotices::kChannel)
        return;
    const QStringList numbers = ChangeNotices::numbersOf(payload.toString());
    m_pendingAll = m_pendingAll || numbers.isEmpty();
    for (const QString &number : numbers) {
        if (!m_pending.contains(number))
            m_pending << number;
    }
    m_deliver.start();
}

void RegisterWatch::checkConnection()
{
    if (m_listening) {
        QSqlQuery probe(QSqlDatabase::database(m_connection, false));
        if (probe.exec(QStringLiteral("SELECT 1")))
            return;
        m_lostOnce = true;
        drop();
    }
    reachOut();
}

bool RegisterWatch::tryLockRefresh()
{
    if (!m_listening)
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT pg_try_advisory_lock(?)"));
    q.addBindValue(kRefreshLock);
    return q.exec() && q.next() && q.value(0).toBool();
}

void RegisterWatch::unlockRefresh()
{
    if (!m_listening)
        return;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT pg_advisory_unlock(?)"));
    q.addBindValue(kRefreshLock);
    q.exec();
}
