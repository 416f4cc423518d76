#include "services/KeyStore.h"
#include "settings/ServiceSettings.h"
#include "support/TestFolder.h"

#include <QtTest>

// Against a real keyring daemon: with-keyring.sh starts one on a private bus.
namespace {

struct Written {
    bool done = false;
    bool inKeyring = false;
    QString message;
};

Written writeKey(KeyStore &store, ServiceId id, const QString &key)
{
    Written w;
    store.write(id, key, [&w](bool inKeyring, const QString &message) {
        w.done = true;
        w.inKeyring = inKeyring;
        w.message = message;
    });
    if (!QTest::qWaitFor([&w] { return w.done; }, 30000))
        w.message = QStringLiteral("the keyring never answered");
    return w;
}

std::optional<QString> readKey(ServiceId id)
{
    KeyStore store; // a fresh one each time, as after a restart of the program
    std::optional<QString> key;
    store.read(id, [&key](const QString &k) { key = k; });
    if (!QTest::qWaitFor([&key] { return key.has_value(); }, 30000))
        return std::nullopt; // the keyring never answered
    return key;
}

QStringList filesHolding(const QString &folder, const QByteArray &bytes)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(bytes))
            found << file.fileName();
    }
    return found;
}

} // namespace

class TestKeyring : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void keySurvivesARestartInTheKeyringOnly_data();
    void keySurvivesARestartInTheKeyringOnly();

private:
    QString m_scratch;
};

void TestKeyring::initTestCase()
{
    m_scratch = qEnvironmentVariable("TOLVANE_KEYRING_SCRATCH");
    if (m_scratch.isEmpty())
        QSKIP("run through tests/services/with-keyring.sh, which starts a keyring of its own");
}

void TestKeyring::keySurvivesARestartInTheKeyringOnly_data()
{
    QTest::addColumn<ServiceId>("id");
    QTest::addColumn<QString>("key");
    QTest::newRow("快递100") << ServiceId::Kuaidi100 << QStringLiteral("k100-Secret-3c9a41e7");
    QTest::newRow("快递鸟") << ServiceId::Kdniao << QStringLiteral("56da2cf8-c8a2-44b2-b6fa-476cd7d1ba17");
    QTest::newRow("17TRACK, not ASCII") << ServiceId::Track17 << QStringLiteral("令牌-0ECB9F5D27");
}

void TestKeyring::keySurvivesARestartInTheKeyringOnly()
{
    QFETCH(ServiceId, id);
    QFETCH(QString, key);
    TestFolder data;
    ServiceSettings settings;
    settings.chosen = id;
    settings.accounts.insert(id, QStringLiteral("ACCOUNT1"));
    QVERIFY(settings.save(data.path()));

    {
        KeyStore store;
        const Written w = writeKey(store, id, key);
        QVERIFY2(w.done && w.inKeyring, qPrintable(w.message));
    } // the program ends
    QCOMPARE(readKey(id), std::optional<QString>(key));
    // Another service's entry is not this one's.
    const ServiceId other = id == ServiceId::Kdniao ? ServiceId::Kuaidi100 : ServiceId::Kdniao;
    QCOMPARE(readKey(other), std::optional<QString>(QString()));

    for (const QString &folder : {data.path(), m_scratch})
        QCOMPARE(filesHolding(folder, key.toUtf8()), QStringList());

    {
        KeyStore store;
        const Written removed = writeKey(store, id, QString());
        QVERIFY2(removed.done && removed.inKeyring, qPrintable(removed.message));
    }
    QCOMPARE(readKey(id), std::optional<QString>(QString()));
}

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
