#include "app/Provisioning.h"
#include "carriers/CarrierCatalogue.h"
#include "settings/AppSettings.h"
#include "settings/WatchSettings.h"
#include "settings/WatchSettingsBox.h"

#include <QCheckBox>
#include <QSpinBox>
#include "settings/AutoStart.h"
#include "settings/SettingsDialog.h"
#include "settings/Skins.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// What the dialog announced, as the main window hears it.
struct Heard {
    QStringList selected;
    QList<int> harvestCalls, updateCheckCalls;
};

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void defaultsThenSavedThenLoadedNextTime_data();
    void defaultsThenSavedThenLoadedNextTime();
    void enteredThenSaved_data();
    void enteredThenSaved();
    void leavingAsksAndKeepsImmediateActions();
    void archiveDaysReadSafelyAndSaved_data();
    void archiveDaysReadSafelyAndSaved();

private:
    SettingsDialog *open()
    {
        auto *dialog = new SettingsDialog(m_folder->path(), m_dialogs, *m_autoStart, 3500);
        connect(dialog, &SettingsDialog::carrierChosen, this, [this](const Carrier &c) { m_main.selected << c.name; });
        connect(dialog, &SettingsDialog::readIntervalChanged, this, [this](int ms) { m_main.harvestCalls << ms; });
        connect(dialog, &SettingsDialog::updateCheckIntervalChanged, this,
                [this](int ms) { m_main.updateCheckCalls << ms; });
        dialog->load();
        return dialog;
    }
    QString stored(const QString &key) const { return AppSettings::read(m_folder->path(), key); }
    void store(const QString &key, const QString &v) { QVERIFY(AppSettings::write(m_folder->path(), key, v).ok); }
    QString sheet(const QString &relative) const { return QString::fromUtf8(m_folder->read(relative)); }

    QScopedPointer<TestFolder> m_folder;
    QScopedPointer<AutoStart> m_autoStart;
    FakeDialogs m_dialogs;
    Heard m_main;
};

void TestSettingsDialog::init()
{
    m_folder.reset(new TestFolder);
    QVERIFY(Provisioning::run(m_folder->path()).outcome.ok);
    m_autoStart.reset(new AutoStart(m_folder->file(QStringLiteral("autostart"))));
    m_dialogs = FakeDialogs();
    m_main = Heard();
}

void TestSettingsDialog::defaultsThenSavedThenLoadedNextTime_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("value");
    QTest::newRow("默认皮肤") << "默认皮肤"
                              << "0";
    QTest::newRow("经典QQ") << "经典QQ"
                            << "3";
    QTest::newRow("黑色酷炫") << "黑色酷炫"
                              << "1";
    QTest::newRow("简谱积木") << "简谱积木"
                              << "2";
}

void TestSettingsDialog::defaultsThenSavedThenLoadedNextTime()
{
    QFETCH(QString, skin);
    QFETCH(QString, value);
    store(AppSettings::kAutoUpdate, QStringLiteral("1.9")); // only the number 1 checks the box
    store(AppSettings::kDefaultCarrier, QStringLiteral("TNT"));
    QScopedPointer<SettingsDialog> form(open());
    QCOMPARE(form->List1->currentText(), QStringLiteral("TNT")); // the stored carrier, not "（不更改）"
    QVERIFY(!form->Check1->isChecked() && !form->Check2->isChecked());
    QCOMPARE(form->List2->currentText(), QStringLiteral("默认皮肤"));
    QCOMPARE(form->Text3->text(), QStringLiteral("4"));
    QVERIFY(m_main.harvestCalls.isEmpty() && m_main.updateCheckCalls.isEmpty()); // the stored "4" changes nothing
    QVERIFY(!m_autoStart->IsEnabled());
    QCOMPARE(qApp->styleSheet(), sheet(QStringLiteral("config/skinh.qss")));
    for (QWidget *field : QList<QWidget *>{form->List1, form->List2, form->Check1, form->Check2, form->Text3})
        QVERIFY2(!field->accessibleName().isEmpty(), qPrintable(field->objectName()));

    form->show();
    form->Check1->click();
    form->Check2->click();
    form->Text3->setText(QStringLiteral("7"));
    form->List2->setCurrentIndex(form->List2->findText(skin));
    form->Command1->click();
    const QStringList written{stored(AppSettings::kAutoStart), stored(AppSettings::kAutoUpdate),
                              stored(AppSettings::kReadDelay), stored(AppSettings::kSkin)};
    QCOMPARE(written, (QStringList{"1", "1", "7", value}));
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("设置成功！")});
    QVERIFY(!form->isVisible());

    // Shown again in the same run: the fields as they were left, config.ini not read again.
    store(AppSettings::kReadDelay, QStringLiteral("20"));
    form->show();
    QCOMPARE(form->Text3->text(), QStringLiteral("7"));

    QScopedPointer<SettingsDialog> next(open());
    QVERIFY(next->Check1->isChecked() && next->Check2->isChecked());
    QCOMPARE(next->Text3->text(), QStringLiteral("20"));
    QCOMPARE(m_main.harvestCalls, (QList<int>{7000, 20000}));
    QCOMPARE(m_main.updateCheckCalls, (QList<int>{0, 0, 0})); // the click, the save, the next load
    QCOMPARE(next->List2->currentText(), skin);
    QCOMPARE(qApp->styleSheet(), sheet(Skins::findByCaption(skin)->relativePath));
}

