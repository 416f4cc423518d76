// Two programs on one server register: another process (psql) changes it and
// this program's windows follow; a conflicting edit is refused; connections
// killed by the server are survived.
#include "manage/ModifyDialog.h"
#include "settings/RegisterLocation.h"
#include "store/RegisterGrid.h"
#include "store/RegisterWatch.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/MainWindowHarness.h"
#include "support/PostgresCluster.h"

#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

class TestRegisterWatch final : public QObject {
    Q_OBJECT

    std::unique_ptr<PostgresCluster> m_cluster;

    // The other PC: a process of its own.
    static bool peer(const ServerLocation &at, const QString &sql)
    {
        QProcess psql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
        psql.setProcessEnvironment(env);
        psql.start(QStandardPaths::findExecutable(QStringLiteral("psql")),
                   {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                    QStringLiteral("-h"), at.host, QStringLiteral("-p"), QString::number(at.port), QStringLiteral("-U"),
                    at.user, QStringLiteral("-d"), at.database, QStringLiteral("-c"), sql});
        const bool done =
            psql.waitForFinished(60000) && psql.exitStatus() == QProcess::NormalExit && psql.exitCode() == 0;
        if (!done)
            qWarning("%s", psql.readAllStandardError().constData());
        return done;
    }

    // A main window whose config.ini points at a new database of the cluster.
    std::unique_ptr<Harness> windowOn(ServerLocation *at)
    {
        *at = m_cluster->newDatabase();
        auto h = std::make_unique<Harness>(
            Harness::config(QStringLiteral("%1=%2\r\n%3=%4\r\n%5=%6\r\n%7=%8\r\n%9=%10\r\n")
                                .arg(RegisterLocation::kWhere, RegisterLocation::kServer, RegisterLocation::kHost,
                                     at->host, RegisterLocation::kPort, QString::number(at->port),
                                     RegisterLocation::kDatabase, at->database, RegisterLocation::kUser, at->user)));
        h->startUp();
        // The window connects on a worker; its watch listens once that is done.
        if (!QTest::qWaitFor([&h] { return h->window->registerWatch() && h->window->registerWatch()->isListening(); },
                             30000))
            qWarning("the main window's watch did not start listening");
        return h;
    }

    static QString carrierShown(Harness &h, const QString &number)
    {
        const int row = h.historyRowOf(number);
        return row < 0 ? QString()
                       : child<QTreeView>(h.window, "historyView")->model()->index(row, 1).data().toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_cluster = std::make_unique<PostgresCluster>();
        if (!m_cluster->error().isEmpty())
            QSKIP(qPrintable(m_cluster->error()));
    }

    void anotherProcessesChangesShowInTheHistoryList()
    {
        ServerLocation at;
        const auto h = windowOn(&at);
        QVERIFY(h->window->registerWatch() && h->window->registerWatch()->isListening());
        QSignalSpy told(h->window->registerWatch(), &RegisterWatch::changed);
        QVERIFY(peer(at, u("INSERT INTO 快递单 (快递单号, 快递公司, 状态) VALUES ('P1', '圆通快递', '未签收')")));
        QTRY_COMPARE_WITH_TIMEOUT(carrierShown(*h, QStringLiteral("P1")), u("圆通快递"), 30000);
        QVERIFY(peer(at, u("UPDATE 快递单 SET 快递公司 = '中通快递', 快递单号 = 'P2' WHERE 快递单号 = 'P1'")));
        QTRY_COMPARE_WITH_TIMEOUT(carrierShown(*h, QStringLiteral("P2")), u("中通快递"), 30000);
        QCOMPARE(h->historyRowOf(QStringLiteral("P1")), -1);
        // The notices name the rows: a renumbered one by both its numbers.
        QCOMPARE(told.first().first().toStringList(), QStringList{QStringLiteral("P1")});
        QCOMPARE(told.last().first().toStringList(), (QStringList{QStringLiteral("P1"), QStringLiteral("P2")}));
        // A statement on many rows says so without naming them.
        QVERIFY(peer(at, u("INSERT INTO 快递单 (快递单号, 快递公司, 状态) SELECT 'B' || n, '圆通快递', '未签收' "
                           "FROM generate_series(1, 500) AS n")));
        QVERIFY(told.wait(30000) || told.size() > 2);
        QVERIFY(told.last().first().toStringList().isEmpty());
    }

