#include "settings/AutoStart.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestAutoStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entryStartsProgramFromItsFolder();
    void enablingTwiceThenDisabling();
};

void TestAutoStart::entryStartsProgramFromItsFolder()
{
    TestFolder folder;
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/opt/My Apps/Tolvane 3/tolvane")).ok);
    QVERIFY(autoStart.IsEnabled());
    QCOMPARE(QString::fromUtf8(folder.read(QStringLiteral("autostart/tolvane.desktop"))),
             QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\nName=Tolvane\nComment=快递单号查询与管理\n"
                            "Exec=\"/opt/My Apps/Tolvane 3/tolvane\"\nPath=/opt/My Apps/Tolvane 3\nTerminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n"));
}

void TestAutoStart::enablingTwiceThenDisabling()
{
    TestFolder folder;
    folder.write(QStringLiteral("autostart/other.desktop"), "[Desktop Entry]\n");
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok); // nothing to remove
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/old place/tolvane")).ok);
    // Inside the quotes $ ` " \ take a backslash and % doubles; then the value's
    // own escaping doubles every backslash once more.
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/new$`\"\\%/tolvane")).ok);
    QCOMPARE(QDir(folder.file(QStringLiteral("autostart"))).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"other.desktop", "tolvane.desktop"}));
    QVERIFY(folder.read(QStringLiteral("autostart/tolvane.desktop"))
                .contains("\nExec=\"/new\\\\$\\\\`\\\\\"\\\\\\\\%%/tolvane\"\nPath=/new$`\"\\\\%\n"));

    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok);
    QVERIFY(!autoStart.IsEnabled());
    QVERIFY(QFile::exists(folder.file(QStringLiteral("autostart/other.desktop"))));
    const QString locked = TestFolder::unwritableFolder();
    if (!locked.isEmpty()) // a failure is reported, never passed off as done
        QVERIFY(!AutoStart(locked + QStringLiteral("/autostart")).StartWithWindows(true, QStringLiteral("/x/t")).ok);
}

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"
