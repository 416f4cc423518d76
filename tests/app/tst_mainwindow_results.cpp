// Saving, clearing and switching the results, and the detailed query's chain
// on a page that the test controls.
#include "app/InputPane.h"
#include "app/QueryController.h"
#include "app/ResultsPane.h"
#include "core/Endpoints.h"
#include "core/GbkText.h"
#include "query/BackgroundRefresh.h"
#include "services/WaybillStatus.h"
#include "store/BatchScratch.h"
#include "store/CheckHistory.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/MainWindowHarness.h"
#include "support/TinyHttpServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

class TestMainWindowResults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void conciseResultsFileIsTabSeparatedGbk();
    void detailedResultsFileAndItsDialog();
    void clearingAndTabSwitch();
    void unwritableFileIsReported();
    void passOwnsItsWaybills();
    void clearDuringAConcisePassKeepsTheColumns();
    void longNumbersNeverWidenTheWindow();
    void storedPassOverAnEmptyRegister();
    void aMixedBatchRunsEachLineWithItsCarrier();
    void aNumberQueriedThenSavedKeepsItsAnswer();
    void queriesOfStoredWaybillsKeepTheirHistory();
    void signingNoticeCanBeTurnedOff();
    void signingsOfOnePassAreOneNotice();
    void aStoppedRefreshTellsWhyAndStartsAgain();

private:
    void runConcise(Harness &h, const QStringList &numbers);
    TinyHttpServer m_server;
};

void TestMainWindowResults::initTestCase()
{
    QVERIFY(m_server.start());
    Endpoints hosts;
    hosts.makerSite = QStringLiteral("http://maker");
    hosts.trackingService = m_server.base();
    hosts.defaultSource = QStringLiteral("http://d");
    hosts.backupSource1 = QStringLiteral("http://b1");
    Endpoints::setCurrent(hosts);
    m_server.answers.insert(QStringLiteral("/apione?com=shunfeng&nu=R1&show=3&phone=8000"),
                            {200, "text/plain; charset=utf-8", u("北京 已签收，签收人：张三 更多").toUtf8()});
    m_server.answers.insert(QStringLiteral("/apione?com=shunfeng&nu=R2&show=3&phone=8000"),
                            {200, "text/plain; charset=utf-8", u("运输中\r\n到达上海 更多").toUtf8()});
}

void TestMainWindowResults::runConcise(Harness &h, const QStringList &numbers)
{
    MainWindow &w = *h.window;
    carrierOption(&w, 1)->click();
    QString batch;
    for (const QString &n : numbers)
        batch += n + QLatin1Char('\n');
    child<QPlainTextEdit>(&w, "batchNumbersEdit")->setPlainText(batch);
    child<QRadioButton>(&w, "batchNumbersOption")->click();
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QTRY_VERIFY(!w.queries().isConciseRunning());
}

void TestMainWindowResults::conciseResultsFileIsTabSeparatedGbk()
{
    Harness h(QByteArray(), {u("R1|顺丰速运"), u("R2|顺丰速运")}); // stored: their telephones go with the query
    runConcise(h, {QStringLiteral("R1"), QStringLiteral("R2")});
    QCOMPARE(child<QTreeWidget>(h.window, "conciseResultView")->topLevelItemCount(), 2);
    const QString path = h.folder.file(QStringLiteral("concise.txt"));
    h.dialogs.files = {path};
    child<QPushButton>(h.window, "saveConciseResultsButton")->click();
    QCOMPARE(h.dialogs.fileRequests.last().title, u("另存为"));
    QVERIFY(h.dialogs.fileRequests.last().fileName.isEmpty());
    QVERIFY(h.dialogs.fileRequests.last().confirmOverwrite);
    const QByteArray expected = GbkText::encode(u("R1\t顺丰速运\t北京 已签收，签收人：张三 \r\n"
                                                  "R2\t顺丰速运\t运输中\r\n到达上海 \r\n"));
    QCOMPARE(h.folder.read(QStringLiteral("concise.txt")), expected);

    // A cancelled dialog writes nothing.
    child<QPushButton>(h.window, "saveConciseResultsButton")->click();
    QCOMPARE(h.folder.read(QStringLiteral("concise.txt")), expected);
}

