#include "app/AboutWindow.h"
#include "app/MainWindow.h"
#include "app/Provisioning.h"
#include "app/QueryController.h"
#include "app/Startup.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "core/GbkText.h"
#include "manage/DetailsDialog.h"
#include "manage/ManagementWindow.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "store/CheckHistory.h"
#include "store/QuickSearch.h"
#include "store/Waybills.h"
#include "support/FakeBrowser.h"
#include "support/FakeDialogs.h"
#include "support/MainWindowHarness.h"
#include "support/TestFolder.h"

#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTreeView>
#include <QWindow>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void loadDoesItsStepsInOrder();
    void updateCheckIsArmedOnlyByExactlyZero_data();
    void updateCheckIsArmedOnlyByExactlyZero();
    void startUpSelection_data();
    void startUpSelection();
    void dataSourceClearsTheCarrierAndSetsTheButtons();
    void carrierPagesFollowTheSource();
    void historyPick();
    void inputBoxesMirrorAndTrim();
    void saveMessagesAndDuplicateThroughAPick();
    void clearKeepsDateAndCarrier();
    void homePageButton();
    void closeQuestionAndExits();
    void aboutWindowLink();
    void managementWindowShowsTheRegisterAndTheCurrentWaybill();
    void historyListLeavesArchivedWaybillsOutUntilAsked();
    void everyInputHasAnAccessibleName();
    void theNumberNamesItsCarrier();
    void pastedNumbersAndTheHintByKeyboard();
    void windowPlaceIsKeptAcrossStarts();
    void windowPlaceIsAFixedPointEvenMaximised();
    void roomOnRealScreens_data();
    void roomOnRealScreens();
    void enterInTheNumberRunsTheConciseQuery();
    void olderRegisterIsIndexedForSearchWithItsProgressShown();
    void serverDownAtStartIsToldWithoutHoldingTheWindow();
};

void TestMainWindow::initTestCase()
{
    Endpoints hosts;
    hosts.makerSite = QStringLiteral("http://maker");
    hosts.defaultSource = QStringLiteral("http://d");
    hosts.defaultSourceAlternate = QStringLiteral("http://alt");
    hosts.backupSource1 = QStringLiteral("http://b1");
    hosts.backupSource2 = QStringLiteral("http://b2");
    Endpoints::setCurrent(hosts);
}

void TestMainWindow::loadDoesItsStepsInOrder()
{
    Harness h(Harness::config(u("版本号=2.9\r\n")));
    MainWindow &w = *h.window;
    QVERIFY(child<QRadioButton>(&w, "currentNumberOption")->isChecked());
    QCOMPARE(h.browser->addresses, QStringList{QStringLiteral("http://maker")});
    QCOMPARE(w.statusLine(), u("当前快递单号：   公司："));
    QCOMPARE(child<QLineEdit>(&w, "timeEdit")->text(), QStringLiteral("2026/12/7"));
    QCOMPARE(child<QLabel>(&w, "timeValueLabel")->text(), QStringLiteral("2026/12/7"));
    QCOMPARE(h.setting(AppSettings::kVersion), QStringLiteral("3.0"));
    QVERIFY(child<QPushButton>(&w, "conciseQueryButton")->isEnabled() &&
            child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    QVERIFY(w.findChild<QLabel *>(QStringLiteral("clockLabel"))->text().startsWith(u("当前时间：")));
}

void TestMainWindow::updateCheckIsArmedOnlyByExactlyZero_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("armed");
    QTest::newRow("missing") << QString() << true;
    QTest::newRow("0") << u("0") << true;
    QTest::newRow("1") << u("1") << false;
    QTest::newRow("2") << u("2") << false;
}

void TestMainWindow::updateCheckIsArmedOnlyByExactlyZero()
{
    QFETCH(QString, value);
    QFETCH(bool, armed);
    Harness h(value.isNull() ? QByteArray() : Harness::config(u("自动更新=") + value + u("\r\n")));
    QCOMPARE(child<ClassicTimer>(h.window, "updateCheckTimer")->isRunning(), armed);
}

void TestMainWindow::startUpSelection_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("listEntry");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("hotline");
    QTest::addColumn<QString>("lastPage");
    QTest::addColumn<bool>("autoSave");
    QTest::addColumn<bool>("queryButtons");

    QTest::newRow("backup 2 and TNT") << u("数据来源=byly2\r\n默认快递=TNT\r\n") << 0 << u("TNT") << u("TNT")
                                      << u("800-820-9868") << u("http://b2/index.html?types=tnt") << false << false;
    QTest::newRow("nothing stored") << QString() << 0 << QString() << QString() << QString() << u("http://maker")
                                    << false << true;
    QTest::newRow("auto-save 0.5") << u("自动保存=0.5\r\n") << 0 << QString() << QString() << QString()
                                   << u("http://maker") << true << true;
    QTest::newRow("lower-case ems") << u("默认快递=ems\r\n") << 0 << QString() << QString() << QString()
                                    << u("http://maker") << false << true;
    QTest::newRow("EMS, no source") << u("默认快递=EMS\r\n自动保存=1\r\n") << 1 << QString() << u("EMS(E邮宝)")
                                    << u("11185") << u("http://b1/ems.html") << true << true;
    QTest::newRow("default source, sf") << u("数据来源=mrly\r\n默认快递=sf\r\n自动保存=是\r\n") << 2 << QString()
                                        << u("顺丰速运") << u("4008-111-111") << u("http://d/all/sf.shtml") << false
                                        << false;
}

