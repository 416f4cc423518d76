#include "app/Provisioning.h"
#include "carriers/CarrierCatalogue.h"
#include "core/ClassicTimer.h"
#include "core/Clock.h"
#include "core/GbkText.h"
#include "manage/DetailsDialog.h"
#include "manage/GridListing.h"
#include "manage/ImportWindow.h"
#include "manage/ManagementWindow.h"
#include "manage/ModifyDialog.h"
#include "manage/QuickAddDialog.h"
#include "manage/SearchAnswer.h"
#include "manage/StatisticsWindow.h"
#include "manage/StatusTabs.h"
#include "store/WaybillTableModel.h"

#include <QBarCategoryAxis>
#include <QChartView>
#include <QPieSeries>
#include <QPieSlice>
#include <QTabWidget>

#include "manage/SkippedLinesWindow.h"
#include "settings/AppSettings.h"
#include "settings/RegisterLocation.h"
#include "store/CheckHistory.h"
#include "store/RegisterGrid.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/FakeDialogs.h"
#include "support/PostgresCluster.h"
#include "support/TestFolder.h"
#include "transfer/ImportReader.h"
#include "transfer/ImportTemplate.h"
#include <QCheckBox>
#include <QDateEdit>
#include <QTableWidget>

#include <QAbstractItemModel>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(RegisterGrid::GridCounts)

class TestManagementWindow : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    // "A B C" -> {"A", "B", "C"}
    static QStringList numbers(const char *spaced)
    {
        return QString::fromLatin1(spaced).split(' ', Qt::SkipEmptyParts);
    }
    static Waybill waybill(const QString &number, const QString &time = QStringLiteral("2026/12/7"),
                           const QString &days = u("0天 "))
    {
        return {u("未签收"), days,      number,    u("顺丰速运"), u("书"),  QString(),
                time,        u("张三"), QString(), QString(),     QString()};
    }

    // A program folder with a register, the window over it on 2026/12/17, and fakes for what it asks. On the
    // server run the register is a new database there, which config.ini points the window at.
    struct Fixture {
        TestFolder folder;
        StoreConnection store;
        FakeDialogs dialogs;
        FakeLauncher launcher;
        FixedClock clock{QDate(2026, 12, 17)};
        Waybill current;
        std::unique_ptr<ManagementWindow> window;

        explicit Fixture(const QVector<Waybill> &rows = {})
        {
            if (PostgresCluster::current) {
                const StoreLocation server(PostgresCluster::current->newDatabase());
                AppSettings::Changes changes;
                RegisterLocation::apply(changes, server);
                if (!changes.save(folder.path()).ok || !store.open(server).ok)
                    qFatal("cannot create the test database");
            } else {
                const QString path = folder.file(RegisterSchema::fileName());
                if (!RegisterSchema::createDatabase(path).ok || !store.open(path).ok)
                    qFatal("cannot create the test database");
            }
            for (const Waybill &w : rows) {
                if (!Waybills(store).insertQuickAdd(w, w.daysInTransit).ok)
                    qFatal("cannot store a test row");
            }
            window =
                std::make_unique<ManagementWindow>(folder.path(), dialogs, launcher, clock, [this] { return current; });
            deferredRefresh()->setInterval(0); // the deferred refresh falls due when a test says so
            window->show();
            if (!settle())
                qFatal("the window did not finish loading");
        }
        // Rows sent on 2026/12/7.
        explicit Fixture(const char *spaced) : Fixture(sentOnTheSeventh(spaced)) {}
        static QVector<Waybill> sentOnTheSeventh(const char *spaced)
        {
            QVector<Waybill> rows;
            for (const QString &number : numbers(spaced))
                rows << waybill(number);
            return rows;
        }
        // Waits until the rows asked for have been shown.
        [[nodiscard]] bool settle() const
        {
            return QTest::qWaitFor([this] { return !window->isReading(); }, 30000);
        }
        // The deferred refresh, armed by what the window did, falls due now.
        [[nodiscard]] bool refreshFallsDue() const
        {
            if (!deferredRefresh()->isEnabled())
                return false;
            Q_EMIT deferredRefresh()->timeout();
            return !deferredRefresh()->isEnabled();
        }
        QAbstractItemModel *model() const { return window->waybillGrid->model(); }
        QStringList shown() const
        {
            QStringList out;
            for (int r = 0; r < model()->rowCount(); ++r)
                out << model()->index(r, WaybillColumns::Number).data().toString();
            return out;
        }
        Waybill get(const char *number) const
        {
            return Waybills(store).find(QString::fromUtf8(number)).value_or(Waybill());
        }
        void choose(int row) const { window->waybillGrid->setCurrentIndex(model()->index(row, 0)); }
        // Typing only: the result arrives later.
        void type(const QString &column, const QString &key) const
        {
            find<QComboBox>("searchColumnCombo")->setCurrentText(column);
            find<QLineEdit>("searchKeyEdit")->setText(key);
        }
        // The values of the 选中运单 panel, and what a screen reader says for one of them.
        QStringList panel() const
        {
            QStringList values;
            for (const char *value :
                 {"numberValueLabel", "carrierValueLabel", "statusValueLabel", "daysInTransitValueLabel",
                  "goodsValueLabel", "amountValueLabel", "timeValueLabel", "nameValueLabel", "phoneValueLabel",
                  "addressValueLabel", "notesValueLabel"})
                values << label(value)->text();
            return values;
        }
        static QString heard(QLabel *label)
        {
            return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        }
        // A control of the window by its object name, not one of the dialogs it opened: they have namesakes.
        template <class T = QPushButton> T *find(const char *name) const
        {
            for (QObject *part : window->children()) {
                if (auto *widget = qobject_cast<QWidget *>(part); widget && widget->isWindow())
                    continue;
                if (auto *found = qobject_cast<T *>(part); found && part->objectName() == QLatin1String(name))
                    return found;
                if (T *found = part->findChild<T *>(QString::fromLatin1(name)))
                    return found;
            }
            qFatal("the window has no %s", name);
        }
        QLabel *label(const char *name) const { return find<QLabel>(name); }
        ClassicTimer *deferredRefresh() const { return find<ClassicTimer>("deferredRefreshTimer"); }
        QString readingText() const { return label("readingLabel")->text(); }
        template <class Dialog> Dialog *dialog(const char *name) const
        {
            return window->findChild<Dialog *>(QString::fromLatin1(name));
        }
    };

private Q_SLOTS:
    void statusTabsFollowTheCounts_data();
    void statusTabsFollowTheCounts();
    void searchAnswerSaysWhyTheGridStays_data();
    void searchAnswerSaysWhyTheGridStays();
    void gridListingShowsTheNewestReadAndFindsTheWantedRow();
    void openingStoresDaysInTransitAndSizesColumns();
    void deleteFromASearchResultShowsTheWholeTable();
    void deleteNeedsACurrentRowAndAYes();
    void anotherPcsChangesKeepSearchAndChosenRow();
    void deleteRemovesTheRowAskedAboutWhileASearchArrives();
    void onlyTheNewestReadIsShown_data();
    void onlyTheNewestReadIsShown();
    void closingDropsAReadOnItsWay();
    void quickAddKeepsTheBoxesUntilItSucceeds();
    void quickAddOffersTheCarriersTheNumberMayHave();
    void modifyAppliesToTheRowItWasOpenedFor();
    void afterARefreshModifyAndDeleteWorkOnTheStoredRow();
    void detailsShowTheChosenRowElseTheMainWindowsWaybill();
    void statusTabsCountAndFilterTheRows();
    void headingsSortAndRowsBeyondTheFirstScreenAreRead();
    void importFromTextAndExcel();
    void importUnderALockCancelAndTheFullList();
    void templateIsRestoredAndOpened();
    void exportWritesEveryRow();
    void archivedRowsStayOutUntilAskedFor();
    void everyInputHasAnAccessibleName();
    void statisticsOfTheRegister();
    void statisticsChartsTellCarriersApart();
    void aMovedRegisterIsReadAtTheNextOpening();
    void aServerThatIsDownIsToldWithoutHoldingTheWindow();
    void aKeyTypedWhileTheRegisterOpensIsSearched();
};