void TestMainWindowResults::detailedResultsFileAndItsDialog()
{
    Harness h;
    const QString path = h.folder.file(QStringLiteral("detail.txt"));
    h.dialogs.files = {path};
    child<QPushButton>(h.window, "saveDetailedResultsButton")->click();
    QCOMPARE(h.folder.read(QStringLiteral("detail.txt")), QByteArray("\r\n"));
    const Dialogs::FileRequest first = h.dialogs.fileRequests.last();
    QCOMPARE(first.title, u("保存为"));
    QCOMPARE(first.folder, h.folder.path());
    QVERIFY(!first.confirmOverwrite);
    QCOMPARE(first.filters.first(), u("文本文件(*.txt)"));

    // The dialog offers the last name chosen; cancelling keeps the file.
    child<QPushButton>(h.window, "saveDetailedResultsButton")->click();
    QCOMPARE(h.dialogs.fileRequests.last().fileName, path);
    QCOMPARE(h.folder.read(QStringLiteral("detail.txt")), QByteArray("\r\n"));
}

void TestMainWindowResults::clearingAndTabSwitch()
{
    Harness h;
    MainWindow &w = *h.window;
    runConcise(h, {QStringLiteral("R1")});
    QVERIFY(!child<QTreeWidget>(&w, "conciseResultView")->isHidden() &&
            child<QTextEdit>(&w, "detailedResultText")->isHidden());
    QCOMPARE(child<QTabBar>(&w, "resultTabs")->currentIndex(), 1);
    child<QPushButton>(&w, "clearResultsButton")->click();
    QVERIFY(!child<QTreeWidget>(&w, "conciseResultView")->isHidden()); // the visible view stays
    QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->topLevelItemCount(), 0);
    QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->columnCount(), 0);
    h.dialogs.files = {h.folder.file(QStringLiteral("empty.txt"))};
    child<QPushButton>(&w, "saveConciseResultsButton")->click();
    QCOMPARE(h.folder.read(QStringLiteral("empty.txt")), QByteArray());
    QVERIFY(QFile::exists(h.folder.file(QStringLiteral("empty.txt"))));

    child<QTabBar>(&w, "resultTabs")->setCurrentIndex(0);
    QVERIFY(child<QTreeWidget>(&w, "conciseResultView")->isHidden() &&
            !child<QTextEdit>(&w, "detailedResultText")->isHidden());
    child<QTabBar>(&w, "resultTabs")->setCurrentIndex(1);
    QVERIFY(!child<QTreeWidget>(&w, "conciseResultView")->isHidden() &&
            child<QTextEdit>(&w, "detailedResultText")->isHidden());
}

void TestMainWindowResults::unwritableFileIsReported()
{
    Harness h;
    QDir(h.folder.path()).mkdir(QStringLiteral("taken.txt"));
    h.dialogs.files = {h.folder.file(QStringLiteral("taken.txt"))};
    child<QPushButton>(h.window, "saveDetailedResultsButton")->click();
    QVERIFY(h.dialogs.lastText().contains(h.folder.file(QStringLiteral("taken.txt"))));
}

// The default source's page as the tests serve it: its click writes the record of the number typed.
static void servePages(Harness &h)
{
    h.browser->onClick.insert(QStringLiteral("query"), [](FakeBrowser &b) {
        const QString nu = b.values.value(QStringLiteral("postid"));
        b.lines = {u("更多查询记录>>"), nu + (nu.endsWith(QLatin1Char('1')) ? u(" 已签收") : u(" 在途")),
                   u("转发查询结果>>")};
    });
}

