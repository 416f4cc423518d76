// The private PostgreSQL server that the store's tests start for themselves.
#include "support/PostgresCluster.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QtTest>

#include <cstdlib>

namespace {
// Whether a client gets in; the connection is gone again afterwards.
bool reachable(const ServerLocation &at)
{
    bool open = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("probe"));
        db.setHostName(at.host);
        db.setPort(at.port);
        db.setDatabaseName(at.database);
        db.setUserName(at.user);
        open = db.open();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return open;
}
} // namespace

class TestPostgresCluster : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void servesItsOwnSocketAndGoesAwayWhole();
    void aTestProgramThatDiesLeavesNoServer();
};

void TestPostgresCluster::servesItsOwnSocketAndGoesAwayWhole()
{
    PostgresCluster cluster;
    QVERIFY2(cluster.error().isEmpty(), qPrintable(cluster.error()));
    const ServerLocation at = cluster.newDatabase();
    QVERIFY(reachable(at));
    QVERIFY(QDir(cluster.folder()).entryList(QDir::System | QDir::Hidden).join(' ').contains(".s.PGSQL."));
    QVERIFY(cluster.exec(at.database, QStringLiteral("SELECT 1")));
    const QString folder = cluster.folder();
    cluster.stop();
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!reachable(at));
}

void TestPostgresCluster::aTestProgramThatDiesLeavesNoServer()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("die-with-a-server")});
    QVERIFY(child.waitForFinished(180 * 1000));
    QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    const QString folder = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
    QVERIFY2(folder.contains(QStringLiteral("-pg-")), qPrintable(folder));
    // The watcher looks once a second; the bound only matters on failure.
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(folder), 120 * 1000);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "die-with-a-server") == 0) {
        auto *cluster = new PostgresCluster;
        if (!cluster->error().isEmpty())
            return 2;
        printf("%s\n", qPrintable(cluster->folder()));
        fflush(stdout);
        std::abort();
    }
    TestPostgresCluster tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_postgrescluster.moc"
