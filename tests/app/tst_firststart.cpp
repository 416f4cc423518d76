#include "app/Provisioning.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

// The first start, killed at every sync, rename and write in turn: the next
// start must find a register it can use, and no leftovers beside it.
class TestFirstStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedAtEachStepTheNextStartRecovers();
};

void TestFirstStart::killedAtEachStepTheNextStartRecovers()
{
    int step = 1;
    for (;; ++step) {
        QVERIFY2(step < 500, "the first start never ends");
        TestFolder folder;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KILL_AT_STEP_LIB));
        env.insert(QStringLiteral("TOLVANE_KILL_AT"), QString::number(step));
        env.insert(QStringLiteral("TOLVANE_PROVISION_CHILD"), folder.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(60000));
        const bool killed = child.exitStatus() == QProcess::CrashExit;
        if (!killed)
            QCOMPARE(child.exitCode(), 0);

        // Whole or not at all: a register that is there opens before any repair.
        if (QFileInfo::exists(folder.file(RegisterSchema::fileName()))) {
            StoreConnection store;
            const Outcome opened = store.open(folder.file(RegisterSchema::fileName()));
            QVERIFY2(opened.ok, qPrintable(QStringLiteral("step %1: %2").arg(step).arg(opened.error)));
        }
        const Provisioning::Report again = Provisioning::run(folder.path());
        QVERIFY2(again.outcome.ok, qPrintable(QStringLiteral("step %1: %2").arg(step).arg(again.outcome.error)));
        StoreConnection store;
        const Outcome opened = store.open(folder.file(RegisterSchema::fileName()));
        QVERIFY2(opened.ok, qPrintable(QStringLiteral("step %1: %2").arg(step).arg(opened.error)));
        QCOMPARE(Waybills(store).count(), 0);
        store.close();
        const QStringList leftovers =
            QDir(folder.path()).entryList({QStringLiteral("kd.db?*")}, QDir::Files | QDir::Hidden);
        QVERIFY2(leftovers.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(leftovers.join(' '))));
        if (!killed)
            break;
    }
    QVERIFY2(step > 4, "the kill never reached the register's syncs");
    qInfo("the first start was killed at each of its %d steps", step - 1);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString childFolder = qEnvironmentVariable("TOLVANE_PROVISION_CHILD");
    if (!childFolder.isEmpty())
        return Provisioning::run(childFolder).outcome.ok ? 0 : 1;
    TestFirstStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_firststart.moc"