void TestMainWindowResults::passOwnsItsWaybills()
{
    Harness h(QByteArray(), {u("SF1001|顺丰速运"), u("YT3003|圆通快递")});
    MainWindow &w = *h.window;
    servePages(h);
    const QStringList form = {QStringLiteral("postid"), QStringLiteral("query")};
    child<QRadioButton>(&w, "defaultSourceOption")->click();
    child<QRadioButton>(&w, "storedNumbersOption")->click();
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QVERIFY(w.queries().isDetailedRunning() && !child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    const int pages = int(h.browser->addresses.size());
    // Typed while the pass runs: it changes what the labels show, not what the pass queries or marks.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("YT3003"));
    h.browser->completeLoad(form);
    QTRY_COMPARE(h.browser->addresses.size(), pages + 1);
    QVERIFY(!child<QLabel>(&w, "statusLineLabel")->isHidden() && !child<QLabel>(&w, "queryProgressLabel")->isHidden());
    QCOMPARE(child<QLabel>(&w, "queryProgressLabel")->text(), u("正在查询 2/2"));
    h.browser->completeLoad(form);
    QTRY_VERIFY(!w.queries().isDetailedRunning());
    StoreConnection &store = w.store();
    QCOMPARE(Waybills(store).find(QStringLiteral("SF1001"))->status, u("已签收"));
    QCOMPARE(Waybills(store).find(QStringLiteral("YT3003"))->status, u("未签收"));
    // The history list follows the marks.
    QTRY_COMPARE(child<QTreeView>(&w, "historyView")
                     ->model()
                     ->index(h.historyRowOf(QStringLiteral("SF1001")), 0)
                     .data()
                     .toString(),
                 u("已签收"));
    const int sf = h.historyRowOf(QStringLiteral("SF1001")), yt = h.historyRowOf(QStringLiteral("YT3003"));
    // Beside it, what each waybill's newest line said happened; 状态 keeps its two values.
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(sf, 3).data().toString(), u("已签收"));
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(yt, 3).data().toString(), u("运输中"));
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(yt, 0).data().toString(), u("未签收"));
    QCOMPARE(child<ResultsPane>(&w, "resultsPane")->detailText(),
             u("当前快递单号： SF1001\t\t快递公司： 顺丰速运\r\nSF1001 已签收\r\n"
               "当前快递单号： YT3003\t\t快递公司： 圆通快递\r\nYT3003 在途\r\n"));

    QVERIFY(child<QPushButton>(&w, "detailedQueryButton")->isEnabled());

    // A page that loads midway never gives the button back; stopped, a new pass starts afresh.
    child<QPushButton>(&w, "detailedQueryButton")->click();
    h.browser->completeLoad(form);
    QTRY_COMPARE(h.browser->addresses.size(), pages + 3);
    QVERIFY(w.queries().isDetailedRunning() && !child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    child<QPushButton>(&w, "stopQueryButton")->click();
    QTRY_VERIFY(child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QCOMPARE(child<QLabel>(&w, "queryProgressLabel")->text(), u("正在查询 1/2"));
    QTest::qWait(100);
    QCOMPARE(child<ResultsPane>(&w, "resultsPane")->detailText(),
             u("当前快递单号： SF1001\t\t快递公司： 顺丰速运\r\n"));
    // A concise query waits for the pass; changing the source ends it.
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QVERIFY(h.dialogs.lastText().contains(u("详细查询正在进行")));
    QVERIFY(!w.queries().isConciseRunning());
    child<QRadioButton>(&w, "backupSource1Option")->click();
    QVERIFY(!w.queries().isDetailedRunning());
}

void TestMainWindowResults::clearDuringAConcisePassKeepsTheColumns()
{
    Harness h;
    MainWindow &w = *h.window;
    carrierOption(&w, 1)->click();
    child<QPlainTextEdit>(&w, "batchNumbersEdit")->setPlainText(QStringLiteral("R1\nR2\n"));
    child<QRadioButton>(&w, "batchNumbersOption")->click();
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QVERIFY(w.queries().isConciseRunning());
    child<QPushButton>(&w, "clearResultsButton")->click();
    QTRY_VERIFY(!w.queries().isConciseRunning());
    QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->columnCount(), 3);
    QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->topLevelItemCount(), 2);
    for (int r = 0; r < 2; ++r)
        QVERIFY(!child<QTreeWidget>(&w, "conciseResultView")->topLevelItem(r)->text(2).isEmpty());
}

