#include "core/Endpoints.h"
#include "settings/SettingsDialog.h"
#include "settings/Skins.h"
#include "support/MainWindowHarness.h"
#include "support/TinyHttpServer.h"
#include "update/UpdateWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The skin menu, the settings dialog and the update check as the main window
// drives them.
class TestMainWindowPrefs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void skinMenuWritesItsValueAndTheNextStartRestoresIt();
    void bothDefaultValuesStartWithTheDefaultSkin_data();
    void bothDefaultValuesStartWithTheDefaultSkin();
    void settingsDialogSelectsTheDefaultCarrierOnTheMainWindow();
    void startUpCheckShowsOnlyAnOffer_data();
    void startUpCheckShowsOnlyAnOffer();
    void updateMenuShowsTheResultAndKeepsIt();
    void everySkinLeavesTheInputButtonsReadable_data();
    void everySkinLeavesTheInputButtonsReadable();

private:
    TinyHttpServer m_server;
};

void TestMainWindowPrefs::initTestCase()
{
    QVERIFY(m_server.start());
    Endpoints hosts;
    hosts.makerSite = QStringLiteral("http://maker");
    hosts.backupSource1 = QStringLiteral("http://b1");
    hosts.updateServer = m_server.base();
    Endpoints::setCurrent(hosts);
}

void TestMainWindowPrefs::skinMenuWritesItsValueAndTheNextStartRestoresIt()
{
    Harness h;
    QVERIFY(child<QAction>(h.window, "defaultSkinAction")->isChecked());
    child<QAction>(h.window, "darkSkinAction")->trigger();
    QCOMPARE(h.setting(AppSettings::kSkin), u("1"));
    QVERIFY(child<QAction>(h.window, "darkSkinAction")->isChecked());
    QVERIFY(!child<QAction>(h.window, "defaultSkinAction")->isChecked());
    QCOMPARE(qApp->styleSheet().toUtf8(), h.folder.read(u("config/黑色酷炫.qss")));

    child<QAction>(h.window, "defaultSkinAction")->trigger();
    QCOMPARE(h.setting(AppSettings::kSkin), u("默认皮肤"));
    child<QAction>(h.window, "classicQqSkinAction")->trigger();
    QCOMPARE(h.setting(AppSettings::kSkin), u("3"));

    h.open();
    QVERIFY(child<QAction>(h.window, "classicQqSkinAction")->isChecked());
    QVERIFY(!child<QAction>(h.window, "darkSkinAction")->isChecked() &&
            !child<QAction>(h.window, "defaultSkinAction")->isChecked() &&
            !child<QAction>(h.window, "blocksSkinAction")->isChecked());
    QCOMPARE(qApp->styleSheet().toUtf8(), h.folder.read(u("config/腾讯QQ.qss")));
}

void TestMainWindowPrefs::bothDefaultValuesStartWithTheDefaultSkin_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("menu's value") << u("默认皮肤");
    QTest::newRow("dialog's value") << u("0");
    QTest::newRow("unknown") << u("9");
}

void TestMainWindowPrefs::bothDefaultValuesStartWithTheDefaultSkin()
{
    QFETCH(QString, value);
    Harness h(Harness::config(u("皮肤=") + value + u("\r\n")));
    QVERIFY(child<QAction>(h.window, "defaultSkinAction")->isChecked());
    QCOMPARE(qApp->styleSheet().toUtf8(), h.folder.read(u("config/skinh.qss")));
}

void TestMainWindowPrefs::settingsDialogSelectsTheDefaultCarrierOnTheMainWindow()
{
    Harness h(Harness::config(u("读取间隔=7\r\n")));
    h.startUp();
    QTest::mouseClick(carrierOption(h.window, 1), Qt::LeftButton);
    QCOMPARE(child<ClassicTimer>(h.window, "pageReadTimer")->interval(), 3500);
    QTest::mouseClick(child<QPushButton>(h.window, "settingsButton"), Qt::LeftButton);
    SettingsDialog *dialog = h.window->settingsWindow();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(child<ClassicTimer>(h.window, "pageReadTimer")->interval(),
             7000); // the stored delay, once the dialog has read it
    dialog->defaultCarrierCombo->setCurrentIndex(dialog->defaultCarrierCombo->findText(u("TNT")));
    QTest::mouseClick(dialog->saveButton, Qt::LeftButton);
    QCOMPARE(h.setting(AppSettings::kDefaultCarrier), u("TNT"));
    QCOMPARE(h.selectedListEntry(), u("TNT"));
    QCOMPARE(h.checkedButton(), 0);
    QCOMPARE(child<QLabel>(h.window, "carrierValueLabel")->text(), u("TNT"));
    QVERIFY(h.dialogs.texts().contains(u("设置成功！")));
    QVERIFY(!dialog->isVisible());

    // The read delay typed there is the harvest interval here.
    child<QAction>(h.window, "settingsAction")->trigger();
    QCOMPARE(h.window->settingsWindow(), dialog); // the same dialog, as it was left
    dialog->readDelayEdit->setText(QStringLiteral("2.5"));
    QCOMPARE(child<ClassicTimer>(h.window, "pageReadTimer")->interval(), 2500);
    dialog->readDelayEdit->setText(QStringLiteral("100"));
    QCOMPARE(dialog->readDelayEdit->text(), QStringLiteral("60"));
    QCOMPARE(child<ClassicTimer>(h.window, "pageReadTimer")->interval(), 60000);
    // A delay that cannot be applied leaves the interval and names it.
    dialog->readDelayEdit->setText(QStringLiteral("abc"));
    QCOMPARE(child<ClassicTimer>(h.window, "pageReadTimer")->interval(), 60000);
    QVERIFY(dialog->readDelayHintLabel->text().contains(u("当前 60 秒")));
    // "取消更新提示" keeps the update check at start from firing.
    dialog->noUpdatePromptCheckBox->click();
    QCOMPARE(child<ClassicTimer>(h.window, "updateCheckTimer")->interval(), 0);
    dialog->noUpdatePromptCheckBox->click();
    QCOMPARE(child<ClassicTimer>(h.window, "updateCheckTimer")->interval(), 6000);
}

