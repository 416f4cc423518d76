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
    void SetHarvestInterval(int ms) override
    {
        harvest = ms;
        harvestCalls << ms;
    }
    int HarvestInterval() const override { return harvest; }
    void SetUpdateCheckInterval(int ms) override { updateCheckCalls << ms; }

    QStringList selected;
    int harvest = 3500;
    QList<int> harvestCalls;
    QList<int> updateCheckCalls;
};

} // namespace

class TestForm5 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void freshInstallationShowsDefaults();
    void storedSettingsAreLoadedAndActedOn();
    void unexpectedFlagValuesLeaveBoxesUnchecked();
    void skinSavedIsShownAtNextLoad_data();
    void skinSavedIsShownAtNextLoad();
    void menuValueOfDefaultSkinLoadsAsDefault();
    void savingWithoutCarrierKeepsStoredOne();
    void savingCarrierWritesCodeAndSelectsIt_data();
    void savingCarrierWritesCodeAndSelectsIt();
    void saveWritesEverythingThenHides();
    void delayOverSixtyOneBecomesSixty();
    void delayIsAppliedOnlyWhenValid_data();
    void delayIsAppliedOnlyWhenValid();
    void checkBoxesActAtOnceAndSurviveLeaving();
    void leavingAsksFirst();
    void closeBoxAsksAndDestroys();
    void fieldsSurviveHidingWithoutRereading();
    void controlsCarryAccessibleNames();

private:
    Form5 *open();

    TestFolder *m_folder = nullptr;
    FakeDialogs m_dialogs;
    FakeMainWindow m_main;
    AutoStart *m_autoStart = nullptr;
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

Form5 *TestForm5::open()
{
    auto *form = new Form5(m_folder->path(), m_dialogs, m_main, *m_autoStart);
    form->show();
    return form;
}

namespace {
QString stored(const TestFolder &folder, const QString &key)
{
    return AppSettings::read(folder.path(), key);
}
} // namespace

void TestForm5::freshInstallationShowsDefaults()
{
    QScopedPointer<Form5> form(open());
    QCOMPARE(form->windowTitle(), QStringLiteral("设置"));
    QVERIFY(!form->Check1->isChecked());
    QVERIFY(!form->Check2->isChecked());
    QCOMPARE(form->List2->currentText(), QStringLiteral("默认皮肤"));
    QCOMPARE(form->Text3->text(), QStringLiteral("4"));
    QCOMPARE(form->List1->currentIndex(), -1);
    QCOMPARE(form->List1->count(), 26);
    QCOMPARE(form->List1->itemText(12), QStringLiteral("********"));
    // The stored "4" equals the initial text: the timer is left alone.
    QVERIFY(m_main.harvestCalls.isEmpty());
    QVERIFY(m_main.updateCheckCalls.isEmpty());
    QVERIFY(!m_autoStart->IsEnabled());
    // Loading the default skin attaches it.
    QCOMPARE(qApp->styleSheet(), QString::fromUtf8(m_folder->read(QStringLiteral("config/skinh.qss"))));
    QVERIFY(!QFile::exists(m_folder->file(QStringLiteral("config.ini"))));
}

void TestForm5::storedSettingsAreLoadedAndActedOn()
{
    AppSettings::write(m_folder->path(), AppSettings::kAutoUpdate, QStringLiteral("1"));
    AppSettings::write(m_folder->path(), AppSettings::kAutoStart, QStringLiteral("1"));
    AppSettings::write(m_folder->path(), AppSettings::kReadDelay, QStringLiteral("10"));
    AppSettings::write(m_folder->path(), AppSettings::kSkin, QStringLiteral("1"));
    QScopedPointer<Form5> form(open());

    QVERIFY(form->Check2->isChecked());
    QCOMPARE(m_main.updateCheckCalls, QList<int>{0});
    QVERIFY(form->Check1->isChecked());
    QVERIFY(m_autoStart->IsEnabled());
    QCOMPARE(form->Text3->text(), QStringLiteral("10"));
    QCOMPARE(m_main.harvestCalls, QList<int>{10000});
    QCOMPARE(form->List2->currentText(), QStringLiteral("黑色酷炫"));
    QCOMPARE(qApp->styleSheet(), QString::fromUtf8(m_folder->read(QStringLiteral("config/黑色酷炫.qss"))));
}

void TestForm5::unexpectedFlagValuesLeaveBoxesUnchecked()
{
    AppSettings::write(m_folder->path(), AppSettings::kAutoUpdate, QStringLiteral("2"));
    AppSettings::write(m_folder->path(), AppSettings::kAutoStart, QStringLiteral("是"));
    QScopedPointer<Form5> form(open());
    QVERIFY(!form->Check2->isChecked());
    QVERIFY(!form->Check1->isChecked());
    QVERIFY(m_main.updateCheckCalls.isEmpty());
    QVERIFY(!m_autoStart->IsEnabled());
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
    AppSettings::write(m_folder->path(), AppSettings::kSkin, QStringLiteral("2"));
    {
        QScopedPointer<Form5> form(open());
        form->List2->setCurrentIndex(form->List2->findText(entry));
        form->Command1->click();
    }
    QCOMPARE(stored(*m_folder, AppSettings::kSkin), value);
    QScopedPointer<Form5> again(open());
    QCOMPARE(again->List2->currentText(), entry);
}