void TestMainWindowResults::longNumbersNeverWidenTheWindow()
{
    Harness h;
    MainWindow &w = *h.window;
    const QSize before = w.size();
    QCOMPARE(before, w.minimumSize()); // on the small test screen: the least size, which the layout fits
    child<QLineEdit>(&w, "numberEdit")
        ->setText(QString(150, QLatin1Char('8')) + QChar(QChar::LineSeparator) + QStringLiteral("9"));
    QApplication::processEvents();
    QVERIFY2(w.minimumSizeHint().width() <= before.width(), qPrintable(QString::number(w.minimumSizeHint().width())));
    QCOMPARE(w.size(), before);
    QVERIFY(child<QLabel>(&w, "numberValueLabel")
                ->text()
                .startsWith(QString(150, QLatin1Char('8')))); // the value itself is kept
    // Nor does the line that names the carrier of a number.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("43123456789012"));
    QVERIFY(child<QLabel>(&w, "detectionLabel")->isVisibleTo(&w));
    QApplication::processEvents();
    QVERIFY2(w.minimumSizeHint().width() <= before.width(), qPrintable(QString::number(w.minimumSizeHint().width())));
    // Nor does the window grow by itself for a hint of two lines or the batch tab.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("439999990000099"));
    QVERIFY(child<QLabel>(&w, "detectionLabel")->isVisibleTo(&w));
    QApplication::processEvents();
    QCOMPARE(w.size(), before);
    child<QTabWidget>(&w, "inputTabs")->setCurrentIndex(1);
    QApplication::processEvents();
    QVERIFY2(w.minimumSizeHint().height() <= before.height(),
             qPrintable(QString::number(w.minimumSizeHint().height())));
    QCOMPARE(w.size(), before);
}

