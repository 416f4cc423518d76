// The queries end to end: the main window with the real browser, offscreen,
// against the local tracking service.
#include "app/MainWindow.h"
#include "app/Provisioning.h"
#include "app/QueryController.h"
#include "app/ResultsPane.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "query/WebEngineBrowser.h"
#include "store/BatchScratch.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/FakeDialogs.h"
#include "support/MainWindowHarness.h"
#include "support/TestFolder.h"
#include "support/TrackingSim.h"

#include <QtTest>
#include <QtWidgets>

namespace {

struct Session {
    TrackingSim sim;
    TestFolder folder;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FixedClock clock{QDate(2026, 12, 7)};
    std::unique_ptr<MainWindow> window;
    Browser *browser = nullptr;
    QString loaded; // the address of the last page that finished loading

    explicit Session(const char *simArguments = "", const QStringList &stored = {})
        : sim(QStringLiteral(TRACKING_SIM), simArguments)
    {
        if (!sim.isListening())
            qFatal("tracking-sim did not start: %s", sim.output().constData());
        sim.serveAllHosts();
        Provisioning::run(folder.path());
        folder.write(QStringLiteral("config.ini"),
                     QByteArray("[\xc9\xe8\xd6\xc3]\r\n\xd7\xd4\xb6\xaf\xb8\xfc\xd0\xc2=1\r\n"));
        StoreConnection store;
        store.open(folder.file(QStringLiteral("kd.db")));
        for (const QString &entry : stored) {
            Waybill w;
            w.number = entry.section(QLatin1Char('|'), 0, 0);
            w.carrier = entry.section(QLatin1Char('|'), 1, 1);
            w.phone = QStringLiteral("13800138000"); // 顺丰 and 中通 are asked for with its last digits
            Waybills(store).insertFromInputForm(w);
        }
        auto engine = std::make_unique<WebEngineBrowser>();
        browser = engine.get();
        QObject::connect(browser, &Browser::documentComplete, [this](const QString &address) { loaded = address; });
        window = std::make_unique<MainWindow>(folder.path(), MainWindow::Services{dialogs, launcher, clock},
                                              std::move(engine));
        child<ClassicTimer>(window, "startSelectionTimer")->setEnabled(false);
        window->setQuitHandler([] {});
        // Short waits: the service answers at once on this machine.
        child<ClassicTimer>(window, "pageReadTimer")->setInterval(1000);
        window->show();
        waitForPage(); // the start page
    }

    QString status(const char *number) { return status(u(number)); }
    QString status(const QString &number) { return Waybills(window->store()).find(number).value_or(Waybill()).status; }

    // Waits until the page the window asked for last (for the chosen carrier
    // and source) has finished loading, so that no load of it is still on its
    // way when a pass begins.
    void waitForPage() { QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && loaded == browser->currentAddress(), 60000); }

    // Runs a stored or batch pass to its end.
    void runPass()
    {
        child<QPushButton>(window, "detailedQueryButton")->click();
        QVERIFY2(window->queries().isDetailedRunning(), qPrintable(dialogs.texts().join(QLatin1Char('|'))));
        QTRY_VERIFY_WITH_TIMEOUT(!window->queries().isDetailedRunning(), 60000);
        QVERIFY(child<QPushButton>(window, "detailedQueryButton")->isEnabled());
    }
};
} // namespace

class TestQueriesEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void currentWaybill_data();
    void currentWaybill();
    void storedPassMarksOnlyTheSignedFor();
    void slowStoredPassMarksOnlyWhatItsOwnPagesSay();
    void batchPassTwiceWithTheSameNumbers();
    void concisePassWithOneFailedRequest();
};

