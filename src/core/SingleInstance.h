#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One copy of the program per data folder: two copies would each save their
// own settings over the other's. The first holds a lock file in the folder and
// listens for later starts, which ask it to come forward and end. A lock left
// by a copy that crashed is taken over.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        First,          // this copy runs; the lock is held until it ends
        AlreadyRunning, // another copy was asked to come forward
        NotAnswering,   // another copy holds the folder but does not answer
    };

    explicit SingleInstance(QString dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    Claim claim();

    static QString lockFileName() { return QStringLiteral(".tolvane.lock"); }

Q_SIGNALS:
    // A later start on the same folder asked this copy to come forward.
    void activationRequested();

private:
    QString serverName() const;
    void listen();

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
