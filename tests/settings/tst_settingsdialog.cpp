#include "app/Provisioning.h"
#include "carriers/CarrierCatalogue.h"
#include "settings/AppSettings.h"
#include "settings/RegisterLocation.h"
#include "settings/RegisterLocationBox.h"
#include "settings/WatchSettings.h"
#include "settings/WatchSettingsBox.h"

#include "settings/AutoStart.h"
#include "settings/SettingsDialog.h"
#include "settings/Skins.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"
#include <QCheckBox>
#include <QSpinBox>

#include <QtTest>
#include <QtWidgets>

namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// What the dialog announced, as the main window hears it.
struct Heard {
    QStringList carriers;
    QList<int> readIntervals, updateCheckIntervals;
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
    void registerLocationSavedWithoutItsPassword();
    void fitsASmallScreenAndScrollsToTheFocus();

private:
    SettingsDialog *open()
    {
        auto *dialog = new SettingsDialog(m_folder->path(), m_dialogs, *m_autoStart, 3500);
        connect(dialog, &SettingsDialog::carrierChosen, this, [this](const Carrier &c) { m_heard.carriers << c.name; });
        connect(dialog, &SettingsDialog::readIntervalChanged, this, [this](int ms) { m_heard.readIntervals << ms; });
        connect(dialog, &SettingsDialog::updateCheckIntervalChanged, this,
                [this](int ms) { m_heard.updateCheckIntervals << ms; });
        dialog->load();
        return dialog;
    }
    QString stored(const QString &key) const { return AppSettings::read(m_folder->path(), key); }
    void store(const QString &key, const QString &v) { QVERIFY(AppSettings::write(m_folder->path(), key, v).ok); }
    QString sheet(const QString &relative) const { return QString::fromUtf8(m_folder->read(relative)); }

    QScopedPointer<TestFolder> m_folder;
    QScopedPointer<AutoStart> m_autoStart;
    FakeDialogs m_dialogs;
    Heard m_heard;
};

void TestSettingsDialog::init()
{
    m_folder.reset(new TestFolder);
    QVERIFY(Provisioning::run(m_folder->path()).outcome.ok);
    m_autoStart.reset(new AutoStart(m_folder->file(QStringLiteral("autostart"))));
    m_dialogs = FakeDialogs();
    m_heard = Heard();
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
    QScopedPointer<SettingsDialog> dialog(open());
    QCOMPARE(dialog->defaultCarrierCombo->currentText(), QStringLiteral("TNT")); // the stored carrier, not "（不更改）"
    QVERIFY(!dialog->autoStartCheckBox->isChecked() && !dialog->noUpdatePromptCheckBox->isChecked());
    QCOMPARE(dialog->defaultSkinCombo->currentText(), QStringLiteral("默认皮肤"));
    QCOMPARE(dialog->readDelayEdit->text(), QStringLiteral("4"));
    // The stored "4" changes nothing.
    QVERIFY(m_heard.readIntervals.isEmpty() && m_heard.updateCheckIntervals.isEmpty());
    QVERIFY(!m_autoStart->IsEnabled());
    QCOMPARE(qApp->styleSheet(), sheet(QStringLiteral("config/skinh.qss")));
    for (QWidget *field :
         QList<QWidget *>{dialog->defaultCarrierCombo, dialog->defaultSkinCombo, dialog->autoStartCheckBox,
                          dialog->noUpdatePromptCheckBox, dialog->readDelayEdit})
        QVERIFY2(!field->accessibleName().isEmpty(), qPrintable(field->objectName()));

    dialog->show();
    dialog->autoStartCheckBox->click();
    dialog->noUpdatePromptCheckBox->click();
    dialog->readDelayEdit->setText(QStringLiteral("7"));
    dialog->defaultSkinCombo->setCurrentIndex(dialog->defaultSkinCombo->findText(skin));
    dialog->saveButton->click();
    const QStringList written{stored(AppSettings::kAutoStart), stored(AppSettings::kAutoUpdate),
                              stored(AppSettings::kReadDelay), stored(AppSettings::kSkin)};
    QCOMPARE(written, (QStringList{"1", "1", "7", value}));
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("设置成功！")});
    QVERIFY(!dialog->isVisible());

    // Shown again in the same run: the fields as they were left, config.ini not read again.
    store(AppSettings::kReadDelay, QStringLiteral("20"));
    dialog->show();
    QCOMPARE(dialog->readDelayEdit->text(), QStringLiteral("7"));

    QScopedPointer<SettingsDialog> next(open());
    QVERIFY(next->autoStartCheckBox->isChecked() && next->noUpdatePromptCheckBox->isChecked());
    QCOMPARE(next->readDelayEdit->text(), QStringLiteral("20"));
    QCOMPARE(m_heard.readIntervals, (QList<int>{7000, 20000}));
    QCOMPARE(m_heard.updateCheckIntervals, (QList<int>{0, 0, 0})); // the click, the save, the next load
    QCOMPARE(next->defaultSkinCombo->currentText(), skin);
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
    QTest::newRow("none, zero") << ""
                                << "sf"
                                << "0"
                                << "0" << 0;
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
    QScopedPointer<SettingsDialog> dialog(open());
    if (!carrier.isEmpty())
        dialog->defaultCarrierCombo->setCurrentIndex(dialog->defaultCarrierCombo->findText(carrier));
    dialog->readDelayEdit->setText(typed);
    QCOMPARE(dialog->readDelayEdit->text(), shown);
    QCOMPARE(m_heard.readIntervals, interval ? QList<int>{interval} : QList<int>());
    QCOMPARE(dialog->readDelayHintLabel->isHidden(), interval != 0);
    if (!interval && !typed.isEmpty())
        QVERIFY2(dialog->readDelayHintLabel->text().contains(QStringLiteral("读取延迟保持不变（当前 3.5 秒）")),
                 qPrintable(dialog->readDelayHintLabel->text()));
    dialog->saveButton->click();
    QCOMPARE(stored(AppSettings::kDefaultCarrier), code);
    QCOMPARE(m_heard.carriers, code == QLatin1String("sf") ? QStringList() : QStringList{carrier});
    QCOMPARE(stored(AppSettings::kReadDelay), shown); // written as it stands
}