void TestMainWindowPrefs::startUpCheckShowsOnlyAnOffer_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<bool>("shown");
    QTest::newRow("same version") << 200 << QByteArray("[Ver]\r\nnew=3.0\r\n") << false;
    QTest::newRow("newer version") << 200 << QByteArray("[Ver]\r\nnew=3.1\r\n") << true;
    QTest::newRow("server error") << 500 << QByteArray("oops") << false;
}

void TestMainWindowPrefs::startUpCheckShowsOnlyAnOffer()
{
    QFETCH(int, status);
    QFETCH(QByteArray, descriptor);
    QFETCH(bool, shown);
    m_server.answers.insert(QStringLiteral("/update.ini"), {status, "text/plain", descriptor});
    m_server.requests.clear();
    Harness h;
    QVERIFY(child<ClassicTimer>(h.window, "updateCheckTimer")->isRunning()); // armed by the load
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requests.contains(QStringLiteral("/update.ini")), 30000);
    QTRY_VERIFY(!child<ClassicTimer>(h.window, "updateCheckTimer")->isEnabled());
    if (shown) {
        QTRY_VERIFY_WITH_TIMEOUT(h.window->updateWindow() && h.window->updateWindow()->isVisible(), 30000);
        QCOMPARE(h.window->updateWindow()->resultLabel->text(), u("程序有更新！"));
        QVERIFY(h.window->updateWindow()->downloadButton->isVisible());
        QCOMPARE(m_server.requests.count(QStringLiteral("/update.ini")), 1); // one download, not two
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!h.window->findChild<UpdateCheck *>()->isRunning(), 30000); // the answer is in
        QVERIFY(!h.window->updateWindow());
    }
}

void TestMainWindowPrefs::updateMenuShowsTheResultAndKeepsIt()
{
    m_server.answers.insert(QStringLiteral("/update.ini"), {200, "text/plain", QByteArray("[Ver]\r\nnew=3.0\r\n")});
    Harness h(Harness::config(u("自动更新=1\r\n")));
    m_server.requests.clear();
    child<QAction>(h.window, "checkUpdateAction")->trigger();
    QTRY_COMPARE(h.window->updateWindow()->resultLabel->text(), u("程序无更新！"));
    QVERIFY(h.window->updateWindow()->continueButton->isVisible());
    QTest::mouseClick(h.window->updateWindow()->continueButton, Qt::LeftButton);
    QVERIFY(!h.window->updateWindow()->isVisible());
    child<QAction>(h.window, "checkUpdateAction")->trigger();
    QVERIFY(h.window->updateWindow()->isVisible());
    QCOMPARE(m_server.requests.count(QStringLiteral("/update.ini")), 1);
}

void TestMainWindowPrefs::everySkinLeavesTheInputButtonsReadable_data()
{
    QTest::addColumn<int>("skin");
    for (int i = 0; i < Skins::all().size(); ++i)
        QTest::newRow(qPrintable(Skins::all().at(i).menuItem)) << i;
}

// At the smallest size the window takes, each caption fits its button.
void TestMainWindowPrefs::everySkinLeavesTheInputButtonsReadable()
{
    QFETCH(int, skin);
    Harness h;
    h.window->chooseSkinFromMenu(skin);
    QApplication::processEvents();
    h.window->resize(h.window->minimumSize());
    QApplication::processEvents();
    for (QPushButton *b :
         {child<QPushButton>(h.window, "saveInputButton"), child<QPushButton>(h.window, "clearInputButton"),
          child<QPushButton>(h.window, "saveConciseResultsButton")}) {
        const QFontMetrics metrics(b->font());
        const QByteArray what =
            b->objectName().toLatin1() + ' ' + QByteArray::number(b->width()) + 'x' + QByteArray::number(b->height());
        QVERIFY2(b->width() >= metrics.horizontalAdvance(b->text()) + 8, what.constData());
        QVERIFY2(b->height() >= b->minimumSizeHint().height() && b->height() >= metrics.height() + 4, what.constData());
    }
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestMainWindowPrefs)
#include "tst_mainwindow_prefs.moc"
