#pragma once

#include "store/StoreDialect.h"

#include <QString>
#include <QTemporaryDir>

class QObject;

// A private PostgreSQL server for one test program: a cluster of its own in a
// temporary folder, reached only through a socket in that folder, trusting
// local connections. Root may not run the server, so as root it runs as the
// postgres system user (else nobody). The server and its folder go when the
// object does, and also when the test program dies: a watcher waits for it.
class PostgresCluster final {
public:
    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster &) = delete;
    PostgresCluster &operator=(const PostgresCluster &) = delete;

    // Empty while the server runs, else what went wrong.
    QString error() const { return m_error; }
    QString folder() const { return m_dir.path(); }
    // A new empty database for one test case.
    ServerLocation newDatabase();
    ServerLocation location(const QString &database) const;
    // Runs one statement as the cluster's superuser in `database`.
    bool exec(const QString &database, const QString &sql) const;
    void stop();

    // The cluster of the running test program, if it runs on PostgreSQL.
    static inline PostgresCluster *current = nullptr;

private:
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr) const;

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_user; // runs the server; empty: ourselves
    int m_port = 0;
    int m_databases = 0;
    bool m_running = false;
    QString m_error;
};

// A test program's main: its cases run on kd.db, or, given the argument
// "postgres", once more on a private server started for the whole program
// (TestRegister then opens a new database of it for each register).
int runOnEngine(QObject &tests, int argc, char **argv);

#define TOLVANE_ENGINE_TEST_MAIN(TestObject)                                                                           \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QCoreApplication app(argc, argv);                                                                              \
        TestObject tests;                                                                                              \
        return runOnEngine(tests, argc, argv);                                                                         \
    }