void TestForm5::menuValueOfDefaultSkinLoadsAsDefault()
{
    AppSettings::write(m_folder->path(), AppSettings::kSkin, QStringLiteral("默认皮肤"));
    QScopedPointer<Form5> form(open());
    QCOMPARE(form->List2->currentText(), QStringLiteral("默认皮肤"));
}

void TestForm5::savingWithoutCarrierKeepsStoredOne()
{
    AppSettings::write(m_folder->path(), AppSettings::kDefaultCarrier, QStringLiteral("sf"));
    QScopedPointer<Form5> form(open());
    form->Command1->click();
    QCOMPARE(stored(*m_folder, AppSettings::kDefaultCarrier), QStringLiteral("sf"));
    QVERIFY(m_main.selected.isEmpty());

    form->show();
    form->List1->setCurrentIndex(12); // the separator stands for nothing
    form->Command1->click();
    QCOMPARE(stored(*m_folder, AppSettings::kDefaultCarrier), QStringLiteral("sf"));
    QVERIFY(m_main.selected.isEmpty());
}

void TestForm5::savingCarrierWritesCodeAndSelectsIt_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("code");
    QTest::newRow("first button") << "EMS(E邮宝)" << "EMS";
    QTest::newRow("last button") << "CCES" << "CCES";
    QTest::newRow("first in list") << "TNT" << "TNT";
    QTest::newRow("last in list") << "中铁快运" << FindCarrierByName(QStringLiteral("中铁快运"))->configCode;
}

void TestForm5::savingCarrierWritesCodeAndSelectsIt()
{
    QFETCH(QString, entry);
    QFETCH(QString, code);
    QVERIFY(!code.isEmpty());
    QScopedPointer<Form5> form(open());
    form->List1->setCurrentIndex(form->List1->findText(entry));
    form->Command1->click();
    QCOMPARE(stored(*m_folder, AppSettings::kDefaultCarrier), code);
    QCOMPARE(m_main.selected, QStringList{entry});
}

void TestForm5::saveWritesEverythingThenHides()
{
    QScopedPointer<Form5> form(open());
    form->Check1->click();
    form->Check2->click();
    form->Text3->setText(QStringLiteral("7"));
    m_main.updateCheckCalls.clear();
    m_dialogs.clear();
    form->Command1->click();

    QCOMPARE(stored(*m_folder, AppSettings::kAutoStart), QStringLiteral("1"));
    QCOMPARE(stored(*m_folder, AppSettings::kAutoUpdate), QStringLiteral("1"));
    QCOMPARE(stored(*m_folder, AppSettings::kReadDelay), QStringLiteral("7"));
    QCOMPARE(stored(*m_folder, AppSettings::kSkin), QStringLiteral("0"));
    QCOMPARE(m_main.updateCheckCalls, QList<int>{0});
    QVERIFY(m_autoStart->IsEnabled());
    QCOMPARE(m_dialogs.shown.size(), 1);
    QCOMPARE(m_dialogs.shown.first().kind, QStringLiteral("information"));
    QCOMPARE(m_dialogs.shown.first().title, QStringLiteral("Tolvane"));
    QCOMPARE(m_dialogs.shown.first().text, QStringLiteral("设置成功！"));
    QVERIFY(!form->isVisible());

    // Unchecking both and saving again turns them off.
    form->show();
    form->Check1->setChecked(false);
    form->Check2->setChecked(false);
    form->Command1->click();
    QCOMPARE(stored(*m_folder, AppSettings::kAutoStart), QStringLiteral("0"));
    QCOMPARE(stored(*m_folder, AppSettings::kAutoUpdate), QStringLiteral("0"));
    QCOMPARE(m_main.updateCheckCalls.last(), 6000);
    QVERIFY(!m_autoStart->IsEnabled());
}

void TestForm5::delayOverSixtyOneBecomesSixty()
{
    QScopedPointer<Form5> form(open());
    form->Text3->setText(QStringLiteral("100"));
    QCOMPARE(form->Text3->text(), QStringLiteral("60"));
    QCOMPARE(m_main.harvest, 60000);
    form->Text3->setText(QStringLiteral("61"));
    QCOMPARE(form->Text3->text(), QStringLiteral("61"));
    QCOMPARE(m_main.harvest, 61000);
    form->Text3->setText(QStringLiteral("61.5"));
    QCOMPARE(form->Text3->text(), QStringLiteral("60"));
    QCOMPARE(m_main.harvest, 60000);
}

void TestForm5::delayIsAppliedOnlyWhenValid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("interval"); // 0: the timer keeps its interval
    QTest::newRow("decimal") << "2.5" << 2500;
    QTest::newRow("tiny fraction") << "0.0004" << 0;
    QTest::newRow("one") << "1" << 1000;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("words") << "五" << 0;
    QTest::newRow("number and words") << "5秒" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-3" << 0;
}