// The number ending in 0 is one the service does not know.
void TestQueriesEndToEnd::currentWaybill_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("carrier"); // 0: EMS, 1: 顺丰速运, 9: 一邦速递
    QTest::addColumn<QString>("number");
    QTest::newRow("default") << QStringLiteral("defaultSourceOption") << 1 << QStringLiteral("SF7001");
    QTest::newRow("backup 1") << QStringLiteral("backupSource1Option") << 1 << QStringLiteral("SF7001");
    QTest::newRow("backup 2") << QStringLiteral("backupSource2Option") << 1 << QStringLiteral("SF7001");
    // Backup source 2 lacks 一邦速递: its backup source 1 page is read with that page's own form.
    QTest::newRow("backup 2 without the carrier")
        << QStringLiteral("backupSource2Option") << 9 << QStringLiteral("YB7001");
    QTest::newRow("unknown number") << QStringLiteral("defaultSourceOption") << 0 << QStringLiteral("EMS0");
}

void TestQueriesEndToEnd::currentWaybill()
{
    QFETCH(QString, source);
    QFETCH(int, carrier);
    QFETCH(QString, number);
    const bool known = !number.endsWith(QLatin1Char('0'));
    Session s;
    MainWindow &w = *s.window;
    child<QLineEdit>(&w, "numberEdit")->setText(number);
    // Without a carrier: a message, and the button is usable again at once.
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QCOMPARE(s.dialogs.lastText(), u("未选定快递公司哦 ^_^"));
    QVERIFY(child<QPushButton>(&w, "detailedQueryButton")->isEnabled());

    w.findChild<QRadioButton *>(source)->click();
    carrierOption(&w, carrier)->click();
    child<QCheckBox>(&w, "autoSaveCheckBox")->setChecked(known); // stores the waybill before the query
    s.waitForPage();
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QVERIFY(w.queries().isDetailedRunning() &&
            child<ResultsPane>(&w, "resultsPane")->detailText().startsWith(u("当前快递单信息\r\n")));
    QTRY_VERIFY_WITH_TIMEOUT(!w.queries().isDetailedRunning(), 60000);
    const QString text = child<ResultsPane>(&w, "resultsPane")->detailText();
    if (!known) {
        QVERIFY2(s.dialogs.shown.last().title == u("sorry"), qPrintable(text));
        QVERIFY(s.dialogs.lastText().startsWith(u("查询未果!")));
        return;
    }
    const QString carrierName = carrierOption(&w, carrier)->text();
    QVERIFY2(text.contains(u("快递单号： %1\t\t快递公司： %2").arg(number, carrierName)) && text.contains(u("已签收")),
             qPrintable(text));
    // Only the record itself, not the page's marker lines.
    QVERIFY(!text.contains(u("更多查询记录>>")) && !text.contains(u("简介")) && !text.contains(u("指定单号不存在")));
    QVERIFY(!child<QTextEdit>(&w, "detailedResultText")->isHidden());
    QTRY_COMPARE(s.status(number), u("已签收"));
    QVERIFY(!s.dialogs.texts().contains(u("快递单号已存在！")));
}

void TestQueriesEndToEnd::storedPassMarksOnlyTheSignedFor()
{
    Session s("", {u("A1001|顺丰速运"), u("B1003|TNT"), u("C1002|申通E物流")});
    MainWindow &w = *s.window;
    child<QRadioButton>(&w, "defaultSourceOption")->click();
    carrierOption(&w, 1)->click();
    s.waitForPage();
    child<QRadioButton>(&w, "storedNumbersOption")->click();
    s.runPass();
    const QString text = child<ResultsPane>(&w, "resultsPane")->detailText();
    const QString a = u("当前快递单号： A1001\t\t快递公司： 顺丰速运"), b = u("当前快递单号： B1003\t\t快递公司： TNT");
    QVERIFY2(text.indexOf(a) >= 0 && text.indexOf(a) < text.indexOf(b), qPrintable(text));
    QVERIFY2(text.contains(u("当前快递单号： C1002\t\t快递公司： 申通E物流")), qPrintable(text));
    QCOMPARE(s.status("A1001") + s.status("B1003") + s.status("C1002"), u("已签收未签收已签收")); // C: 妥投
}