void TestMainWindowResults::storedPassOverAnEmptyRegister()
{
    Harness h;
    MainWindow &w = *h.window;
    child<QRadioButton>(&w, "storedNumbersOption")->click();
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QVERIFY(!w.queries().isDetailedRunning());
    QVERIFY(child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    QVERIFY(child<ResultsPane>(&w, "resultsPane")->detailText().isEmpty());
    QCOMPARE(child<QLabel>(&w, "queryProgressLabel")->text(), u("详细查询完成"));

    // With no query option at all only the message is shown.
    child<QRadioButton>(&w, "storedNumbersOption")->setAutoExclusive(false);
    child<QRadioButton>(&w, "storedNumbersOption")->setChecked(false);
    child<QPushButton>(&w, "detailedQueryButton")->click();
    QCOMPARE(h.dialogs.lastText(), u("请先选择查询的内容方式！！！"));
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QCOMPARE(h.dialogs.lastText(), u("请先选择查询的内容方式！！！/n简洁查询暂不支持批量快递单~~~"));
    QVERIFY(child<QPushButton>(&w, "conciseQueryButton")->isEnabled());
}

void TestMainWindowResults::queriesOfStoredWaybillsKeepTheirHistory()
{
    Harness h(QByteArray(), {u("R1|顺丰速运"), u("R2|顺丰速运")});
    MainWindow &w = *h.window;
    StoreConnection &store = w.store();
    // A typed batch is no query of the register, even for a stored number.
    runConcise(h, {QStringLiteral("R1")});
    QVERIFY(CheckHistory(store).stateHistory(QStringLiteral("R1")).isEmpty());
    QCOMPARE(Waybills(store).find(QStringLiteral("R1"))->status, u("未签收"));

    QSignalSpy announced(&w, &MainWindow::signingAnnounced);
    const QDateTime start = h.clock.now();
    for (int pass = 0; pass < 2; ++pass) {
        h.clock.set(start.addSecs(3600 * pass));
        child<QRadioButton>(&w, "storedNumbersOption")->click();
        child<QPushButton>(&w, "conciseQueryButton")->click();
        QTRY_VERIFY(!w.queries().isConciseRunning());
    }
    QVector<StateEntry> r1 = CheckHistory(store).stateHistory(QStringLiteral("R1"));
    QCOMPARE(r1.size(), 1);
    QCOMPARE(r1[0].state, u("北京 已签收，签收人：张三 "));
    QCOMPARE(r1[0].source, StateSource::kConcise);
    QVERIFY(r1[0].signedFor);
    QCOMPARE(r1[0].firstSeen, start.toUTC());
    QCOMPARE(r1[0].lastCheck, start.addSecs(3600).toUTC());
    QCOMPARE(Waybills(store).find(QStringLiteral("R1"))->status, u("已签收"));
    // Announced once, though both passes found it signed for.
    QCOMPARE(announced.size(), 1);
    QCOMPARE(announced[0][1].toString(), u("R1 已签收（顺丰速运）"));
    QCOMPARE(announced[0][0].toStringList(), QStringList{u("R1")});
    QVector<StateEntry> r2 = CheckHistory(store).stateHistory(QStringLiteral("R2"));
    QCOMPARE(r2.size(), 1);
    QVERIFY(!r2[0].signedFor);
    QCOMPARE(Waybills(store).find(QStringLiteral("R2"))->status, u("未签收"));

    // The detailed pass adds what each page said, newest line first.
    servePages(h);
    const QStringList form = {QStringLiteral("postid"), QStringLiteral("query")};
    child<QRadioButton>(&w, "defaultSourceOption")->click();
    child<QPushButton>(&w, "detailedQueryButton")->click();
    const int pages = int(h.browser->addresses.size());
    h.browser->completeLoad(form);
    QTRY_COMPARE(h.browser->addresses.size(), pages + 1);
    h.browser->completeLoad(form);
    QTRY_VERIFY(!w.queries().isDetailedRunning());
    r1 = CheckHistory(store).stateHistory(QStringLiteral("R1"));
    QCOMPARE(r1.size(), 2);
    QCOMPARE(r1[0].state, u("R1 已签收"));
    QCOMPARE(r1[0].source, StateSource::detailed(QStringLiteral("mrly")));
    r2 = CheckHistory(store).stateHistory(QStringLiteral("R2"));
    QCOMPARE(r2.size(), 2);
    QCOMPARE(r2[0].state, u("R2 在途"));
    QVERIFY(!r2[0].signedFor);
    QCOMPARE(announced.size(), 1); // the detailed pass found R1 signed again: no second notice
}

void TestMainWindowResults::signingNoticeCanBeTurnedOff()
{
    Harness h(Harness::config(u("签收提醒=0\r\n")), {u("R1|顺丰速运")});
    MainWindow &w = *h.window;
    QSignalSpy announced(&w, &MainWindow::signingAnnounced);
    child<QRadioButton>(&w, "storedNumbersOption")->click();
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QTRY_VERIFY(!w.queries().isConciseRunning());
    QCOMPARE(Waybills(w.store()).find(QStringLiteral("R1"))->status, u("已签收"));
    QCOMPARE(announced.size(), 0);
}

// Every signing of a refresh tick or a pass in one notice, each waybill once.
void TestMainWindowResults::signingsOfOnePassAreOneNotice()
{
    QStringList stored{u("R2|顺丰速运")};
    for (int i = 1; i <= 7; ++i) {
        stored << u("S%1|顺丰速运").arg(i);
        m_server.answers.insert(u("/apione?com=shunfeng&nu=S%1&show=3&phone=8000").arg(i),
                                {200, "text/plain; charset=utf-8", u("已签收 更多").toUtf8()});
    }
    Harness h(Harness::config(u("自动刷新=1\r\n")), stored);
    MainWindow &w = *h.window;
    QSignalSpy announced(&w, &MainWindow::signingAnnounced);
    const auto tick = [&w] {
        QSignalSpy done(w.queries().backgroundRefresh(), &BackgroundRefresh::tickDone);
        w.queries().backgroundRefresh()->tick();
        QVERIFY(done.count() > 0 || done.wait(30000));
    };
    tick(); // four a tick: R2, S1, S2, S3
    QCOMPARE(announced.size(), 1);
    QCOMPARE(announced[0][0].toStringList(), (QStringList{u("S1"), u("S2"), u("S3")}));
    const QString three = u("3 件快递已签收：S1（顺丰速运）、S2（顺丰速运）、S3（顺丰速运）");
    QCOMPARE(announced[0][1].toString(), three);
    QVERIFY(
        child<QPushButton>(&w, "signingNoticeButton")->isVisible()); // no tray here: the status bar keeps it until read
    QCOMPARE(child<QPushButton>(&w, "signingNoticeButton")->text(), three);
    h.clock.set(h.clock.now().addSecs(4 * 3600));
    tick(); // S4..S7 now; S1..S3 are signed and no longer asked
    QCOMPARE(announced.size(), 2);
    QCOMPARE(announced[1][1].toString(),
             u("4 件快递已签收：S4（顺丰速运）、S5（顺丰速运）、S6（顺丰速运）、S7（顺丰速运）"));
    h.clock.set(h.clock.now().addSecs(4 * 3600));
    tick();
    QCOMPARE(announced.size(), 2);
    child<QPushButton>(&w, "signingNoticeButton")->click();
    QVERIFY(!child<QPushButton>(&w, "signingNoticeButton")->isVisible());

    // A pass of the user's over more than five names the first five.
    stored.removeFirst();
    Harness fresh(QByteArray(), stored);
    QSignalSpy freshAnnounced(fresh.window.get(), &MainWindow::signingAnnounced);
    child<QRadioButton>(fresh.window, "storedNumbersOption")->click();
    child<QPushButton>(fresh.window, "conciseQueryButton")->click();
    QTRY_VERIFY(!fresh.window->queries().isConciseRunning());
    QCOMPARE(freshAnnounced.size(), 1);
    QCOMPARE(freshAnnounced[0][1].toString(), u("7 件快递已签收：S1（顺丰速运）、S2（顺丰速运）、S3（顺丰速运）、"
                                                "S4（顺丰速运）、S5（顺丰速运）等"));
}

// The history list's tooltip says why the refresh left a waybill alone;
// 刷新数据 with it chosen starts it again.
void TestMainWindowResults::aStoppedRefreshTellsWhyAndStartsAgain()
{
    Harness h(QByteArray(), {u("W0|圆通快递")});
    h.startUp();
    MainWindow &w = *h.window;
    const QAbstractItemModel *model = child<QTreeView>(&w, "historyView")->model();
    const QModelIndex cell = model->index(0, 2);
    w.queries().backgroundRefresh()->schedule().noteStatus(u("W0"), WaybillStatus::kAwaitingCollection,
                                                           h.clock.now().toUTC().addDays(-4));
    QCOMPARE(model->data(cell, Qt::ToolTipRole).toString(), u("W0\n3 天无物流记录，已停止自动刷新"));
    QCOMPARE(model->data(cell).toString(), u("W0"));
    child<QTreeView>(&w, "historyView")->setCurrentIndex(cell);
    child<QPushButton>(&w, "refreshHistoryButton")->click();
    QTRY_VERIFY(!w.isHistoryLoading());
    QCOMPARE(model->data(model->index(0, 2), Qt::ToolTipRole).toString(), u("W0"));
}

QTEST_MAIN(TestMainWindowResults)
// No carrier chosen on the window: each line runs with the carrier it names
// or the one its number surely has; a line with neither is listed and asked
// about, and never run on a guessed page.
void TestMainWindowResults::aMixedBatchRunsEachLineWithItsCarrier()
{
    Harness h;
    MainWindow &w = *h.window;
    child<QPlainTextEdit>(&w, "batchNumbersEdit")->setPlainText(u("SF123456789012 神行快递\n"));
    child<InputPane>(&w, "inputTabs")->showBatchCarriers();
    QCOMPARE(child<QListWidget>(&w, "batchCarriersList")->item(0)->text(), u("1：？没有“神行快递”"));
    child<QPlainTextEdit>(&w, "batchNumbersEdit")
        ->setPlainText(u("SF123456789012\n７５１２３４５６７８９０１２\n123456789\nR1，顺丰速运\n"));
    child<QRadioButton>(&w, "batchNumbersOption")->click();
    h.dialogs.answers = {false};
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QVERIFY(!h.dialogs.shown.isEmpty());
    QCOMPARE(h.dialogs.shown.last().kind, QStringLiteral("yesno"));
    QVERIFY2(h.dialogs.lastText().contains(u("第 3 行 123456789：无法确定，可能是：TNT / 德邦物流")),
             qPrintable(h.dialogs.lastText()));
    QVERIFY(!w.queries().isConciseRunning() && BatchScratch(w.store()).tempRows().isEmpty()); // declined: nothing runs

    // Beside the lines: each one's carrier, and a choice written onto the line.
    child<InputPane>(&w, "inputTabs")->showBatchCarriers();
    QCOMPARE(child<QListWidget>(&w, "batchCarriersList")->count(), 4);
    QCOMPARE(child<QListWidget>(&w, "batchCarriersList")->item(1)->text(),
             u("2：？中通速递")); // plain digits never decide
    QCOMPARE(child<QListWidget>(&w, "batchCarriersList")->item(2)->text(), u("3：？TNT/德邦物流"));
    child<InputPane>(&w, "inputTabs")->setBatchLineCarrier(3, u("TNT"));
    QVERIFY(child<QPlainTextEdit>(&w, "batchNumbersEdit")->toPlainText().contains(u("\n123456789,TNT\nR1")));

    h.dialogs.answers = {true};
    child<QPlainTextEdit>(&w, "batchNumbersEdit")
        ->setPlainText(u("SF123456789012\n７５１２３４５６７８９０１２\nabc\nR1，顺丰速运\nsf 1234 5678 9012\n"));
    child<QPushButton>(&w, "conciseQueryButton")->click();
    // Every line without a sure carrier is asked about, the repeat is named,
    // and the count promised is the rows that come.
    QVERIFY2(h.dialogs.lastText().contains(u("第 2 行 75123456789012：")) &&
                 h.dialogs.lastText().contains(u("第 3 行 ABC：格式无法识别")) &&
                 h.dialogs.lastText().contains(u("重复 1 行")) && h.dialogs.lastText().contains(u("其余 2 个单号")),
             qPrintable(h.dialogs.lastText()));
    QTRY_VERIFY(!w.queries().isConciseRunning());
    QCOMPARE(BatchScratch(w.store()).tempRows(),
             (QVector<QPair<QString, QString>>{{QStringLiteral("SF123456789012"), u("顺丰速运")},
                                               {QStringLiteral("R1"), u("顺丰速运")}}));

    // A carrier chosen by hand never silently replaces the one a line shows:
    // asked, the lines run under their own, or all under the chosen one.
    carrierOption(&w, 3)->click();
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("圆通快递"));
    child<QPlainTextEdit>(&w, "batchNumbersEdit")
        ->setPlainText(u("JT1234567890123\nYT1234567890123\nSF1234567890123\nX7\n"));
    const auto ranWith = [&w](int row) { return BatchScratch(w.store()).tempRows().value(row).second; };
    for (const bool ownCarriers : {true, false}) {
        h.dialogs.answers = {ownCarriers};
        child<QPushButton>(&w, "conciseQueryButton")->click();
        QVERIFY2(h.dialogs.lastText().contains(u("2 行的快递公司与所选的“圆通快递”不同")) &&
                     h.dialogs.lastText().contains(u("第 1 行 JT1234567890123：极兔速递")),
                 qPrintable(h.dialogs.lastText()));
        QTRY_VERIFY(!w.queries().isConciseRunning());
        QCOMPARE(BatchScratch(w.store()).tempRows().size(), 4);
        QCOMPARE(ranWith(0), ownCarriers ? u("极兔速递") : u("圆通快递"));
        QCOMPARE(ranWith(1), u("圆通快递"));
        QCOMPARE(ranWith(2), ownCarriers ? u("顺丰速运") : u("圆通快递"));
        QCOMPARE(ranWith(3), u("圆通快递")); // no carrier of its own: the chosen one
    }

    // The carrier of the start-up setting is no choice for the batch: the
    // lines it may fit are asked about like the others, and none runs.
    Harness withDefault(Harness::config(u("默认快递=TNT\r\n")));
    withDefault.startUp();
    MainWindow &d = *withDefault.window;
    QCOMPARE(child<QLabel>(&d, "carrierValueLabel")->text(), u("TNT"));
    child<QPlainTextEdit>(&d, "batchNumbersEdit")->setPlainText(u("123456789\nX7\n75123456789012\n1234567890123\n"));
    child<QRadioButton>(&d, "batchNumbersOption")->click();
    child<QPushButton>(&d, "conciseQueryButton")->click();
    QVERIFY2(withDefault.dialogs.lastText().contains(u("第 1 行 123456789：")) &&
                 withDefault.dialogs.lastText().contains(u("第 2 行 X7：")),
             qPrintable(withDefault.dialogs.lastText()));
    QVERIFY(!d.queries().isConciseRunning() && BatchScratch(d.store()).tempRows().isEmpty());
}

