#include "app/AutoStart.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {
const QString kEntry = QStringLiteral("autostart/tolvane.desktop");

QString line(const QByteArray &entry, const QString &key)
{
    for (const QString &l : QString::fromUtf8(entry).split(QLatin1Char('\n'))) {
        if (l.startsWith(key + QLatin1Char('=')))
            return l.mid(key.size() + 1);
    }
    return QStringLiteral("<none>");
}
} // namespace

class TestAutoStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entryStartsProgramFromItsFolder_data();
    void entryStartsProgramFromItsFolder();
    void enablingTwiceThenDisabling();
    void defaultFolderFollowsXdgConfigHome();
};

void TestAutoStart::entryStartsProgramFromItsFolder_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("path");
    QTest::newRow("blanks") << "/opt/My Apps/Tolvane 3/tolvane" << "\"/opt/My Apps/Tolvane 3/tolvane\""
                            << "/opt/My Apps/Tolvane 3";
    // Inside the quotes $ ` " \ take a backslash, % doubles; then the value's
    // own escaping doubles every backslash once more.
    QTest::newRow("reserved") << "/a$b`c\"d/x\\y%z/tolvane" << "\"/a\\\\$b\\\\`c\\\\\"d/x\\\\\\\\y%%z/tolvane\""
                              << "/a$b`c\"d/x\\\\y%z";
}

void TestAutoStart::entryStartsProgramFromItsFolder()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QFETCH(QString, path);
    TestFolder folder;
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(!autoStart.IsEnabled());
    QVERIFY(autoStart.StartWithWindows(true, program).ok);
    QVERIFY(autoStart.IsEnabled());
    const QByteArray entry = folder.read(kEntry);
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QCOMPARE(line(entry, QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(line(entry, QStringLiteral("Exec")), exec);
    QCOMPARE(line(entry, QStringLiteral("Path")), path);
}

void TestAutoStart::enablingTwiceThenDisabling()
{
    TestFolder folder;
    folder.write(QStringLiteral("autostart/other.desktop"), "[Desktop Entry]\n");
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok); // nothing to remove
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/old place/tolvane")).ok);
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/new place/tolvane")).ok);
    QCOMPARE(QDir(folder.file(QStringLiteral("autostart"))).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"other.desktop", "tolvane.desktop"}));
    QCOMPARE(line(folder.read(kEntry), QStringLiteral("Exec")), QStringLiteral("\"/new place/tolvane\""));

    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/new place/tolvane")).ok);
    QVERIFY(!autoStart.IsEnabled());
    QVERIFY(QFile::exists(folder.file(QStringLiteral("autostart/other.desktop"))));

    const QString locked = TestFolder::unwritableFolder();
    if (!locked.isEmpty()) {
        AutoStart nowhere(QDir(locked).filePath(QStringLiteral("autostart")));
        const Outcome outcome = nowhere.StartWithWindows(true, QStringLiteral("/x/tolvane"));
        QVERIFY(!outcome.ok);
        QVERIFY(!outcome.error.isEmpty());
    }
}

void TestAutoStart::defaultFolderFollowsXdgConfigHome()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    const QString configured = AutoStart::DefaultFolder();
    qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
    const QString relative = AutoStart::DefaultFolder();
    qputenv("XDG_CONFIG_HOME", saved);

    QCOMPARE(configured, QStringLiteral("/somewhere/config/autostart"));
    QCOMPARE(relative, QDir::home().filePath(QStringLiteral(".config/autostart")));
}

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"
