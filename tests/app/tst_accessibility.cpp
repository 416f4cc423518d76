// The windows as a screen reader meets them, through Qt's accessibility
// interfaces: every control has a name, a value label says its value, and a
// screen reader's Toggle or Press runs what a click runs.
#include "manage/ImportWindow.h"
#include "manage/ManagementWindow.h"
#include "manage/StatisticsWindow.h"
#include "settings/SettingsDialog.h"
#include "support/MainWindowHarness.h"
#include "update/UpdateWindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTextEdit>

namespace {
QAccessibleInterface *accessible(QWidget *widget)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface)
        qFatal("no accessible interface for %s", qPrintable(widget->objectName()));
    return iface;
}

QString nameOf(QWidget *widget)
{
    return accessible(widget)->text(QAccessible::Name);
}

void act(QWidget *widget, const QString &action)
{
    QAccessibleActionInterface *actions = accessible(widget)->actionInterface();
    if (!actions || !actions->actionNames().contains(action))
        qFatal("%s has no action %s", qPrintable(widget->objectName()), qPrintable(action));
    actions->doAction(action);
}

// Controls a user operates, on every window that is open.
QStringList unnamedControls(const QList<QWidget *> &windows)
{
    QStringList unnamed;
    for (QWidget *window : windows) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
                                 qobject_cast<QComboBox *>(w) || qobject_cast<QTabBar *>(w) ||
                                 (qobject_cast<QAbstractItemView *>(w) && !qobject_cast<QHeaderView *>(w)) ||
                                 qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QTextEdit *>(w);
            // The table's corner button is Qt's own and selects all; it has no caption to give.
            if (control && w->isVisibleTo(window) && !w->objectName().startsWith(QLatin1String("qt_")) &&
                qstrcmp(w->metaObject()->className(), "QTableCornerButton") != 0 && nameOf(w).trimmed().isEmpty())
                unnamed << window->objectName() + QLatin1Char('/') + w->objectName() + QLatin1Char(':') +
                               QString::fromLatin1(w->metaObject()->className());
        }
    }
    return unnamed;
}
} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyControlHasANameAndEveryLabelItsText();
    void valueLabelsSayTheirValue();
    void screenReaderActionsRunWhatAClickRuns();
    void whatTheWindowsShow();
    void escapeClosesAndFocusComesBack();
    void tabReadsEachWindowInOrder();
    void enterPressesTheFocusedButton();
};

void TestAccessibility::everyControlHasANameAndEveryLabelItsText()
{
    Harness h;
    h.startUp();
    MainWindow &w = *h.window;
    w.showManagement();
    ManagementWindow *management = w.managementWindow();
    QTRY_VERIFY(management->isVisible());
    management->importButton->click(); // the import window
    management->statisticsButton->click();
    child<QAction>(&w, "settingsAction")->trigger();
    child<QAction>(&w, "aboutAction")->trigger();
    UpdateWindow update(h.folder.path(), h.launcher, UpdateResult{UpdateResult::Failed, {}, u("连接超时")});
    QList<QWidget *> windows{&w, management, w.settingsWindow(), management->statisticsWindow(), &update};
    if (auto *import = management->findChild<ImportWindow *>())
        windows << import;
    const QStringList unnamed = unnamedControls(windows);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));
    // A label with a message or a value (the about window's among the main window's) is heard as its text.
    for (QWidget *window : windows) {
        for (QLabel *label : window->findChildren<QLabel *>())
            QVERIFY2(label->accessibleName().isEmpty() || label->accessibleName() == label->text(),
                     qPrintable(label->objectName()));
    }
    QCOMPARE(nameOf(update.resultLabel), u("检查更新失败：连接超时"));
}

void TestAccessibility::valueLabelsSayTheirValue()
{
    Harness h;
    MainWindow &w = *h.window;
    QCOMPARE(nameOf(child<QLabel>(&w, "carrierValueLabel")),
             u("快递公司：")); // empty: its caption, not the frame's title
    child<QLineEdit>(&w, "numberEdit")->setText(QStringLiteral("SF1001"));
    carrierOption(&w, 1)->click();
    QCOMPARE(nameOf(child<QLabel>(&w, "numberValueLabel")), QStringLiteral("SF1001"));
    QCOMPARE(nameOf(child<QLabel>(&w, "carrierValueLabel")), u("顺丰速运"));
    QCOMPARE(nameOf(child<QLabel>(&w, "hotlineValueLabel")), u("4008-111-111"));
    QCOMPARE(accessible(child<QLabel>(&w, "hotlineValueLabel"))->text(QAccessible::Description), u("客服热线"));
    QVERIFY(nameOf(child<QLabel>(&w, "statusLineLabel")).contains(QStringLiteral("SF1001")));
}