// Counts as "status=n ..." ("=n" alone: never checked; "today=n": signed for today).
static RegisterGrid::GridCounts counts(int total, const char *spaced)
{
    RegisterGrid::GridCounts c;
    c.total = total;
    for (const QString &pair : QString::fromUtf8(spaced).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString status = pair.section(QLatin1Char('='), 0, 0);
        const int n = pair.section(QLatin1Char('='), 1).toInt();
        if (status == QLatin1String("today"))
            c.signedToday = n;
        else
            c.byStatus.insert(status, n);
    }
    return c;
}

void TestManagementWindow::statusTabsFollowTheCounts_data()
{
    QTest::addColumn<RegisterGrid::GridCounts>("counts");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("an empty register") << counts(0, "") << QStringList{u("全部 0")};
    QTest::newRow("the catalogue's order, never checked last")
        << counts(6, "=1 疑难=3 已签收=2") << QStringList{u("全部 6"), u("已签收 2"), u("疑难 3"), u("未查询 1")};
    QTest::newRow("today's signings second")
        << counts(2, "today=1 已签收=2") << QStringList{u("全部 2"), u("今日签收 1"), u("已签收 2")};
    QTest::newRow("none signed today: no such tab")
        << counts(1, "today=0 已揽收=1") << QStringList{u("全部 1"), u("已揽收 1")};
    QTest::newRow("a status no longer known has no tab") << counts(4, "旧状态=4") << QStringList{u("全部 4")};
}

void TestManagementWindow::statusTabsFollowTheCounts()
{
    QFETCH(RegisterGrid::GridCounts, counts);
    QStringList texts;
    QStringList narrowed; // what each tab's rows are
    for (const StatusTabs::Tab &tab : StatusTabs::forCounts(counts)) {
        texts << tab.text;
        RegisterGrid::GridFilter filter;
        StatusTabs::narrow(filter, tab.data);
        narrowed << (filter.signedToday ? QStringLiteral("today")
                     : filter.status    ? QStringLiteral("status:") + *filter.status
                                        : QStringLiteral("all"));
        QVERIFY(!(filter.signedToday && filter.status));
    }
    QTEST(texts, "tabs");
    // The tab's own status, 未查询 the empty one, 今日签收 no status at all.
    QStringList expected;
    for (const QString &text : texts) {
        const QString name = text.section(QLatin1Char(' '), 0, 0);
        expected << (name == u("全部")       ? QStringLiteral("all")
                     : name == u("今日签收") ? QStringLiteral("today")
                     : name == u("未查询")   ? QStringLiteral("status:")
                                             : QStringLiteral("status:") + name);
    }
    QCOMPARE(narrowed, expected);
}

void TestManagementWindow::searchAnswerSaysWhyTheGridStays_data()
{
    QTest::addColumn<QString>("column"); // empty: the whole register
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("archivedHidden");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("offersArchived");
    QTest::newRow("found") << u("快递单号") << "A" << true << 0 << QString() << false;
    QTest::newRow("nothing") << u("快递单号") << "nomatch" << false << 0 << u("没有找到“nomatch”") << false;
    QTest::newRow("archived only") << u("状态") << "已" << false << 2 << u("找到 2 条已归档的快递单") << true;
    QTest::newRow("archived beside shown rows") << u("状态") << "已" << true << 2 << QString() << false;
    QTest::newRow("an empty key says nothing") << u("快递单号") << "" << false << 1 << QString() << true;
    QTest::newRow("the whole register is no search") << QString() << "" << false << 3 << QString() << false;
}

void TestManagementWindow::searchAnswerSaysWhyTheGridStays()
{
    QFETCH(QString, column);
    QFETCH(QString, key);
    WaybillLoader::Result result;
    result.request.filter.column = column;
    result.request.filter.key = key;
    QFETCH(bool, found);
    QFETCH(int, archivedHidden);
    result.found = found;
    result.archivedHidden = archivedHidden;
    QTEST(SearchAnswer::text(result), "text");
    QTEST(SearchAnswer::offersArchived(result), "offersArchived");
}

// The grid's rows without the grid: of reads asked one after another only the
// newest reaches the model, and a row asked for before the rows arrive is
// chosen once they are listed.
void TestManagementWindow::gridListingShowsTheNewestReadAndFindsTheWantedRow()
{
    Fixture f("A1 A2 B1");
    GridListing listing(f.store);
    listing.setLocation(f.store.location());
    const auto rows = [&listing] {
        QStringList out;
        for (int r = 0; r < listing.model()->rowCount(); ++r)
            out << listing.model()->index(r, WaybillColumns::Number).data().toString();
        return out;
    };
    const auto search = [&f](const QString &key) {
        RegisterGrid::GridFilter filter;
        filter.today = f.clock.today();
        filter.column = u("快递单号");
        filter.key = key;
        return filter;
    };
    QSignalSpy shown(&listing, &GridListing::rowsShown);
    QSignalSpy found(&listing, &GridListing::rowFound);
    QSignalSpy scrolled(&listing, &GridListing::scrollBack);
    listing.ask(search(QStringLiteral("A")), false, false);
    listing.ask(search(QStringLiteral("B")), false, false);
    listing.want(QStringLiteral("B1"));
    QVERIFY(found.isEmpty()); // not listed yet
    QVERIFY(QTest::qWaitFor([&listing] { return !listing.isReading(); }, 30000));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(rows(), numbers("B1"));
    QCOMPARE(found.count(), 1);
    QCOMPARE(found.last().first().toInt(), 0);

    // A change elsewhere: the same search again, its chosen row found in its new place, the scroll given back.
    QVERIFY(Waybills(f.store).insertQuickAdd(waybill(QStringLiteral("B0")), QString()).ok);
    RegisterGrid::GridFilter byNumber = search(QStringLiteral("B"));
    byNumber.sortColumn = WaybillColumns::Number;
    listing.ask(byNumber, false, false);
    QVERIFY(QTest::qWaitFor([&listing] { return !listing.isReading(); }, 30000));
    listing.askAgainAfterChange(QStringLiteral("B1"), 7);
    QVERIFY(QTest::qWaitFor([&listing] { return !listing.isReading(); }, 30000));
    QCOMPARE(rows(), numbers("B0 B1"));
    QCOMPARE(found.last().first().toInt(), 1);
    QCOMPARE(scrolled.count(), 1);
    QCOMPARE(scrolled.last().first().toInt(), 7);

    // Nothing found: the rows stay, unless the read was asked to empty them.
    listing.ask(search(QStringLiteral("none")), false, false);
    QVERIFY(QTest::qWaitFor([&listing] { return !listing.isReading(); }, 30000));
    QCOMPARE(rows(), numbers("B0 B1"));
    listing.ask(search(QStringLiteral("none")), false, true);
    QVERIFY(QTest::qWaitFor([&listing] { return !listing.isReading(); }, 30000));
    QVERIFY(rows().isEmpty());
}

