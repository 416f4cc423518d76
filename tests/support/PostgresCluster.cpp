#include "support/PostgresCluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTest>
#include <QVersionNumber>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kSuperuser = QStringLiteral("tolvane");

// The newest server installed under /usr/lib/postgresql/<version>/bin.
QString serverBinaries()
{
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    QString best;
    QVersionNumber bestVersion;
    for (const QString &version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QVersionNumber v = QVersionNumber::fromString(version);
        if (QFileInfo(root.filePath(version + QStringLiteral("/bin/initdb"))).isExecutable() && v > bestVersion) {
            bestVersion = v;
            best = root.filePath(version + QStringLiteral("/bin"));
        }
    }
    return best;
}

// The server's user must reach its folder: as root, under /tmp rather than a
// TMPDIR that may lie in root's home.
QString folderTemplate()
{
    const QString base = geteuid() == 0 ? QStringLiteral("/tmp") : QDir::tempPath();
    return base + QLatin1Char('/') + QCoreApplication::applicationName() + QStringLiteral("-pg-XXXXXX");
}

} // namespace

PostgresCluster::PostgresCluster() : m_dir(folderTemplate()), m_bin(serverBinaries())
{
    if (m_bin.isEmpty()) {
        m_error =
            QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (scripts/install-deps.sh installs it)");
        return;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    if (geteuid() == 0) {
        // initdb refuses root.
        const passwd *user = getpwnam("postgres");
        if (!user)
            user = getpwnam("nobody");
        if (!user || chown(QFile::encodeName(m_dir.path()).constData(), user->pw_uid, user->pw_gid) != 0) {
            m_error = QStringLiteral("no unprivileged user to run the server as");
            return;
        }
        m_user = QString::fromLocal8Bit(user->pw_name);
    }
    {
        // The server listens on no address, only on the socket in its folder;
        // the port names that socket.
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
    }
    const QString data = m_dir.filePath(QStringLiteral("data"));
    QString output;
    if (!run(m_bin + QStringLiteral("/initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), kSuperuser, QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
              QStringLiteral("--no-sync")},
             &output)) {
        m_error = QStringLiteral("initdb failed: ") + output;
        return;
    }
    const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses='' -c fsync=off -c full_page_writes=off")
                                .arg(m_port)
                                .arg(m_dir.path());
    if (!run(m_bin + QStringLiteral("/pg_ctl"),
             {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
              QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("120"),
              QStringLiteral("start")},
             &output)) {
        m_error = QStringLiteral("pg_ctl start failed: ") + output;
        return;
    }
    m_running = true;
    // Should this program die before stop(), the watcher stops the server and removes its folder.
    const QString asUser = m_user.isEmpty() ? QString() : QStringLiteral("runuser -u %1 -- ").arg(m_user);
    const QString watch = QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 1; done; "
                                         "%2'%3/pg_ctl' -D '%4' -m immediate stop; rm -rf '%5'")
                              .arg(QCoreApplication::applicationPid())
                              .arg(asUser, m_bin, data, m_dir.path());
    QProcess watcher;
    watcher.setProgram(QStringLiteral("/bin/sh"));
    watcher.setArguments({QStringLiteral("-c"), watch});
    watcher.setStandardInputFile(QProcess::nullDevice());
    watcher.setStandardOutputFile(QProcess::nullDevice());
    watcher.setStandardErrorFile(QProcess::nullDevice());
    watcher.startDetached();
}

PostgresCluster::~PostgresCluster()
{
    stop();
}

bool PostgresCluster::run(const QString &program, const QStringList &arguments, QString *output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    if (m_user.isEmpty()) {
        process.start(program, arguments);
    } else {
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), m_user, QStringLiteral("--"), program} + arguments);
    }
    // A bound that only matters when something hangs.
    const bool finished = process.waitForFinished(180 * 1000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void PostgresCluster::stop()
{
    if (!m_running)
        return;
    m_running = false;
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(QStringLiteral("postgres-cluster-")))
            QSqlDatabase::removeDatabase(name);
    }
    run(m_bin + QStringLiteral("/pg_ctl"),
        {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("fast"),
         QStringLiteral("-w"), QStringLiteral("stop")});
    m_dir.remove();
}

ServerLocation PostgresCluster::location(const QString &database) const
{
    ServerLocation at;
    at.host = m_dir.path();
    at.port = m_port;
    at.database = database;
    at.user = kSuperuser;
    return at;
}

bool PostgresCluster::exec(const QString &database, const QString &sql) const
{
    const QString name = QStringLiteral("postgres-cluster-") + database;
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isOpen()) {
        const ServerLocation at = location(database);
        db.setHostName(at.host);
        db.setPort(at.port);
        db.setDatabaseName(at.database);
        db.setUserName(at.user);
        if (!db.open()) {
            qWarning("%s", qPrintable(db.lastError().text()));
            return false;
        }
    }
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        qWarning("%s", qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

ServerLocation PostgresCluster::newDatabase()
{
    const QString name = QStringLiteral("register_%1").arg(++m_databases);
    if (!exec(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name)))
        qFatal("cannot create a test database");
    return location(name);
}

int runOnEngine(QObject &tests, int argc, char **argv)
{
    QStringList arguments;
    bool onServer = false;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (i > 0 && argument == QLatin1String("postgres"))
            onServer = true;
        else
            arguments << argument;
    }
    if (!onServer)
        return QTest::qExec(&tests, arguments);
    PostgresCluster cluster;
    if (!cluster.error().isEmpty()) {
        qCritical("cannot start the test server: %s", qPrintable(cluster.error()));
        return 1;
    }
    PostgresCluster::current = &cluster;
    const int failed = QTest::qExec(&tests, arguments);
    PostgresCluster::current = nullptr;
    return failed;
}
