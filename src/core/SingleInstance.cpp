#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace {
const QByteArray kComeForward = QByteArrayLiteral("show\n");
constexpr int kAnswerMs = 3000;
constexpr int kAttempts = 3;
} // namespace

SingleInstance::SingleInstance(QString dataFolder, QObject *parent) : QObject(parent), m_folder(std::move(dataFolder))
{
}

SingleInstance::~SingleInstance() = default;

// The socket lives in the temporary folder (a data folder's path may be too
// long for one); its name stands for the folder.
QString SingleInstance::serverName() const
{
    const QString folder =
        QDir(m_folder).canonicalPath().isEmpty() ? QDir(m_folder).absolutePath() : QDir(m_folder).canonicalPath();
    return QStringLiteral("tolvane-") +
           QString::fromLatin1(QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(24));
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a copy that crashed: the lock says nobody listens on it.
    QLocalServer::removeServer(serverName());
    if (!m_server->listen(serverName()))
        return;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kComeForward.trimmed()))
                    Q_EMIT activationRequested();
            });
        }
    });
}

SingleInstance::Claim SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(lockFileName()));
    // Only a dead holder makes the lock stale, never its age: a copy may run for weeks.
    m_lock->setStaleLockTime(0);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (m_lock->tryLock(0)) {
            listen();
            return Claim::First;
        }
        // A folder where no lock can be made is reported by the start-up's
        // own checks; the lock guards nothing there.
        if (m_lock->error() != QLockFile::LockFailedError)
            return Claim::First;
        QLocalSocket socket;
        socket.connectToServer(serverName());
        if (socket.waitForConnected(kAnswerMs)) {
            socket.write(kComeForward);
            socket.waitForBytesWritten(kAnswerMs);
            socket.disconnectFromServer();
            return Claim::AlreadyRunning;
        }
        // The holder may be between taking the lock and listening.
        QThread::msleep(300);
    }
    return Claim::NotAnswering;
}