void TestManagementWindow::openingStoresDaysInTransitAndSizesColumns()
{
    Fixture f({waybill(QStringLiteral("1234567890123")), waybill(QStringLiteral("B"), QStringLiteral(""), u("7天")),
               waybill(QStringLiteral("C"), u("2026/12/18"))});
    QCOMPARE(f.shown(), (QStringList{QStringLiteral("1234567890123"), QStringLiteral("B"), QStringLiteral("C")}));
    QCOMPARE(f.model()->index(0, WaybillColumns::DaysInTransit).data().toString(), u("10天"));
    QCOMPARE(f.get("1234567890123").daysInTransit, u("10天"));
    QCOMPARE(f.get("B").daysInTransit, u("7天")); // no date: left alone
    QCOMPARE(f.get("C").daysInTransit, u("-1天"));
    // The widest value of a column is shown whole; an empty column keeps room for its caption.
    const QTableView *grid = f.window->waybillGrid;
    const QPair<int, QString> widest[] = {{WaybillColumns::Number, u("1234567890123")},
                                          {WaybillColumns::Status, u("未签收")},
                                          {WaybillColumns::Address, u("联系地址")}};
    for (const auto &[column, text] : widest)
        QVERIFY2(grid->columnWidth(column) >= grid->fontMetrics().horizontalAdvance(text), qPrintable(text));
    QVERIFY(grid->columnWidth(WaybillColumns::Number) > grid->columnWidth(WaybillColumns::Status));

    // The deferred refresh picks up what changed meanwhile, then stops.
    QVERIFY(f.deferredRefresh()->isEnabled());
    f.clock.set(QDate(2026, 12, 19).startOfDay());
    QVERIFY(f.refreshFallsDue() && f.settle());
    QCOMPARE(f.get("C").daysInTransit, u("1天"));
}

void TestManagementWindow::deleteFromASearchResultShowsTheWholeTable()
{
    Fixture f("A B C");
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("B")).ok);
    f.type(u("状态"), u("未"));
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), numbers("A C"));

    f.choose(1);
    QCOMPARE(f.label("numberValueLabel")->text(), QStringLiteral("C"));
    QCOMPARE(f.label("statusValueLabel")->text(), u("未签收"));
    QCOMPARE(f.label("daysInTransitValueLabel")->text(), u("10天"));
    f.dialogs.answers = {true};
    f.find("deleteButton")->click();
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(QStringList({f.dialogs.shown[0].kind, f.dialogs.shown[0].title, f.dialogs.shown[0].text}),
             QStringList({QStringLiteral("yesno"), u("提示"), u("是否删除该快递单 C？")}));
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("C")));
    QCOMPARE(f.shown(), numbers("A")); // gone at once
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), numbers("A B"));
    // The box says what the grid shows, also when opened again.
    QCOMPARE(f.find<QLineEdit>("searchKeyEdit")->text(), QString());
    f.type(u("状态"), u("已"));
    QVERIFY(f.settle());
    f.window->close();
    f.window->show();
    QVERIFY(f.settle());
    QVERIFY(f.shown() == numbers("A B") && f.find<QLineEdit>("searchKeyEdit")->text().isEmpty());
}

void TestManagementWindow::anotherPcsChangesKeepSearchAndChosenRow()
{
    Fixture f("A1 A2 A3 B1");
    f.type(u("快递单号"), u("A"));
    QVERIFY(f.settle());
    f.choose(1);
    QCOMPARE(f.label("numberValueLabel")->text(), QStringLiteral("A2"));
    // Another connection: one row added to the search and one beside it, one deleted, the chosen one signed.
    QVERIFY(Waybills(f.store).insertQuickAdd(waybill(QStringLiteral("A4")), u("0天 ")).ok);
    QVERIFY(Waybills(f.store).insertQuickAdd(waybill(QStringLiteral("B2")), u("0天 ")).ok);
    QVERIFY(Waybills(f.store).deleteWaybill(QStringLiteral("A1")).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("A2")).ok);
    f.window->followChanges({QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A4"), QStringLiteral("B2")});
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), numbers("A2 A3 A4"));
    QCOMPARE(f.find<QLineEdit>("searchKeyEdit")->text(), u("A"));
    QCOMPARE(f.label("numberValueLabel")->text(), QStringLiteral("A2"));
    QCOMPARE(f.label("statusValueLabel")->text(), u("已签收"));
}

void TestManagementWindow::deleteNeedsACurrentRowAndAYes()
{
    Fixture f("A");
    QSignalSpy changed(f.window.get(), &ManagementWindow::registerChanged); // the main window's detection follows
    f.find("deleteButton")->click();                                        // nothing chosen yet
    QCOMPARE(f.dialogs.lastText(), u("请先在表格中选中要删除的快递单。"));
    QCOMPARE(Waybills(f.store).count(), 1);
    QCOMPARE(f.panel(), QStringList(WaybillColumns::Count)); // no values before a row is chosen
    QCOMPARE(f.heard(f.label("carrierValueLabel")), u("快递公司："));
    f.choose(0);
    QCOMPARE(f.heard(f.label("numberValueLabel")), QStringLiteral("A"));
    f.dialogs.answers = {false};
    f.find("deleteButton")->click();
    QCOMPARE(f.dialogs.shown.size(), 2);
    QCOMPARE(Waybills(f.store).count(), 1);
    QCOMPARE(changed.count(), 0);
    f.dialogs.answers = {true};
    f.find<QAction>("deleteAction")->trigger();
    QCOMPARE(Waybills(f.store).count(), 0);
    QCOMPARE(changed.count(), 1);
    QVERIFY(f.settle());
    QCOMPARE(f.model()->rowCount(), 0);
    QCOMPARE(f.panel(), QStringList(WaybillColumns::Count)); // the chosen row is gone, and nothing is left to modify
    f.find("modifyButton")->click();
    QCOMPARE(f.dialogs.lastText(), u("请先在表格中选中要修改的快递单。"));
}

void TestManagementWindow::deleteRemovesTheRowAskedAboutWhileASearchArrives()
{
    Fixture f("A B C");
    f.choose(2);
    // The search shows only A while the question is open; C is still the one asked about.
    f.type(u("快递单号"), QStringLiteral("A"));
    bool searchShown = false;
    f.dialogs.whileAsking = [&] { searchShown = f.settle() && f.shown() == numbers("A"); };
    f.dialogs.answers = {true};
    f.find("deleteButton")->click();
    QVERIFY(searchShown);
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("C")));
    QCOMPARE(Waybills(f.store).count(), 2);
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), numbers("A B"));
}

void TestManagementWindow::onlyTheNewestReadIsShown_data()
{
    QTest::addColumn<bool>("refreshFirst");
    QTest::addColumn<QString>("firstKey");
    QTest::addColumn<QString>("lastKey");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("fills"); // a stale result must not even flash up
    QTest::newRow("a later search replaces an earlier one") << false << "A"
                                                            << "B" << numbers("B1") << 1;
    QTest::newRow("an earlier search never replaces a later one") << false << "B"
                                                                  << "A" << numbers("A1 A2") << 1;
    QTest::newRow("a search typed during a refresh wins") << true << QString() << "B" << numbers("B1") << 1;
    QTest::newRow("a newest search without matches keeps the grid") << false << "B"
                                                                    << "none" << numbers("A1 A2 B1") << 0;
}

