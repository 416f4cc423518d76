// The detailed pass against a page that the test controls: each step owns its
// waybill, and nothing of an earlier step or a stopped pass reaches a later one.
#include "core/Endpoints.h"
#include "query/DetailedQuery.h"
#include "support/DueNow.h"
#include "support/FakeBrowser.h"

#include <QtTest>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// The default source's page: its click writes the record of the number typed.
// Its load and element deadlines are far off; a test that needs one lets it
// fall due.
struct Page {
    FakeBrowser browser;
    DetailedQuery query{browser};
    QStringList log;

    explicit Page(int readDelayMs = 60000) : m_readDelay(readDelayMs)
    {
        query.setTiming({20, 60000, 50000});
        browser.onClick.insert(QStringLiteral("query"), [](FakeBrowser &b) {
            const QString nu = b.values.value(QStringLiteral("postid"));
            b.lines = {u("更多查询记录>>"), nu.endsWith(QLatin1Char('1')) ? nu + u(" 已签收") : nu + u(" 在途"),
                       u("转发查询结果>>")};
        });
        QObject::connect(&query, &DetailedQuery::stepStarted, [this](int i, const DetailedJob &job) {
            log << QStringLiteral("start %1 %2").arg(i).arg(job.number);
        });
        QObject::connect(&query, &DetailedQuery::harvested,
                         [this](int i, const DetailedJob &job, const QStringList &lines, bool signedFor) {
                             log << QStringLiteral("harvest %1 %2 [%3]%4")
                                        .arg(i)
                                        .arg(job.number, lines.join(QLatin1Char('|')),
                                             signedFor ? u(" 签收") : QString());
                         });
        QObject::connect(&query, &DetailedQuery::stepFailed,
                         [this](int i, const DetailedJob &job, const QString &reason) {
                             log << QStringLiteral("fail %1 %2 %3").arg(i).arg(job.number, reason);
                         });
        QObject::connect(&query, &DetailedQuery::finished,
                         [this](bool stopped) { log << (stopped ? u("stopped") : u("done")); });
    }

    void start(const QVector<DetailedJob> &jobs) { query.start(jobs, DataSource::Default, m_readDelay); }
    void load() { browser.completeLoad({QStringLiteral("postid"), QStringLiteral("query")}); }
    // Lets the armed deadline fall due now; returns the wait it was armed for, -1 when none was.
    int expireDeadline()
    {
        const QList<QTimer *> armed = DueNow::armed(&query, QStringLiteral("deadline"));
        if (armed.isEmpty())
            return -1;
        const int wait = armed.first()->interval();
        DueNow::fire(armed.first());
        return wait;
    }

private:
    int m_readDelay;
};

const DetailedJob sf1{QStringLiteral("SF1001"), u("顺丰速运")};
const DetailedJob yt3{QStringLiteral("YT3003"), u("圆通快递")};
const DetailedJob jj{QStringLiteral("JJ5"), u("佳吉快运")}; // no tracking page anywhere
} // namespace

class TestDetailedQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void eachStepHarvestsItsOwnWaybill();
    void failedStepsSayWhyAndThePassGoesOn_data();
    void failedStepsSayWhyAndThePassGoesOn();
    void slowPageIsWaitedFor();
    void nothingReachesARestartedPass();
    void readDelayEndsAnUnsettledRead();
    void aPageThatTellsItsChangesIsReadOnceSettled();
};

void TestDetailedQuery::initTestCase()
{
    Endpoints hosts;
    hosts.defaultSource = QStringLiteral("http://d");
    Endpoints::setCurrent(hosts);
}

void TestDetailedQuery::eachStepHarvestsItsOwnWaybill()
{
    Page p;
    p.start({{u("ｓｆ 1001"), u("顺丰速运")}, jj, yt3});
    QCOMPARE(p.browser.addresses.last(), u("http://d/all/sf.shtml"));
    QVERIFY(p.browser.clicks.isEmpty()); // not before the page is there
    p.load();
    QTRY_COMPARE(p.browser.addresses.last(), u("http://d/all/yt.shtml"));
    p.load();
    QTRY_VERIFY(!p.query.isRunning());
    // The page is given the number in normal form.
    QCOMPARE(p.log, (QStringList{u("start 0 ｓｆ 1001"), u("harvest 0 ｓｆ 1001 [SF1001 已签收] 签收"),
                                 u("start 1 JJ5"), u("fail 1 JJ5 该快递公司在此数据来源没有查询页面，已跳过"),
                                 u("start 2 YT3003"), u("harvest 2 YT3003 [YT3003 在途]"), u("done")}));
    QCOMPARE(p.browser.addresses.size(), 2); // the carrier without a page was never submitted anywhere
}