// Small things a user sees: Chinese dates under any system language, whole
// rows in the other-carrier list, no empty band beside the grid's last column.
void TestAccessibility::whatTheWindowsShow()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    Harness h;
    MainWindow &w = *h.window;
    QTRY_VERIFY(child<QLabel>(&w, "clockLabel")->text().contains(QStringLiteral("2026/12/7")));
    const int row = child<QListWidget>(&w, "otherCarriersList")->sizeHintForRow(0);
    QCOMPARE((child<QListWidget>(&w, "otherCarriersList")->viewport()->height()) % row, 0);
    w.showManagement();
    QTableView *grid = w.managementWindow()->waybillGrid;
    QTRY_VERIFY(grid->isVisible());
    QVERIFY(grid->horizontalHeader()->stretchLastSection());
    QLocale::setDefault(QLocale::system());
}

void TestAccessibility::screenReaderActionsRunWhatAClickRuns()
{
    Harness h;
    MainWindow &w = *h.window;
    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();

    act(carrierOption(&w, 1), toggle);
    QVERIFY(carrierOption(&w, 1)->isChecked());
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("顺丰速运"));
    QCOMPARE(child<QLabel>(&w, "hotlineValueLabel")->text(), u("4008-111-111"));
    // The arrow keys move within the group and choose as they go.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    carrierOption(&w, 1)->setFocus();
    QTest::keyClick(carrierOption(&w, 1), Qt::Key_Right);
    QVERIFY(carrierOption(&w, 2)->isChecked());
    QCOMPARE(child<QLabel>(&w, "carrierValueLabel")->text(), u("申通E物流"));

    act(child<QRadioButton>(&w, "backupSource1Option"), toggle);
    QVERIFY(child<QRadioButton>(&w, "backupSource1Option")->isChecked());
    QCOMPARE(h.setting(AppSettings::kDataSource), u("byly1"));
    QVERIFY(child<QLabel>(&w, "carrierValueLabel")->text().isEmpty() &&
            !child<QPushButton>(&w, "conciseQueryButton")->isEnabled());
    child<QRadioButton>(&w, "backupSource1Option")->setFocus();
    QTest::keyClick(child<QRadioButton>(&w, "backupSource1Option"), Qt::Key_Up);
    QVERIFY(child<QRadioButton>(&w, "defaultSourceOption")->isChecked() &&
            child<QPushButton>(&w, "conciseQueryButton")->isEnabled());

    child<QLineEdit>(&w, "goodsEdit")->setText(u("书"));
    act(child<QPushButton>(&w, "clearInputButton"), press);           // 清空输入信息
    QTRY_VERIFY(child<QLineEdit>(&w, "goodsEdit")->text().isEmpty()); // a pressed button clicks a moment later

    w.showManagement();
    ManagementWindow *management = w.managementWindow();
    act(management->importButton, press);
    ImportWindow *import = nullptr;
    QTRY_VERIFY((import = management->findChild<ImportWindow *>()) && import->isVisible());
    act(import->excelOption, toggle);
    QVERIFY(import->confirmButton->isEnabled() && !import->excelFormatLabel->isHidden() &&
            import->textFormatLabel->isHidden());
}

// A keyboard user opens the management window, its quick-add window and its
// import window, leaves each with Esc, and is back where each was opened.
void TestAccessibility::escapeClosesAndFocusComesBack()
{
    Harness h;
    MainWindow &w = *h.window;
    QApplication::setActiveWindow(&w);
    child<QPushButton>(&w, "managementButton")->setFocus();
    QTest::keyClick(child<QPushButton>(&w, "managementButton"), Qt::Key_Space);
    ManagementWindow *management = nullptr;
    QTRY_VERIFY((management = w.managementWindow()) && management->isVisible());
    QApplication::setActiveWindow(management); // what the window manager does on a desktop
    management->importButton->setFocus();
    QTest::keyClick(management->importButton, Qt::Key_Space);
    ImportWindow *import = nullptr;
    QTRY_VERIFY((import = management->findChild<ImportWindow *>()) && import->isVisible());
    QApplication::setActiveWindow(import);
    import->excelOption->setFocus();
    QTest::keyClick(import->excelOption, Qt::Key_Space);  // chosen by keyboard
    h.dialogs.files = {QString()};                        // the file chooser is cancelled
    QTest::keyClick(import->excelOption, Qt::Key_Return); // Enter presses 确定
    QCOMPARE(h.dialogs.fileRequests.size(), 1);
    QTest::keyClick(import->excelOption, Qt::Key_Escape);
    QVERIFY(!import->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(management->importButton));
    QTest::keyClick(management->importButton, Qt::Key_Escape);
    QTRY_VERIFY(!management->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(child<QPushButton>(&w, "managementButton")));
}