void TestManagementWindow::onlyTheNewestReadIsShown()
{
    QFETCH(bool, refreshFirst);
    QFETCH(QString, firstKey);
    QFETCH(QString, lastKey);
    Fixture f("A1 A2 B1");
    QVERIFY(f.readingText().isEmpty());
    QSignalSpy resets(f.model(), &QAbstractItemModel::modelReset);
    if (refreshFirst)
        f.find("refreshButton")->click();
    else
        f.type(u("快递单号"), firstKey);
    QVERIFY(f.window->isReading());
    QCOMPARE(f.readingText(), u("正在读取…"));
    f.type(u("快递单号"), lastKey);
    QVERIFY(f.settle());
    QTEST(f.shown(), "shown");
    QTEST(int(resets.count()), "fills");
    QVERIFY(f.readingText().isEmpty());
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestManagementWindow::closingDropsAReadOnItsWay()
{
    Fixture f("A");
    f.choose(0);
    f.find("refreshButton")->click();
    f.window->close();
    QVERIFY(f.settle());
    QCOMPARE(f.model()->rowCount(), 0);
    QCOMPARE(f.panel(), QStringList(WaybillColumns::Count));
    f.window->show(); // opening again loads again
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), numbers("A"));
}

void TestManagementWindow::quickAddKeepsTheBoxesUntilItSucceeds()
{
    Fixture f("OLD");
    f.find("quickAddButton")->click();
    auto *quickAdd = f.dialog<QuickAddDialog>("QuickAddDialog");
    QVERIFY(quickAdd && quickAdd->isVisible());
    quickAdd->goodsEdit->setText(u("书"));
    quickAdd->timeEdit->setText(QStringLiteral("2026/12/14"));
    quickAdd->addButton->click();
    QCOMPARE(f.dialogs.lastText(), u("快递单号不能为空！"));
    QCOMPARE(quickAdd->goodsEdit->text(), u("书"));

    quickAdd->numberEdit->setText(QStringLiteral("OLD"));
    quickAdd->carrierList->setCurrentRow(12);
    QCOMPARE(quickAdd->carrierList->currentItem()->text(), QStringLiteral("********"));
    quickAdd->addButton->click();
    QCOMPARE(f.dialogs.lastText(), u("呵呵，忘记选择快递公司啦！"));
    quickAdd->carrierList->setCurrentRow(1);
    f.deferredRefresh()->setEnabled(false);
    quickAdd->addButton->click();
    QCOMPARE(f.dialogs.lastText(), u("快递单号已存在！"));
    QVERIFY(f.deferredRefresh()->isEnabled()); // the grid is read again after every try
    QCOMPARE(quickAdd->numberEdit->text(), QStringLiteral("OLD"));
    QCOMPARE(quickAdd->timeEdit->text(), QStringLiteral("2026/12/14"));
    QCOMPARE(Waybills(f.store).count(), 1);

    quickAdd->numberEdit->setText(QStringLiteral("NEW"));
    emit quickAdd->notesEdit->returnPressed(); // Enter in the last box adds
    QCOMPARE(f.dialogs.lastText(), u("快递单添加成功！"));
    const Waybill stored = f.get("NEW");
    QCOMPARE(stored.carrier, u("顺丰速运"));
    QCOMPARE(stored.daysInTransit, u("3天"));
    QCOMPARE(stored.goods, u("书"));
    QVERIFY(quickAdd->numberEdit->text().isEmpty() && quickAdd->goodsEdit->text().isEmpty() &&
            quickAdd->timeEdit->text().isEmpty());
    QCOMPARE(quickAdd->carrierList->currentItem()->text(), u("顺丰速运")); // the carrier stays for the next one
    QCOMPARE(quickAdd->focusWidget(), quickAdd->numberEdit);
}

void TestManagementWindow::quickAddOffersTheCarriersTheNumberMayHave()
{
    Fixture f("OLD");
    f.find("quickAddButton")->click();
    auto *quickAdd = f.dialog<QuickAddDialog>("QuickAddDialog");
    QVERIFY(quickAdd);
    const auto selected = [quickAdd] {
        const QList<QListWidgetItem *> items = quickAdd->carrierList->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    };
    quickAdd->numberEdit->setText(QStringLiteral("SF123456789012"));
    QCOMPARE(quickAdd->carrierList->item(0)->text(), u("顺丰速运"));
    QCOMPARE(selected(), u("顺丰速运"));
    quickAdd->numberEdit->setText(QStringLiteral("1234567890123"));
    QCOMPARE(QStringList({quickAdd->carrierList->item(0)->text(), quickAdd->carrierList->item(1)->text()}),
             QStringList({u("EMS(E邮宝)"), u("中国邮政")}));
    QVERIFY(selected().isEmpty()); // two may fit: the user chooses
    QCOMPARE(quickAdd->carrierList->count(), CarrierCatalogue::quickAddEntries().size());

    quickAdd->carrierList->setCurrentRow(quickAdd->carrierList->count() - 1); // chosen by the user
    const QString chosen = selected();
    quickAdd->numberEdit->setText(QStringLiteral("SF123456789012"));
    QCOMPARE(selected(), chosen);
}

void TestManagementWindow::modifyAppliesToTheRowItWasOpenedFor()
{
    Fixture f("A B");
    // The window opens in the search box: a grid that took the focus once its rows
    // were there would make its first row the chosen one, or not, by how fast they came.
    QCOMPARE(f.window->focusWidget(), f.find<QLineEdit>("searchKeyEdit"));
    f.find("modifyButton")->click(); // nothing chosen: nothing to modify
    QVERIFY(!f.dialog<ModifyDialog>("ModifyDialog"));
    QCOMPARE(f.dialogs.shown.size(), 1);

    // Number unchanged: carrier and the optional columns are rewritten.
    f.choose(0);
    f.find("modifyButton")->click();
    auto *modify = f.dialog<ModifyDialog>("ModifyDialog");
    QVERIFY(modify && modify->isVisible());
    QCOMPARE(modify->numberEdit->text(), QStringLiteral("A"));
    QCOMPARE(modify->goodsEdit->text(), u("书"));
    QCOMPARE(modify->carrierList->currentItem()->text(), u("顺丰速运"));
    f.choose(1); // another row picked meanwhile does not matter
    modify->goodsEdit->setText(u("电脑"));
    modify->carrierList->setCurrentRow(modify->carrierList->count() - 5);
    QCOMPARE(modify->carrierList->currentItem()->text(), u("中铁物流"));
    modify->modifyButton->click();
    QCOMPARE(f.dialogs.lastText(), u("该快递单修改成功！"));
    QVERIFY(!modify->isVisible());
    QCOMPARE(f.get("A").carrier, u("中铁物流"));
    QCOMPARE(f.get("A").goods, u("电脑"));
    QCOMPARE(f.get("B").goods, u("书"));

    // Number and carrier changed together: both are stored.
    QVERIFY(f.settle()); // the grid read again after the save, rows in place
    f.choose(1);
    f.find<QAction>("modifyAction")->trigger();
    modify->numberEdit->setText(QStringLiteral("B2"));
    modify->carrierList->setCurrentRow(3);
    QCOMPARE(modify->carrierList->currentItem()->text(), u("圆通快递"));
    emit modify->notesEdit->returnPressed();
    QCOMPARE(f.dialogs.lastText(), u("该快递单修改成功！"));
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("B")));
    QCOMPARE(f.get("B2").carrier, u("圆通快递"));
    QCOMPARE(f.get("B2").daysInTransit, u("10天"));

    // Onto an existing number: refused, and the dialog keeps the edits.
    QVERIFY(f.refreshFallsDue()); // the grid is read again
    QVERIFY(f.settle());
    f.choose(0);
    f.find("modifyButton")->click();
    QCOMPARE(modify->carrierList->currentItem()->text(), u("中铁物流"));
    modify->numberEdit->setText(QStringLiteral("B2"));
    modify->addressEdit->setText(u("新地址"));
    modify->modifyButton->click();
    QCOMPARE(f.dialogs.lastText(), u("快递单号已存在！"));
    QVERIFY(modify->isVisible());
    QCOMPARE(modify->numberEdit->text(), QStringLiteral("B2"));
    QCOMPARE(modify->addressEdit->text(), u("新地址"));
    QVERIFY(Waybills(f.store).numberExists(QStringLiteral("A")));
    QVERIFY(f.get("B2").address.isEmpty());

    // A new number alone: the row moves, keeping its carrier.
    modify->numberEdit->setText(QStringLiteral("A2"));
    modify->modifyButton->click();
    QCOMPARE(f.dialogs.lastText(), u("该快递单修改成功！"));
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("A")));
    QCOMPARE(f.get("A2").carrier, u("中铁物流"));
    QCOMPARE(f.get("A2").address, u("新地址"));
}

