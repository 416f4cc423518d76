#include "settings/AppSettings.h"
#include "settings/Endpoints.h"
#include "support/TestFolder.h"
#include "update/LocalHttpResponder.h"
#include "update/UpdateCheck.h"

#include <QtTest>

namespace {

void pointUpdateServerAt(const QString &base)
{
    Endpoints endpoints;
    endpoints.updateServer = base;
    Endpoints::setCurrent(endpoints);
}

// Runs one check to its end and hands back what it reported.
UpdateResult runCheck(UpdateCheck &check, const QString &folder)
{
    QSignalSpy spy(&check, &UpdateCheck::finished);
    check.start(folder);
    if (!spy.wait(10000) || spy.size() != 1)
        return {UpdateResult::Failed, QString(), QStringLiteral("no single result")};
    return spy.first().first().value<UpdateResult>();
}

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void offerIsComparedAsExactText_data();
    void offerIsComparedAsExactText();
    void failedDownloadIsNeverAnOffer_data();
    void failedDownloadIsNeverAnOffer();
    void silentServerTimesOut();
    void descriptorWithoutVersionIsNoOffer();
    void newerCheckReplacesARunningOne();
};

void TestUpdateCheck::offerIsComparedAsExactText_data()
{
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<QString>("own");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("offered");
    QTest::newRow("same") << QByteArray("[Ver]\r\nnew=3.0\r\n") << "3.0" << int(UpdateResult::Same) << "3.0";
    QTest::newRow("newer") << QByteArray("[Ver]\r\nnew=3.1\r\n") << "3.0" << int(UpdateResult::Differ) << "3.1";
    QTest::newRow("older") << QByteArray("[Ver]\nnew=2.9\n") << "3.0" << int(UpdateResult::Differ) << "2.9";
    QTest::newRow("not numeric equal") << QByteArray("[ver]\nNEW = 3.00\n") << "3.0" << int(UpdateResult::Differ)
                                       << "3.00";
    QTest::newRow("quoted") << QByteArray("[Ver]\nnew=\"3.0\"\n") << "3.0" << int(UpdateResult::Same) << "3.0";
    QTest::newRow("no own version") << QByteArray("[Ver]\nnew=3.0\n") << "" << int(UpdateResult::Differ) << "3.0";
}

void TestUpdateCheck::offerIsComparedAsExactText()
{
    QFETCH(QByteArray, descriptor);
    QFETCH(QString, own);
    QFETCH(int, kind);
    QFETCH(QString, offered);

    LocalHttpResponder server;
    QVERIFY(server.listening());
    server.answer(200, descriptor);
    pointUpdateServerAt(server.base());
    TestFolder folder;
    if (!own.isEmpty())
        QVERIFY(AppSettings::write(folder.path(), AppSettings::kVersion, own).ok);

    UpdateCheck check;
    const UpdateResult result = runCheck(check, folder.path());
    QCOMPARE(int(result.kind), kind);
    QCOMPARE(result.offered, offered);
    QVERIFY(result.error.isEmpty());
    QCOMPARE(server.lastPath, QByteArray("/update.ini"));
    QCOMPARE(folder.read(QStringLiteral("update.ini")), descriptor);
}

void TestUpdateCheck::failedDownloadIsNeverAnOffer_data()
{
    QTest::addColumn<int>("status"); // 0: nothing listens
    QTest::addColumn<QString>("reason");
    QTest::newRow("server error") << 500 << "500";
    QTest::newRow("not found") << 404 << "404";
    QTest::newRow("nothing listening") << 0 << "连接";
}

void TestUpdateCheck::failedDownloadIsNeverAnOffer()
{
    QFETCH(int, status);
    QFETCH(QString, reason);

    TestFolder folder;
    QVERIFY(AppSettings::write(folder.path(), AppSettings::kVersion, QStringLiteral("3.0")).ok);
    // A descriptor left by an earlier check, offering another version.
    const QByteArray stale("[Ver]\r\nnew=3.1\r\n");
    folder.write(QStringLiteral("update.ini"), stale);

    LocalHttpResponder server;
    server.answer(status, "[Ver]\r\nnew=9.9\r\n");
    pointUpdateServerAt(status ? server.base() : LocalHttpResponder::deadBase());

    UpdateCheck check;
    const UpdateResult result = runCheck(check, folder.path());
    QCOMPARE(int(result.kind), int(UpdateResult::Failed));
    QVERIFY(result.offered.isEmpty());
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    // The error page is not taken for a descriptor, and the old one is not
    // passed off as new.
    QCOMPARE(folder.read(QStringLiteral("update.ini")), stale);
}

void TestUpdateCheck::silentServerTimesOut()
{
    LocalHttpResponder server;
    server.keepSilent();
    pointUpdateServerAt(server.base());
    TestFolder folder;

    UpdateCheck check;
    QCOMPARE(check.transferTimeout(), 60000);
    check.setTransferTimeout(300);
    const UpdateResult result = runCheck(check, folder.path());
    QCOMPARE(int(result.kind), int(UpdateResult::Failed));
    QVERIFY2(result.error.contains(QStringLiteral("超时")), qPrintable(result.error));
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("update.ini"))));
    QCOMPARE(server.requests, 1);
}

void TestUpdateCheck::descriptorWithoutVersionIsNoOffer()
{
    LocalHttpResponder server;
    server.answer(200, "<html>维护中</html>");
    pointUpdateServerAt(server.base());
    TestFolder folder;
    QVERIFY(AppSettings::write(folder.path(), AppSettings::kVersion, QStringLiteral("3.0")).ok);

    UpdateCheck check;
    const UpdateResult result = runCheck(check, folder.path());
    QCOMPARE(int(result.kind), int(UpdateResult::Failed));
    QVERIFY(!result.error.isEmpty());
}

void TestUpdateCheck::newerCheckReplacesARunningOne()
{
    LocalHttpResponder silent;
    silent.keepSilent();
    pointUpdateServerAt(silent.base());
    TestFolder folder;
    QVERIFY(AppSettings::write(folder.path(), AppSettings::kVersion, QStringLiteral("3.0")).ok);

    UpdateCheck check;
    QSignalSpy spy(&check, &UpdateCheck::finished);
    check.start(folder.path());
    QVERIFY(check.isRunning());
    QTRY_COMPARE(silent.requests, 1);

    LocalHttpResponder answering;
    answering.answer(200, "[Ver]\nnew=3.0\n");
    pointUpdateServerAt(answering.base());
    check.start(folder.path());
    QVERIFY(spy.wait(10000));
    QTest::qWait(50);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(int(spy.first().first().value<UpdateResult>().kind), int(UpdateResult::Same));
    QVERIFY(!check.isRunning());
}

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