    void conflictingEditIsRefusedAndShowsTheNewValues()
    {
        ServerLocation at;
        const auto h = windowOn(&at);
        QVERIFY(peer(
            at, u("INSERT INTO 快递单 (快递单号, 快递公司, 状态, 备注) VALUES ('C1', '圆通快递', '未签收', '旧')")));
        ModifyDialog dialog(h->folder.path(), h->dialogs);
        Waybill chosen;
        chosen.number = QStringLiteral("C1");
        dialog.showFor(chosen);
        QCOMPARE(dialog.notesEdit->text(), u("旧"));
        QVERIFY(peer(at, u("UPDATE 快递单 SET 备注 = '对方' WHERE 快递单号 = 'C1'")));
        dialog.notesEdit->setText(u("我的"));
        dialog.modify();
        QVERIFY(h->dialogs.lastText().startsWith(u("该快递单已被其他电脑修改，")));
        QCOMPARE(dialog.notesEdit->text(), u("对方"));
        QCOMPARE(Waybills(h->window->store()).find(QStringLiteral("C1"))->notes, u("对方"));
        dialog.notesEdit->setText(u("我的")); // now seen: saved
        dialog.modify();
        QCOMPARE(h->dialogs.lastText(), u("该快递单修改成功！"));
        QVERIFY(peer(at, u("DELETE FROM 快递单")));
        dialog.showFor(chosen); // (the row is read again, so it is gone before it opens)
        QVERIFY(h->dialogs.lastText().contains(u("已不在数据库中")));
    }

    void killedConnectionsAreSurvived()
    {
        ServerLocation at;
        const auto h = windowOn(&at);
        RegisterWatch *watch = h->window->registerWatch();
        watch->setCheckInterval(200);
        const QString killAll = QStringLiteral("SELECT pg_terminate_backend(pid, 30000) FROM pg_stat_activity "
                                               "WHERE datname = '%1' AND pid <> pg_backend_pid()")
                                    .arg(at.database);
        // A transaction that cannot begin is told as well.
        QVERIFY(peer(at, killAll));
        const Outcome notBegun =
            RegisterGrid(h->window->store()).storeDaysInTransit({{QStringLiteral("K0"), QString(), u("1天")}});
        QVERIFY2(notBegun.error.startsWith(StoreConnection::kConnectionLost), qPrintable(notBegun.error));
        Outcome again;
        Waybills(h->window->store()).count(&again);
        QVERIFY(again.ok);
        QVERIFY(peer(at, killAll));
        // The window's store: the failed write is told, never done; the next one reconnects.
        Waybill w;
        w.number = QStringLiteral("K1");
        w.carrier = u("圆通快递");
        const Outcome lost = Waybills(h->window->store()).insertFromInputForm(w);
        QVERIFY2(lost.error.startsWith(StoreConnection::kConnectionLost), qPrintable(lost.error));
        QVERIFY(!Waybills(h->window->store()).numberExists(QStringLiteral("K1")));
        QVERIFY(Waybills(h->window->store()).insertFromInputForm(w).ok);
        // The watch listens again and the next change by another process still arrives.
        QVERIFY(peer(at, u("INSERT INTO 快递单 (快递单号, 快递公司, 状态) VALUES ('K2', '圆通快递', '未签收')")));
        QTRY_COMPARE_WITH_TIMEOUT(carrierShown(*h, QStringLiteral("K2")), u("圆通快递"), 30000);
        QVERIFY(watch->isListening());
    }

    void oneRefreshPassAtATime()
    {
        const ServerLocation at = m_cluster->newDatabase();
        StoreConnection store;
        QVERIFY(store.open(at).ok);
        RegisterWatch one(at);
        RegisterWatch other(at);
        QVERIFY(one.start() && other.start());
        QVERIFY(one.tryLockRefresh());
        QVERIFY(!other.tryLockRefresh());
        one.unlockRefresh();
        QVERIFY(other.tryLockRefresh());
    }

    void cleanupTestCase() { m_cluster.reset(); }
};

QTEST_MAIN(TestRegisterWatch)
#include "tst_registerwatch.moc"