namespace {
// The controls that Tab visits from `first` until it comes round again.
QStringList tabStops(QWidget *window, QWidget *first)
{
    QApplication::setActiveWindow(window);
    first->setFocus(Qt::TabFocusReason);
    QStringList stops;
    for (int i = 0; i < 60; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus || (i > 0 && focus == first))
            break;
        stops << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return stops;
}
} // namespace

// Tab visits every control once, in the order a user reads the window, and
// never gets stuck in a box that would take the Tab as text.
void TestAccessibility::tabReadsEachWindowInOrder()
{
    Harness h;
    h.startUp();
    MainWindow &w = *h.window;
    const QStringList main = tabStops(&w, carrierOption(&w, 0));
    const QStringList input{
        QStringLiteral("numberEdit"),      QStringLiteral("goodsEdit"),       QStringLiteral("amountEdit"),
        QStringLiteral("timeEdit"),        QStringLiteral("nameEdit"),        QStringLiteral("phoneEdit"),
        QStringLiteral("addressEdit"),     QStringLiteral("notesEdit"),       QStringLiteral("autoSaveCheckBox"),
        QStringLiteral("saveInputButton"), QStringLiteral("clearInputButton")};
    const qsizetype at = main.indexOf(QStringLiteral("numberEdit"));
    QVERIFY2(at > 0 && main.mid(at, input.size()) == input, qPrintable(main.join(QLatin1Char(' '))));
    QVERIFY2(main.endsWith(QStringLiteral("settingsButton")) && main.contains(QStringLiteral("detailedResultText")),
             qPrintable(main.join(QLatin1Char(' '))));
    // The four handles between the panes, each just before the pane it leads into.
    QCOMPARE(main.filter(QStringLiteral("qt_splithandle_")).size(), 4);
    QCOMPARE(main.at(main.indexOf(QStringLiteral("historyView")) - 1), QStringLiteral("qt_splithandle_historyGroup"));

    w.showManagement();
    ManagementWindow *management = w.managementWindow();
    QTRY_VERIFY(management->isVisible());
    QCOMPARE(tabStops(management, management->waybillGrid).join(QLatin1Char(' ')),
             QStringLiteral("waybillGrid statusFilterTabs refreshButton detailsButton deleteButton modifyButton "
                            "quickAddButton searchKeyEdit "
                            "searchColumnCombo showArchivedCheckBox exportButton importButton statisticsButton "
                            "flaggedButton"));
}

// Windows that are not dialogs press a focused button on Enter as dialogs do;
// F10 opens the main window's menus, whose captions have no mnemonics.
void TestAccessibility::enterPressesTheFocusedButton()
{
    Harness h;
    MainWindow &w = *h.window;
    QApplication::setActiveWindow(&w);
    child<QPushButton>(&w, "settingsButton")->setFocus();
    QTest::keyClick(child<QPushButton>(&w, "settingsButton"), Qt::Key_Return);
    QTRY_VERIFY(w.settingsWindow() && w.settingsWindow()->isVisible());
    w.settingsWindow()->close();

    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F10);
    QTRY_VERIFY(child<QMenu>(&w, "settingsMenu")->isVisible());
    QCOMPARE(child<QMenu>(&w, "settingsMenu")->activeAction(), child<QAction>(&w, "settingsAction"));
    QTest::keyClick(child<QMenu>(&w, "settingsMenu"), Qt::Key_Return);
    QTRY_VERIFY(w.settingsWindow()->isVisible());
    w.settingsWindow()->close();

    w.showManagement();
    ManagementWindow *management = w.managementWindow();
    QTRY_VERIFY(management->isVisible());
    QApplication::setActiveWindow(management);
    management->importButton->setFocus();
    QTest::keyClick(management->importButton, Qt::Key_Enter);
    ImportWindow *import = nullptr;
    QTRY_VERIFY((import = management->findChild<ImportWindow *>()) && import->isVisible());
    // With a default button (确定), Enter on another focused button presses that one.
    QApplication::setActiveWindow(import);
    import->excelOption->click();
    import->templateButton->setFocus();
    QTest::keyClick(import->templateButton, Qt::Key_Return);
    QCOMPARE(h.launcher.files.size(), 1);
    QVERIFY(h.dialogs.fileRequests.isEmpty());
}

int main(int argc, char **argv)
{
    // As Orca finds it: the bridge is on although no screen reader runs here.
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    QAccessible::setActive(true);
    TestAccessibility test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accessibility.moc"