void TestMainWindow::startUpSelection()
{
    QFETCH(QString, settings);
    QFETCH(int, button);
    QFETCH(QString, listEntry);
    QFETCH(QString, carrier);
    QFETCH(QString, hotline);
    QFETCH(QString, lastPage);
    QFETCH(bool, autoSave);
    QFETCH(bool, queryButtons);
    Harness h(settings.isNull() ? QByteArray() : Harness::config(settings));
    h.startUp();
    MainWindow &w = *h.window;
    QCOMPARE(h.checkedButton(), button);
    QCOMPARE(h.selectedListEntry(), listEntry);
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), carrier);
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), hotline);
    QCOMPARE(h.browser->addresses.last(), lastPage);
    QCOMPARE(child<QCheckBox>(&w, "autoSaveCheckBox")->isChecked(), autoSave);
    // The detailed query brings its own pages: it is offered with any source.
    QVERIFY(child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    QCOMPARE(child<QPushButton>(&w, "conciseQueryButton")->isEnabled(),
             queryButtons || child<QRadioButton>(&w, "defaultSourceOption")->isChecked());
    if (settings.contains(u("byly2"))) {
        QVERIFY(child<QRadioButton>(&w, "backupSource2Option")->isChecked());
        // The list carrier's start page came first, then the page of the source.
        QCOMPARE(h.browser->addresses.mid(1, 1), QStringList{u("http://alt/all/tnt.shtml")});
    }
}

void TestMainWindow::dataSourceClearsTheCarrierAndSetsTheButtons()
{
    Harness h;
    h.startUp();
    MainWindow &w = *h.window;
    QTest::mouseClick(carrierOption(&w, 0), Qt::LeftButton);
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("EMS(E邮宝)"));
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), u("11185"));
    const int pagesBefore = h.browser->addresses.size();
    QTest::mouseClick(child<QRadioButton>(&w, "backupSource1Option"), Qt::LeftButton);
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty());
    QCOMPARE(h.checkedButton(), 0);
    QVERIFY(h.selectedListEntry().isEmpty());
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), u("11185")); // the hotline stays
    QVERIFY(child<QPushButton>(&w, "detailedQueryButton")->isEnabled() &&
            !child<QPushButton>(&w, "conciseQueryButton")->isEnabled());
    QCOMPARE(child<QPushButton>(&w, "conciseQueryButton")->toolTip(), u("简洁查询只能在默认来源下使用"));
    QCOMPARE(h.setting(AppSettings::kDataSource), u("byly1"));
    QCOMPARE(h.browser->addresses.size(), pagesBefore); // no page until a carrier is chosen
    QCOMPARE(w.statusLine(), u("当前快递单号：   公司："));

    QTest::mouseClick(child<QRadioButton>(&w, "defaultSourceOption"), Qt::LeftButton);
    QVERIFY(child<QRadioButton>(&w, "defaultSourceOption")->isChecked() &&
            !child<QRadioButton>(&w, "backupSource1Option")->isChecked());
    QVERIFY(child<QPushButton>(&w, "conciseQueryButton")->isEnabled() &&
            child<QPushButton>(&w, "detailedQueryButton")->isEnabled());
    QCOMPARE(h.setting(AppSettings::kDataSource), u("mrly"));
}

void TestMainWindow::carrierPagesFollowTheSource()
{
    Harness h;
    h.startUp();
    MainWindow &w = *h.window;
    QTest::mouseClick(child<QRadioButton>(&w, "backupSource2Option"), Qt::LeftButton);
    QTest::mouseClick(carrierOption(&w, 9), Qt::LeftButton); // 一邦速递 has no page on backup 2
    QCOMPARE(h.browser->addresses.last(), u("http://b1/ebon.html"));

    // The list works by keyboard as well as by mouse.
    child<QListWidget>(&w, "otherCarriersList")->setFocus();
    child<QListWidget>(&w, "otherCarriersList")->setCurrentRow(1);
    QCOMPARE(h.selectedListEntry(), u("UPS"));
    QCOMPARE(h.checkedButton(), 0);
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("UPS"));
    QCOMPARE(h.browser->addresses.last(), u("http://b1/ups.html"));

    // Choosing CCES refreshes the status line too.
    QTest::mouseClick(carrierOption(&w, 11), Qt::LeftButton);
    QVERIFY(h.selectedListEntry().isEmpty());
    QCOMPARE(w.statusLine(), u("当前快递单号：   公司：CCES"));
}

void TestMainWindow::historyPick()
{
    Harness h(QByteArray(), {u("111|顺丰速运"), u("222|德邦物流"), u("333|佳吉快运")});
    h.startUp();
    MainWindow &w = *h.window;
    w.show();
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(0, 0).data().toString(), u("未签收"));
    // The newest first; a click on 快递单号 sorts by number, and a pick still takes the row clicked.
    const auto shown = [&w] {
        QStringList numbers;
        for (int r = 0; r < child<QTreeView>(&w, "historyView")->model()->rowCount(); ++r)
            numbers << child<QTreeView>(&w, "historyView")->model()->index(r, 2).data().toString();
        return numbers;
    };
    QCOMPARE(shown(), (QStringList{u("333"), u("222"), u("111")}));
    QHeaderView *header = child<QTreeView>(&w, "historyView")->header();
    const auto clickHeader = [header](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
    };
    clickHeader(2);
    QCOMPARE(shown(), (QStringList{u("111"), u("222"), u("333")}));
    clickHeader(1);
    clickHeader(1); // carriers, last first: 顺丰速运, 德邦物流, 佳吉快运
    QCOMPARE(shown(), (QStringList{u("111"), u("222"), u("333")}));

    h.pickHistory(QStringLiteral("111"));
    QCOMPARE(h.checkedButton(), 2);
    QCOMPARE(child<QLabel>(&w, "numberValueLabel")->text(), QStringLiteral("111"));
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), u("4008-111-111"));
    QCOMPARE(h.browser->addresses.last(), u("http://b1/sf.html"));
    QCOMPARE(w.statusLine(), u("当前快递单号：111   公司：顺丰速运"));

    h.pickHistory(QStringLiteral("222"));
    QCOMPARE(h.checkedButton(), 0);
    QCOMPARE(h.selectedListEntry(), u("德邦物流"));
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), u("400-830-5555"));
    QCOMPARE(h.browser->addresses.last(), u("http://b1/deppon.html"));

    const int pages = h.browser->addresses.size();
    h.pickHistory(QStringLiteral("333"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("佳吉快运"));
    QCOMPARE(child<QLabel>(&w, "numberValueLabel")->text(), QStringLiteral("333"));
    QCOMPARE(w.statusLine(), u("当前快递单号：333   公司：佳吉快运"));
    QCOMPARE(h.selectedListEntry(), u("德邦物流")); // the selection stays as it was
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), u("400-830-5555"));
    QCOMPARE(h.browser->addresses.size(), pages);
    QVERIFY(child<QLineEdit>(&w, "numberEdit")->text().isEmpty()); // the pick changes no input box
}

