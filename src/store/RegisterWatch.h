#pragma once

#include "store/StoreDialect.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class BackgroundTask;

// Tells a window when the server's register changed, by whichever PC (the
// triggers of ChangeNotices). It holds a connection of its own on the thread
// that made it and listens there; a lost connection is opened again by a
// timer, and then one reload is asked for, as notices were missed meanwhile.
// The same connection holds the lock that lets one PC at a time run a
// background refresh pass.
class RegisterWatch final : public QObject {
    Q_OBJECT
public:
    explicit RegisterWatch(const ServerLocation &server, QObject *parent = nullptr);
    ~RegisterWatch() override;

    // Connects and listens; false (and a later retry) when the server cannot be reached.
    bool start();
    // The same, but a server that may not answer is first tried on a worker,
    // so that the window's thread never waits out a connect timeout.
    void startWhenReachable();
    // Where to connect from the next attempt on (a password typed meanwhile).
    void setServer(const ServerLocation &server);
    bool isListening() const { return m_listening; }
    // How often the connection is checked, and retried once lost.
    void setCheckInterval(int ms) { m_check.setInterval(ms); }

    // The background refresh's lock: true when this PC may run a pass now.
    bool tryLockRefresh();
    void unlockRefresh();

Q_SIGNALS:
    // These numbers changed; none: reload everything shown. The notices that
    // arrive together (a transaction's, or a burst) come as one.
    void changed(const QStringList &numbers);

private:
    void notified(const QString &name, int source, const QVariant &payload);
    void checkConnection();
    void drop();
    void reachOut();

    ServerLocation m_server;
    QString m_connection;
    QTimer m_check;
    QTimer m_deliver;
    QStringList m_pending;
    bool m_pendingAll = false;
    bool m_listening = false;
    bool m_lostOnce = false;
    BackgroundTask *m_probe = nullptr;
};