// The telephone typed in the form goes with the query of its number, the
// pass says it has begun, and saving the number afterwards stores the answer
// just shown with it.
void TestMainWindowResults::aNumberQueriedThenSavedKeepsItsAnswer()
{
    Harness h;
    MainWindow &w = *h.window;
    carrierOption(&w, 1)->click();
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("R1"));
    child<QLineEdit>(&w, "phoneEdit")->setText(QStringLiteral("138-0013-8000"));
    child<QRadioButton>(&w, "currentNumberOption")->click();
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QCOMPARE(child<QLabel>(&w, "queryProgressLabel")->text(), u("正在查询 0/1"));
    QTRY_VERIFY(!w.queries().isConciseRunning());
    QCOMPARE(child<QTreeWidget>(&w, "conciseResultView")->topLevelItem(0)->text(2), u("北京 已签收，签收人：张三 "));
    QVERIFY(!Waybills(w.store()).find(QStringLiteral("R1")));
    child<QPushButton>(&w, "saveInputButton")->click();
    const std::optional<Waybill> saved = Waybills(w.store()).find(QStringLiteral("R1"));
    QVERIFY(saved && saved->phone == QStringLiteral("138-0013-8000"));
    QCOMPARE(saved->status, kSignedFor);
    const CheckSummaries checks = CheckHistory(w.store()).checkSummaries();
    QVERIFY(checks.contains(QStringLiteral("R1")) && checks.value(QStringLiteral("R1")).status == kSignedFor);
}

#include "tst_mainwindow_results.moc"