void TestMainWindow::inputBoxesMirrorAndTrim()
{
    Harness h;
    MainWindow &w = *h.window;
    w.show();
    child<QLineEdit>(&w, "numberEdit")->setFocus();
    QTest::keyClicks(child<QLineEdit>(&w, "numberEdit"), QStringLiteral(" SF1 "));
    QCOMPARE(child<QLineEdit>(&w, "numberEdit")->text(), QStringLiteral("SF1"));
    QCOMPARE(child<QLabel>(&w, "numberValueLabel")->text(), QStringLiteral("SF1"));
    QCOMPARE(w.statusLine(), u("当前快递单号：SF1   公司："));
    child<QLineEdit>(&w, "notesEdit")->setText(u("  易碎  "));
    QCOMPARE(child<QLineEdit>(&w, "notesEdit")->text(), u("易碎"));
    QCOMPARE(child<QLabel>(&w, "notesValueLabel")->text(), u("易碎"));
    child<QLineEdit>(&w, "addressEdit")->setText(u(" 北京 "));
    QCOMPARE(child<QLabel>(&w, "addressValueLabel")->text(), u(" 北京 ")); // only the number and notes are trimmed
    // A zero-width no-break space pasted with a number is a blank, not part of it.
    child<QLineEdit>(&w, "numberEdit")->setText(QChar(0xFEFF) + u("SF2 \uFEFF"));
    QCOMPARE(child<QLabel>(&w, "numberValueLabel")->text(), QStringLiteral("SF2"));
    // The label shows the number as it is stored and queried, whatever way it was typed.
    child<QLineEdit>(&w, "numberEdit")->setText(u("ｓｆ１２３　456 7"));
    QCOMPARE(child<QLabel>(&w, "numberValueLabel")->text(), QStringLiteral("SF1234567"));
    // A box takes no more than its column holds.
    QTest::keyClicks(child<QLineEdit>(&w, "nameEdit"), QString(25, QLatin1Char('x')));
    QCOMPARE(child<QLineEdit>(&w, "nameEdit")->text().size(), 20);
    // Counted in characters as the user sees them, as the column counts them.
    const QString parcels = QString::fromUtf8("\U0001F4E6").repeated(20);
    child<QLineEdit>(&w, "nameEdit")->clear();
    child<QLineEdit>(&w, "nameEdit")->insert(parcels);
    QCOMPARE(child<QLineEdit>(&w, "nameEdit")->text(), parcels);
    child<QLineEdit>(&w, "nameEdit")->insert(QStringLiteral("x"));
    QCOMPARE(child<QLineEdit>(&w, "nameEdit")->text(), parcels);
}

void TestMainWindow::saveMessagesAndDuplicateThroughAPick()
{
    Harness h(QByteArray(), {u("OLD|TNT")});
    h.startUp();
    MainWindow &w = *h.window;
    w.show();
    QTest::mouseClick(child<QPushButton>(&w, "saveInputButton"), Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), u("快递单号不能为空！"));
    QVERIFY(child<ClassicTimer>(&w, "historyRefreshTimer")->isEnabled());

    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("NEW1"));
    QTest::mouseClick(child<QPushButton>(&w, "saveInputButton"), Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), u("呵呵，忘记选择快递公司啦！"));

    QTest::mouseClick(carrierOption(&w, 1), Qt::LeftButton);
    child<QLineEdit>(&w, "goodsEdit")->setText(u("书'籍"));
    h.dialogs.clear();
    QTest::mouseClick(child<QPushButton>(&w, "saveInputButton"), Qt::LeftButton);
    QVERIFY(h.dialogs.shown.isEmpty()); // a good save says nothing
    QSignalSpy refreshed(w.window(), SIGNAL(historyLoaded()));
    QVERIFY(refreshed.wait(30000)); // the list refills about a second later
    QVERIFY(h.historyRowOf(QStringLiteral("NEW1")) >= 0);
    const Waybill saved = Waybills(w.store()).find(QStringLiteral("NEW1")).value();
    QCOMPARE(saved.carrier, u("顺丰速运"));
    QCOMPARE(saved.goods, u("书'籍"));
    QCOMPARE(saved.daysInTransit, u("0天 "));
    QCOMPARE(saved.time, QStringLiteral("2026/12/7"));
    QVERIFY(saved.name.isEmpty() && !saved.name.isNull());

    QTest::mouseClick(child<QPushButton>(&w, "saveInputButton"), Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), u("快递单号已存在！"));

    // A pick puts a stored number into the label while the box holds another:
    // the number that would be stored is the one tested.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("FRESH"));
    h.pickHistory(QStringLiteral("OLD"));
    QTest::mouseClick(child<QPushButton>(&w, "saveInputButton"), Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), u("快递单号已存在！"));
    QVERIFY(!Waybills(w.store()).numberExists(QStringLiteral("FRESH")));
}

