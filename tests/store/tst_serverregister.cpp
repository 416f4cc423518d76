#include "manage/RegisterCopyWindow.h"
#include "store/CheckHistory.h"
#include "store/QuickSearch.h"
#include "store/RegisterCopy.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/PostgresCluster.h"
#include "support/TestFolder.h"
#include "support/TestRegister.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <future>

namespace {

// Every field of every row, in register order.
QStringList rowsOf(const StoreConnection &store)
{
    QStringList out;
    for (const Waybill &w : Waybills(store).allWaybills())
        out << w.values().join(QLatin1Char('|')) + (w.notes.isNull() ? QStringLiteral("<null>") : QString());
    return out;
}

QStringList historyOf(const StoreConnection &store, const QString &number)
{
    QStringList out;
    for (const StateEntry &e : CheckHistory(store).stateHistory(number))
        out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(e.firstSeen.toString(Qt::ISODate), e.lastCheck.toString(Qt::ISODate), e.source, e.state)
                   .arg(e.signedFor)
                   .arg(e.status);
    return out;
}

} // namespace

// The register on the server beyond the store's shared cases: moving it
// between kd.db and the server, and a role that may only read. Only on the server run.
class TestServerRegister : public QObject {
    Q_OBJECT

    TestFolder m_folder;
    QString m_source;
    int m_waybills = 0;

private Q_SLOTS:
    void initTestCase()
    {
        if (!PostgresCluster::current)
            QSKIP("copies need the test server");
        // Out of key order, with what COPY's text format must escape, and enough rows to cancel midway.
        m_source = m_folder.file(RegisterSchema::fileName());
        StoreConnection store;
        QVERIFY(RegisterSchema::createDatabase(m_source).ok && store.open(m_source).ok);
        QVector<Waybill> rows;
        for (const QString &number : {QStringLiteral("YT300"), QStringLiteral("YT100"), QStringLiteral("YT200")}) {
            Waybill w;
            w.number = number;
            w.carrier = QStringLiteral("圆通快递");
            w.notes =
                number == QLatin1String("YT100") ? QStringLiteral("\uFEFF反斜杠\\N\t制表\n换行\r回车") : QString();
            rows << w;
        }
        for (int i = 0; i < 2500; ++i) {
            Waybill w;
            w.number = QStringLiteral("ZT%1").arg(i, 6, 10, QLatin1Char('0'));
            w.carrier = QStringLiteral("中通快递");
            w.name = QStringLiteral("张三丰");
            rows << w;
        }
        Outcome imported;
        WaybillImport(store).importWaybills(rows, &imported);
        QVERIFY2(imported.ok, qPrintable(imported.error));
        const QDateTime at(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        QVERIFY(CheckHistory(store)
                    .recordCheck({QStringLiteral("YT100"), at, QStringLiteral("concise"), QStringLiteral("已揽收"),
                                  false, QStringLiteral("在途")})
                    .stored);
        QVERIFY(CheckHistory(store)
                    .recordCheck({QStringLiteral("YT100"), at.addDays(1), QStringLiteral("concise"),
                                  QStringLiteral("已签收，签收人：本人"), true, QStringLiteral("已签收")})
                    .stored);
        QVERIFY(
            CheckHistory(store).rememberFlags({{QStringLiteral("YT200"), QStringLiteral("揽收超时"), at}}).value(0));
        m_waybills = Waybills(store).count();
    }

    // Windows and PCs that open an empty database at the same moment all find
    // one register set up (tables, functions, triggers), not each other's half.
    void openersAtOnceShareOneSetUp()
    {
        const ServerLocation server = PostgresCluster::current->newDatabase();
        std::vector<std::future<QString>> openers;
        for (int i = 0; i < 6; ++i) {
            openers.push_back(std::async(std::launch::async, [server] {
                StoreConnection store;
                const Outcome opened = store.open(server);
                return opened.ok ? QString() : opened.error;
            }));
        }
        for (std::future<QString> &opener : openers)
            QCOMPARE(opener.get(), QString());
    }

    // kd.db to the server and back to a new file: every row, field and history line, in order.
    void copiesBothWays()
    {
        const ServerLocation server = PostgresCluster::current->newDatabase();
        QVector<QPair<qint64, qint64>> steps;
        Outcome outcome;
        CopyCounts counts = RegisterCopy::copy(m_source, server, &outcome, [&](qint64 done, qint64 total) {
            steps << qMakePair(done, total);
            return true;
        });
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(RegisterCopy::doneText(counts), QStringLiteral("已复制 %1 条快递单、2 条查询记录").arg(m_waybills));
        QVERIFY(steps.size() >= 3);
        QCOMPARE(steps.last(), qMakePair(qint64(m_waybills + 3), qint64(m_waybills + 3)));

        StoreConnection original, onServer, back;
        QVERIFY(original.open(m_source).ok);
        QVERIFY(onServer.open(server).ok);
        const QStringList rows = rowsOf(original);
        QCOMPARE(rowsOf(onServer), rows);
        QCOMPARE(historyOf(onServer, QStringLiteral("YT100")), historyOf(original, QStringLiteral("YT100")));
        QCOMPARE(historyOf(onServer, QStringLiteral("YT100")).size(), 2);

        const QString file = m_folder.file(QStringLiteral("back.db"));
        counts = RegisterCopy::copy(server, file, &outcome);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(counts.waybills, qint64(m_waybills));
        QCOMPARE(counts.checks, qint64(2));
        QVERIFY(back.open(file).ok);
        QCOMPARE(rowsOf(back), rows);
        QCOMPARE(historyOf(back, QStringLiteral("YT100")), historyOf(original, QStringLiteral("YT100")));
        // The search index came complete with the rows: no rebuilding at the first start.
        QVERIFY(QuickSearch(back).searchIndexComplete());
        QCOMPARE(QuickSearch(back).search(QStringLiteral("姓名"), QStringLiteral("张三丰")).size(), 2500);
        QCOMPARE(TestRegister::rawAt(std::nullopt, QStringLiteral("SELECT 标记 FROM 超时提醒"), nullptr, file),
                 QStringList{QStringLiteral("揽收超时")});
        QVERIFY(!QFile::exists(file + QStringLiteral(".copying")));

        // An existing file is never overwritten.
        counts = RegisterCopy::copy(server, m_source, &outcome);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(QStringLiteral("已存在")), qPrintable(outcome.error));
        QCOMPARE(rowsOf(original), rows);
    }

