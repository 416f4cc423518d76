#include "app/ClassicTimer.h"
#include "app/Clock.h"
#include "app/GbkText.h"
#include "app/Provisioning.h"
#include "store/Form3.h"
#include "store/Form4.h"
#include "store/Form6.h"
#include "store/Form7.h"
#include "store/Form8.h"
#include "store/WaybillStore.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {
QString u(const char *s)
{
    return QString::fromUtf8(s);
}

Waybill waybill(const QString &number, const QString &time, const QString &days = u("0天 "))
{
    Waybill w;
    w.status = u("未签收");
    w.daysInTransit = days;
    w.number = number;
    w.carrier = u("顺丰速运");
    w.goods = u("书");
    w.time = time;
    w.name = u("张三");
    return w;
}

// A program folder with a register, the window over it, and fakes for what it asks.
struct Fixture {
    TestFolder folder;
    WaybillStore store;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FixedClock clock{QDate(2026, 12, 17)};
    CurrentWaybill current;
    std::unique_ptr<Form7> window;

    explicit Fixture(const QVector<Waybill> &rows = {})
    {
        const QString path = folder.file(WaybillStore::fileName());
        if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok)
            qFatal("cannot create the test database");
        for (const Waybill &w : rows) {
            if (!store.insertQuickAdd(w, w.daysInTransit).ok)
                qFatal("cannot store a test row");
        }
        window = std::make_unique<Form7>(folder.path(), dialogs, launcher, clock, [this] { return current; });
        window->show();
        if (!settle())
            qFatal("the window did not finish loading");
    }
    // Waits until the rows asked for have been shown.
    [[nodiscard]] bool settle() const
    {
        return QTest::qWaitFor([this] { return !window->isReading(); }, 5000);
    }
    QAbstractItemModel *model() const { return window->DataGrid1->model(); }
    QStringList shownNumbers() const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->index(r, WaybillColumns::Number).data().toString();
        return out;
    }
    void choose(int row) const { window->DataGrid1->setCurrentIndex(model()->index(row, 0)); }
    // Typing only: the result arrives later.
    void type(const QString &column, const QString &key) const
    {
        window->Combo1->setCurrentText(column);
        window->Text5->setText(key);
    }
    [[nodiscard]] bool search(const QString &column, const QString &key) const
    {
        type(column, key);
        return settle();
    }
    QString readingText() const { return window->findChild<QLabel *>(QStringLiteral("readingLabel"))->text(); }
};
} // namespace

class TestForm7 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingStoresDaysInTransitAndSizesColumns();
    void searchKeepsTheGridWhenNothingMatches();
    void deleteFromASearchResultShowsTheWholeTable();
    void deleteNeedsACurrentRowAndAYes();
    void onlyTheNewestReadIsShown_data();
    void onlyTheNewestReadIsShown();
    void deleteRemovesTheChosenRowWhileASearchArrives();
    void closingDropsAReadOnItsWay();
    void quickAddKeepsTheBoxesUntilItSucceeds();
    void modifyAppliesToTheRowItWasOpenedFor();
    void modifyToAnExistingNumberKeepsTheEdits();
    void detailsShowTheMainWindowsWaybill();
    void importFromTextAndExcel();
    void templateIsRestoredAndOpened();
    void exportWritesEveryRow();
    void everyInputHasAnAccessibleName();
};

