// Creating and opening the register: its tables on both engines, and what
// opening refuses and leaves alone.
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "support/StoreFixture.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <optional>

class TestRegisterSchema : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layoutOfANewFile();
    void damagedForeignOrLockedFilesAreReportedAndLeftAlone();
    void startUpChecksNameTheCauseAndTouchNothing_data();
    void startUpChecksNameTheCauseAndTouchNothing();
    void unfinishedRegisterIsMadeAnew();
    void serverIsProbedWithoutChangeAndOldRegistersGetTheDateFunction();
    void serverThatWantsAPasswordSaysSoAndTakesATypedOne();
};

void TestRegisterSchema::layoutOfANewFile()
{
    StoreFixture f;
    QCOMPARE(f.waybills.count(), 0);
    QVERIFY(f.scratch.tempRows().isEmpty());
    if (f.server) {
        // The same columns in the same order, beside the generated one that keeps the order.
        const QString columns = QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_name = "
                                               "'%1'%2 ORDER BY ordinal_position");
        QCOMPARE(f.raw(columns.arg(u("快递单"), QString())), WaybillColumns::names() + QStringList{u("序号")});
        const QStringList keyColumns{u("快递单号"), u("快递公司")};
        QCOMPARE(f.raw(columns.arg(u("快递单"), QStringLiteral(" AND is_nullable = 'NO' AND column_name <> '序号'"))),
                 keyColumns);
        QCOMPARE(f.raw(columns.arg(QStringLiteral("temp"), QString())), keyColumns + QStringList{u("序号")});
        // Every searchable column has the index that serves "contains".
        QCOMPARE(f.raw(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexdef LIKE '%gin_trgm_ops%'")),
                 QStringList{QString::number(QuickSearch::searchableColumns().size())});
        return;
    }
    RawConnection raw(f.store.path());
    QCOMPARE(raw.values(QStringLiteral("SELECT name FROM pragma_table_info('快递单')")),
             (QStringList{u("状态"), u("在途时间"), u("快递单号"), u("快递公司"), u("物品"), u("金额"), u("时间"),
                          u("姓名"), u("电话"), u("联系地址"), u("备注")}));
    const QStringList keyColumns{u("快递单号"), u("快递公司")};
    QCOMPARE(raw.values(QStringLiteral("SELECT name FROM pragma_table_info('快递单') WHERE \"notnull\"")), keyColumns);
    QCOMPARE(raw.values(QStringLiteral("SELECT name FROM pragma_table_info('Temp')")), keyColumns);
    const QStringList tables =
        raw.values(QStringLiteral("SELECT sql FROM sqlite_master WHERE name IN ('快递单', 'Temp')"));
    QCOMPARE(tables.size(), 2);
    for (const QString &sql : tables)
        QVERIFY(sql.contains(QStringLiteral("CONSTRAINT FirstPrimaryKey PRIMARY KEY (快递单号)")));
}

void TestRegisterSchema::damagedForeignOrLockedFilesAreReportedAndLeftAlone()
{
    if (PostgresCluster::current)
        QSKIP("files only");
    TestFolder folder;
    const QString damaged = folder.file(QStringLiteral("kd.db"));
    const QByteArray junk = QByteArray("SQLite format 3\0garbage", 23) + QByteArray(4096, 'x');
    folder.write(QStringLiteral("kd.db"), junk);
    QVERIFY(!RegisterSchema::createDatabase(damaged).ok); // never replaces a file
    StoreConnection store;
    Outcome outcome = store.open(damaged);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(damaged));
    QCOMPARE(folder.read(QStringLiteral("kd.db")), junk);
    QVERIFY(!store.open(folder.file(QStringLiteral("missing.db"))).ok);
    {
        // A valid SQLite file without our tables is not ours either.
        RawConnection foreign(folder.file(QStringLiteral("other.db")));
        QVERIFY(foreign.exec(QStringLiteral("CREATE TABLE t (x)")));
    }
    outcome = store.open(folder.file(QStringLiteral("other.db")));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("快递单")));

    // Short of waiting out the busy time-out, opening a locked register must
    // report the lock instead of pretending all is well.
    StoreFixture f;
    RawConnection locker(f.store.path());
    QVERIFY(locker.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    outcome = store.open(f.store.path());
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(f.store.path()));
    QVERIFY(locker.exec(QStringLiteral("ROLLBACK")));
}