    // A server register that holds waybills is left as it was.
    void refusesARegisterInUse()
    {
        const ServerLocation server = PostgresCluster::current->newDatabase();
        {
            StoreConnection store;
            QVERIFY(store.open(server).ok);
            Waybill w;
            w.number = QStringLiteral("SF1");
            w.carrier = QStringLiteral("顺丰速运");
            QVERIFY(Waybills(store).insertFromInputForm(w).ok);
        }
        Outcome outcome;
        const CopyCounts counts = RegisterCopy::copy(m_source, server, &outcome);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(QStringLiteral("已有快递单")), qPrintable(outcome.error));
        QCOMPARE(counts.waybills, qint64(0));
        QCOMPARE(TestRegister::rawAt(server, QStringLiteral("SELECT count(*) FROM 快递单")), QStringList{"1"});
        QCOMPARE(TestRegister::rawAt(server, QStringLiteral("SELECT count(*) FROM 查询记录")), QStringList{"0"});
    }

    // Cancelled midway in either direction: nothing written, no file.
    void cancelLeavesNothing()
    {
        const ServerLocation server = PostgresCluster::current->newDatabase();
        const auto stopAt = [](qint64 at) { return [at](qint64 done, qint64) { return done < at; }; };
        Outcome outcome;
        RegisterCopy::copy(m_source, server, &outcome, stopAt(2000));
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(QStringLiteral("取消")), qPrintable(outcome.error));
        QCOMPARE(TestRegister::rawAt(server, QStringLiteral("SELECT count(*) FROM 快递单")), QStringList{"0"});

        // The same target takes the copy afterwards.
        RegisterCopy::copy(m_source, server, &outcome);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        const QString file = m_folder.file(QStringLiteral("cancelled.db"));
        RegisterCopy::copy(server, file, &outcome, stopAt(1000));
        QVERIFY(!outcome.ok);
        QVERIFY(!QFile::exists(file));
        QVERIFY(!QFile::exists(file + QStringLiteral(".copying")));
    }

    // The server's import: cancelled, nothing stays; a number stored by another PC while the rows stream is
    // skipped as any stored number, the rest go in.
    void importCancelsAndSurvivesARace()
    {
        TestRegister f;
        QVector<Waybill> rows;
        for (int i = 0; i < 3000; ++i) {
            Waybill w;
            w.number = QStringLiteral("JD%1").arg(i, 6, 10, QLatin1Char('0'));
            w.carrier = QStringLiteral("京东快递");
            rows << w;
        }
        Outcome outcome;
        WaybillImport(f.store).importWaybills(rows, &outcome, [](int done, int) { return done < 2000; });
        QVERIFY(!outcome.ok);
        QCOMPARE(Waybills(f.store).count(), 0);

        StoreConnection other;
        QVERIFY(f.openIn(other).ok);
        bool raced = false;
        const QVector<QString> reasons = WaybillImport(f.store).importWaybills(rows, &outcome, [&](int, int) {
            if (!raced)
                raced = Waybills(other).insertFromInputForm(rows[2500]).ok;
            return true;
        });
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QVERIFY(raced);
        QCOMPARE(reasons.count(QString()), 2999);
        QCOMPARE(reasons[2500], QStringLiteral("快递单号已存在！"));
        QCOMPARE(Waybills(f.store).count(), 3000);
    }

    // The window runs the copy off its thread and ends with the count; a second start is refused by the target.
    void windowCopiesAndCounts()
    {
        const ServerLocation server = PostgresCluster::current->newDatabase();
        RegisterCopyWindow window{StoreLocation(m_source), StoreLocation(server)};
        QCOMPARE(window.windowTitle(), QStringLiteral("复制本机登记簿到服务器"));
        window.show();
        for (QWidget *w : std::initializer_list<QWidget *>{window.progressBar, window.resultLabel})
            QVERIFY(!w->accessibleName().isEmpty());
        QSignalSpy finished(&window, &RegisterCopyWindow::finished);
        QTest::keyClick(&window, Qt::Key_Return); // Enter starts it
        QVERIFY(window.isCopying());
        QVERIFY(!window.closeButton->isEnabled() && window.cancelButton->isEnabled());
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.first().value(0).toBool(), true);
        QCOMPARE(window.resultLabel->text(), QStringLiteral("已复制 %1 条快递单、2 条查询记录").arg(m_waybills));
        QCOMPARE(window.progressBar->value(), 100);
        QVERIFY(window.closeButton->isEnabled());

        QTest::mouseClick(window.startButton, Qt::LeftButton);
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.last().value(0).toBool(), false);
        QVERIFY2(window.resultLabel->text().contains(QStringLiteral("已有快递单")),
                 qPrintable(window.resultLabel->text()));
        RegisterCopyWindow back{StoreLocation(server), StoreLocation(m_folder.file(QStringLiteral("w.db")))};
        QCOMPARE(back.windowTitle(), QStringLiteral("复制服务器登记簿到本机文件"));
    }

    // A role with SELECT only opens and reads the register; every write is refused, in one message.
    void readerMayOnlyRead()
    {
        TestRegister owner({QStringLiteral("SF100"), QStringLiteral("SF200")});
        const QDateTime at(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        QVERIFY(CheckHistory(owner.store)
                    .recordCheck({QStringLiteral("SF100"), at, QStringLiteral("concise"), QStringLiteral("运输中"),
                                  false, QStringLiteral("在途")})
                    .stored);
        PostgresCluster &cluster = *PostgresCluster::current;
        QVERIFY(cluster.exec(QStringLiteral("postgres"), QStringLiteral("CREATE ROLE reader LOGIN")));
        QVERIFY(cluster.exec(owner.server->database,
                             QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO reader")));
        ServerLocation asReader = *owner.server;
        asReader.user = QStringLiteral("reader");
        StoreConnection store;
        const Outcome opened = store.open(asReader);
        QVERIFY2(opened.ok, qPrintable(opened.error));

        QCOMPARE(Waybills(store).count(), 2);
        QCOMPARE(QuickSearch(store).search(QStringLiteral("快递单号"), QStringLiteral("sf1")).size(), 1);
        QCOMPARE(CheckHistory(store).stateHistory(QStringLiteral("SF100")).size(), 1);
        QCOMPARE(Waybills(store).summaryColumns().size(), 2);

        const QString denied = QStringLiteral("当前数据库用户只能读取登记簿，不能修改。请联系管理员。");
        Waybill w = *Waybills(store).find(QStringLiteral("SF100"));
        w.notes = QStringLiteral("改过");
        Waybill added = w;
        added.number = QStringLiteral("SF300");
        Outcome recorded;
        CheckHistory(store).recordCheck({QStringLiteral("SF200"), at, QStringLiteral("concise"),
                                         QStringLiteral("已签收"), true, QStringLiteral("已签收")},
                                        &recorded);
        Outcome imported;
        WaybillImport(store).importWaybills(QVector<Waybill>{added}, &imported);
        const QVector<QPair<const char *, Outcome>> writes{
            {"add", Waybills(store).insertFromInputForm(added)},
            {"modify", Waybills(store).updateKeepingNumber(w)},
            {"renumber", Waybills(store).updateChangingNumber(QStringLiteral("SF100"), added, false)},
            {"delete", Waybills(store).deleteWaybill(QStringLiteral("SF200"))},
            {"mark", Waybills(store).markSignedFor(QStringLiteral("SF200"))},
            {"record a check", recorded},
            {"import", imported},
        };
        for (const auto &[what, outcome] : writes) {
            QVERIFY2(!outcome.ok, what);
            QVERIFY2(outcome.error.contains(denied), qPrintable(QStringLiteral("%1: %2").arg(what, outcome.error)));
        }
        // Nor may it copy a kd.db onto the server: told as such, not in the server's words.
        TestFolder local;
        const QString file = local.file(RegisterSchema::fileName());
        QVERIFY(RegisterSchema::createDatabase(file).ok);
        Outcome copied;
        RegisterCopy::copy(StoreLocation(file), StoreLocation(asReader), &copied);
        QVERIFY2(!copied.ok && copied.error.contains(denied), qPrintable(copied.error));
        QCOMPARE(
            owner.raw(QStringLiteral("SELECT 快递单号 || 状态 || coalesce(备注, '') FROM 快递单 ORDER BY 快递单号")),
            (QStringList{QStringLiteral("SF100未签收"), QStringLiteral("SF200未签收")}));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestServerRegister tests;
    return runOnEngine(tests, argc, argv);
}
#include "tst_serverregister.moc"