void TestManagementWindow::afterARefreshModifyAndDeleteWorkOnTheStoredRow()
{
    Fixture f("A B");
    f.choose(0);
    f.find("modifyButton")->click();
    auto *modify = f.dialog<ModifyDialog>("ModifyDialog");
    modify->goodsEdit->setText(u("电脑"));
    modify->modifyButton->click();
    QCOMPARE(f.get("A").goods, u("电脑"));
    QVERIFY(f.refreshFallsDue()); // the grid is read again
    QVERIFY(f.settle());

    // Opened again without choosing again: it shows the row as stored, and
    // pressing 修改 keeps the first edit.
    f.find("modifyButton")->click();
    QCOMPARE(modify->goodsEdit->text(), u("电脑"));
    modify->modifyButton->click();
    QCOMPARE(f.get("A").goods, u("电脑"));
    // A row deleted meanwhile cannot be modified.
    QVERIFY(Waybills(f.store).deleteWaybill(QStringLiteral("A")).ok);
    const int before = f.dialogs.shown.size();
    f.find("modifyButton")->click();
    QCOMPARE(f.dialogs.shown.size(), before + 1);
    QVERIFY(f.dialogs.lastText().contains(u("重新选择")));
    QVERIFY(!modify->isVisible());

    // The refresh left no current row: the delete says so and deletes nothing.
    QVERIFY(f.refreshFallsDue());
    QVERIFY(f.settle());
    f.find("deleteButton")->click();
    QCOMPARE(f.dialogs.lastText(), u("请先在表格中选中要删除的快递单。"));
    QCOMPARE(Waybills(f.store).count(), 1);
}

void TestManagementWindow::detailsShowTheChosenRowElseTheMainWindowsWaybill()
{
    Fixture f("A");
    f.find("detailsButton")->click();
    QCOMPARE(f.dialogs.lastText(), u("哈哈，没有选定哦！！！"));
    auto *details = f.dialog<DetailsDialog>("DetailsDialog");
    QVERIFY(details && details->numberValueLabel->text().isEmpty());

    // Two states of A, the newer confirmed three hours ago.
    const QDateTime now = f.clock.now();
    CheckHistory(f.store).recordChecks(
        {{QStringLiteral("A"), now.addDays(-2), StateSource::kConcise, u("揽收")},
         {QStringLiteral("A"), now.addDays(-1), StateSource::detailed(QStringLiteral("byly1")), u("派送中")},
         {QStringLiteral("A"), now.addSecs(-3 * 3600), StateSource::kConcise, u("派送中"), false, u("派件中")}});
    f.current = {QString(),
                 QString(),
                 QStringLiteral("A"),
                 u("顺丰速运"),
                 u("笔"),
                 QStringLiteral("3"),
                 QStringLiteral("2026/12/7"),
                 u("李四"),
                 QStringLiteral("110"),
                 u("上海"),
                 u("急")};
    f.find<QAction>("detailsAction")->trigger();
    QCOMPARE(details->numberValueLabel->text(), QStringLiteral("A"));
    QCOMPARE(details->goodsValueLabel->text(), u("笔"));
    QCOMPARE(details->notesValueLabel->text(), u("急"));
    QCOMPARE(details->statusValueLabel->text(), u("未签收"));
    QCOMPARE(details->daysInTransitValueLabel->text(), u("10天"));
    QCOMPARE(details->lastCheckLabel->text(), u("最后查询：2026-12-16 21:00，3 小时前"));
    QCOMPARE(details->stateHistoryView->topLevelItemCount(), 2);
    QCOMPARE(details->stateHistoryView->topLevelItem(0)->text(3), u("派送中"));
    QCOMPARE(details->stateHistoryView->topLevelItem(0)->text(2), u("详细查询（备用来源1）"));
    QCOMPARE(details->stateHistoryView->topLevelItem(1)->text(3), u("揽收"));
    // The grid shows the same newest check after the register's own columns.
    f.find("refreshButton")->click();
    QVERIFY(f.settle());
    QCOMPARE(f.model()->columnCount(), WaybillColumns::Count + 3);
    QCOMPARE(f.model()->headerData(WaybillColumns::Count, Qt::Horizontal).toString(), u("最后查询"));
    QCOMPARE(f.model()->index(0, WaybillColumns::Count).data().toString(), u("2026-12-16 21:00"));
    QCOMPARE(f.model()->index(0, WaybillColumns::Count + 1).data().toString(), u("派件中"));
    QCOMPARE(f.model()->index(0, WaybillColumns::Count + 2).data().toString(), u("派送中"));

    f.current.number = QStringLiteral("NOT-STORED");
    f.find("detailsButton")->click();
    QCOMPARE(details->numberValueLabel->text(), QStringLiteral("NOT-STORED"));
    QVERIFY(details->statusValueLabel->text().isEmpty() && details->daysInTransitValueLabel->text().isEmpty());
    QCOMPARE(details->lastCheckLabel->text(), u("最后查询：从未查询"));
    QCOMPARE(details->stateHistoryView->topLevelItemCount(), 0);
    f.choose(0); // a row chosen in the grid is the one meant, whatever the main window holds
    f.find("detailsButton")->click();
    QCOMPARE(details->numberValueLabel->text() + details->goodsValueLabel->text(), u("A书"));
}

