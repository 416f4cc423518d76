// Saving, clearing and switching the results, and the detailed query's chain
// on a page that the test controls.
#include "core/GbkText.h"
#include "core/Endpoints.h"
#include "support/MainWindowHarness.h"
#include "support/TinyHttpServer.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

class TestForm1Results : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void conciseResultsFileIsTabSeparatedGbk();
    void detailedResultsFileAndItsDialog();
    void clearingAndTabSwitch();
    void unwritableFileIsReported();
    void pageWithoutFieldIsHarvestedAnyway();
    void storedPassOverAnEmptyRegister();

private:
    void runConcise(Harness &h, const QStringList &numbers);
    TinyHttpServer m_server;
};

void TestForm1Results::initTestCase()
{
    QVERIFY(m_server.start());
    Endpoints hosts;
    hosts.makerSite = QStringLiteral("http://maker");
    hosts.trackingService = m_server.base();
    hosts.defaultSource = QStringLiteral("http://d");
    hosts.backupSource1 = QStringLiteral("http://b1");
    Endpoints::setCurrent(hosts);
    m_server.answers.insert(QStringLiteral("/apione?com=shunfeng&nu=R1&show=3"),
                            {200, "text/plain; charset=utf-8", u("北京 已签收，签收人：张三 更多").toUtf8()});
    m_server.answers.insert(QStringLiteral("/apione?com=shunfeng&nu=R2&show=3"),
                            {200, "text/plain; charset=utf-8", u("运输中\r\n到达上海 更多").toUtf8()});
}

void TestForm1Results::runConcise(Harness &h, const QStringList &numbers)
{
    Form1 &w = *h.window;
    w.Option[1]->click();
    QString batch;
    for (const QString &n : numbers)
        batch += n + QLatin1Char('\n');
    w.Text10->setPlainText(batch);
    w.Option13->click();
    w.Command12->click();
    QTRY_VERIFY(!w.isConciseQueryRunning());
}

void TestForm1Results::conciseResultsFileIsTabSeparatedGbk()
{
    Harness h;
    runConcise(h, {QStringLiteral("R1"), QStringLiteral("R2")});
    QCOMPARE(h.window->ListView1->topLevelItemCount(), 2);
    const QString path = h.folder.file(QStringLiteral("concise.txt"));
    h.dialogs.files = {path};
    h.window->Command13->click();
    QCOMPARE(h.dialogs.fileRequests.last().title, u("另存为"));
    QVERIFY(h.dialogs.fileRequests.last().fileName.isEmpty());
    QVERIFY(h.dialogs.fileRequests.last().confirmOverwrite);
    const QByteArray expected = GbkText::encode(u("R1\t顺丰速运\t北京 已签收，签收人：张三 \r\n"
                                                  "R2\t顺丰速运\t运输中\r\n到达上海 \r\n"));
    QCOMPARE(h.folder.read(QStringLiteral("concise.txt")), expected);

    // A cancelled dialog writes nothing.
    h.window->Command13->click();
    QCOMPARE(h.folder.read(QStringLiteral("concise.txt")), expected);
}

void TestForm1Results::detailedResultsFileAndItsDialog()
{
    Harness h;
    const QString path = h.folder.file(QStringLiteral("detail.txt"));
    h.dialogs.files = {path};
    h.window->Command3->click();
    QCOMPARE(h.folder.read(QStringLiteral("detail.txt")), QByteArray("\r\n"));
    const Dialogs::FileRequest first = h.dialogs.fileRequests.last();
    QCOMPARE(first.title, u("保存为"));
    QCOMPARE(first.folder, h.folder.path());
    QVERIFY(!first.confirmOverwrite);
    QCOMPARE(first.filters.first(), u("文本文件(*.txt)"));

    // The dialog offers the last name chosen; cancelling keeps the file.
    h.window->Command3->click();
    QCOMPARE(h.dialogs.fileRequests.last().fileName, path);
    QCOMPARE(h.folder.read(QStringLiteral("detail.txt")), QByteArray("\r\n"));
}

void TestForm1Results::clearingAndTabSwitch()
{
    Harness h;
    Form1 &w = *h.window;
    runConcise(h, {QStringLiteral("R1")});
    QVERIFY(!w.ListView1->isHidden() && w.RichTextBox3->isHidden());
    QCOMPARE(w.SSTab1->currentIndex(), 1);
    w.Command4->click();
    QVERIFY(!w.ListView1->isHidden()); // the visible view stays
    QCOMPARE(w.ListView1->topLevelItemCount(), 0);
    QCOMPARE(w.ListView1->columnCount(), 0);
    h.dialogs.files = {h.folder.file(QStringLiteral("empty.txt"))};
    w.Command13->click();
    QCOMPARE(h.folder.read(QStringLiteral("empty.txt")), QByteArray());
    QVERIFY(QFile::exists(h.folder.file(QStringLiteral("empty.txt"))));

    w.SSTab1->setCurrentIndex(0);
    QVERIFY(w.ListView1->isHidden() && !w.RichTextBox3->isHidden());
    w.SSTab1->setCurrentIndex(1);
    QVERIFY(!w.ListView1->isHidden() && w.RichTextBox3->isHidden());
}

void TestForm1Results::unwritableFileIsReported()
{
    Harness h;
    QDir(h.folder.path()).mkdir(QStringLiteral("taken.txt"));
    h.dialogs.files = {h.folder.file(QStringLiteral("taken.txt"))};
    h.window->Command3->click();
    QVERIFY(h.dialogs.lastText().contains(h.folder.file(QStringLiteral("taken.txt"))));
}

void TestForm1Results::pageWithoutFieldIsHarvestedAnyway()
{
    Harness h;
    Form1 &w = *h.window;
    w.Option14->click();
    w.Option[1]->click();
    h.browser->completeLoad({QStringLiteral("query")}, {u("更多查询记录>>"), u("旧结果 已签收"), u("转发查询结果>>")});
    w.SetHarvestInterval(50);
    w.Text1->setText(QStringLiteral("Q2"));
    w.Command5->click();
    QVERIFY(h.browser->clicks.isEmpty()); // nothing filled or clicked
    QTRY_VERIFY(w.Command5->isEnabled());
    QVERIFY(w.detailedText().endsWith(u("旧结果 已签收\r\n")));
}

void TestForm1Results::storedPassOverAnEmptyRegister()
{
    Harness h;
    Form1 &w = *h.window;
    w.SetHarvestInterval(0); // Timer5 then ticks every 3 s
    w.Option16->click();
    w.Command5->click();
    QVERIFY(w.isDetailedPassRunning());
    QVERIFY(!w.Command5->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!w.isDetailedPassRunning(), 5000);
    QVERIFY(w.Command5->isEnabled());
    QVERIFY(w.detailedText().isEmpty());

    // With no query option at all only the message is shown.
    w.Option16->setAutoExclusive(false);
    w.Option16->setChecked(false);
    w.Command5->click();
    QCOMPARE(h.dialogs.lastText(), u("请先选择查询的内容方式！！！"));
    w.Command12->click();
    QCOMPARE(h.dialogs.lastText(), u("请先选择查询的内容方式！！！/n简洁查询暂不支持批量快递单~~~"));
    QVERIFY(w.Command12->isEnabled());
}

QTEST_MAIN(TestForm1Results)
#include "tst_form1_results.moc"