void TestDetailedQuery::failedStepsSayWhyAndThePassGoesOn_data()
{
    QTest::addColumn<int>("page");     // 0: never loads, 1: error page, 2: no field
    QTest::addColumn<int>("deadline"); // the wait that ends the step
    QTest::addColumn<QString>("reason");
    QTest::newRow("never loads") << 0 << 60000 << u("页面加载失败");
    QTest::newRow("error page") << 1 << 1500 << u("页面加载失败"); // the grace for another load
    QTest::newRow("no field") << 2 << 50000 << u("该页面没有查询框，已跳过");
}

void TestDetailedQuery::failedStepsSayWhyAndThePassGoesOn()
{
    QFETCH(int, page);
    QFETCH(int, deadline);
    QFETCH(QString, reason);
    Page p;
    p.start({sf1, yt3});
    if (page == 1)
        p.browser.failLoad();
    else if (page == 2)
        p.browser.completeLoad({QStringLiteral("query")});
    QCOMPARE(p.expireDeadline(), deadline);
    QTRY_COMPARE(p.browser.addresses.size(), 2);
    p.load();
    QTRY_VERIFY(!p.query.isRunning());
    QCOMPARE(p.log, (QStringList{u("start 0 SF1001"), u("fail 0 SF1001 ") + reason, u("start 1 YT3003"),
                                 u("harvest 1 YT3003 [YT3003 在途]"), u("done")}));

    if (page != 2)
        return;
    // With the program's own timing, a loaded page gets at most 3 s to show its form.
    FakeBrowser browser;
    DetailedQuery query(browser);
    query.start({sf1}, DataSource::Default, 60000);
    browser.completeLoad();
    QVERIFY2(query.msToDeadline() >= 0 && query.msToDeadline() <= 3000,
             qPrintable(QString::number(query.msToDeadline())));
}

void TestDetailedQuery::slowPageIsWaitedFor()
{
    Page p;
    p.start({sf1});
    QTest::qWait(250);        // several polls' worth
    p.browser.completeLoad(); // loaded, but its script has not made the form yet
    QTest::qWait(150);
    QVERIFY(p.browser.clicks.isEmpty());
    p.browser.values.insert(QStringLiteral("postid"), QString());
    p.browser.values.insert(QStringLiteral("query"), QString());
    QTRY_VERIFY(!p.query.isRunning());
    QCOMPARE(p.log.at(1), u("harvest 0 SF1001 [SF1001 已签收] 签收"));
}

void TestDetailedQuery::nothingReachesARestartedPass()
{
    Page p;
    p.start({sf1});
    p.load(); // submitted; its reads are pending
    QCOMPARE(p.browser.clicks.size(), 1);
    p.start({yt3});
    p.browser.completeLoad(); // a late load of the first page must not drive the second step
    QTest::qWait(100);
    QCOMPARE(p.log, (QStringList{u("start 0 SF1001"), u("stopped"), u("start 0 YT3003")}));
    p.load();
    QTRY_VERIFY(!p.query.isRunning());
    QCOMPARE(p.log.mid(3), (QStringList{u("harvest 0 YT3003 [YT3003 在途]"), u("done")}));

    p.start({sf1});
    p.query.stop();
    p.load();
    QTest::qWait(100);
    QCOMPARE(p.log.last(), u("stopped"));
}

void TestDetailedQuery::aPageThatTellsItsChangesIsReadOnceSettled()
{
    Page p;
    // Still changing, changed 40 ms ago, then still for 150 ms: the record is the third read's.
    p.browser.quietReads = {0, 40, 150, 400};
    p.start({sf1});
    p.load();
    QCOMPARE(p.browser.reads, 1);
    QCOMPARE(p.query.nextReadAfterMs(), DetailedQuery::Timing().settledMs); // read again once it can be settled
    QTRY_VERIFY(!p.query.isRunning());
    QCOMPARE(p.browser.reads, 3);
    QCOMPARE(p.log.at(1), u("harvest 0 SF1001 [SF1001 已签收] 签收"));
}

void TestDetailedQuery::readDelayEndsAnUnsettledRead()
{
    Page p(150);
    // A page whose record never reaches its end marker.
    p.browser.onClick.insert(QStringLiteral("query"), [](FakeBrowser &b) {
        b.lines = {u("更多查询记录>>"), u("正在查询…")};
    });
    p.start({sf1});
    p.load();
    QTRY_VERIFY(!p.query.isRunning());
    QCOMPARE(p.log, (QStringList{u("start 0 SF1001"), u("harvest 0 SF1001 []"), u("done")}));

    // A record that the page's script writes some time after the click is waited for.
    Page late;
    late.browser.onClick.insert(QStringLiteral("query"), [](FakeBrowser &b) {
        b.lines = {u("更多查询记录>>"), u("正在查询…")};
        QTimer::singleShot(400, &b, [&b] { b.lines = {u("更多查询记录>>"), u("已签收"), u("转发查询结果>>")}; });
    });
    late.start({sf1});
    late.load();
    QTRY_VERIFY(!late.query.isRunning());
    QCOMPARE(late.log.at(1), u("harvest 0 SF1001 [已签收] 签收"));
}

QTEST_MAIN(TestDetailedQuery)
#include "tst_detailedquery.moc"