void TestMainWindow::clearKeepsDateAndCarrier()
{
    Harness h;
    MainWindow &w = *h.window;
    QTest::mouseClick(carrierOption(&w, 4), Qt::LeftButton);
    for (QLineEdit *box :
         {child<QLineEdit>(&w, "numberEdit"), child<QLineEdit>(&w, "nameEdit"), child<QLineEdit>(&w, "phoneEdit"),
          child<QLineEdit>(&w, "notesEdit"), child<QLineEdit>(&w, "amountEdit"), child<QLineEdit>(&w, "addressEdit"),
          child<QLineEdit>(&w, "goodsEdit")})
        box->setText(QStringLiteral("x"));
    QTest::mouseClick(child<QPushButton>(&w, "clearInputButton"), Qt::LeftButton);
    for (QLineEdit *box :
         {child<QLineEdit>(&w, "numberEdit"), child<QLineEdit>(&w, "nameEdit"), child<QLineEdit>(&w, "phoneEdit"),
          child<QLineEdit>(&w, "notesEdit"), child<QLineEdit>(&w, "amountEdit"), child<QLineEdit>(&w, "addressEdit"),
          child<QLineEdit>(&w, "goodsEdit")})
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    for (QLabel *mirror : {child<QLabel>(&w, "numberValueLabel"), child<QLabel>(&w, "notesValueLabel"),
                           child<QLabel>(&w, "goodsValueLabel"), child<QLabel>(&w, "amountValueLabel"),
                           child<QLabel>(&w, "nameValueLabel"), child<QLabel>(&w, "phoneValueLabel"),
                           child<QLabel>(&w, "addressValueLabel")})
        QVERIFY(mirror->text().isEmpty());
    QCOMPARE(child<QLineEdit>(&w, "timeEdit")->text(), QStringLiteral("2026/12/7"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("韵达快运"));
    QCOMPARE(w.statusLine(), u("当前快递单号：   公司：韵达快运"));

    child<QCheckBox>(&w, "autoSaveCheckBox")->click();
    QCOMPARE(h.setting(AppSettings::kAutoSave), u("1"));
    child<QCheckBox>(&w, "autoSaveCheckBox")->click();
    QCOMPARE(h.setting(AppSettings::kAutoSave), u("0"));
}

void TestMainWindow::homePageButton()
{
    Harness h;
    QTest::mouseClick(child<QPushButton>(h.window, "carrierHomePageButton"), Qt::LeftButton);
    QVERIFY(h.launcher.urls.isEmpty());
    child<QListWidget>(h.window, "otherCarriersList")->setCurrentRow(0);
    QTest::mouseClick(child<QPushButton>(h.window, "carrierHomePageButton"), Qt::LeftButton);
    QCOMPARE(h.launcher.urls, QStringList{FindCarrierByName(u("TNT"))->homePage});
    QTest::mouseClick(carrierOption(h.window, 2), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(h.window, "carrierHomePageButton"), Qt::LeftButton);
    QCOMPARE(h.launcher.urls.last(), FindCarrierByName(u("申通E物流"))->homePage);
    QCOMPARE(h.launcher.urls.size(), 2);
}

void TestMainWindow::closeQuestionAndExits()
{
    Harness h;
    MainWindow &w = *h.window;
    w.show();
    h.dialogs.answers = {false};
    QVERIFY(!w.close());
    QCOMPARE(h.dialogs.shown.last().kind, QStringLiteral("okcancel"));
    QCOMPARE(h.dialogs.lastText(), u("欢迎访问") + Maker::kSiteName + u("！！！确要退出吗？？？"));
    QVERIFY(w.isVisible());
    QVERIFY(!h.quit);
    QVERIFY(child<ClassicTimer>(&w, "clockTimer")->isRunning());

    // The tray: a double-click restores the window at the top-left corner.
    w.showMinimized();
    w.trayActivated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!w.isMinimized());
    QCOMPARE(w.pos(), QPoint(0, 0));

    // "退出" ends at once, without a question, and drops update.ini.
    h.folder.write(QStringLiteral("update.ini"), QByteArray("[Ver]\r\nnew=3.1\r\n"));
    h.dialogs.clear();
    child<QAction>(&w, "trayExitAction")->trigger();
    QVERIFY(h.quit);
    QVERIFY(h.dialogs.shown.isEmpty());
    QVERIFY(!QFile::exists(h.folder.file(QStringLiteral("update.ini"))));

    Harness h2;
    h2.window->show();
    h2.dialogs.answers = {true};
    QVERIFY(h2.window->close());
    QVERIFY(h2.quit);
    QVERIFY(h2.window->width() <= 133 + 13);
}