void TestManagementWindow::statusTabsCountAndFilterTheRows()
{
    Fixture f("A B C D E F");
    const QDateTime now = f.clock.now();
    CheckHistory(f.store).recordChecks(
        {{QStringLiteral("A"), now, StateSource::kConcise, u("异常"), false, u("疑难")},
         {QStringLiteral("B"), now, StateSource::kConcise, u("滞留"), false, u("疑难")},
         {QStringLiteral("C"), now, StateSource::kConcise, u("派送中"), false, u("派件中")},
         {QStringLiteral("E"), now.addDays(-1), StateSource::kConcise, u("已签收"), true, u("已签收")},
         {QStringLiteral("F"), now, StateSource::kConcise, u("已签收"), true, u("已签收")}});
    f.find("refreshButton")->click();
    QVERIFY(f.settle());
    QTabBar *tabs = f.find<QTabBar>("statusFilterTabs");
    const auto choose = [tabs, &f](const QString &text) {
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == text)
                return tabs->setCurrentIndex(i), f.settle();
        return false;
    };
    const auto visible = [&f] {
        QStringList shown;
        for (int row = 0; row < f.model()->rowCount(); ++row)
            if (!f.window->waybillGrid->isRowHidden(row))
                shown << f.model()->index(row, WaybillColumns::Number).data().toString();
        return shown;
    };
    QVERIFY(choose(u("未查询 1")));
    QCOMPARE(visible(), numbers("D"));
    // Signed for today, not yesterday.
    QVERIFY(choose(u("今日签收 1")));
    QCOMPARE(visible(), numbers("F"));
    QVERIFY(choose(u("已签收 2")));
    QCOMPARE(visible(), numbers("E F"));
    // A refresh keeps the chosen status, with its new count.
    QVERIFY(choose(u("疑难 2")));
    CheckHistory(f.store).recordCheck(
        {QStringLiteral("C"), now.addSecs(60), StateSource::kConcise, u("网点滞留"), false, u("疑难")});
    f.find("refreshButton")->click();
    QVERIFY(f.settle());
    QCOMPARE(tabs->tabText(tabs->currentIndex()), u("疑难 3"));
    QCOMPARE(visible(), numbers("A B C"));
}

void TestManagementWindow::headingsSortAndRowsBeyondTheFirstScreenAreRead()
{
    // 250 numbers stored out of order: N000 … N249, each sent a day after the one before.
    QVector<Waybill> rows;
    for (int i = 0; i < 250; ++i) {
        const int n = i * 7 % 250;
        rows << waybill(QStringLiteral("N%1").arg(n, 3, 10, QLatin1Char('0')),
                        QDate(2026, 1, 1).addDays(n).toString(QStringLiteral("yyyy/M/d")), QString());
    }
    Fixture f(rows);
    QCOMPARE(f.model()->rowCount(), 250);
    QCOMPARE(f.model()->index(1, WaybillColumns::Number).data().toString(), QStringLiteral("N007"));
    QHeaderView *header = f.window->waybillGrid->horizontalHeader();
    const auto click = [&f, header](int column) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
        return f.settle();
    };
    QStringList ascending;
    for (int n = 0; n < 250; ++n)
        ascending << QStringLiteral("N%1").arg(n, 3, 10, QLatin1Char('0'));
    QVERIFY(click(WaybillColumns::Number));
    QCOMPARE(f.shown(), ascending);
    // A row far beyond the first screen, with today's days in transit.
    QCOMPARE(f.model()->index(200, WaybillColumns::DaysInTransit).data().toString(),
             QStringLiteral("%1").arg(QDate(2026, 1, 1).addDays(200).daysTo(QDate(2026, 12, 17))) + u("天"));
    QVERIFY(click(WaybillColumns::Number)); // again: the other way
    std::reverse(ascending.begin(), ascending.end());
    QCOMPARE(f.shown(), ascending);
    f.window->showWaybill(QStringLiteral("N010"));
    QCOMPARE(f.window->waybillGrid->currentIndex().row(), 239);
    QCOMPARE(f.label("numberValueLabel")->text(), QStringLiteral("N010"));
}

void TestManagementWindow::importFromTextAndExcel()
{
    Fixture f("OLD");
    QSignalSpy imported(f.window.get(), &ManagementWindow::waybillsImported);
    f.find("importButton")->click();
    auto *import = f.dialog<ImportWindow>("ImportWindow");
    QVERIFY(import && import->isVisible() && !import->confirmButton->isEnabled());
    import->textOption->setChecked(true); // as the keyboard or a screen reader checks it: no click
    QVERIFY(import->confirmButton->isEnabled());
    QVERIFY(import->excelHintEdit->isHidden()); // the Excel hint is not the text option's
    import->confirmButton->click();             // cancelled file dialog: nothing happens
    QVERIFY(import->isVisible());
    QCOMPARE(f.dialogs.fileRequests.last().title, u("选择txt文件"));

    f.folder.write(QStringLiteral("in.txt"), GbkText::encode(u("T1,韵达快运,,,,,,,\r\nOLD,韵达快运,,,,,,,\r\n")));
    f.dialogs.files = {f.folder.file(QStringLiteral("in.txt"))};
    import->confirmButton->click();
    QVERIFY(import->isImporting()); // off the window's thread
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.lastText(),
                              u("导入成功！\n共导入 1 条快递单。\n跳过 1 行：\n第 2 行：快递单号已存在！"), 30000);
    QVERIFY(!import->isVisible());
    QCOMPARE(imported.count(), 1);
    QCOMPARE(Waybills(f.store).count(), 2);

    f.find("importButton")->click();
    QVERIFY(!import->excelOption->isChecked() && !import->textOption->isChecked() &&
            !import->confirmButton->isEnabled());
    import->excelOption->click();
    f.dialogs.files = {QStringLiteral(TOLVANE_TEST_DATA "/import.xlsx")};
    import->confirmButton->click();
    QCOMPARE(f.dialogs.fileRequests.last().title, u("选择excel文件"));
    QVERIFY(f.dialogs.fileRequests.last().filters.first().contains(QStringLiteral("*.xlsx")));
    QTRY_VERIFY_WITH_TIMEOUT(f.dialogs.lastText().contains(u("共导入 3 条")), 30000);
    QCOMPARE(imported.count(), 2);
    QCOMPARE(Waybills(f.store).count(), 5);
}

void TestManagementWindow::importUnderALockCancelAndTheFullList()
{
    if (PostgresCluster::current)
        QSKIP("kd.db's write lock");
    Fixture f;
    f.find("importButton")->click();
    auto *import = f.dialog<ImportWindow>("ImportWindow");
    import->textOption->click();
    QByteArray lines;
    for (int i = 0; i < 100000; ++i)
        lines += "N" + QByteArray::number(i) + (i % 20000 == 7 ? ",x\r\n" : ",x,,,,,,,\r\n");
    f.folder.write(QStringLiteral("big.txt"), lines);

    // Another program holds the write lock: one wait, then nothing stored.
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(f.folder.file(RegisterSchema::fileName()));
        QVERIFY(other.open());
        QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE"));
        f.dialogs.files = {f.folder.file(QStringLiteral("big.txt"))};
        import->confirmButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!import->isImporting(), 20000);
        QVERIFY2(f.dialogs.lastText().contains(u("正被其他程序使用")), qPrintable(f.dialogs.lastText()));
        QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    QCOMPARE(Waybills(f.store).count(), 0);

    // Cancelled: rolled back, the window stays for another try.
    f.dialogs.files = {f.folder.file(QStringLiteral("big.txt"))};
    import->confirmButton->click();
    QVERIFY(import->cancelButton->isVisible());
    import->cancelButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(!import->isImporting(), 20000);
    QCOMPARE(f.dialogs.lastText(), u("导入已取消，没有导入任何快递单。"));
    QCOMPARE(Waybills(f.store).count(), 0);
    QVERIFY(import->isVisible() && !import->cancelButton->isVisible());

    // With more skips than the message lists, the whole list is offered and kept beside the file.
    f.folder.write(QStringLiteral("bad.txt"),
                   GbkText::encode(u("B1,x\nB2,x\nB3,x\nB4,x\nB5,x\nB6,x\nB7,x\nOK,顺丰速运,,,,,,,\n")));
    f.dialogs.files = {f.folder.file(QStringLiteral("bad.txt"))};
    f.dialogs.answers = {true};
    import->confirmButton->click();
    SkippedLinesWindow *list = nullptr;
    QTRY_VERIFY((list = import->findChild<SkippedLinesWindow *>()) && list->isVisible());
    QVERIFY(f.dialogs.lastText().contains(u("是否查看全部跳过的行")));
    QCOMPARE(list->linesText->toPlainText().count(u("少于 9 个")), 7);
    list->saveButton->click();
    const QString saved = SkippedLinesWindow::listFileFor(f.folder.file(QStringLiteral("bad.txt")));
    QCOMPARE(GbkText::decode(f.folder.read(QFileInfo(saved).fileName())).count(u("\r\n第")), 6);
    QCOMPARE(Waybills(f.store).count(), 1);
}

