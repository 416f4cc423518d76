#include "app/Provisioning.h"
#include "core/Endpoints.h"
#include "services/KeyStore.h"
#include "settings/AutoStart.h"
#include "settings/ServiceSettings.h"
#include "settings/ServiceSettingsBox.h"
#include "settings/SettingsDialog.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"
#include "support/TinyHttpServer.h"

#include <QtTest>
#include <QtWidgets>

// No keyring is reachable in this program (main() points the session bus at
// nothing): every key written here is one the run must keep by itself.
namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// Files under each folder whose bytes hold the text, as UTF-8 or UTF-16.
QStringList filesHolding(const QStringList &folders, const QString &text)
{
    const QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QStringList found;
    for (const QString &folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.readAll();
                if (bytes.contains(text.toUtf8()) || bytes.contains(utf16))
                    found << file.fileName();
            }
        }
    }
    return found;
}

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

} // namespace

class TestServiceSettings : public QObject {
    Q_OBJECT
public:
    QString configHome; // where QtKeychain's plain-file fallback would write

private Q_SLOTS:
    void init() { m_folder.reset(new TestFolder); }
    void cleanup() { Endpoints::setCurrent(Endpoints()); }
    void savedThenLoaded();
    void handEditedValues_data();
    void handEditedValues();
    void budgetInForce_data();
    void budgetInForce();
    void boxLoadsAndSaves();
    void fieldsFollowTheService_data();
    void fieldsFollowTheService();
    void testButtonShowsTheProbe_data();
    void testButtonShowsTheProbe();
    void dialogSavesTheBoxAndTellsOfTheKey();

private:
    QScopedPointer<TestFolder> m_folder;
};

void TestServiceSettings::savedThenLoaded()
{
    ServiceSettings s;
    s.chosen = ServiceId::Kdniao;
    s.fallbackOrder = {ServiceId::Track17, ServiceId::Classic};
    s.accounts = {{ServiceId::Kdniao, QStringLiteral("1234567")}, {ServiceId::Kuaidi100, QStringLiteral("CUST9")}};
    s.dailyBudget = 250;
    s.health.set(ServiceId::Kdniao, {at("2026-12-01T10:00:00"), at("2026-12-02T11:30:05"), u("超出每日查询次数"), 3});
    s.health.set(ServiceId::Track17, {at("2026-12-03T08:00:00"), {}, {}, 0});
    QVERIFY(s.save(m_folder->path()));

    const ServiceSettings back = ServiceSettings::load(m_folder->path());
    QCOMPARE(back.chosen, s.chosen);
    QCOMPARE(back.fallbackOrder, s.fallbackOrder);
    QCOMPARE(back.accounts, s.accounts);
    QCOMPARE(back.dailyBudget, 250);
    for (ServiceId id : Services::all())
        QCOMPARE(back.health.summary(id), s.health.summary(id));
    QCOMPARE(back.health.of(ServiceId::Kdniao).lastFailure, at("2026-12-02T11:30:05"));
    // GBK like config.ini.
    const QByteArray gbk = QStringEncoder("GB18030").encode(u("超出每日查询次数"));
    QVERIFY(m_folder->read(ServiceSettings::fileName()).contains(gbk));
}

void TestServiceSettings::handEditedValues_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ServiceId>("chosen");
    QTest::addColumn<QList<ServiceId>>("fallback");
    QTest::addColumn<int>("budget");
    QTest::addColumn<int>("failuresInRow");
    QTest::addColumn<bool>("successDated");
    QTest::addColumn<QString>("kdniaoAccount");

    const QList<ServiceId> none;
    QTest::newRow("no file") << QByteArray() << ServiceId::Classic << none << 0 << 0 << false << QString();
    QTest::newRow("all good") << QByteArray(
                                     "[service]\r\nchosen = kdniao \r\nfallback=17track, classic\r\n"
                                     "daily_budget=300\r\n[accounts]\r\nkdniao=\"889\"\r\n"
                                     "[health.kdniao]\r\nlast_success=2026-12-01T10:00:00\r\nfailures_in_row=2\r\n")
                              << ServiceId::Kdniao << QList<ServiceId>{ServiceId::Track17, ServiceId::Classic} << 300
                              << 2 << true << QStringLiteral("889");
    QTest::newRow("unknown, repeated, blank")
        << QByteArray("[service]\nchosen=KDNIAO\nfallback=17track,,bogus,kdniao,17track\ndaily_budget=-5\n"
                      "[health.kdniao]\nlast_success=yesterday\nfailures_in_row=-1\n")
        << ServiceId::Classic << QList<ServiceId>{ServiceId::Track17, ServiceId::Kdniao} << 0 << 0 << false
        << QString();
    QTest::newRow("not numbers") << QByteArray("[service]\ndaily_budget=12abc\n[health.kdniao]\nfailures_in_row=x\n")
                                 << ServiceId::Classic << none << 0 << 0 << false << QString();
    QTest::newRow("too large") << QByteArray("[service]\ndaily_budget=99999999999\n") << ServiceId::Classic << none << 0
                               << 0 << false << QString();
}