void TestMainWindow::aboutWindowLink()
{
    Harness h;
    child<QAction>(h.window, "aboutAction")->trigger();
    AboutWindow *about = h.window->aboutWindow();
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->windowTitle(), u("关于"));
    Q_EMIT about->makerSiteLabel->linkActivated(QStringLiteral("http://maker"));
    QCOMPARE(h.launcher.urls, QStringList{QStringLiteral("http://maker")});
    child<QAction>(h.window, "helpAction")->trigger();
    QCOMPARE(h.launcher.files, QStringList{h.folder.file(QStringLiteral("help.txt"))});
    // The menu item is named by its caption; the tip is its description.
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(h.window->menuBar());
    QStringList names;
    for (int i = 0; i < bar->childCount(); ++i)
        names << bar->child(i)->text(QAccessible::Name);
    QVERIFY2(names.contains(u("访问我的网站，欢迎提供宝贵建议")), qPrintable(names.join(QLatin1Char('|'))));
    QVERIFY(child<QAction>(h.window, "makerSiteAction")->toolTip().startsWith(u("Tips:软件启动慢的话")));
    h.launcher.opens = false; // no program for text: the user is told where the file is
    child<QAction>(h.window, "helpAction")->trigger();
    QVERIFY(h.dialogs.lastText().contains(QDir::toNativeSeparators(h.folder.file(QStringLiteral("help.txt")))));
    h.launcher.opens = true;
    h.launcher.files.clear();
    h.dialogs.clear();

    // Where the register lives, shown and opened; without a file manager the user is told the path.
    QCOMPARE(about->dataFolderLabel->text(), QDir::toNativeSeparators(h.folder.path()));
    about->openDataFolderButton->click();
    QCOMPARE(h.launcher.files.last(), h.folder.path());
    h.launcher.opens = false;
    about->openDataFolderButton->click();
    QVERIFY(h.dialogs.lastText().contains(QDir::toNativeSeparators(h.folder.path())));
}

void TestMainWindow::managementWindowShowsTheRegisterAndTheCurrentWaybill()
{
    Harness h(QByteArray(), {u("M1|TNT"), u("M2|UPS")});
    h.startUp();
    MainWindow &w = *h.window;
    QTest::mouseClick(carrierOption(&w, 1), Qt::LeftButton);
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("CUR9"));
    child<QLineEdit>(&w, "goodsEdit")->setText(u("茶叶"));
    QTest::mouseClick(child<QPushButton>(&w, "managementButton"), Qt::LeftButton);
    ManagementWindow *management = w.managementWindow();
    QVERIFY(management && management->isVisible());
    QCOMPARE(management->windowTitle(), u("快递单管理"));
    QTRY_COMPARE(management->waybillGrid->model()->rowCount(), 2);

    // No row selected in the grid: the details show the main window's current waybill.
    management->showDetails();
    auto *details = management->findChild<DetailsDialog *>();
    QVERIFY(details && details->isVisible());
    QCOMPARE(details->numberValueLabel->text(), QStringLiteral("CUR9"));
    QCOMPARE(details->carrierValueLabel->text(), u("顺丰速运"));
    QCOMPARE(details->goodsValueLabel->text(), u("茶叶"));

    // An import there refreshes the history list here a second later.
    QVERIFY(!child<ClassicTimer>(&w, "historyRefreshTimer")->isEnabled());
    Q_EMIT management->waybillsImported();
    QVERIFY(child<ClassicTimer>(&w, "historyRefreshTimer")->isEnabled());

    // A second click brings the same window forward.
    QTest::mouseClick(child<QPushButton>(&w, "managementButton"), Qt::LeftButton);
    QCOMPARE(w.managementWindow(), management);
}

void TestMainWindow::historyListLeavesArchivedWaybillsOutUntilAsked()
{
    Harness h(Harness::config(u("归档天数=5\r\n")), {u("OLD|顺丰速运"), u("NEW|顺丰速运")});
    MainWindow &w = *h.window;
    const QDateTime now = h.clock.now();
    QVERIFY(CheckHistory(w.store())
                .recordCheck({QStringLiteral("OLD"), now.addDays(-6), StateSource::kConcise, u("已签收"), true})
                .newlySigned);
    QVERIFY(CheckHistory(w.store())
                .recordCheck({QStringLiteral("NEW"), now.addDays(-5), StateSource::kConcise, u("已签收"), true})
                .newlySigned);
    h.startUp();
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->rowCount(), 1);
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(0, 2).data().toString(), QStringLiteral("NEW"));
    child<QCheckBox>(&w, "showArchivedCheckBox")->click();
    QTRY_COMPARE(child<QTreeView>(&w, "historyView")->model()->rowCount(), 2);
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(0, 0).data().toString(),
             u("已签收")); // the newest first
    QCOMPARE(child<QTreeView>(&w, "historyView")->model()->index(1, 0).data().toString(), u("已签收（已归档）"));
}

void TestMainWindow::everyInputHasAnAccessibleName()
{
    Harness h;
    QStringList unnamed;
    const auto widgets = h.window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const bool needsName = qobject_cast<QLineEdit *>(widget) ||
                               (qobject_cast<QAbstractItemView *>(widget) && !qobject_cast<QHeaderView *>(widget)) ||
                               qobject_cast<QPlainTextEdit *>(widget) || qobject_cast<QTextEdit *>(widget);
        if (needsName && widget->accessibleName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
            unnamed << (widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                       : widget->objectName());
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(','))));
    QCOMPARE(child<QLineEdit>(h.window, "numberEdit")->accessibleName(), u("单号"));
    QCOMPARE(child<QListWidget>(h.window, "otherCarriersList")->accessibleName(), u("其他快递公司："));
    QCOMPARE(child<QLabel>(h.window, "numberValueLabel")->accessibleDescription(),
             u("运单号")); // its name is its value
}