void TestSettingsDialog::leavingAsksAndKeepsImmediateActions()
{
    QPointer<SettingsDialog> dialog = open();
    dialog->show();
    dialog->autoStartCheckBox->click(); // takes effect at once, saved or not
    m_dialogs.answers = {false, true};
    dialog->leaveButton->click();
    QVERIFY(dialog->isVisible());
    QTest::keyClick(dialog.data(), Qt::Key_Escape);
    QVERIFY(dialog && !dialog->isVisible());
    QVERIFY(m_autoStart->IsEnabled() && stored(AppSettings::kAutoStart) == QStringLiteral("1")); // they agree
    dialog->show();
    dialog->autoStartCheckBox->click();
    m_dialogs.answers = {true};
    dialog->leaveButton->click();
    QVERIFY(!m_autoStart->IsEnabled() && stored(AppSettings::kAutoStart) == QStringLiteral("0"));

    dialog->show();
    m_dialogs.answers = {false, true};
    dialog->close();
    QVERIFY(dialog && dialog->isVisible());
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(m_dialogs.texts(), QStringList(5, QStringLiteral("确定已经保存并退出吗？？？")));
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
    QScopedPointer<SettingsDialog> dialog(open());
    QSpinBox *days = dialog->watchSettingsGroup->archiveDays;
    QCOMPARE(days->value(), shown);
    QVERIFY(!days->accessibleName().isEmpty());
    days->setValue(7);
    dialog->saveButton->click();
    QCOMPARE(this->stored(AppSettings::kArchiveDays), QStringLiteral("7"));
    // The refresh settings beside it: off, two hours, notices on, until changed.
    WatchSettingsBox *box = dialog->watchSettingsGroup;
    QVERIFY(!box->autoRefresh->isChecked() && box->signingNotice->isChecked());
    QCOMPARE(box->refreshHours->value(), 2);
    QCOMPARE(box->refreshHours->minimum(), 1);
    box->autoRefresh->setChecked(true);
    box->refreshHours->setValue(1);
    box->signingNotice->setChecked(false);
    dialog->saveButton->click();
    QVERIFY(WatchSettings::autoRefresh(m_folder->path()));
    QCOMPARE(WatchSettings::refreshHours(m_folder->path()), 1);
    QVERIFY(!WatchSettings::signingNotice(m_folder->path()));
    store(AppSettings::kRefreshHours, QStringLiteral("0")); // below the least interval
    QCOMPARE(WatchSettings::refreshHours(m_folder->path()), 2);
    // The time flags' thresholds: 48 hours, 3, 7 and 2 days until changed.
    QCOMPARE((QList<int>{box->collectHours->value(), box->silentDays->value(), box->transitDays->value(),
                         box->pickupDays->value()}),
             (QList<int>{48, 3, 7, 2}));
    box->transitDays->setValue(10);
    dialog->saveButton->click();
    QCOMPARE(WatchSettings::limit(m_folder->path(), AppSettings::kTransitDays), 10);
    store(AppSettings::kCollectHours, QStringLiteral("0"));
    QCOMPARE(WatchSettings::limit(m_folder->path(), AppSettings::kCollectHours), 48);
}

