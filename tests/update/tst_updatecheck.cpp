#include "core/Endpoints.h"
#include "settings/AppSettings.h"
#include "support/TestFolder.h"
#include "support/TinyHttpServer.h"
#include "update/UpdateCheck.h"

#include <QtTest>

class TestUpdateCheck : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checkAgainstLocalServer_data();
    void checkAgainstLocalServer();
    void onlyHigherIsNewer();
    void aFolderThatCannotBeWrittenReadsTheOfferAsItCame();
};

void TestUpdateCheck::checkAgainstLocalServer_data()
{
    QTest::addColumn<int>("status"); // 0: nothing listens, -1: never answers
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("detail"); // the offer, or part of the error
    const QByteArray same("[Ver]\r\nnew=3.0\r\n");
    QTest::newRow("same") << 200 << same << int(UpdateResult::NotNewer) << "3.0";
    QTest::newRow("newer") << 200 << QByteArray("[Ver]\r\nnew=3.1\r\n") << int(UpdateResult::Newer) << "3.1";
    QTest::newRow("same number, other text")
        << 200 << QByteArray("[ver]\nNEW = 3.00\n") << int(UpdateResult::NotNewer) << "3.00";
    QTest::newRow("older") << 200 << QByteArray("[Ver]\r\nnew=2.9\r\n") << int(UpdateResult::NotNewer) << "2.9";
    QTest::newRow("no version in it") << 200 << QByteArray("<html>维护中</html>") << int(UpdateResult::Failed)
                                      << "没有版本号";
    QTest::newRow("server error") << 500 << same << int(UpdateResult::Failed) << "HTTP 500";
    QTest::newRow("bad request") << 400 << same << int(UpdateResult::Failed) << "HTTP 400";
    QTest::newRow("nothing listening") << 0 << same << int(UpdateResult::Failed) << "连接被拒绝";
    QTest::newRow("time-out") << -1 << same << int(UpdateResult::Failed) << "超时";
}

void TestUpdateCheck::checkAgainstLocalServer()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, kind);
    QFETCH(QString, detail);
    TestFolder folder;
    QVERIFY(AppSettings::write(folder.path(), AppSettings::kVersion, QStringLiteral("3.0")).ok);
    // A descriptor left by an earlier check, offering another version.
    const QByteArray stale("[Ver]\r\nnew=2.9\r\n");
    folder.write(QStringLiteral("update.ini"), stale);

    TinyHttpServer server;
    QTcpServer silent; // accepts the connection and never answers
    QVERIFY(server.start() && silent.listen(QHostAddress::LocalHost));
    server.answers.insert(QStringLiteral("/update.ini"), {status, "text/plain", body});
    Endpoints endpoints;
    endpoints.updateServer =
        status < 0 ? QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()) : server.base();
    Endpoints::setCurrent(endpoints);
    if (status == 0)
        server.close(); // the port was just free: nothing listens there now

    UpdateCheck check;
    check.setTransferTimeout(status < 0 ? 500 : UpdateCheck::kDefaultTimeoutMs); // only the silent server outlasts it
    QSignalSpy spy(&check, &UpdateCheck::finished);
    check.start(folder.path());
    QVERIFY(spy.wait(60000));
    const UpdateResult result = spy.first().first().value<UpdateResult>();
    QCOMPARE(int(result.kind), kind);
    if (kind == UpdateResult::Failed)
        QVERIFY2(result.offered.isEmpty() && result.error.contains(detail), qPrintable(result.error));
    else
        QCOMPARE(result.offered, detail);
    // Only a descriptor that really arrived replaces the stored one.
    QCOMPARE(folder.read(QStringLiteral("update.ini")), status == 200 ? body : stale);
}

void TestUpdateCheck::onlyHigherIsNewer()
{
    const struct {
        const char *offered, *own;
        bool newer;
    } cases[] = {{"3.0", "3.0", false}, {"2.9", "3.0", false},  {"3.0.1", "3.0", true}, {"3.0.0", "3.0", false},
                 {"3.10", "3.9", true}, {"3.9", "3.10", false}, {"3.01", "3.1", false}, {" 4.0 ", "3.0", true},
                 {"3.0", "", true},     {"3.0b", "3.0a", true}, {"3.0a", "3.0b", false}};
    for (const auto &c : cases)
        QVERIFY2(UpdateCheck::isNewer(QString::fromLatin1(c.offered), QString::fromLatin1(c.own)) == c.newer,
                 c.offered);
}

void TestUpdateCheck::aFolderThatCannotBeWrittenReadsTheOfferAsItCame()
{
    const QString folder = TestFolder::unwritableFolder();
    if (folder.isEmpty())
        QSKIP("no folder here refuses writing");
    TinyHttpServer server;
    QVERIFY(server.start());
    server.answers.insert(QStringLiteral("/update.ini"), {200, "text/plain", QByteArray("[Ver]\r\nnew=3.1\r\n")});
    Endpoints endpoints;
    endpoints.updateServer = server.base();
    Endpoints::setCurrent(endpoints);
    UpdateCheck check;
    QSignalSpy spy(&check, &UpdateCheck::finished);
    check.start(folder);
    QVERIFY(spy.wait(60000));
    const UpdateResult result = spy.first().first().value<UpdateResult>();
    QVERIFY2(result.kind == UpdateResult::Newer && result.offered == QStringLiteral("3.1"), qPrintable(result.error));
}

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
