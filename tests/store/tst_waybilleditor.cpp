#include "store/WaybillEditor.h"
#include "store/WaybillStore.h"
#include "support/TestFolder.h"

#include <QtTest>

class TestWaybillEditor : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static QDate today() { return QDate(2026, 12, 17); }

    static Waybill typed(const QString &number, const QString &carrier,
                         const QString &time = QStringLiteral("2026/12/14"))
    {
        Waybill w;
        w.number = number;
        w.carrier = carrier;
        w.goods = u("书");
        w.amount = QStringLiteral("20");
        w.time = time;
        w.name = u("张三");
        w.phone = QStringLiteral("13800138000");
        w.address = u("北京市");
        w.notes = u("放门口");
        return w;
    }

    struct Fixture {
        TestFolder folder;
        WaybillStore store;
        Fixture()
        {
            const QString path = folder.file(WaybillStore::fileName());
            if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok)
                qFatal("cannot create the test database");
        }
    };

private Q_SLOTS:
    void quickAddRefusals_data();
    void quickAddRefusals();
    void quickAddStoresTheDaysInTransit_data();
    void quickAddStoresTheDaysInTransit();
    void modifyKeepingTheNumber();
    void modifyChangingTheNumber_data();
    void modifyChangingTheNumber();
    void modifyRefusals();
};

void TestWaybillEditor::quickAddRefusals_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty number") << QString() << u("顺丰速运") << u("张三") << u("快递单号不能为空！");
    QTest::newRow("no carrier") << QStringLiteral("N1") << QStringLiteral("") << u("张三")
                                << u("呵呵，忘记选择快递公司啦！");
    QTest::newRow("separator is no carrier")
        << QStringLiteral("N1") << QStringLiteral("********") << u("张三") << u("呵呵，忘记选择快递公司啦！");
    QTest::newRow("existing number") << QStringLiteral("OLD") << u("圆通快递") << u("张三") << u("快递单号已存在！");
    QTest::newRow("over-long name") << QStringLiteral("N1") << u("圆通快递") << QString(21, QLatin1Char('x'))
                                    << u("“姓名”太长：最多 20 个字符，现在是 21 个。未保存。");
}

void TestWaybillEditor::quickAddRefusals()
{
    QFETCH(QString, number);
    QFETCH(QString, carrier);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Fixture f;
    QVERIFY(WaybillEditor::quickAdd(f.store, typed(QStringLiteral("OLD"), u("顺丰速运")), today()).ok);
    Waybill w = typed(number, carrier);
    w.name = name;
    const Outcome added = WaybillEditor::quickAdd(f.store, w, today());
    QVERIFY(!added.ok);
    QCOMPARE(added.error, message);
    QCOMPARE(f.store.count(), 1);
    QCOMPARE(f.store.find(QStringLiteral("OLD"))->carrier, u("顺丰速运"));
}

void TestWaybillEditor::quickAddStoresTheDaysInTransit_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("days");
    QTest::newRow("three days back") << QStringLiteral("2026/12/14") << u("3天");
    QTest::newRow("tomorrow") << QStringLiteral("2026-12-18") << u("-1天");
    QTest::newRow("empty time") << QStringLiteral("") << QStringLiteral("");
    QTest::newRow("no date") << u("昨天") << QStringLiteral("");
}

void TestWaybillEditor::quickAddStoresTheDaysInTransit()
{
    QFETCH(QString, time);
    Fixture f;
    QVERIFY(WaybillEditor::quickAdd(f.store, typed(QStringLiteral("N1"), u("顺丰速运"), time), today()).ok);
    const std::optional<Waybill> stored = f.store.find(QStringLiteral("N1"));
    QVERIFY(stored);
    QTEST(stored->daysInTransit, "days");
    QCOMPARE(stored->status, u("未签收"));
    QCOMPARE(stored->time, time);
    QCOMPARE(stored->notes, u("放门口"));
}