void TestForm7::openingStoresDaysInTransitAndSizesColumns()
{
    Fixture f({waybill(QStringLiteral("1234567890123"), u("2026/12/7")),
               waybill(QStringLiteral("B"), QStringLiteral(""), u("7天")),
               waybill(QStringLiteral("C"), u("2026/12/18"))});
    QCOMPARE(f.model()->rowCount(), 3);
    QCOMPARE(f.model()->columnCount(), 11);
    QCOMPARE(f.model()->headerData(2, Qt::Horizontal).toString(), u("快递单号"));
    QCOMPARE(f.store.find(QStringLiteral("1234567890123"))->daysInTransit, u("10天"));
    QCOMPARE(f.store.find(QStringLiteral("B"))->daysInTransit, u("7天"));
    QCOMPARE(f.store.find(QStringLiteral("C"))->daysInTransit, u("-1天"));
    QCOMPARE(f.model()->index(0, WaybillColumns::DaysInTransit).data().toString(), u("10天"));
    QCOMPARE(f.window->DataGrid1->columnWidth(WaybillColumns::Number), 100); // 1495 twips
    QCOMPARE(f.window->DataGrid1->columnWidth(WaybillColumns::Status), 46);  // 未签收: 690 twips
    QVERIFY(f.window->Timer1->isEnabled());
    QCOMPARE(f.window->Timer1->interval(), 1000);

    // The deferred refresh picks up what changed meanwhile, then stops.
    f.clock.set(QDate(2026, 12, 19).startOfDay());
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->Timer1->isEnabled(), 3000);
    QCOMPARE(f.store.find(QStringLiteral("C"))->daysInTransit, u("1天"));
}