// Pasted with a label and dashes, 单号 keeps the number alone; two numbers and
// a mobile number choose nothing. The hint's links are reached by Tab and
// taken by Enter, Esc in 单号 undoes the automatic choice, and a screen reader
// hears the hint as it is shown.
void TestMainWindow::pastedNumbersAndTheHintByKeyboard()
{
    Harness h;
    MainWindow &w = *h.window;
    QApplication::setActiveWindow(&w);
    const auto heard = [&w] {
        return QAccessible::queryAccessibleInterface(child<QLabel>(&w, "detectionLabel"))->text(QAccessible::Name);
    };
    const auto tabToHintAndPress = [&w] {
        child<QLineEdit>(&w, "numberEdit")->setFocus();
        QTest::keyClick(child<QLineEdit>(&w, "numberEdit"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(child<QLabel>(&w, "detectionLabel")));
        QTest::keyClick(child<QLabel>(&w, "detectionLabel"), Qt::Key_Return);
    };

    child<QLineEdit>(&w, "numberEdit")->setFocus();
    child<QLineEdit>(&w, "numberEdit")->setText(u("运单号：SF-1234-5678-90123"));
    QCOMPARE(child<QLineEdit>(&w, "numberEdit")->text(), QStringLiteral("SF1234567890123"));
    QCOMPARE(child<QLabel>(&w, "numberValueLabel")->text(), QStringLiteral("SF1234567890123"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("顺丰速运"));
    QCOMPARE(heard(), u("已自动选择：顺丰速运（SF + 12–13 位数字） 撤销"));
    QTest::keyClick(child<QLineEdit>(&w, "numberEdit"), Qt::Key_Escape);
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty());
    QCOMPARE(heard(), u("可能是：顺丰速运"));
    tabToHintAndPress();
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("顺丰速运"));

    child<QLineEdit>(&w, "numberEdit")->clear();
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("YT1234567890123"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("圆通快递"));
    tabToHintAndPress(); // 撤销
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty());
    // Shift+Tab from the control after the hint reaches its last link.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("781234567890"));
    QCOMPARE(heard(), u("可能是：中通速递 / 联邦快递"));
    QWidget *after = child<QLabel>(&w, "detectionLabel")->nextInFocusChain();
    while (!(after->focusPolicy() & Qt::TabFocus) || !after->isVisibleTo(&w) || !after->isEnabled())
        after = after->nextInFocusChain();
    after->setFocus();
    QTest::keyClick(after, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(child<QLabel>(&w, "detectionLabel")));
    QTest::keyClick(child<QLabel>(&w, "detectionLabel"), Qt::Key_Return);
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("联邦快递"));
    // Two numbers are refused; the user's carrier stays, and Esc leaves it.
    child<QLineEdit>(&w, "numberEdit")->end(false);
    child<QLineEdit>(&w, "numberEdit")->insert(QStringLiteral(",781234567891"));
    QCOMPARE(heard(), u("单号框里有 2 个单号（781234567890、781234567891），一次只能填一个；多个单号请用“批量快递单”"));
    QTest::keyClick(child<QLineEdit>(&w, "numberEdit"), Qt::Key_Escape);
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("联邦快递"));
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("15912345678")); // said under a chosen carrier too
    QCOMPARE(heard(), u("像是手机号码，不是快递单号"));
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("781234567890"));
    QVERIFY(child<QLabel>(&w, "detectionLabel")->isHidden());

    child<QLineEdit>(&w, "numberEdit")->clear();
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("SF1234567890123"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("顺丰速运"));
    child<QLineEdit>(&w, "numberEdit")->end(false);
    child<QLineEdit>(&w, "numberEdit")->insert(QStringLiteral(" YT1234567890123"));
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty() && heard().startsWith(u("单号框里有 2 个单号")));
}

void TestMainWindow::windowPlaceIsKeptAcrossStarts()
{
    Harness h;
    h.window->move(20, 30);
    h.window->resize(760, 700);
    QApplication::processEvents();
    const int historyHeight = child<QSplitter>(h.window, "lowerSplitter")->sizes().at(1);
    QTest::keyClick(child<QSplitter>(h.window, "lowerSplitter")->handle(1), Qt::Key_Down); // a keyboard moves it too
    QApplication::processEvents();
    const QList<int> lower = child<QSplitter>(h.window, "lowerSplitter")->sizes();
    QCOMPARE(lower.at(1), historyHeight - 20);
    const QList<int> areas = child<QSplitter>(h.window, "areaSplitter")->sizes();
    h.dialogs.answers = {true};
    QVERIFY(h.window->close());
    h.open();
    QCOMPARE(h.window->pos(), QPoint(20, 30));
    QCOMPARE(h.window->size(), QSize(760, 700));
    QApplication::processEvents();
    QCOMPARE(child<QSplitter>(h.window, "lowerSplitter")->sizes(), lower);
    QCOMPARE(child<QSplitter>(h.window, "areaSplitter")->sizes(), areas);
    QVERIFY(!h.window->isMaximized());

    // Left maximised on a bigger screen: back on this one, whole, and maximised again.
    IniFile ini(h.folder.file(QStringLiteral("config.ini")));
    QVERIFY(ini.load());
    for (const auto &[key, value] :
         {std::pair{"左", "1500"}, {"上", "900"}, {"宽", "1900"}, {"高", "1000"}, {"最大化", "1"}})
        ini.setValue(u("窗口"), u(key), u(value));
    QVERIFY(ini.save());
    h.open();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(h.window->windowState() & Qt::WindowMaximized);
    QVERIFY2(screen.contains(h.window->normalGeometry().topLeft()),
             qPrintable(QString::number(h.window->normalGeometry().x())));
    QVERIFY(h.window->normalGeometry().width() <= qMax(screen.width(), 684));
    child<QAction>(h.window, "trayExitAction")->trigger(); // leaving from the tray saves too
    QVERIFY(ini.load());
    QCOMPARE(ini.value(u("窗口"), u("最大化"), QString()), u("1"));
    QCOMPARE(ini.value(u("窗口"), u("宽"), QString()), QString::number(h.window->normalGeometry().width()));
}