void TestServiceSettings::handEditedValues()
{
    QFETCH(QByteArray, file);
    if (!file.isEmpty())
        m_folder->write(ServiceSettings::fileName(), file);
    const ServiceSettings s = ServiceSettings::load(m_folder->path());
    QTEST(s.chosen, "chosen");
    QTEST(s.fallbackOrder, "fallback");
    QTEST(s.dailyBudget, "budget");
    QTEST(s.health.of(ServiceId::Kdniao).failuresInRow, "failuresInRow");
    QTEST(s.health.of(ServiceId::Kdniao).lastSuccess.isValid(), "successDated");
    QTEST(s.accounts.value(ServiceId::Kdniao), "kdniaoAccount");
}

void TestServiceSettings::budgetInForce_data()
{
    QTest::addColumn<int>("dailyBudget");
    QTest::addColumn<ServiceId>("id");
    QTest::addColumn<int>("expected");
    QTest::newRow("快递鸟: 80% of 500") << 0 << ServiceId::Kdniao << 400;
    QTest::newRow("17TRACK: 100 in all") << 0 << ServiceId::Track17 << 20;
    QTest::newRow("快递100") << 0 << ServiceId::Kuaidi100 << 100;
    QTest::newRow("classic: none") << 0 << ServiceId::Classic << 0;
    QTest::newRow("the user's") << 37 << ServiceId::Kdniao << 37;
    QTest::newRow("the user's, 17TRACK") << 1 << ServiceId::Track17 << 1;
}

void TestServiceSettings::budgetInForce()
{
    ServiceSettings s;
    QFETCH(int, dailyBudget);
    QFETCH(ServiceId, id);
    s.dailyBudget = dailyBudget;
    QTEST(s.budgetFor(id), "expected");
}

