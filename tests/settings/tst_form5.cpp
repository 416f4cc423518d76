#include "app/AutoStart.h"
#include "app/Provisioning.h"
#include "carriers/CarrierCatalogue.h"
#include "settings/AppSettings.h"
#include "settings/Form5.h"
#include "settings/MainWindowLink.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QtTest>
#include <QtWidgets>

namespace {

class FakeMainWindow final : public MainWindowLink {
public:
    void SelectCarrierFromSettings(const Carrier &carrier) override { selected << carrier.name; }
    void SetHarvestInterval(int ms) override { harvestCalls << (harvest = ms); }
    int HarvestInterval() const override { return harvest; }
    void SetUpdateCheckInterval(int ms) override { updateCheckCalls << ms; }

    QStringList selected;
    int harvest = 3500;
    QList<int> harvestCalls;
    QList<int> updateCheckCalls;
};

const QString kLeave = QStringLiteral("确定已经保存并退出吗？？？");

} // namespace

class TestForm5 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void freshInstallationShowsDefaults();
    void storedSettingsAreLoadedAndActedOn();
    void skinSavedIsShownAtNextLoad_data();
    void skinSavedIsShownAtNextLoad();
    void savingDefaultCarrier_data();
    void savingDefaultCarrier();
    void saveWritesEverythingThenHides();
    void readDelayAsTyped_data();
    void readDelayAsTyped();
    void immediateActionsSurviveLeaving();
    void leavingAndCloseBoxAsk();

private:
    Form5 *open() { return new Form5(m_folder->path(), m_dialogs, m_main, *m_autoStart); }
    QString stored(const QString &key) const { return AppSettings::read(m_folder->path(), key); }
    void store(const QString &key, const QString &value) { QVERIFY(AppSettings::write(m_folder->path(), key, value).ok); }
    QString sheet(const QString &relative) const { return QString::fromUtf8(m_folder->read(relative)); }

    TestFolder *m_folder = nullptr;
    AutoStart *m_autoStart = nullptr;
    FakeDialogs m_dialogs;
    FakeMainWindow m_main;
};

void TestForm5::init()
{
    m_folder = new TestFolder;
    QVERIFY(Provisioning::run(m_folder->path()).outcome.ok);
    m_autoStart = new AutoStart(m_folder->file(QStringLiteral("autostart")));
    m_dialogs = FakeDialogs();
    m_main = FakeMainWindow();
}

void TestForm5::cleanup()
{
    delete m_autoStart;
    delete m_folder;
}

void TestForm5::freshInstallationShowsDefaults()
{
    store(AppSettings::kAutoUpdate, QStringLiteral("2")); // only the number 1 checks the box
    QScopedPointer<Form5> form(open());
    QVERIFY(!form->Check1->isChecked());
    QVERIFY(!form->Check2->isChecked());
    QCOMPARE(form->List2->currentText(), QStringLiteral("默认皮肤"));
    QCOMPARE(form->Text3->text(), QStringLiteral("4"));
    QCOMPARE(form->List1->currentIndex(), -1);
    QCOMPARE(form->List1->count(), 26);
    QVERIFY(m_main.harvestCalls.isEmpty()); // the stored "4" changes nothing
    QVERIFY(m_main.updateCheckCalls.isEmpty());
    QVERIFY(!m_autoStart->IsEnabled());
    QCOMPARE(qApp->styleSheet(), sheet(QStringLiteral("config/skinh.qss")));
    for (QWidget *field : QList<QWidget *>{form->List1, form->List2, form->Check1, form->Check2, form->Text3})
        QVERIFY2(!field->accessibleName().isEmpty(), qPrintable(field->objectName()));
}

void TestForm5::storedSettingsAreLoadedAndActedOn()
{
    store(AppSettings::kAutoUpdate, QStringLiteral("1"));
    store(AppSettings::kAutoStart, QStringLiteral("1"));
    store(AppSettings::kReadDelay, QStringLiteral("10"));
    store(AppSettings::kSkin, QStringLiteral("1"));
    QScopedPointer<Form5> form(open());
    QVERIFY(form->Check2->isChecked());
    QCOMPARE(m_main.updateCheckCalls, QList<int>{0});
    QVERIFY(form->Check1->isChecked());
    QVERIFY(m_autoStart->IsEnabled());
    QCOMPARE(form->Text3->text(), QStringLiteral("10"));
    QCOMPARE(m_main.harvestCalls, QList<int>{10000});
    QCOMPARE(form->List2->currentText(), QStringLiteral("黑色酷炫"));
    QCOMPARE(qApp->styleSheet(), sheet(QStringLiteral("config/黑色酷炫.qss")));
}

void TestForm5::skinSavedIsShownAtNextLoad_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("value");
    QTest::newRow("默认皮肤") << "默认皮肤" << "0";
    QTest::newRow("经典QQ") << "经典QQ" << "3";
    QTest::newRow("黑色酷炫") << "黑色酷炫" << "1";
    QTest::newRow("简谱积木") << "简谱积木" << "2";
}

void TestForm5::skinSavedIsShownAtNextLoad()
{
    QFETCH(QString, entry);
    QFETCH(QString, value);
    store(AppSettings::kSkin, QStringLiteral("2"));
    QScopedPointer<Form5> form(open());
    form->List2->setCurrentIndex(form->List2->findText(entry));
    form->Command1->click();
    QCOMPARE(stored(AppSettings::kSkin), value);
    QScopedPointer<Form5> again(open());
    QCOMPARE(again->List2->currentText(), entry);
}

