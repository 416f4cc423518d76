#include "app/AutoStart.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

// Reads the entry back the way a desktop session does: the string escapes of
// the value first, then the quoting of the Exec arguments.
QString unescapeString(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[++i];
            out += n == QLatin1Char('n') ? QChar('\n') : n == QLatin1Char('t') ? QChar('\t')
                 : n == QLatin1Char('r') ? QChar('\r') : n == QLatin1Char('s') ? QChar(' ') : n;
        } else {
            out += value[i];
        }
    }
    return out;
}

QStringList execArguments(const QString &exec)
{
    QStringList args;
    QString current;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size() && exec[i + 1] == QLatin1Char('%')) {
            current += c;
            ++i;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any || !current.isEmpty())
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        args << current;
    return args;
}

QMap<QString, QString> entryValues(const QByteArray &bytes)
{
    QMap<QString, QString> values;
    for (const QString &line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1));
    }
    return values;
}

const QString kEntry = QStringLiteral("autostart/tolvane.desktop");

} // namespace

class TestAutoStart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pathWithBlanksStartsFromItsFolder();
    void awkwardPathsSurviveTheQuoting_data();
    void awkwardPathsSurviveTheQuoting();
    void enablingTwiceKeepsOneEntryWithTheCurrentPath();
    void disablingRemovesTheEntryAndIsHarmlessWithout();
    void unwritableFolderIsReported();
    void defaultFolderFollowsXdgConfigHome();
};

void TestAutoStart::pathWithBlanksStartsFromItsFolder()
{
    TestFolder folder;
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(!autoStart.IsEnabled());
    const QString program = folder.file(QStringLiteral("Program Files/Tolvane 3/tolvane"));

    QVERIFY(autoStart.StartWithWindows(true, program).ok);
    QVERIFY(autoStart.IsEnabled());
    const QByteArray bytes = folder.read(kEntry);
    QVERIFY(bytes.startsWith("[Desktop Entry]\n"));
    const QMap<QString, QString> values = entryValues(bytes);
    QCOMPARE(values.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(values.value(QStringLiteral("Exec")), QStringLiteral("\"%1\"").arg(program));
    QCOMPARE(values.value(QStringLiteral("Path")), folder.file(QStringLiteral("Program Files/Tolvane 3")));
    QCOMPARE(execArguments(unescapeString(values.value(QStringLiteral("Exec")))), QStringList{program});
}

void TestAutoStart::awkwardPathsSurviveTheQuoting_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("dollar and backquote") << "a$HOME`x`/tolvane";
    QTest::newRow("double quote") << "say \"hi\"/tolvane";
    QTest::newRow("backslash") << "back\\slash/tolvane";
    QTest::newRow("percent") << "100% sure/tolvane %f";
    QTest::newRow("chinese and semicolon") << "快递;工具/tolvane";
}

void TestAutoStart::awkwardPathsSurviveTheQuoting()
{
    QFETCH(QString, name);
    TestFolder folder;
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    const QString program = folder.file(name);
    QVERIFY(autoStart.StartWithWindows(true, program).ok);
    const QMap<QString, QString> values = entryValues(folder.read(kEntry));
    QCOMPARE(execArguments(unescapeString(values.value(QStringLiteral("Exec")))), QStringList{program});
    QCOMPARE(unescapeString(values.value(QStringLiteral("Path"))), QFileInfo(program).absolutePath());
}

void TestAutoStart::enablingTwiceKeepsOneEntryWithTheCurrentPath()
{
    TestFolder folder;
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/old place/tolvane")).ok);
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/new place/tolvane")).ok);

    const QStringList entries = QDir(folder.file(QStringLiteral("autostart"))).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(entries, QStringList{QStringLiteral("tolvane.desktop")});
    const QMap<QString, QString> values = entryValues(folder.read(kEntry));
    QCOMPARE(values.value(QStringLiteral("Exec")), QStringLiteral("\"/new place/tolvane\""));
    QCOMPARE(values.value(QStringLiteral("Path")), QStringLiteral("/new place"));
}

void TestAutoStart::disablingRemovesTheEntryAndIsHarmlessWithout()
{
    TestFolder folder;
    folder.write(QStringLiteral("autostart/other.desktop"), "[Desktop Entry]\nName=Other\n");
    AutoStart autoStart(folder.file(QStringLiteral("autostart")));
    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok);
    QVERIFY(autoStart.StartWithWindows(true, QStringLiteral("/x/tolvane")).ok);
    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok);
    QVERIFY(!autoStart.IsEnabled());
    QVERIFY(!QFile::exists(folder.file(kEntry)));
    // Another program's entry is none of our business.
    QVERIFY(QFile::exists(folder.file(QStringLiteral("autostart/other.desktop"))));
    QVERIFY(autoStart.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok);

    AutoStart nowhere(folder.file(QStringLiteral("never/made")));
    QVERIFY(nowhere.StartWithWindows(false, QStringLiteral("/x/tolvane")).ok);
    QVERIFY(!QFileInfo::exists(folder.file(QStringLiteral("never"))));
}

void TestAutoStart::unwritableFolderIsReported()
{
    const QString locked = TestFolder::unwritableFolder();
    if (locked.isEmpty())
        QSKIP("no folder here that cannot be written");
    AutoStart autoStart(QDir(locked).filePath(QStringLiteral("autostart")));
    const Outcome outcome = autoStart.StartWithWindows(true, QStringLiteral("/x/tolvane"));
    QVERIFY(!outcome.ok);
    QVERIFY(!outcome.error.isEmpty());
    QVERIFY(!autoStart.IsEnabled());
}

void TestAutoStart::defaultFolderFollowsXdgConfigHome()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    const QString configured = AutoStart::DefaultFolder();
    qputenv("XDG_CONFIG_HOME", "relative/not/allowed");
    const QString relative = AutoStart::DefaultFolder();
    qunsetenv("XDG_CONFIG_HOME");
    const QString unset = AutoStart::DefaultFolder();
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);

    QCOMPARE(configured, QStringLiteral("/somewhere/config/autostart"));
    QCOMPARE(relative, QDir::home().filePath(QStringLiteral(".config/autostart")));
    QCOMPARE(unset, QDir::home().filePath(QStringLiteral(".config/autostart")));
}

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"