void TestForm5::delayIsAppliedOnlyWhenValid()
{
    QFETCH(QString, text);
    QFETCH(int, interval);
    QScopedPointer<Form5> form(open());
    form->Text3->setText(QStringLiteral("3"));
    QCOMPARE(m_main.harvest, 3000);
    QVERIFY(form->delayHint()->isHidden());

    form->Text3->setText(text);
    QCOMPARE(form->Text3->text(), text);
    if (interval) {
        QCOMPARE(m_main.harvest, interval);
        QVERIFY(form->delayHint()->isHidden());
    } else {
        QCOMPARE(m_main.harvest, 3000);
        QVERIFY(!form->delayHint()->isHidden());
        QVERIFY(form->delayHint()->text().contains(QStringLiteral("当前 3 秒")));
        QVERIFY(form->Text3->toolTip().startsWith(form->delayHint()->text()));
    }
    // Saving keeps what was typed.
    form->Command1->click();
    QCOMPARE(stored(*m_folder, AppSettings::kReadDelay), text);
}

void TestForm5::checkBoxesActAtOnceAndSurviveLeaving()
{
    QScopedPointer<Form5> form(open());
    form->Check1->click();
    QVERIFY(m_autoStart->IsEnabled());
    form->Check2->click();
    QCOMPARE(m_main.updateCheckCalls, QList<int>{0});
    form->Check2->click();
    QCOMPARE(m_main.updateCheckCalls, (QList<int>{0, 6000}));
    form->List2->setCurrentIndex(1);
    Q_EMIT form->List2->activated(1);
    QCOMPARE(qApp->styleSheet(), QString::fromUtf8(m_folder->read(QStringLiteral("config/腾讯QQ.qss"))));

    m_dialogs.answers = {true};
    form->Command2->click();
    QVERIFY(!form->isVisible());
    // The entry and the previewed skin stay; nothing was stored.
    QVERIFY(m_autoStart->IsEnabled());
    QCOMPARE(qApp->styleSheet(), QString::fromUtf8(m_folder->read(QStringLiteral("config/腾讯QQ.qss"))));
    QVERIFY(!QFile::exists(m_folder->file(QStringLiteral("config.ini"))));

    form->show();
    form->Check1->click();
    QVERIFY(!m_autoStart->IsEnabled());
}

void TestForm5::leavingAsksFirst()
{
    QScopedPointer<Form5> form(open());
    m_dialogs.answers = {false, true};
    form->Command2->click();
    QVERIFY(form->isVisible());
    QCOMPARE(m_dialogs.shown.last().kind, QStringLiteral("okcancel"));
    QCOMPARE(m_dialogs.shown.last().title, QStringLiteral("Tolvane"));
    QCOMPARE(m_dialogs.shown.last().text, QStringLiteral("确定已经保存并退出吗？？？"));
    QTest::keyClick(form.data(), Qt::Key_Escape);
    QVERIFY(!form->isVisible());
    QCOMPARE(m_dialogs.shown.size(), 2);
}

void TestForm5::closeBoxAsksAndDestroys()
{
    QPointer<Form5> form = open();
    m_dialogs.answers = {false};
    form->close();
    QVERIFY(form && form->isVisible());
    m_dialogs.answers = {true};
    form->close();
    QTRY_VERIFY(form.isNull());
    QCOMPARE(m_dialogs.texts(), (QStringList{"确定已经保存并退出吗？？？", "确定已经保存并退出吗？？？"}));
}

void TestForm5::fieldsSurviveHidingWithoutRereading()
{
    QScopedPointer<Form5> form(open());
    form->List1->setCurrentIndex(form->List1->findText(QStringLiteral("UPS")));
    form->List2->setCurrentIndex(form->List2->findText(QStringLiteral("简谱积木")));
    form->Text3->setText(QStringLiteral("9"));
    m_dialogs.answers = {true};
    form->Command2->click();
    AppSettings::write(m_folder->path(), AppSettings::kReadDelay, QStringLiteral("20"));
    AppSettings::write(m_folder->path(), AppSettings::kAutoUpdate, QStringLiteral("1"));

    form->show();
    QCOMPARE(form->List1->currentText(), QStringLiteral("UPS"));
    QCOMPARE(form->List2->currentText(), QStringLiteral("简谱积木"));
    QCOMPARE(form->Text3->text(), QStringLiteral("9"));
    QVERIFY(!form->Check2->isChecked());
}

void TestForm5::controlsCarryAccessibleNames()
{
    QScopedPointer<Form5> form(open());
    const QList<QWidget *> fields{form->List1, form->List2, form->Check1, form->Check2, form->Text3};
    for (QWidget *field : fields) {
        QVERIFY2(!field->accessibleName().isEmpty(), qPrintable(field->objectName()));
        QVERIFY(field->focusPolicy() & Qt::TabFocus);
    }
    QCOMPARE(form->Label9->toolTip(), QStringLiteral("该值取决于网络速度，一般越大的话，越便于成功获取数据。"));
    QCOMPARE(form->Label1->buddy(), form->List1);
    QCOMPARE(form->Label9->buddy(), form->Text3);
}

QTEST_MAIN(TestForm5)
#include "tst_form5.moc"