void TestForm7::searchKeepsTheGridWhenNothingMatches()
{
    Fixture f({waybill(QStringLiteral("SF_1"), u("2026/12/7")), waybill(QStringLiteral("SFX1"), u("2026/12/7")),
               waybill(QStringLiteral("YT9"), u("2026/12/7"))});
    QVERIFY(f.search(u("快递单号"), QStringLiteral("SF_")));
    QCOMPARE(f.shownNumbers(), (QStringList{QStringLiteral("SF_1"), QStringLiteral("SFX1")})); // _ is a wildcard
    QVERIFY(f.search(u("快递单号"), QStringLiteral("nothing")));
    QCOMPARE(f.shownNumbers(), (QStringList{QStringLiteral("SF_1"), QStringLiteral("SFX1")}));
    QVERIFY(f.search(u("快递单号"), QStringLiteral("Y%9")));
    QCOMPARE(f.shownNumbers(), QStringList{QStringLiteral("YT9")});
    f.window->Text5->clear(); // the empty key matches every row
    QVERIFY(f.settle());
    QCOMPARE(f.model()->rowCount(), 3);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm7::deleteFromASearchResultShowsTheWholeTable()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7")), waybill(QStringLiteral("B"), u("2026/12/7")),
               waybill(QStringLiteral("C"), u("2026/12/7"))});
    QVERIFY(f.store.markSignedFor(QStringLiteral("B")).ok);
    QVERIFY(f.search(u("状态"), u("未")));
    QCOMPARE(f.shownNumbers(), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));

    f.choose(1);
    QCOMPARE(f.window->Label2->text(), QStringLiteral("C"));
    QCOMPARE(f.window->Label4->text(), u("未签收"));
    QCOMPARE(f.window->Label12->text(), u("10天"));
    f.dialogs.answers = {true};
    f.window->Command1->click();
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].kind, QStringLiteral("yesno"));
    QCOMPARE(f.dialogs.shown[0].title, u("提示"));
    QCOMPARE(f.dialogs.shown[0].text, u("是否删除该快递单？"));
    QVERIFY(!f.store.numberExists(QStringLiteral("C")));
    QCOMPARE(f.shownNumbers(), QStringList{QStringLiteral("A")}); // gone at once
    QVERIFY(f.settle());
    QCOMPARE(f.shownNumbers(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

void TestForm7::deleteNeedsACurrentRowAndAYes()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7"))});
    f.window->Command1->click(); // nothing chosen yet
    QVERIFY(f.dialogs.shown.isEmpty());
    f.choose(0);
    f.dialogs.answers = {false};
    f.window->Command1->click();
    QCOMPARE(f.store.count(), 1);
    f.dialogs.answers = {true};
    f.window->sckdd->trigger();
    QCOMPARE(f.store.count(), 0);
    QVERIFY(f.settle());
    QCOMPARE(f.model()->rowCount(), 0);
}

void TestForm7::onlyTheNewestReadIsShown_data()
{
    QTest::addColumn<bool>("refreshFirst");
    QTest::addColumn<QString>("firstKey");
    QTest::addColumn<QString>("lastKey");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("fills"); // a stale result must not even flash up
    const QStringList all{QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("B1")};
    QTest::newRow("a later search replaces an earlier one")
        << false << QStringLiteral("A") << QStringLiteral("B") << QStringList{QStringLiteral("B1")} << 1;
    QTest::newRow("an earlier search never replaces a later one")
        << false << QStringLiteral("B") << QStringLiteral("A")
        << QStringList{QStringLiteral("A1"), QStringLiteral("A2")} << 1;
    QTest::newRow("a search typed during a refresh wins")
        << true << QString() << QStringLiteral("B") << QStringList{QStringLiteral("B1")} << 1;
    QTest::newRow("a newest search without matches keeps the grid")
        << false << QStringLiteral("B") << QStringLiteral("none") << all << 0;
}

void TestForm7::onlyTheNewestReadIsShown()
{
    QFETCH(bool, refreshFirst);
    QFETCH(QString, firstKey);
    QFETCH(QString, lastKey);
    QFETCH(QStringList, shown);
    QFETCH(int, fills);
    Fixture f({waybill(QStringLiteral("A1"), u("2026/12/7")), waybill(QStringLiteral("A2"), u("2026/12/7")),
               waybill(QStringLiteral("B1"), u("2026/12/7"))});
    QVERIFY(f.readingText().isEmpty());
    QSignalSpy resets(f.model(), &QAbstractItemModel::modelReset);
    if (refreshFirst)
        f.window->Command8->click();
    else
        f.type(u("快递单号"), firstKey);
    QVERIFY(f.window->isReading());
    QCOMPARE(f.readingText(), u("正在读取…"));
    f.type(u("快递单号"), lastKey);
    QVERIFY(f.settle());
    QCOMPARE(f.shownNumbers(), shown);
    QCOMPARE(resets.count(), fills);
    QVERIFY(f.readingText().isEmpty());
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestForm7::deleteRemovesTheChosenRowWhileASearchArrives()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7")), waybill(QStringLiteral("B"), u("2026/12/7")),
               waybill(QStringLiteral("C"), u("2026/12/7"))});
    f.choose(2);
    QCOMPARE(f.window->Label2->text(), QStringLiteral("C"));
    // The search shows only A while the question is open; C is still the one asked about.
    f.type(u("快递单号"), QStringLiteral("A"));
    bool searchShown = false;
    f.dialogs.whileAsking = [&] { searchShown = f.settle() && f.shownNumbers() == QStringList{QStringLiteral("A")}; };
    f.dialogs.answers = {true};
    f.window->Command1->click();
    QVERIFY(searchShown);
    QVERIFY(!f.store.numberExists(QStringLiteral("C")));
    QCOMPARE(f.store.count(), 2);
    QVERIFY(f.settle());
    QCOMPARE(f.shownNumbers(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    // A search still on its way when the delete happens is replaced by the whole table.
    QVERIFY(f.search(u("快递单号"), QStringLiteral("B")));
    f.choose(0);
    f.type(u("快递单号"), QStringLiteral("A"));
    f.dialogs.whileAsking = nullptr;
    f.dialogs.answers = {true};
    f.window->Command1->click();
    QVERIFY(!f.store.numberExists(QStringLiteral("B")));
    QVERIFY(f.settle());
    QCOMPARE(f.shownNumbers(), QStringList{QStringLiteral("A")});
}

void TestForm7::closingDropsAReadOnItsWay()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7"))});
    f.window->Command8->click();
    f.window->close();
    QVERIFY(f.settle());
    QCOMPARE(f.model()->rowCount(), 0);
    f.window->show(); // opening again loads again
    QVERIFY(f.settle());
    QCOMPARE(f.shownNumbers(), QStringList{QStringLiteral("A")});
}