// Saved, restored and saved again, the place is the same: shown normal, or
// maximised by the window manager (which keeps no normal geometry for Qt).
void TestMainWindow::windowPlaceIsAFixedPointEvenMaximised()
{
    Harness h;
    IniFile ini(h.folder.file(QStringLiteral("config.ini")));
    const auto saved = [&] {
        h.dialogs.answers = {true};
        h.window->close();
        ini.load();
        QStringList values;
        for (const char *key : {"左", "上", "宽", "高", "最大化"})
            values << ini.value(u("窗口"), u(key), QString());
        return values.join(QLatin1Char(','));
    };
    h.window->setGeometry(37, 41, 760, 680);
    QApplication::processEvents();
    const QString normal = saved();
    QCOMPARE(normal, u("37,41,760,680,0"));
    for (int start = 0; start < 2; ++start) {
        h.open();
        QApplication::processEvents();
        QCOMPARE(h.window->geometry(), QRect(37, 41, 760, 680));
        if (start == 1) {
            h.window->windowHandle()->setWindowState(Qt::WindowMaximized);
            QTRY_VERIFY(h.window->isMaximized());
        }
        QCOMPARE(saved(), start == 0 ? normal : u("37,41,760,680,1"));
    }
    for (int start = 0; start < 2; ++start) {
        h.open();
        QTRY_VERIFY(h.window->isMaximized());
        QCOMPARE(h.window->normalGeometry(), QRect(37, 41, 760, 680));
        QCOMPARE(saved(), u("37,41,760,680,1"));
    }
}

void TestMainWindow::roomOnRealScreens_data()
{
    QTest::addColumn<QSize>("screen"); // empty: the window's least size
    QTest::newRow("least") << QSize();
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
}

// Maximised on a laptop's screen and a desktop's: a third for the page, ten
// history rows, a whole EMS number; at any size the status of a row in view.
void TestMainWindow::roomOnRealScreens()
{
    QFETCH(QSize, screen);
    Harness h(QByteArray(), {u("EA123456785CI|EMS(E邮宝)")});
    h.startUp();
    MainWindow &w = *h.window;
    w.setGeometry(QRect(QPoint(0, 0), screen.isEmpty() ? w.minimumSize() : screen));
    QApplication::processEvents();
    QTreeView *history = child<QTreeView>(&w, "historyView");
    QHeaderView *header = history->header();
    const int number = 2, tracking = 3;
    const auto inView = [&](int column) {
        return header->sectionViewportPosition(column) + header->sectionSize(column) <= history->viewport()->width();
    };
    QVERIFY(inView(tracking));
    QVERIFY(header->sectionSize(number) >= history->fontMetrics().horizontalAdvance(u("EA123456785CI")));
    if (screen.isEmpty())
        return;
    // A taller form keeps its rows together under 单号.
    const QList<int> lower = child<QSplitter>(&w, "lowerSplitter")->sizes();
    child<QSplitter>(&w, "lowerSplitter")->setSizes({screen.height(), 1});
    QApplication::processEvents();
    QVERIFY(child<QLineEdit>(&w, "amountEdit")->y() - child<QLineEdit>(&w, "numberEdit")->y() <
            3 * child<QLineEdit>(&w, "numberEdit")->height());
    child<QSplitter>(&w, "lowerSplitter")->setSizes(lower);
    QApplication::processEvents();
    QVERIFY2(h.browser->widget()->height() >= screen.height() / 3,
             qPrintable(QString::number(h.browser->widget()->height())));
    const int rows = history->viewport()->height() / history->sizeHintForRow(0);
    QVERIFY2(rows >= 10, qPrintable(QString::number(rows)));
    QVERIFY(inView(number));
}