// Pages slower than any fixed wait, a carrier without a page, a record that
// says the signing failed, and the user typing while the pass runs.
void TestQueriesEndToEnd::slowStoredPassMarksOnlyWhatItsOwnPagesSay()
{
    Session s("--latency 2500",
              {u("A1001|顺丰速运"), u("B1003|圆通快递"), u("E5|佳吉快运"), u("D1009|顺丰速运"), u("C1002|申通E物流")});
    MainWindow &w = *s.window;
    child<QRadioButton>(&w, "defaultSourceOption")->click();
    child<QRadioButton>(&w, "storedNumbersOption")->click();
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QVERIFY(w.queries().isDetailedRunning());
    QTest::qWait(1500);
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("B1003"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.queries().isDetailedRunning(), 90000);
    const QString text = child<ResultsPane>(&w, "resultsPane")->detailText();
    QCOMPARE(s.status("A1001") + s.status("B1003") + s.status("E5") + s.status("D1009") + s.status("C1002"),
             u("已签收未签收未签收未签收已签收"));
    QVERIFY2(
        text.contains(u("当前快递单号： E5\t\t快递公司： 佳吉快运\r\n该快递公司在此数据来源没有查询页面，已跳过\r\n")),
        qPrintable(text));
    QVERIFY2(text.contains(u("A1001")) && text.contains(u("快件已签收")) && text.contains(u("签收失败")),
             qPrintable(text));
    QCOMPARE(text.count(u("快件已签收")), 1); // A1001's record only, once
}

void TestQueriesEndToEnd::batchPassTwiceWithTheSameNumbers()
{
    Session s("", {u("X11|UPS")});
    MainWindow &w = *s.window;
    child<QRadioButton>(&w, "backupSource1Option")->click();
    child<QListWidget>(&w, "otherCarriersList")->setCurrentRow(1); // UPS
    s.waitForPage();
    child<QRadioButton>(&w, "batchNumbersOption")->click();
    child<QPlainTextEdit>(&w, "batchNumbersEdit")->setPlainText(QStringLiteral(" X11 \nX11\n\nX13\n"));
    for (int run = 0; run < 2; ++run) {
        s.runPass();
        const QString text = child<ResultsPane>(&w, "resultsPane")->detailText();
        QCOMPARE(text.count(u("当前快递单号：")), 2);
        QVERIFY(text.contains(u("当前快递单号： X11\t\t快递公司： UPS\r\n")) &&
                text.contains(u("当前快递单号： X13\t\t快递公司： UPS\r\n")));
        QCOMPARE(BatchScratch(w.store()).tempRows().size(), 2);
    }
    QVERIFY(s.dialogs.shown.isEmpty());
    QCOMPARE(s.status("X11"), u("已签收"));
}

void TestQueriesEndToEnd::concisePassWithOneFailedRequest()
{
    Session s("--fault status500 --fault-number N2001",
              {u("N1001|顺丰速运"), u("N2001|顺丰速运"), u("N3002|德邦物流"), u("N4001|佳吉快运")});
    MainWindow &w = *s.window;
    child<QRadioButton>(&w, "storedNumbersOption")->click();
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QVERIFY(!child<QPushButton>(&w, "conciseQueryButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!w.queries().isConciseRunning(), 30000);
    QVERIFY(child<QPushButton>(&w, "conciseQueryButton")->isEnabled() &&
            !child<QTreeWidget>(&w, "conciseResultView")->isHidden());
    QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->topLevelItemCount(), 4);
    // 佳吉快运 has no code for the concise query: it gets a row and no mark.
    const char *expected[][2] = {{"N1001", "已签收"}, {"N2001", "未签收"}, {"N3002", "已签收"}, {"N4001", "未签收"}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->topLevelItem(i)->text(0), u(expected[i][0]));
        QVERIFY(!child<QTreeWidget>(&w, "conciseResultView")->topLevelItem(i)->text(2).isEmpty());
        QCOMPARE(s.status(expected[i][0]), u(expected[i][1]));
    }
    QVERIFY(child<QTreeWidget>(&w, "conciseResultView")->topLevelItem(1)->text(2).startsWith(u("查询失败")));
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestQueriesEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_queries_e2e.moc"