// The carrier choice and the read delay are independent; each row tries one of each.
void TestSettingsDialog::enteredThenSaved_data()
{
    QTest::addColumn<QString>("carrier"); // empty: no selection
    QTest::addColumn<QString>("code");    // "sf": what was stored stays
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("interval"); // 0: not applied
    QTest::newRow("none, over 61") << ""
                                   << "sf"
                                   << "100"
                                   << "60" << 60000;
    QTest::newRow("TNT, 61 stays") << "TNT"
                                   << "TNT"
                                   << "61"
                                   << "61" << 61000;
    QTest::newRow("button carrier, decimal") << "EMS(E邮宝)"
                                             << "EMS"
                                             << "2.5"
                                             << "2.5" << 2500;
    QTest::newRow("separator, empty") << "********"
                                      << "sf"
                                      << ""
                                      << "" << 0;
    QTest::newRow("none, words") << ""
                                 << "sf"
                                 << "5秒"
                                 << "5秒" << 0;
}

void TestSettingsDialog::enteredThenSaved()
{
    QFETCH(QString, carrier);
    QFETCH(QString, code);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, interval);
    store(AppSettings::kDefaultCarrier, QStringLiteral("sf"));
    QScopedPointer<SettingsDialog> form(open());
    if (!carrier.isEmpty())
        form->List1->setCurrentIndex(form->List1->findText(carrier));
    form->Text3->setText(typed);
    QCOMPARE(form->Text3->text(), shown);
    QCOMPARE(m_main.harvestCalls, interval ? QList<int>{interval} : QList<int>());
    QCOMPARE(form->delayHint()->isHidden(), interval != 0);
    if (!interval && !typed.isEmpty())
        QVERIFY2(form->delayHint()->text().contains(QStringLiteral("当前 3.5 秒")), qPrintable(form->delayHint()->text()));
    form->Command1->click();
    QCOMPARE(stored(AppSettings::kDefaultCarrier), code);
    QCOMPARE(m_main.selected, code == QLatin1String("sf") ? QStringList() : QStringList{carrier});
    QCOMPARE(stored(AppSettings::kReadDelay), shown); // written as it stands
}

void TestSettingsDialog::leavingAsksAndKeepsImmediateActions()
{
    QPointer<SettingsDialog> form = open();
    form->show();
    form->Check1->click(); // takes effect at once, saved or not
    m_dialogs.answers = {false, true};
    form->Command2->click();
    QVERIFY(form->isVisible());
    QTest::keyClick(form.data(), Qt::Key_Escape);
    QVERIFY(form && !form->isVisible());
    QVERIFY(m_autoStart->IsEnabled());
    QVERIFY(!QFile::exists(m_folder->file(QStringLiteral("config.ini"))));

    form->show();
    m_dialogs.answers = {false, true};
    form->close();
    QVERIFY(form && form->isVisible());
    form->close();
    QTRY_VERIFY(form.isNull());
    QCOMPARE(m_dialogs.texts(), QStringList(4, QStringLiteral("确定已经保存并退出吗？？？")));
}

void TestSettingsDialog::archiveDaysReadSafelyAndSaved_data()
{
    QTest::addColumn<QString>("stored"); // a null text: the key is missing
    QTest::addColumn<int>("shown");
    QTest::newRow("missing") << QString() << 30;
    QTest::newRow("set") << QStringLiteral(" 45 ") << 45;
    QTest::newRow("zero") << QStringLiteral("0") << 30;
    QTest::newRow("no number") << QStringLiteral("abc") << 30;
    QTest::newRow("too large") << QStringLiteral("3651") << 30;
    QTest::newRow("largest") << QStringLiteral("3650") << 3650;
}

void TestSettingsDialog::archiveDaysReadSafelyAndSaved()
{
    QFETCH(QString, stored);
    QFETCH(int, shown);
    if (!stored.isNull())
        store(AppSettings::kArchiveDays, stored);
    QCOMPARE(WatchSettings::archiveDays(m_folder->path()), shown);
    QScopedPointer<SettingsDialog> form(open());
    QSpinBox *days = form->watchSettings->archiveDays;
    QCOMPARE(days->value(), shown);
    QVERIFY(!days->accessibleName().isEmpty());
    days->setValue(7);
    form->Command1->click();
    QCOMPARE(this->stored(AppSettings::kArchiveDays), QStringLiteral("7"));
    // The refresh settings beside it: off, two hours, notices on, until changed.
    WatchSettingsBox *box = form->watchSettings;
    QVERIFY(!box->autoRefresh->isChecked() && box->signingNotice->isChecked());
    QCOMPARE(box->refreshHours->value(), 2);
    QCOMPARE(box->refreshHours->minimum(), 1);
    box->autoRefresh->setChecked(true);
    box->refreshHours->setValue(1);
    box->signingNotice->setChecked(false);
    form->Command1->click();
    QVERIFY(WatchSettings::autoRefresh(m_folder->path()));
    QCOMPARE(WatchSettings::refreshHours(m_folder->path()), 1);
    QVERIFY(!WatchSettings::signingNotice(m_folder->path()));
    store(AppSettings::kRefreshHours, QStringLiteral("0")); // below the least interval
    QCOMPARE(WatchSettings::refreshHours(m_folder->path()), 2);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
