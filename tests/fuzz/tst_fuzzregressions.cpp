#include "FuzzChecks.h"

#include <QtTest>

// The seed corpora and every input that once failed a fuzz target, each run
// through that target's check.
class TestFuzzRegressions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keptInputs_data();
    void keptInputs();
};

void TestFuzzRegressions::keptInputs_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    int regressions = 0;
    for (const QString &folder : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
        for (const QString &target : FuzzChecks::targets()) {
            const QDir dir(QStringLiteral(TOLVANE_FUZZ_DATA "/%1/%2").arg(folder, target));
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                QTest::addRow("%s/%s/%s", qPrintable(folder), qPrintable(target), qPrintable(name))
                    << target << dir.filePath(name);
                regressions += folder == QLatin1String("regressions");
            }
        }
    }
    QVERIFY2(regressions > 0, "no regression inputs found");
}

void TestFuzzRegressions::keptInputs()
{
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY(input.open(QIODevice::ReadOnly));
    const QString problem = FuzzChecks::run(target, input.readAll());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