void TestForm7::quickAddKeepsTheBoxesUntilItSucceeds()
{
    Fixture f({waybill(QStringLiteral("OLD"), u("2026/12/7"))});
    f.window->Command10->click();
    auto *form3 = f.window->findChild<Form3 *>(QStringLiteral("Form3"));
    QVERIFY(form3 && form3->isVisible());
    QCOMPARE(form3->List1->count(), 26);

    f.window->Timer1->setEnabled(false);
    form3->Text2->setText(u("书"));
    form3->Text4->setText(QStringLiteral("2026/12/14"));
    form3->Command1->click();
    QCOMPARE(f.dialogs.lastText(), u("快递单号不能为空！"));
    QVERIFY(f.window->Timer1->isEnabled());
    QCOMPARE(form3->Text2->text(), u("书"));

    form3->Text1->setText(QStringLiteral("OLD"));
    form3->List1->setCurrentRow(12); // the separator
    QCOMPARE(form3->List1->currentItem()->text(), QStringLiteral("********"));
    form3->Command1->click();
    QCOMPARE(f.dialogs.lastText(), u("呵呵，忘记选择快递公司啦！"));
    form3->List1->setCurrentRow(1);
    form3->Command1->click();
    QCOMPARE(f.dialogs.lastText(), u("快递单号已存在！"));
    QCOMPARE(form3->Text1->text(), QStringLiteral("OLD"));
    QCOMPARE(form3->Text4->text(), QStringLiteral("2026/12/14"));
    QCOMPARE(f.store.count(), 1);

    form3->Text1->setText(QStringLiteral("NEW"));
    emit form3->Text1->returnPressed(); // Enter moves on to the next box
    QCOMPARE(form3->focusWidget(), form3->Text2);
    emit form3->Text7->returnPressed();
    QCOMPARE(form3->focusWidget(), form3->Text8);
    emit form3->Text8->returnPressed(); // Enter in the last box adds
    QCOMPARE(f.dialogs.lastText(), u("快递单添加成功！"));
    const std::optional<Waybill> stored = f.store.find(QStringLiteral("NEW"));
    QVERIFY(stored);
    QCOMPARE(stored->carrier, u("顺丰速运"));
    QCOMPARE(stored->daysInTransit, u("3天"));
    QCOMPARE(stored->goods, u("书"));
    QVERIFY(form3->Text1->text().isEmpty() && form3->Text2->text().isEmpty() && form3->Text4->text().isEmpty());
    QCOMPARE(form3->List1->currentItem()->text(), u("顺丰速运")); // the carrier stays for the next one
    QCOMPARE(form3->focusWidget(), form3->Text1);
}

void TestForm7::modifyAppliesToTheRowItWasOpenedFor()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7")), waybill(QStringLiteral("B"), u("2026/12/7"))});
    f.window->Command9->click(); // nothing chosen: nothing to modify
    QVERIFY(!f.window->findChild<Form8 *>(QStringLiteral("Form8")));
    QCOMPARE(f.dialogs.shown.size(), 1);

    // Number unchanged: carrier and the optional columns are rewritten.
    f.choose(0);
    f.window->Command9->click();
    auto *form8 = f.window->findChild<Form8 *>(QStringLiteral("Form8"));
    QVERIFY(form8 && form8->isVisible());
    QCOMPARE(form8->List1->count(), 28);
    QCOMPARE(form8->Text1->text(), QStringLiteral("A"));
    QCOMPARE(form8->Text2->text(), u("书"));
    QCOMPARE(form8->List1->currentItem()->text(), u("顺丰速运"));
    f.choose(1); // another row picked meanwhile does not matter
    form8->Text2->setText(u("电脑"));
    form8->List1->setCurrentRow(form8->List1->count() - 2); // 中铁物流
    f.window->Timer1->setEnabled(false);
    form8->Command2->click();
    QCOMPARE(f.dialogs.lastText(), u("该快递单修改成功！"));
    QVERIFY(!form8->isVisible());
    QVERIFY(f.window->Timer1->isEnabled());
    QCOMPARE(f.store.find(QStringLiteral("A"))->carrier, u("中铁物流"));
    QCOMPARE(f.store.find(QStringLiteral("A"))->goods, u("电脑"));
    QCOMPARE(f.store.find(QStringLiteral("B"))->goods, u("书"));

    // Number and carrier changed together: both are stored.
    f.choose(1);
    f.window->xgkdd->trigger();
    form8->Text1->setText(QStringLiteral("B2"));
    form8->List1->setCurrentRow(3); // 圆通快递
    emit form8->Text8->returnPressed();
    QCOMPARE(f.dialogs.lastText(), u("该快递单修改成功！"));
    QVERIFY(!f.store.numberExists(QStringLiteral("B")));
    QCOMPARE(f.store.find(QStringLiteral("B2"))->carrier, u("圆通快递"));
    QCOMPARE(f.store.find(QStringLiteral("B2"))->daysInTransit, u("10天"));
}

