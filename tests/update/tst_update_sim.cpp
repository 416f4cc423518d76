// The update check against the local tracking service, which also stands in
// for the update server.
#include "core/Endpoints.h"
#include "settings/AppSettings.h"
#include "support/TestFolder.h"
#include "support/TrackingSim.h"
#include "update/UpdateCheck.h"

#include <QSignalSpy>
#include <QtTest>

class TestUpdateAgainstSim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void offersAndFailures_data();
    void offersAndFailures();
};

void TestUpdateAgainstSim::offersAndFailures_data()
{
    QTest::addColumn<QByteArray>("arguments");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("error");
    QTest::newRow("offers 3.0") << QByteArray("--update-version 3.0") << int(UpdateResult::NotNewer) << QString();
    QTest::newRow("offers 2.9") << QByteArray("--update-version 2.9") << int(UpdateResult::NotNewer) << QString();
    QTest::newRow("offers 3.1") << QByteArray("--update-version 3.1") << int(UpdateResult::Newer) << QString();
    QTest::newRow("fails") << QByteArray("--fault update-fail") << int(UpdateResult::Failed)
                           << QStringLiteral("HTTP 500");
    QTest::newRow("endless") << QByteArray("--fault endless") << int(UpdateResult::Failed)
                             << QStringLiteral("应答过大");
    QTest::newRow("huge") << QByteArray("--fault huge") << int(UpdateResult::Failed) << QStringLiteral("应答过大");
    QTest::newRow("trickle") << QByteArray("--fault trickle") << int(UpdateResult::Failed)
                             << QStringLiteral("连接超时");
}

void TestUpdateAgainstSim::offersAndFailures()
{
    QFETCH(QByteArray, arguments);
    QFETCH(int, kind);
    QFETCH(QString, error);
    TrackingSim sim(QStringLiteral(TRACKING_SIM), arguments.constData());
    QVERIFY2(sim.isListening(), sim.output().constData());
    Endpoints hosts;
    hosts.updateServer = sim.baseUrl();
    Endpoints::setCurrent(hosts);

    TestFolder folder;
    AppSettings::write(folder.path(), AppSettings::kVersion, AppSettings::kProgramVersion);
    // What an earlier check left behind must not count for this one.
    folder.write(QStringLiteral("update.ini"), QByteArray("[Ver]\r\nnew=3.0\r\n"));
    UpdateCheck check;
    // Only the trickle, a byte every quarter second, outlasts the short wait.
    check.setTransferTimeout(arguments.contains("trickle") ? 1500 : UpdateCheck::kDefaultTimeoutMs);
    QSignalSpy finished(&check, &UpdateCheck::finished);
    check.start(folder.path());
    QVERIFY(finished.wait(60000));
    const UpdateResult result = finished.first().first().value<UpdateResult>();
    QCOMPARE(int(result.kind), kind);
    if (kind == UpdateResult::Newer)
        QCOMPARE(result.offered, QStringLiteral("3.1"));
    if (kind == UpdateResult::Failed)
        QVERIFY2(result.error.startsWith(error) || result.error.contains(error), qPrintable(result.error));
    else
        QVERIFY(folder.read(QStringLiteral("update.ini")).contains(result.offered.toLatin1()));
}

QTEST_GUILESS_MAIN(TestUpdateAgainstSim)
#include "tst_update_sim.moc"