void TestWaybillEditor::modifyKeepingTheNumber()
{
    Fixture f;
    QVERIFY(WaybillEditor::quickAdd(f.store, typed(QStringLiteral("N1"), u("顺丰速运")), today()).ok);
    QVERIFY(f.store.markSignedFor(QStringLiteral("N1")).ok);
    Waybill edited = typed(QStringLiteral("N1"), u("中铁物流"));
    edited.goods = u("电脑");
    edited.notes = QStringLiteral("");
    QVERIFY(WaybillEditor::modify(f.store, QStringLiteral("N1"), u("顺丰速运"), edited).ok);
    const Waybill stored = *f.store.find(QStringLiteral("N1"));
    QCOMPARE(stored.carrier, u("中铁物流"));
    QCOMPARE(stored.goods, u("电脑"));
    QCOMPARE(stored.notes, QStringLiteral(""));
    QCOMPARE(stored.status, u("已签收")); // status and days are never edited here
    QCOMPARE(stored.daysInTransit, u("3天"));
}

void TestWaybillEditor::modifyChangingTheNumber_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("carrier");
    QTest::newRow("number only") << u("顺丰速运") << u("顺丰速运");
    QTest::newRow("number and carrier") << u("圆通快递") << u("圆通快递");
    QTest::newRow("separator keeps the carrier") << QStringLiteral("********") << u("顺丰速运");
    QTest::newRow("nothing chosen keeps the carrier") << QStringLiteral("") << u("顺丰速运");
}

void TestWaybillEditor::modifyChangingTheNumber()
{
    QFETCH(QString, chosen);
    Fixture f;
    QVERIFY(WaybillEditor::quickAdd(f.store, typed(QStringLiteral("N1"), u("顺丰速运")), today()).ok);
    Waybill edited = typed(QStringLiteral("N2"), chosen);
    edited.phone = QStringLiteral("110");
    QVERIFY(WaybillEditor::modify(f.store, QStringLiteral("N1"), u("顺丰速运"), edited).ok);
    QVERIFY(!f.store.numberExists(QStringLiteral("N1")));
    const Waybill stored = *f.store.find(QStringLiteral("N2"));
    QTEST(stored.carrier, "carrier");
    QCOMPARE(stored.phone, QStringLiteral("110"));
    QCOMPARE(stored.status, u("未签收"));
    QCOMPARE(stored.daysInTransit, u("3天"));
}

void TestWaybillEditor::modifyRefusals()
{
    Fixture f;
    QVERIFY(WaybillEditor::quickAdd(f.store, typed(QStringLiteral("N1"), u("顺丰速运")), today()).ok);
    QVERIFY(WaybillEditor::quickAdd(f.store, typed(QStringLiteral("N2"), u("圆通快递")), today()).ok);

    Outcome changed =
        WaybillEditor::modify(f.store, QStringLiteral("N1"), u("顺丰速运"), typed(QStringLiteral("N2"), u("顺丰速运")));
    QCOMPARE(changed.error, u("快递单号已存在！"));
    changed = WaybillEditor::modify(f.store, QStringLiteral("N1"), u("顺丰速运"), typed(QString(), u("顺丰速运")));
    QCOMPARE(changed.error, u("快递单号不能为空！"));
    changed = WaybillEditor::modify(f.store, QStringLiteral("GONE"), u("顺丰速运"),
                                    typed(QStringLiteral("GONE"), u("顺丰速运")));
    QVERIFY(!changed.ok);
    QVERIFY(changed.error.contains(u("已不在数据库中")));
    QCOMPARE(f.store.find(QStringLiteral("N1"))->carrier, u("顺丰速运"));
    QCOMPARE(f.store.find(QStringLiteral("N2"))->carrier, u("圆通快递"));
    QCOMPARE(f.store.count(), 2);
}

QTEST_GUILESS_MAIN(TestWaybillEditor)
#include "tst_waybilleditor.moc"
