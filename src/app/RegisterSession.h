#pragma once

#include <QObject>

class BackgroundRefresh;
class BackgroundTask;
class Dialogs;
class RegisterWatch;
class StoreConnection;
struct StoreLocation;

// The register the window works on: a file opened at once, or a server
// reached off the window's thread with its password asked once and the
// other PCs' changes followed. A register from an older build gets its
// search index on a worker.
class RegisterSession final : public QObject {
    Q_OBJECT
public:
    RegisterSession(StoreConnection &store, Dialogs &dialogs, QWidget &window, QObject *parent);

    // `refresh` takes the server's lock for its passes, one PC at a time.
    void open(const StoreLocation &where, BackgroundRefresh &refresh);
    bool isOpening() const;
    // Other PCs' changes to a server register; none on a file.
    RegisterWatch *watch() const { return m_watch; }

Q_SIGNALS:
    void serverReached();
    void changedElsewhere(const QStringList &numbers);
    // The search index's progress; empty once it is built.
    void indexing(const QString &text);

private:
    void openServer(const StoreLocation &where, bool askedForPassword);
    void indexForSearch();

    StoreConnection &m_store;
    Dialogs &m_dialogs;
    QWidget &m_window;
    RegisterWatch *m_watch = nullptr;
    BackgroundTask *m_openTask = nullptr; // a server's first connection
};