void TestManagementWindow::templateIsRestoredAndOpened()
{
    Fixture f;
    f.find("importButton")->click();
    const QString path = f.folder.file(ImportTemplate::relativePath());
    QVERIFY(!QFile::exists(path));
    f.dialog<ImportWindow>("ImportWindow")->templateButton->click();
    QCOMPARE(f.launcher.files, QStringList{path});
    QVERIFY(QFileInfo(path).size() > 0);
    f.launcher.opens = false; // no program for workbooks: the user is told where the file is
    f.dialog<ImportWindow>("ImportWindow")->templateButton->click();
    QVERIFY(f.dialogs.lastText().contains(path));
}

void TestManagementWindow::archivedRowsStayOutUntilAskedFor()
{
    // Sent on the seventh, ten days ago: with five days to the archive, signed rows go.
    Fixture f("A B C");
    QVERIFY(AppSettings::write(f.folder.path(), AppSettings::kArchiveDays, QStringLiteral("5")).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("A")).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("C")).ok);
    // C was found signed only yesterday: its signing, not its dispatch, counts.
    QVERIFY(CheckHistory(f.store)
                .recordCheck({QStringLiteral("C"), f.clock.now().addDays(-1), StateSource::kConcise, u("已签收"), true})
                .stored);
    f.find("refreshButton")->click();
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), (QStringList{"B", "C"}));
    f.window->showWaybill(QStringLiteral("C")); // where a signing notice leads
    QCOMPARE(f.window->waybillGrid->currentIndex().row(), 1);
    QCOMPARE(f.label("numberValueLabel")->text(), QStringLiteral("C"));
    f.find<QCheckBox>("showArchivedCheckBox")->click();
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), (QStringList{"A", "B", "C"}));
    QCOMPARE(f.model()->index(0, WaybillColumns::Status).data().toString(), u("已签收（已归档）"));
    QCOMPARE(f.model()->index(2, WaybillColumns::Status).data().toString(), u("已签收"));
    // The search covers archived rows only while they are shown.
    f.type(u("状态"), u("已签收"));
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), (QStringList{"A", "C"}));
    f.find<QCheckBox>("showArchivedCheckBox")->click();
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), QStringList{"C"});
    f.type(u("快递单号"), QStringLiteral("A"));
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), QStringList{"C"}); // no match leaves the grid as it is, and says what it found
    QCOMPARE(f.label("searchResultLabel")->text(), u("找到 1 条已归档的快递单"));
    f.find("showArchivedFoundButton")->click();
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), QStringList{"A"});
    QVERIFY(f.find<QCheckBox>("showArchivedCheckBox")->isChecked() && f.label("searchResultLabel")->text().isEmpty());
    f.type(u("快递单号"), QStringLiteral("nomatch"));
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), QStringList{"A"});
    QCOMPARE(f.label("searchResultLabel")->text(), u("没有找到“nomatch”"));

    // Nothing is deleted, and the export writes every row.
    QCOMPARE(Waybills(f.store).count(), 3);
    const QString path = f.folder.file(QStringLiteral("all.txt"));
    f.dialogs.files = {path};
    QSignalSpy exported(f.window.get(), &ManagementWindow::exportDone);
    f.find("exportButton")->click();
    QVERIFY(exported.wait(30000));
    QCOMPARE(GbkText::decode(f.folder.read(QStringLiteral("all.txt"))).count(QStringLiteral("\r\n")), 3);
}

void TestManagementWindow::exportWritesEveryRow()
{
    Fixture f;
    const QString path = f.folder.file(QStringLiteral("out.txt"));
    f.dialogs.files = {path};
    QSignalSpy exported(f.window.get(), &ManagementWindow::exportDone);
    f.find("exportButton")->click();
    QVERIFY(!f.find("exportButton")->isEnabled()); // written in the background
    QVERIFY(exported.wait(30000));
    QVERIFY(f.find("exportButton")->isEnabled());
    QCOMPARE(f.dialogs.lastText(), u("数据库没有记录!!"));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(f.dialogs.fileRequests.last().title, u("保存为"));
    QCOMPARE(f.dialogs.fileRequests.last().folder, f.folder.path());

    const Waybill full{u("未签收"),
                       u("3天"),
                       QStringLiteral("SF1001"),
                       u("顺丰速运"),
                       u("书"),
                       QStringLiteral("12.5"),
                       QStringLiteral("2026/12/7"),
                       u("张三"),
                       QStringLiteral("13800138000"),
                       u("北京市"),
                       u("易碎")};
    QVERIFY(Waybills(f.store).insertQuickAdd(full, full.daysInTransit).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("SF1001")).ok);
    Waybill imported = waybill(QStringLiteral("YT2002"), QString(), QString()); // days and time null
    imported.notes = QStringLiteral("");
    QVERIFY(WaybillImport(f.store).importWaybills({imported}).first().isEmpty());
    f.dialogs.clear();
    f.dialogs.files = {path};
    f.find("exportButton")->click();
    QVERIFY(exported.wait(30000));
    QCOMPARE(f.dialogs.shown.size(), 1); // the file dialog, no message
    const QByteArray bytes = f.folder.read(QStringLiteral("out.txt"));
    QCOMPARE(bytes, GbkText::encode(u("已签收,3天,SF1001,顺丰速运,书,12.5,2026/12/7,张三,13800138000,北京市,易碎,\r\n"
                                      "未签收,,YT2002,顺丰速运,书,,,张三,,,,\r\n")));
    QCOMPARE(bytes.left(2), QByteArray("\xD2\xD1")); // GBK, not UTF-8: 已 is two bytes

    // Characters that GBK lacks are kept, and the user hears how many rows hold them.
    Waybill parcel = waybill(QStringLiteral("E1"));
    parcel.notes = u("📦");
    QVERIFY(Waybills(f.store).insertQuickAdd(parcel, parcel.daysInTransit).ok);
    f.dialogs.files = {path};
    f.find("exportButton")->click();
    QVERIFY(exported.wait(30000));
    QVERIFY2(f.dialogs.lastText().contains(u("其中 1 条运单")), qPrintable(f.dialogs.lastText()));
    QVERIFY(GbkText::decode(f.folder.read(QStringLiteral("out.txt"))).contains(u("📦")));

    // The same window writes a workbook when the user names one.
    QVERIFY(f.dialogs.fileRequests.last().filters.contains(u("导出为 Excel (*.xlsx)")));
    const QString workbook = f.folder.file(QStringLiteral("out.XLSX"));
    f.dialogs.clear();
    f.dialogs.files = {workbook};
    f.find("exportButton")->click();
    QVERIFY(exported.wait(30000));
    QCOMPARE(f.dialogs.shown.size(), 1);
    SheetData sheet;
    QVERIFY(XlsxSheet::read(workbook, &sheet).ok);
    QCOMPARE(sheet.rows.size(), 4);                                  // the header and three waybills
    QCOMPARE(sheet.rows.value(2).first(), QStringLiteral("SF1001")); // the number leads, as the import wants
}