void TestMainWindow::enterInTheNumberRunsTheConciseQuery()
{
    Harness h;
    QSignalSpy clicked(child<QPushButton>(h.window, "conciseQueryButton"), &QPushButton::clicked);
    child<QLineEdit>(h.window, "numberEdit")->setFocus();
    QTest::keyClicks(child<QLineEdit>(h.window, "numberEdit"), QStringLiteral("1234567890"));
    QTest::keyClick(child<QLineEdit>(h.window, "numberEdit"), Qt::Key_Return);
    QTRY_COMPARE(clicked.count(), 1);
    QTest::keyClick(child<QLineEdit>(h.window, "numberEdit"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(h.window, "goodsEdit")); // Tab still goes on to 物品
}

void TestMainWindow::olderRegisterIsIndexedForSearchWithItsProgressShown()
{
    Harness h;
    QVERIFY(!child<QLabel>(h.window, "searchIndexLabel")->isVisible()); // a new register is indexed as it fills
    {
        // As an older build leaves it: no index, rows written straight into the table.
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        raw.setDatabaseName(h.folder.file(QStringLiteral("kd.db")));
        QVERIFY(raw.open());
        QSqlQuery q(raw);
        for (const char *piece : {"TRIGGER 快递单_查找_新增", "TRIGGER 快递单_查找_修改", "TRIGGER 快递单_查找_删除",
                                  "TABLE 快递单_查找", "TABLE 快递单_查找进度", "INDEX 快递单_异形单号"})
            QVERIFY(q.exec(u("DROP ") + u(piece)));
        QVERIFY(q.exec(u("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                         "INSERT INTO 快递单 (快递单号, 快递公司) SELECT 'OLD' || i, '顺丰速运' FROM n")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    h.open();
    MainWindow &w = *h.window;
    QVERIFY(child<QLabel>(&w, "searchIndexLabel")->isVisible());
    QVERIFY(child<QLabel>(&w, "searchIndexLabel")->text().startsWith(u("正在建立查找索引")));
    QTRY_VERIFY_WITH_TIMEOUT(!child<QLabel>(&w, "searchIndexLabel")->isVisible(), 60000);
    QVERIFY(QuickSearch(w.store()).searchIndexComplete());
    QCOMPARE(QuickSearch(w.store()).search(u("快递单号"), QStringLiteral("OLD29999")).size(), 1);
}

void TestMainWindow::serverDownAtStartIsToldWithoutHoldingTheWindow()
{
    // No server listens at that socket folder.
    const QByteArray config =
        Harness::config(u("登记簿位置=服务器\r\n服务器地址=/nonexistent-tolvane\r\n数据库名=kd\r\n"));
    TestFolder program;
    program.write(QStringLiteral("config.ini"), config);
    FakeDialogs startDialogs;
    QCOMPARE(Startup::prepare(program.path(), startDialogs).exitCode, 0); // the program starts all the same
    QVERIFY(startDialogs.shown.isEmpty());

    Harness h(config);
    QVERIFY(h.window->isOpeningRegister()); // the window is up before the server is tried
    QVERIFY(h.dialogs.shown.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!h.dialogs.shown.isEmpty(), 30000);
    QVERIFY2(h.dialogs.lastText().startsWith(u("无法连接数据库服务器")), qPrintable(h.dialogs.lastText()));
    QVERIFY(!h.window->isOpeningRegister() && !h.window->store().isOpen());
}

QTEST_MAIN(TestMainWindow)
// A sure number chooses its carrier (with an undo), an ambiguous one offers
// the candidates for a click or Enter, and a carrier the user chose stays.
void TestMainWindow::theNumberNamesItsCarrier()
{
    QStringList shop;
    for (int i = 0; i < 5; ++i)
        shop << QStringLiteral("43123456000000%1|韵达快运").arg(i);
    Harness h(QByteArray(), shop);
    h.startUp();
    MainWindow &w = *h.window;
    QTRY_COMPARE(w.registerIndexSize(), 5);

    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("SF1234567890123"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("顺丰速运"));
    QVERIFY(child<QLabel>(&w, "detectionLabel")->isVisibleTo(&w) &&
            child<QLabel>(&w, "detectionLabel")->text().contains(u("已自动选择")));
    Q_EMIT child<QLabel>(&w, "detectionLabel")->linkActivated(QStringLiteral("undo"));
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty());
    QVERIFY(child<QLabel>(&w, "detectionLabel")->text().startsWith(u("可能是：")));
    // A data source clears the carrier, and the line that spoke of it; a query then names what is missing.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("YT1234567890123"));
    QVERIFY(child<QLabel>(&w, "detectionLabel")->text().contains(u("已自动选择")));
    child<QRadioButton>(&w, "defaultSourceOption")->click();
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty() &&
            !child<QLabel>(&w, "detectionLabel")->isVisibleTo(&w));
    child<QRadioButton>(&w, "currentNumberOption")->click();
    child<QPushButton>(&w, "conciseQueryButton")->click();
    QCOMPARE(h.dialogs.lastText(), u("未选定快递公司哦 ^_^"));
    QVERIFY(!w.queries().isConciseRunning());

    // Overlapping formats, and the register decides.
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("431234560000099"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("韵达快运"));
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("439999990000099"));
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")
                ->text()
                .isEmpty()); // the automatic choice goes with the number it was made for
    const QString offer = child<QLabel>(&w, "detectionLabel")->text().remove(QChar(0x2060));
    QVERIFY(offer.contains(u("申通E物流")) && offer.contains(u("韵达快运")));
    // However narrow the line, it breaks between the names, never inside one.
    QTextDocument laidOut;
    laidOut.setDefaultFont(child<QLabel>(&w, "detectionLabel")->font());
    laidOut.setHtml(child<QLabel>(&w, "detectionLabel")->text());
    laidOut.setTextWidth(
        QFontMetrics(child<QLabel>(&w, "detectionLabel")->font()).horizontalAdvance(u("可能是：申通")));
    laidOut.documentLayout()->documentSize(); // lays the lines out
    const QString plain = laidOut.toPlainText();
    QTextLayout *lines = laidOut.firstBlock().layout();
    QVERIFY(lines->lineCount() > 2);
    for (const QString &name : {u("申通E物流"), u("韵达快运")}) {
        const QRegularExpression joined(name.split(QString(), Qt::SkipEmptyParts).join(QChar(0x2060) + u("?")));
        const QRegularExpressionMatch found = joined.match(plain);
        QVERIFY(found.hasMatch());
        for (int l = 1; l < lines->lineCount(); ++l) {
            const int start = lines->lineAt(l).textStart();
            QVERIFY2(start <= found.capturedStart() || start >= found.capturedEnd(), qPrintable(name));
        }
    }
    // A data source drops the line and its offers; the next number offers anew.
    child<QRadioButton>(&w, "defaultSourceOption")->click();
    Q_EMIT child<QLabel>(&w, "detectionLabel")->linkActivated(QStringLiteral("0"));
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty());
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("439999990000098"));
    QTest::keyClick(child<QLineEdit>(&w, "numberEdit"), Qt::Key_Return);
    QVERIFY(!child<QLabel>(&w, "carrierValueLabel")->text().isEmpty());
    const QString taken = child<QLabel>(&w, "carrierValueLabel")->text();
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("SF1234567890123"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), taken); // chosen by the user: never overwritten

    child<QLineEdit>(&w, "numberEdit")->clear();
    carrierOption(h.window, 0)->click(); // EMS chosen first, then a 顺丰 number typed
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("SF1234567890123"));
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("EMS(E邮宝)"));

    // A waybill added in the management window joins what the register says.
    Waybill added;
    added.number = QStringLiteral("SF0000000001");
    added.carrier = u("顺丰速运");
    QVERIFY(Waybills(w.store()).insertFromInputForm(added).ok);
    w.showManagement();
    Q_EMIT w.managementWindow()->registerChanged();
    QTRY_COMPARE(w.registerIndexSize(), 6);
}

#include "tst_mainwindow.moc"