void TestForm7::modifyToAnExistingNumberKeepsTheEdits()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7")), waybill(QStringLiteral("B"), u("2026/12/7"))});
    f.choose(0);
    f.window->Command9->click();
    auto *form8 = f.window->findChild<Form8 *>(QStringLiteral("Form8"));
    form8->Text1->setText(QStringLiteral("B"));
    form8->Text7->setText(u("新地址"));
    form8->Command2->click();
    QCOMPARE(f.dialogs.lastText(), u("快递单号已存在！"));
    QVERIFY(form8->isVisible());
    QCOMPARE(form8->Text1->text(), QStringLiteral("B"));
    QCOMPARE(form8->Text7->text(), u("新地址"));
    QVERIFY(f.store.numberExists(QStringLiteral("A")));
    QVERIFY(f.store.find(QStringLiteral("B"))->address.isEmpty());
}

void TestForm7::detailsShowTheMainWindowsWaybill()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7"))});
    f.window->Command15->click();
    QCOMPARE(f.dialogs.lastText(), u("哈哈，没有选定哦！！！"));
    auto *form4 = f.window->findChild<Form4 *>(QStringLiteral("Form4"));
    QVERIFY(form4 && form4->Label10->text().isEmpty());

    f.current = {
        QStringLiteral("A"),   u("顺丰速运"), u("笔"), QStringLiteral("3"), QStringLiteral("2026/12/7"), u("李四"),
        QStringLiteral("110"), u("上海"),     u("急")};
    f.window->xiangxi->trigger();
    QCOMPARE(form4->Label10->text(), QStringLiteral("A"));
    QCOMPARE(form4->Label12->text(), u("笔"));
    QCOMPARE(form4->Label18->text(), u("急"));
    QCOMPARE(form4->Label21->text(), u("未签收"));
    QCOMPARE(form4->Label22->text(), u("10天"));

    f.current.number = QStringLiteral("NOT-STORED");
    f.window->Command15->click();
    QCOMPARE(form4->Label10->text(), QStringLiteral("NOT-STORED"));
    QVERIFY(form4->Label21->text().isEmpty() && form4->Label22->text().isEmpty());
}

void TestForm7::importFromTextAndExcel()
{
    Fixture f({waybill(QStringLiteral("OLD"), u("2026/12/7"))});
    QSignalSpy imported(f.window.get(), &Form7::waybillsImported);
    f.window->Command14->click();
    auto *form6 = f.window->findChild<Form6 *>(QStringLiteral("Form6"));
    QVERIFY(form6 && form6->isVisible() && !form6->Command1->isEnabled());
    form6->Option2->click();
    QVERIFY(form6->Command1->isEnabled() && !form6->Label1->isHidden() && form6->Label2->isHidden());

    form6->Command1->click(); // cancelled file dialog: nothing happens
    QVERIFY(form6->isVisible());
    QCOMPARE(f.dialogs.fileRequests.last().title, u("选择txt文件"));

    f.folder.write(QStringLiteral("in.txt"),
                   GbkText::encode(u("T1,韵达快运,,,,,,,\r\nOLD,韵达快运,,,,,,,\r\nT2,韵达快运,,,,,,,\r\n")));
    f.dialogs.files = {f.folder.file(QStringLiteral("in.txt"))};
    form6->Command1->click();
    QVERIFY(f.dialogs.lastText().startsWith(u("导入成功！")));
    QVERIFY(f.dialogs.lastText().contains(u("第 2 行：快递单号已存在")));
    QVERIFY(!form6->isVisible());
    QCOMPARE(imported.count(), 1);
    QCOMPARE(f.store.count(), 3);

    f.window->Command14->click();
    QVERIFY(!form6->Option1->isChecked() && !form6->Option2->isChecked() && !form6->Command1->isEnabled());
    form6->Option1->click();
    QVERIFY(!form6->Label2->isHidden() && form6->Label1->isHidden());
    f.dialogs.files = {QStringLiteral(TOLVANE_TEST_DATA "/import.xlsx")};
    form6->Command1->click();
    QCOMPARE(f.dialogs.fileRequests.last().title, u("选择excel文件"));
    QVERIFY(f.dialogs.fileRequests.last().filters.first().contains(QStringLiteral("*.xlsx")));
    QVERIFY(f.dialogs.lastText().contains(u("共导入 3 条")));
    QCOMPARE(imported.count(), 2);
    QCOMPARE(f.store.find(QStringLiteral("SF1001"))->time, QStringLiteral("2026/12/7"));
}