void TestManagementWindow::everyInputHasAnAccessibleName()
{
    Fixture f("A B");
    // A screen reader selects a cell (its Toggle action) without moving the current one.
    f.window->waybillGrid->selectionModel()->select(f.model()->index(1, 2), QItemSelectionModel::Select);
    QCOMPARE(f.label("numberValueLabel")->text(), QStringLiteral("B"));
    f.choose(0);
    f.find("quickAddButton")->click();
    f.find("modifyButton")->click();
    f.find("importButton")->click();
    f.current.number = QStringLiteral("A");
    f.find("detailsButton")->click();
    // Inputs and value labels (the selectable ones); the views' own inner parts have no name.
    int checked = 0;
    for (QWidget *widget : f.window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        if (widget->objectName().isEmpty() ||
            !(qobject_cast<QLineEdit *>(widget) || qobject_cast<QComboBox *>(widget) ||
              qobject_cast<QAbstractItemView *>(widget) ||
              (label && (label->textInteractionFlags() & Qt::TextSelectableByMouse))))
            continue;
        // A value label is named by its value; its caption describes it.
        QVERIFY2(!(label ? widget->accessibleDescription() : widget->accessibleName()).isEmpty(),
                 qPrintable(widget->objectName()));
        ++checked;
    }
    QVERIFY(checked >= 40);
    QCOMPARE(f.label("daysInTransitValueLabel")->accessibleDescription(), u("在途时间"));
}

void TestManagementWindow::aMovedRegisterIsReadAtTheNextOpening()
{
    if (!PostgresCluster::current)
        QSKIP("moves the register from a server to kd.db");
    Fixture f("S");
    QCOMPARE(f.shown(), numbers("S"));
    f.window->close();
    StoreConnection local;
    const QString path = f.folder.file(RegisterSchema::fileName());
    QVERIFY(RegisterSchema::createDatabase(path).ok && local.open(path).ok);
    QVERIFY(Waybills(local).insertQuickAdd(waybill(QStringLiteral("L")), QString()).ok);
    AppSettings::Changes changes;
    RegisterLocation::apply(changes, StoreLocation(path));
    QVERIFY(changes.save(f.folder.path()).ok);
    f.window->show();
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), numbers("L"));
    QCOMPARE(f.get("S").number, QStringLiteral("S")); // the server's register is left as it was
}

// Opening the window tries the server on a worker: a server that is down is
// told in a message, never waited on by the window's thread.
void TestManagementWindow::aServerThatIsDownIsToldWithoutHoldingTheWindow()
{
    TestFolder folder;
    ServerLocation nowhere;
    nowhere.host = QStringLiteral("/nonexistent-tolvane"); // no server listens at that socket folder
    nowhere.database = QStringLiteral("kd");
    AppSettings::Changes changes;
    RegisterLocation::apply(changes, StoreLocation(nowhere));
    QVERIFY(changes.save(folder.path()).ok);
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FixedClock clock{QDate(2026, 12, 17)};
    ManagementWindow window(folder.path(), dialogs, launcher, clock, [] { return Waybill(); });
    window.show();
    QVERIFY(window.isReading() && dialogs.shown.isEmpty()); // shown first, the server tried after
    QTRY_VERIFY_WITH_TIMEOUT(!window.isReading(), 30000);
    QVERIFY2(dialogs.lastText().startsWith(u("无法连接数据库服务器")), qPrintable(dialogs.lastText()));
    // Nothing open: nothing read, nothing asked.
    window.findChild<QPushButton *>(QStringLiteral("refreshButton"))->click();
    QVERIFY(!window.isReading());
    QCOMPARE(dialogs.shown.size(), 1);
}

// On a server the register is reached on a worker; a key typed meanwhile is
// not lost to the whole register read after it.
void TestManagementWindow::aKeyTypedWhileTheRegisterOpensIsSearched()
{
    Fixture f("A B");
    f.window->close();
    f.window->show();
    f.type(u("快递单号"), QStringLiteral("B"));
    QVERIFY(f.settle());
    QCOMPARE(f.shown(), QStringList{"B"});
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true); // as QTEST_MAIN: the column widths are in pixels
    TestManagementWindow tests;
    return runOnEngine(tests, argc, argv);
}
// Each carrier in a colour of its own, and its name under its bars whole.
void TestManagementWindow::statisticsChartsTellCarriersApart()
{
    QSet<QRgb> seen;
    for (int i = 0; i < 40; ++i) {
        const QColor colour = StatisticsWindow::sliceColour(i);
        QVERIFY2(!seen.contains(colour.rgb()), qPrintable(QString::number(i)));
        seen.insert(colour.rgb());
        for (int j = 0; j < i && i < 12; ++j) {
            const int apart = qAbs(colour.hsvHue() - StatisticsWindow::sliceColour(j).hsvHue());
            QVERIFY2(qMin(apart, 360 - apart) >= 30, qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
        }
    }
    const QStringList carriers =
        u("德邦物流 顺丰速运 圆通快递 中通快递 申通快递 韵达快运 百世快递 京东物流 极兔速递 中国邮政EMS")
            .split(QLatin1Char(' '));
    QChartView view(StatisticsWindow::barChart(carriers, {{u("中位天数"), QVector<double>(carriers.size(), 2)}}));
    view.resize(480, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY(view.chart()->plotArea().width() > 0);
    auto *axis = qobject_cast<QBarCategoryAxis *>(view.chart()->axes(Qt::Horizontal).value(0));
    QVERIFY(axis && axis->categories() == carriers);
    QVERIFY(!axis->labelsTruncated());
}

void TestManagementWindow::statisticsOfTheRegister()
{
    Fixture f("A B");
    f.find("statisticsButton")->click();
    StatisticsWindow *stats = f.window->statisticsWindow();
    QVERIFY(stats && stats->isVisible());
    QTRY_VERIFY(!stats->isReading());
    QCOMPARE(stats->summary().total, 2);
    QCOMPARE(stats->summaryGrids[0]->rowCount(), int(stats->summary().byStatus.size()));
    QCOMPARE(stats->summaryGrids[1]->item(0, 1)->text(), QStringLiteral("2"));
    auto *carrierPie =
        qobject_cast<QPieSeries *>(stats->chartTabs->widget(1)->findChild<QChartView *>()->chart()->series().value(0));
    QVERIFY(carrierPie && carrierPie->count() == 1);
    QCOMPARE(carrierPie->slices().at(0)->brush().color(), StatisticsWindow::sliceColour(0)); // not the theme's
    // A range before every row's date leaves nothing.
    stats->fromDateEdit->setDate(QDate(2000, 1, 1));
    stats->toDateEdit->setDate(QDate(2000, 1, 2));
    stats->dateRangeCheckBox->setChecked(true);
    QTRY_VERIFY(!stats->isReading());
    QCOMPARE(stats->summary().total, 0);
    QCOMPARE(stats->summaryGrids[1]->rowCount(), 0);
}

#include "tst_managementwindow.moc"