void TestSettingsDialog::registerLocationSavedWithoutItsPassword()
{
    QScopedPointer<SettingsDialog> dialog(open());
    RegisterLocationBox *box = dialog->registerLocationGroup;
    QVERIFY(box->localChoice->isChecked());
    QVERIFY(!box->hostEdit->isEnabled() && !box->passwordEdit->isEnabled() && !box->testButton->isEnabled());
    for (QWidget *field : {static_cast<QWidget *>(box->hostEdit), static_cast<QWidget *>(box->sslModeCombo),
                           static_cast<QWidget *>(box->passwordEdit), static_cast<QWidget *>(box->testButton)})
        QVERIFY(!field->accessibleName().isEmpty() && field->focusPolicy() & Qt::TabFocus);

    box->serverChoice->click();
    QVERIFY(box->hostEdit->isEnabled() && box->testButton->isEnabled());
    // Nobody listens in this folder: the test says so on a worker, in Chinese.
    box->hostEdit->setText(m_folder->path());
    box->databaseEdit->setText(u("登记簿"));
    QSignalSpy tested(box, &RegisterLocationBox::tested);
    box->testButton->click();
    QVERIFY(!box->testButton->isEnabled());
    QVERIFY(tested.wait(30000));
    QCOMPARE(tested.first().first().toBool(), false);
    QVERIFY2(box->testResultLabel->text().startsWith(u("无法连接数据库服务器")),
             qPrintable(box->testResultLabel->text()));
    // The copy buttons name this PC's kd.db and the server the fields say.
    QSignalSpy toServer(box, &RegisterLocationBox::copyToServerAsked);
    QSignalSpy fromServer(box, &RegisterLocationBox::copyFromServerAsked);
    box->copyToServerButton->click();
    QCOMPARE(toServer.size(), 1);
    QVERIFY(fromServer.isEmpty());
    box->copyFromServerButton->click();
    QCOMPARE(toServer.first().at(0).value<StoreLocation>().file, QDir(m_folder->path()).filePath(u("kd.db")));
    QCOMPARE(toServer.first().at(1).value<ServerLocation>().database, u("登记簿"));
    QCOMPARE(fromServer.size(), 1);
    box->databaseEdit->clear();
    box->copyToServerButton->click();
    QCOMPARE(toServer.size(), 1);
    QCOMPARE(box->testResultLabel->text(), u("请填写数据库名（或服务名）。"));
    box->databaseEdit->setText(u("登记簿"));

    box->hostEdit->setText(QStringLiteral(" db.shop "));
    box->portBox->setValue(6543);
    box->userEdit->setText(u("前台"));
    box->sslModeCombo->setCurrentIndex(box->sslModeCombo->findText(QStringLiteral("verify-full")));
    box->passwordEdit->setText(QStringLiteral("s3cret"));
    dialog->saveButton->click();
    QVERIFY(m_dialogs.lastText().contains(u("重新启动程序后生效")));
    QCOMPARE(stored(RegisterLocation::kWhere), u("服务器"));
    QCOMPARE(stored(RegisterLocation::kHost), QStringLiteral("db.shop"));
    QCOMPARE(stored(RegisterLocation::kPort), QStringLiteral("6543"));
    QCOMPARE(stored(RegisterLocation::kSslMode), QStringLiteral("verify-full"));
    QVERIFY(!m_folder->read(QStringLiteral("config.ini")).contains("s3cret"));
    const StoreLocation read = RegisterLocation::read(m_folder->path());
    QVERIFY(read.onServer);
    QCOMPARE(read.server.database, u("登记簿"));
    QCOMPARE(read.server.password, QStringLiteral("s3cret")); // this run only

    // Back to kd.db: the server's keys stay for the next switch, and nothing else moves.
    dialog.reset(open());
    QVERIFY(dialog->registerLocationGroup->serverChoice->isChecked());
    QCOMPARE(dialog->registerLocationGroup->userEdit->text(), u("前台"));
    dialog->registerLocationGroup->localChoice->click();
    dialog->saveButton->click();
    QVERIFY(!RegisterLocation::read(m_folder->path()).onServer);
    QCOMPARE(stored(RegisterLocation::kHost), QStringLiteral("db.shop"));
    dialog->saveButton->click();
    QCOMPARE(m_dialogs.lastText(), u("设置成功！"));

    // A service of pg_service.conf may name the database itself.
    store(RegisterLocation::kWhere, u("服务器"));
    store(RegisterLocation::kDatabase, QString());
    QVERIFY(!RegisterLocation::read(m_folder->path()).onServer);
    store(RegisterLocation::kService, QStringLiteral("shop"));
    QCOMPARE(RegisterLocation::read(m_folder->path()).server.service, QStringLiteral("shop"));
    // Edited by hand: a quoted host with spaces inside the quotes, a port out of range.
    store(RegisterLocation::kHost, QStringLiteral("\" db.shop \""));
    store(RegisterLocation::kPort, QStringLiteral("70000"));
    const ServerLocation edited = RegisterLocation::read(m_folder->path()).server;
    QCOMPARE(edited.host, QStringLiteral("db.shop"));
    QCOMPARE(edited.port, ServerLocation().port);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"

// A laptop's 768 pixels, or the test platform's 600: the dialog stays within
// the screen with its buttons in view, and a field reached by Tab is scrolled to.
void TestSettingsDialog::fitsASmallScreenAndScrollsToTheFocus()
{
    QScopedPointer<SettingsDialog> dialog(open());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
    const QRect screen = dialog->screen()->availableGeometry();
    QVERIFY2(dialog->frameGeometry().height() <= screen.height(),
             qPrintable(QStringLiteral("%1 > %2").arg(dialog->frameGeometry().height()).arg(screen.height())));
    for (QWidget *button : {static_cast<QWidget *>(dialog->saveButton), static_cast<QWidget *>(dialog->leaveButton)})
        QVERIFY(dialog->rect().contains(QRect(button->mapTo(dialog.data(), QPoint()), button->size())));
    // With the server's fields shown, Tab from the first field reaches the
    // lowest one, brought into view.
    dialog->registerLocationGroup->findChild<QAbstractButton *>(QStringLiteral("serverChoice"))->click();
    const auto inView = [&dialog](QWidget *w) {
        return dialog->rect().contains(QRect(w->mapTo(dialog.data(), QPoint()), w->size()));
    };
    dialog->activateWindow();
    dialog->defaultCarrierCombo->setFocus();
    // The lowest field that Tab can reach.
    QWidget *last = nullptr;
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(dialog.data()) &&
            w->window() == dialog.data() && !dialog->saveButton->isAncestorOf(w) && w != dialog->saveButton &&
            w != dialog->leaveButton &&
            (!last || w->mapTo(dialog.data(), QPoint()).y() > last->mapTo(dialog.data(), QPoint()).y()))
            last = w;
    }
    QVERIFY2(last && !inView(last), last ? qPrintable(last->objectName()) : "none");
    for (int tab = 0; tab < 80 && QApplication::focusWidget() != last; ++tab)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), last);
    QVERIFY(inView(last));
}