void TestForm5::savingDefaultCarrier_data()
{
    QTest::addColumn<QString>("entry"); // empty: no selection
    QTest::addColumn<QString>("code");  // expected "默认快递"; "sf" is what was stored
    QTest::newRow("none selected") << "" << "sf";
    QTest::newRow("separator") << "********" << "sf";
    QTest::newRow("button carrier") << "EMS(E邮宝)" << "EMS";
    QTest::newRow("list carrier") << "TNT" << "TNT";
    QTest::newRow("last list carrier") << "中铁快运" << FindCarrierByName(QStringLiteral("中铁快运"))->configCode;
}

void TestForm5::savingDefaultCarrier()
{
    QFETCH(QString, entry);
    QFETCH(QString, code);
    store(AppSettings::kDefaultCarrier, QStringLiteral("sf"));
    QScopedPointer<Form5> form(open());
    if (!entry.isEmpty())
        form->List1->setCurrentIndex(form->List1->findText(entry));
    form->Command1->click();
    QCOMPARE(stored(AppSettings::kDefaultCarrier), code);
    QCOMPARE(m_main.selected, code == QLatin1String("sf") ? QStringList() : QStringList{entry});
}

void TestForm5::saveWritesEverythingThenHides()
{
    QScopedPointer<Form5> form(open());
    form->show();
    form->Check1->click();
    form->Check2->click();
    form->Text3->setText(QStringLiteral("7"));
    m_main.updateCheckCalls.clear();
    form->Command1->click();
    QCOMPARE(stored(AppSettings::kAutoStart), QStringLiteral("1"));
    QCOMPARE(stored(AppSettings::kAutoUpdate), QStringLiteral("1"));
    QCOMPARE(stored(AppSettings::kReadDelay), QStringLiteral("7"));
    QCOMPARE(stored(AppSettings::kSkin), QStringLiteral("0"));
    QCOMPARE(m_main.updateCheckCalls, QList<int>{0});
    QVERIFY(m_autoStart->IsEnabled());
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown.first().title, QStringLiteral("Tolvane"));
    QCOMPARE(m_dialogs.shown.first().text, QStringLiteral("设置成功！"));
    QVERIFY(!form->isVisible());

    // Reopened in the same run: the fields as they were left, config.ini not read again.
    store(AppSettings::kReadDelay, QStringLiteral("20"));
    form->show();
    QCOMPARE(form->Text3->text(), QStringLiteral("7"));
    QVERIFY(form->Check2->isChecked());
}

void TestForm5::readDelayAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("interval"); // 0: Timer1 keeps its 3000
    QTest::newRow("over 61") << "100" << "60" << 60000;
    QTest::newRow("61 stays") << "61" << "61" << 61000;
    QTest::newRow("61.5") << "61.5" << "60" << 60000;
    QTest::newRow("decimal") << "2.5" << "2.5" << 2500;
    QTest::newRow("empty") << "" << "" << 0;
    QTest::newRow("words") << "5秒" << "5秒" << 0;
    QTest::newRow("zero") << "0" << "0" << 0;
    QTest::newRow("negative") << "-3" << "-3" << 0;
}

void TestForm5::readDelayAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, interval);
    QScopedPointer<Form5> form(open());
    form->Text3->setText(QStringLiteral("3"));
    QCOMPARE(m_main.harvest, 3000);
    form->Text3->setText(typed);
    QCOMPARE(form->Text3->text(), shown);
    QCOMPARE(m_main.harvest, interval ? interval : 3000);
    QCOMPARE(form->delayHint()->isHidden(), interval != 0);
    if (!interval)
        QVERIFY(form->Text3->toolTip().contains(QStringLiteral("当前 3 秒")));
    form->Command1->click();
    QCOMPARE(stored(AppSettings::kReadDelay), shown); // written as it stands
}

void TestForm5::immediateActionsSurviveLeaving()
{
    QScopedPointer<Form5> form(open());
    form->Check1->click();
    QVERIFY(m_autoStart->IsEnabled());
    form->Check2->click();
    form->Check2->click();
    QCOMPARE(m_main.updateCheckCalls, (QList<int>{0, 6000}));
    form->List2->setCurrentIndex(1);
    Q_EMIT form->List2->activated(1);
    QCOMPARE(qApp->styleSheet(), sheet(QStringLiteral("config/腾讯QQ.qss")));

    m_dialogs.answers = {true};
    form->Command2->click();
    QVERIFY(m_autoStart->IsEnabled());
    QCOMPARE(qApp->styleSheet(), sheet(QStringLiteral("config/腾讯QQ.qss")));
    QVERIFY(!QFile::exists(m_folder->file(QStringLiteral("config.ini"))));
}

void TestForm5::leavingAndCloseBoxAsk()
{
    QPointer<Form5> form = open();
    form->show();
    m_dialogs.answers = {false, true};
    form->Command2->click();
    QVERIFY(form->isVisible());
    QTest::keyClick(form.data(), Qt::Key_Escape);
    QVERIFY(!form->isVisible());
    QVERIFY(form);

    form->show();
    m_dialogs.answers = {false, true};
    form->close();
    QVERIFY(form && form->isVisible());
    form->close();
    QTRY_VERIFY(form.isNull());
    QCOMPARE(m_dialogs.texts(), QStringList(4, kLeave));
    QCOMPARE(m_dialogs.shown.first().title, QStringLiteral("Tolvane"));
}

QTEST_MAIN(TestForm5)
#include "tst_form5.moc"