void TestRegisterSchema::startUpChecksNameTheCauseAndTouchNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    if (PostgresCluster::current) {
        QTest::newRow("other columns") << QStringLiteral("columns") << u("列");
        QTest::newRow("another program's tables") << QStringLiteral("foreign") << u("已有其他的表");
        QTest::newRow("only one of the tables") << QStringLiteral("one table") << u("缺少快递单或 Temp 表");
        QTest::newRow("no server there") << QStringLiteral("no server") << u("无法连接数据库服务器");
        return;
    }
    QTest::newRow("read-only file") << QStringLiteral("readonly") << u("只读");
    QTest::newRow("locked by another program") << QStringLiteral("locked") << u("正被其他程序使用");
    QTest::newRow("a folder") << QStringLiteral("folder") << u("文件夹");
    QTest::newRow("other columns") << QStringLiteral("columns") << u("列");
}

void TestRegisterSchema::startUpChecksNameTheCauseAndTouchNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    if (PostgresCluster::current) {
        ServerLocation at = PostgresCluster::current->newDatabase();
        const auto tables = [&] {
            return TestRegister::rawAt(at, QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                                          "table_schema = 'public' ORDER BY 1"));
        };
        QStringList made;
        if (fault == QStringLiteral("columns"))
            made = {u("CREATE TABLE 快递单 (单号 TEXT PRIMARY KEY, 公司 TEXT)"),
                    u("CREATE TABLE Temp (快递单号 TEXT PRIMARY KEY, 快递公司 TEXT)")};
        else if (fault == QStringLiteral("foreign"))
            made = {QStringLiteral("CREATE TABLE t (x TEXT)")};
        else if (fault == QStringLiteral("one table"))
            made = {u("CREATE TABLE 快递单 (快递单号 TEXT)")};
        else
            at.port = 1; // nobody listens there
        for (const QString &sql : made)
            QVERIFY(PostgresCluster::current->exec(at.database, sql));
        const QStringList before = made.isEmpty() ? QStringList() : tables();
        StoreConnection store;
        const Outcome outcome = store.open(at);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(cause) && outcome.error.contains(at.display()), qPrintable(outcome.error));
        QVERIFY(!store.isOpen());
        if (!made.isEmpty())
            QCOMPARE(tables(), before);
        return;
    }
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    std::optional<RawConnection> locker;
    if (fault == QStringLiteral("folder")) {
        QVERIFY(QDir(folder.path()).mkdir(RegisterSchema::fileName()));
    } else if (fault == QStringLiteral("columns")) {
        RawConnection raw(path);
        QVERIFY(raw.exec(u("CREATE TABLE 快递单 (单号 TEXT PRIMARY KEY, 公司 TEXT)")));
        QVERIFY(raw.exec(u("CREATE TABLE Temp (快递单号 TEXT PRIMARY KEY, 快递公司 TEXT)")));
    } else {
        QVERIFY(RegisterSchema::createDatabase(path).ok);
        if (fault == QStringLiteral("readonly")) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            locker.emplace(path);
            QVERIFY(locker->exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")));
            QVERIFY(locker->exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
    }
    const QByteArray before = QFileInfo(path).isFile() ? folder.read(RegisterSchema::fileName()) : QByteArray();

    StoreConnection store;
    const Outcome outcome = store.open(path);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.error.contains(cause) && outcome.error.contains(path), qPrintable(outcome.error));
    QVERIFY2(!outcome.error.contains(u("损坏")) && !outcome.error.contains(u("找不到")), qPrintable(outcome.error));
    if (locker)
        QVERIFY(locker->exec(QStringLiteral("ROLLBACK")));
    if (QFileInfo(path).isFile())
        QCOMPARE(folder.read(RegisterSchema::fileName()), before);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestRegisterSchema::unfinishedRegisterIsMadeAnew()
{
    if (PostgresCluster::current)
        QSKIP("files only: an empty database gets its tables in every case");
    // A file without a single table is what a first start cut short leaves.
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    for (const bool empty : {true, false}) {
        QFile::remove(path);
        if (empty) {
            folder.write(RegisterSchema::fileName(), QByteArray());
        } else {
            RawConnection raw(path);
            QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = 7")));
        }
        bool created = false;
        QVERIFY(RegisterSchema::createIfMissing(path, &created).ok);
        QVERIFY(created);
        StoreConnection store;
        QVERIFY(store.open(path).ok);
    }
    // A file with tables of its own is someone else's and stays as it is.
    QFile::remove(path);
    {
        RawConnection foreign(path);
        QVERIFY(foreign.exec(QStringLiteral("CREATE TABLE t (x)")));
    }
    const QByteArray before = folder.read(RegisterSchema::fileName());
    bool created = true;
    QVERIFY(RegisterSchema::createIfMissing(path, &created).ok);
    QVERIFY(!created);
    QCOMPARE(folder.read(RegisterSchema::fileName()), before);
}

void TestRegisterSchema::serverIsProbedWithoutChangeAndOldRegistersGetTheDateFunction()
{
    if (!PostgresCluster::current)
        QSKIP("a server's");
    PostgresCluster &cluster = *PostgresCluster::current;
    const QString tables =
        QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()");
    const ServerLocation empty = cluster.newDatabase();
    StoreConnection probe;
    QString found;
    QVERIFY(probe.probe(empty, &found).ok);
    QVERIFY(found.contains(u("空的")));
    QCOMPARE(TestRegister::rawAt(empty, tables), QStringList{QStringLiteral("0")});
    const ServerLocation foreign = cluster.newDatabase();
    QVERIFY(cluster.exec(foreign.database, QStringLiteral("CREATE TABLE 别的 (a INT)")));
    const Outcome refused = probe.probe(foreign, &found);
    QVERIFY(!refused && refused.error.contains(u("已有其他的表")));

    // A register made before the grid read servers lacks dispatch_date(); opening adds it.
    TestRegister r;
    QVERIFY(probe.probe(*r.server, &found).ok);
    QVERIFY(found.contains(u("已有登记簿")));
    QVERIFY(QuickSearch(r.store).searchIndexComplete()); // the trigram indexes need no building: no progress shown
    r.store.close();
    QVERIFY(cluster.exec(r.server->database, QStringLiteral("DROP FUNCTION dispatch_date(text)")));
    QVERIFY(r.openIn(r.store).ok);
    QCOMPARE(r.raw(QStringLiteral("SELECT dispatch_date('2026年12月7日 8:00')")),
             QStringList{QStringLiteral("2026-12-07")});
}

void TestRegisterSchema::serverThatWantsAPasswordSaysSoAndTakesATypedOne()
{
    if (!PostgresCluster::current)
        QSKIP("a server's");
    PostgresCluster &cluster = *PostgresCluster::current;
    ServerLocation at = cluster.newDatabase();
    // One role of the test server must give a password; the first matching line of pg_hba.conf rules.
    QFile hba(QDir(cluster.folder()).filePath(QStringLiteral("data/pg_hba.conf")));
    QVERIFY(hba.open(QIODevice::ReadOnly));
    const QByteArray rules = hba.readAll();
    hba.close();
    QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
    hba.write("local all kasse scram-sha-256\n" + rules);
    hba.close();
    QVERIFY(cluster.exec(at.database, QStringLiteral("CREATE ROLE kasse LOGIN PASSWORD 'geheim'")));
    QVERIFY(cluster.exec(at.database, QStringLiteral("ALTER DATABASE %1 OWNER TO kasse").arg(at.database)));
    QVERIFY(cluster.exec(at.database, QStringLiteral("ALTER SCHEMA public OWNER TO kasse")));
    QVERIFY(cluster.exec(at.database, QStringLiteral("SELECT pg_reload_conf()")));
    at.user = QStringLiteral("kasse");
    StoreConnection store;
    QTRY_VERIFY_WITH_TIMEOUT(store.open(at).error.contains(StoreConnection::kPasswordNeeded), 30000); // once reloaded
    at.password = QStringLiteral("falsch");
    QVERIFY(store.open(at).error.contains(StoreConnection::kPasswordNeeded));
    at.password = QStringLiteral("geheim");
    const Outcome opened = store.open(at);
    QVERIFY2(opened.ok, qPrintable(opened.error));
    QCOMPARE(Waybills(store).count(), 0);
}

TOLVANE_ENGINE_TEST_MAIN(TestRegisterSchema)
#include "tst_registerschema.moc"
