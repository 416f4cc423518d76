#include "core/ClassicTimer.h"

#include <QSignalSpy>
#include <QtTest>

class TestClassicTimer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void zeroIntervalNeverFires();
    void disablingInTheHandlerMakesItOneShot();
};

void TestClassicTimer::zeroIntervalNeverFires()
{
    ClassicTimer timer(0, true);
    QSignalSpy spy(&timer, &ClassicTimer::timeout);
    QVERIFY(!timer.isRunning());
    QTest::qWait(50);
    QCOMPARE(spy.count(), 0);
    timer.setInterval(10); // enabled all along: now it runs
    QVERIFY(timer.isRunning());
    QTRY_VERIFY(spy.count() >= 1);
}

void TestClassicTimer::disablingInTheHandlerMakesItOneShot()
{
    ClassicTimer timer(10, true);
    int ticks = 0;
    connect(&timer, &ClassicTimer::timeout, &timer, [&] {
        ++ticks;
        timer.setEnabled(false);
    });
    QTRY_COMPARE(ticks, 1);
    QTest::qWait(60);
    QCOMPARE(ticks, 1);
    QVERIFY(!timer.isEnabled());
}

QTEST_GUILESS_MAIN(TestClassicTimer)
#include "tst_classictimer.moc"