void TestForm7::templateIsRestoredAndOpened()
{
    Fixture f;
    f.window->Command14->click();
    auto *form6 = f.window->findChild<Form6 *>(QStringLiteral("Form6"));
    const QString path = f.folder.file(Provisioning::templateRelativePath());
    QVERIFY(!QFile::exists(path));
    form6->Command2->click();
    QCOMPARE(f.launcher.files, QStringList{path});
    QVERIFY(QFileInfo(path).size() > 0);
}

void TestForm7::exportWritesEveryRow()
{
    Fixture f;
    const QString path = f.folder.file(QStringLiteral("out.txt"));
    f.dialogs.files = {path};
    f.window->Command11->click();
    QCOMPARE(f.dialogs.lastText(), u("数据库没有记录!!"));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(f.dialogs.fileRequests.last().title, u("保存为"));
    QCOMPARE(f.dialogs.fileRequests.last().folder, f.folder.path());

    QVERIFY(f.store.insertQuickAdd(waybill(QStringLiteral("A"), u("2026/12/7")), u("1天")).ok);
    QVERIFY(f.store.insertQuickAdd(waybill(QStringLiteral("B"), QStringLiteral("")), u("2天")).ok);
    f.dialogs.clear();
    f.dialogs.files = {path};
    f.window->Command11->click();
    QCOMPARE(f.dialogs.shown.size(), 1); // the file dialog, no message
    QCOMPARE(GbkText::decode(f.folder.read(QStringLiteral("out.txt"))),
             u("未签收,1天,A,顺丰速运,书,,2026/12/7,张三,,,,\r\n未签收,2天,B,顺丰速运,书,,,张三,,,,\r\n"));
}

void TestForm7::everyInputHasAnAccessibleName()
{
    Fixture f({waybill(QStringLiteral("A"), u("2026/12/7"))});
    f.choose(0);
    f.window->Command10->click();
    f.window->Command9->click();
    f.window->Command14->click();
    f.current.number = QStringLiteral("A");
    f.window->Command15->click();
    int checked = 0;
    for (QWidget *w : f.window->findChildren<QWidget *>()) {
        const bool input =
            qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractItemView *>(w);
        if (!input || w->objectName().isEmpty()) // the views' own inner parts have no name
            continue;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        ++checked;
    }
    auto *form4 = f.window->findChild<Form4 *>(QStringLiteral("Form4"));
    for (QLabel *value :
         {form4->Label10,   form4->Label11,    form4->Label12,   form4->Label13,   form4->Label14,   form4->Label15,
          form4->Label16,   form4->Label17,    form4->Label18,   form4->Label21,   form4->Label22,   f.window->Label1,
          f.window->Label2, f.window->Label3,  f.window->Label4, f.window->Label5, f.window->Label6, f.window->Label8,
          f.window->Label9, f.window->Label10, f.window->Label11}) {
        QVERIFY2(!value->accessibleName().isEmpty(), qPrintable(value->objectName()));
        ++checked;
    }
    QVERIFY(checked >= 40);
    QCOMPARE(f.window->Label12->accessibleName(), u("在途时间"));
}

QTEST_MAIN(TestForm7)
#include "tst_form7.moc"