void TestServiceSettings::boxLoadsAndSaves()
{
    ServiceSettings s;
    s.chosen = ServiceId::Kdniao;
    s.fallbackOrder = {ServiceId::Track17, ServiceId::Classic};
    s.accounts = {{ServiceId::Kdniao, QStringLiteral("1234567")}};
    s.dailyBudget = 250;
    s.health.set(ServiceId::Track17, {{}, at("2026-12-02T11:30:05"), u("密钥无效"), 4});
    QVERIFY(s.save(m_folder->path()));

    KeyStore store;
    ServiceSettingsBox box(store);
    QSignalSpy changed(&box, &ServiceSettingsBox::servicesChanged);
    QSignalSpy kept(&box, &ServiceSettingsBox::keyStored);
    box.load(m_folder->path());
    // Every service of the order in view at once.
    QVERIFY(box.fallbackList->height() >= box.fallbackList->count() * box.fallbackList->sizeHintForRow(0));
    QCOMPARE(box.serviceCombo->currentText(), Services::displayName(ServiceId::Kdniao));
    QCOMPARE(box.accountEdit->text(), QStringLiteral("1234567"));
    QCOMPARE(box.budgetBox->value(), 250);
    QCOMPARE(box.fallbackList->count(), 4);
    QCOMPARE(box.settings().fallbackOrder, s.fallbackOrder);
    QVERIFY(box.healthLabel->text().contains(s.health.summary(ServiceId::Track17)));
    QVERIFY(box.healthLabel->text().contains(s.health.summary(ServiceId::Kdniao)));

    // A pass records a success while the dialog is open.
    ServiceSettings meanwhile = ServiceSettings::load(m_folder->path());
    meanwhile.health.recordSuccess(ServiceId::Kdniao, at("2026-12-04T09:15:00"));
    QVERIFY(meanwhile.save(m_folder->path()));

    // 快递100 with its account and a key; 快递鸟's account waits while another is shown.
    const QString key = QStringLiteral("typed-key-5b7e20");
    box.serviceCombo->setCurrentIndex(box.serviceCombo->findData(int(ServiceId::Kuaidi100)));
    QCOMPARE(box.accountEdit->text(), QString());
    box.accountEdit->setText(QStringLiteral("CUST9"));
    box.keyEdit->setText(key);
    box.serviceCombo->setCurrentIndex(box.serviceCombo->findData(int(ServiceId::Kdniao)));
    QCOMPARE(box.accountEdit->text(), QStringLiteral("1234567"));
    QCOMPARE(box.keyEdit->text(), QString());
    box.serviceCombo->setCurrentIndex(box.serviceCombo->findData(int(ServiceId::Kuaidi100)));
    QCOMPARE(box.keyEdit->text(), key);
    box.fallbackList->setCurrentRow(0);
    box.moveDownButton->click(); // 17TRACK after 默认接口
    box.moveUpButton->click();
    box.moveDownButton->click();
    box.fallbackList->item(2)->setCheckState(Qt::Checked); // 快递100, now third
    box.budgetBox->setValue(0);

    QCOMPARE(box.save(m_folder->path()), QStringList());
    QCOMPARE(changed.size(), 1);
    const ServiceSettings back = ServiceSettings::load(m_folder->path());
    QCOMPARE(back.chosen, ServiceId::Kuaidi100);
    QCOMPARE(back.fallbackOrder, (QList<ServiceId>{ServiceId::Classic, ServiceId::Track17, ServiceId::Kuaidi100}));
    QCOMPARE(back.accounts.value(ServiceId::Kuaidi100), QStringLiteral("CUST9"));
    QCOMPARE(back.accounts.value(ServiceId::Kdniao), QStringLiteral("1234567"));
    QCOMPARE(back.dailyBudget, 0);
    QCOMPARE(back.health.of(ServiceId::Track17).failuresInRow, 4); // the passes' record survives
    QCOMPARE(back.health.of(ServiceId::Kdniao).lastSuccess, at("2026-12-04T09:15:00"));

    QCOMPARE(box.keyEdit->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(kept.size(), 1, 30000);
    // No keyring: the run keeps the key, says so, and no file holds it.
    QCOMPARE(kept.first().at(0).toBool(), false);
    QVERIFY2(box.keyStatusLabel->text().contains(u("只保留到本次退出")), qPrintable(box.keyStatusLabel->text()));
    QCOMPARE(box.keyEdit->placeholderText(), u("只保留到本次退出"));
    QCOMPARE(filesHolding({m_folder->path(), configHome}, key), QStringList());
    std::optional<QString> readBack;
    store.read(ServiceId::Kuaidi100, [&readBack](const QString &k) { readBack = k; });
    QVERIFY(!readBack); // from the event loop, never within the call
    QTRY_COMPARE(readBack, std::optional<QString>(key));
    KeyStore restarted; // nothing survives the run
    readBack.reset();
    restarted.read(ServiceId::Kuaidi100, [&readBack](const QString &k) { readBack = k; });
    QTRY_COMPARE_WITH_TIMEOUT(readBack, std::optional<QString>(QString()), 30000);
}

void TestServiceSettings::fieldsFollowTheService_data()
{
    QTest::addColumn<ServiceId>("id");
    for (ServiceId id : Services::all())
        QTest::newRow(qPrintable(Services::key(id))) << id;
}

void TestServiceSettings::fieldsFollowTheService()
{
    QFETCH(ServiceId, id);
    KeyStore store;
    if (id != ServiceId::Kdniao) // 快递鸟 has none stored
        store.setRunKey(id, QStringLiteral("stored"));
    ServiceSettingsBox box(store);
    QCOMPARE(box.serviceCombo->itemText(0), Services::displayName(ServiceId::Classic));
    box.serviceCombo->setCurrentIndex(box.serviceCombo->findData(int(id)));
    QCOMPARE(box.accountEdit->isVisibleTo(&box), !Services::accountLabel(id).isEmpty());
    QCOMPARE(box.keyEdit->isVisibleTo(&box), Services::needsKey(id));
    QCOMPARE(box.keyEdit->echoMode(), QLineEdit::Password);
    // The key itself is never shown; only that there is one.
    const bool stored = Services::needsKey(id) && id != ServiceId::Kdniao;
    bool keyringAnswered = false; // after the box's own read, asked first
    store.read(id, [&keyringAnswered](const QString &) { keyringAnswered = true; });
    QTRY_VERIFY_WITH_TIMEOUT(keyringAnswered, 30000);
    QTRY_COMPARE(box.keyEdit->placeholderText(), stored ? u("已保存在系统密钥环") : QString());
    QCOMPARE(box.keyEdit->text(), QString());
}

void TestServiceSettings::testButtonShowsTheProbe_data()
{
    QTest::addColumn<ServiceId>("id");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QByteArray>("body"); // empty: the server is gone
    QTest::addColumn<QString>("shows");   // empty: what the protocol makes of the body
    QTest::addColumn<bool>("sent");
    QTest::addColumn<int>("status");
    QTest::newRow("快递100 bad sign") << ServiceId::Kuaidi100 << QStringLiteral("CUST9")
                                      << QByteArray(R"({"result":false,"returnCode":"503","message":"验证签名失败"})")
                                      << QString() << true << 200;
    QTest::newRow("快递100 no record: key good")
        << ServiceId::Kuaidi100 << QStringLiteral("CUST9")
        << QByteArray(R"({"result":false,"returnCode":"500","message":"查询无结果"})") << u("密钥有效") << true << 200;
    QTest::newRow("17TRACK quota") << ServiceId::Track17 << QString()
                                   << QByteArray(
                                          R"({"code":0,"data":{"quota_total":100,"quota_used":10,"quota_remain":90}})")
                                   << QString() << true << 200;
    QTest::newRow("快递100 too many requests: an answer, not a lost line")
        << ServiceId::Kuaidi100 << QStringLiteral("CUST9")
        << QByteArray(R"({"result":false,"returnCode":"502","message":"服务器繁忙"})") << QString() << true << 429;
    QTest::newRow("server gone") << ServiceId::Kuaidi100 << QStringLiteral("CUST9") << QByteArray() << u("无法连接")
                                 << false << 200;
    QTest::newRow("account missing") << ServiceId::Kdniao << QString() << QByteArray("{}") << u("请先填写 EBusinessID")
                                     << false << 200;
    QTest::newRow("key in the clear") << ServiceId::Kuaidi100 << QStringLiteral("CUST9") << QByteArray("{}")
                                      << u("未发送") << false << 200;
}

void TestServiceSettings::testButtonShowsTheProbe()
{
    QFETCH(ServiceId, id);
    QFETCH(QString, account);
    QFETCH(QByteArray, body);
    QFETCH(QString, shows);
    TinyHttpServer server;
    QVERIFY(server.start());
    const bool inClear = QByteArray(QTest::currentDataTag()) == "key in the clear";
    const QString base = inClear ? QStringLiteral("http://192.0.2.1:9") : server.base();
    Endpoints hosts;
    hosts.kuaidi100Service = hosts.kdniaoService = hosts.track17Service = base;
    Endpoints::setCurrent(hosts);
    const Credentials credentials{account, QStringLiteral("k-1")};
    const HttpCall call = MakeProtocol(id)->probe(credentials);
    const QString path = call.url.path() + (call.url.hasQuery() ? QLatin1Char('?') + call.url.query() : QString());
    QFETCH(int, status);
    server.answers.insert(path, {status, "application/json", body});
    if (body.isEmpty())
        server.close();

    KeyStore store;
    store.setRunKey(id, credentials.key); // the stored key serves when none is typed
    ServiceSettingsBox box(store);
    QSignalSpy tested(&box, &ServiceSettingsBox::tested);
    box.serviceCombo->setCurrentIndex(box.serviceCombo->findData(int(id)));
    box.accountEdit->setText(account);
    box.testButton->click();
    QVERIFY(!box.testButton->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(tested.size(), 1, 30000);
    QVERIFY(box.testButton->isEnabled());

    HttpAnswer answer;
    answer.status = status;
    answer.contentType = "application/json";
    answer.body = body;
    const QString expected = shows.isEmpty() ? MakeProtocol(id)->parseProbe(answer).text : shows;
    QVERIFY2(box.testResultLabel->text().contains(expected),
             qPrintable(box.testResultLabel->text() + QStringLiteral(" / ") + expected));
    QFETCH(bool, sent);
    QCOMPARE(server.requests.size(), sent ? 1 : 0);
}

void TestServiceSettings::dialogSavesTheBoxAndTellsOfTheKey()
{
    QVERIFY(Provisioning::run(m_folder->path()).outcome.ok);
    AutoStart autoStart(m_folder->file(QStringLiteral("autostart")));
    FakeDialogs dialogs;
    KeyStore store;
    QScopedPointer<SettingsDialog> dialog(
        new SettingsDialog(m_folder->path(), dialogs, autoStart, 3500, nullptr, &store));
    dialog->load();
    ServiceSettingsBox *box = dialog->findChild<ServiceSettingsBox *>(QStringLiteral("serviceSettingsGroup"));
    QVERIFY(box);
    QSignalSpy changed(box, &ServiceSettingsBox::servicesChanged);
    box->serviceCombo->setCurrentIndex(box->serviceCombo->findData(int(ServiceId::Track17)));
    box->keyEdit->setText(QStringLiteral("dialog-token-77"));
    dialog->saveButton->click();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(ServiceSettings::load(m_folder->path()).chosen, ServiceId::Track17);
    QTRY_VERIFY_WITH_TIMEOUT(dialogs.lastText().contains(u("只保留到本次退出")), 30000);
    QCOMPARE(store.runKey(ServiceId::Track17), QStringLiteral("dialog-token-77"));
}

int main(int argc, char **argv)
{
    // No session bus, so no keyring. As a KDE 4 desktop, QtKeychain goes to
    // KWallet, finds no bus, and is where its plain-file fallback would write,
    // if it were ever on: into a folder the tests look through.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tolvane-no-bus");
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    qputenv("KDE_SESSION_VERSION", "4");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    TestServiceSettings test;
    test.configHome = config.path();
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_servicesettings.moc"
