#include "manage/WaybillEditor.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"

#include <QtTest>

// Both refusals and stored results, on a register holding N1 (顺丰速运, sent on 2026/12/14, already signed for).
class TestWaybillEditor : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static Waybill typed(const QString &number, const QString &carrier, const QString &time, const QString &name = {})
    {
        return {QString(), QString(), number,    carrier,   u("书"),    QString(),
                time,      name,      QString(), QString(), u("放门口")};
    }
    struct Fixture {
        TestFolder folder;
        StoreConnection store;
        Fixture()
        {
            const QString path = folder.file(RegisterSchema::fileName());
            if (!RegisterSchema::createDatabase(path).ok || !store.open(path).ok ||
                !WaybillEditor::quickAdd(store,
                                         typed(QStringLiteral("N1"), u("顺丰速运"), QStringLiteral("2026/12/14")),
                                         QDate(2026, 12, 17))
                     .ok ||
                !Waybills(store).markSignedFor(QStringLiteral("N1")).ok)
                qFatal("cannot create the test database");
        }
        Waybill get(const QString &number) const { return Waybills(store).find(number).value_or(Waybill()); }
    };

private Q_SLOTS:
    void quickAdd_data();
    void quickAdd();
    void modify_data();
    void modify();
};

void TestWaybillEditor::quickAdd_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("days");
    QTest::newRow("no carrier") << QString() << QString() << "2026/12/14" << u("呵呵，忘记选择快递公司啦！")
                                << QString();
    QTest::newRow("over-long name") << u("圆通快递") << QString(21, QLatin1Char('x')) << "2026/12/14"
                                    << u("“姓名”太长：最多 20 个字符，现在是 21 个。未保存。") << QString();
    QTest::newRow("tomorrow") << u("圆通快递") << QString() << "2026-12-18" << QString() << u("-1天");
    QTest::newRow("empty time") << u("圆通快递") << QString() << "" << QString() << "";
    QTest::newRow("no date") << u("圆通快递") << QString() << u("昨天") << QString() << "";
}

void TestWaybillEditor::quickAdd()
{
    QFETCH(QString, carrier);
    QFETCH(QString, name);
    QFETCH(QString, time);
    QFETCH(QString, error);
    Fixture f;
    const Outcome added =
        WaybillEditor::quickAdd(f.store, typed(QStringLiteral("N2"), carrier, time, name), QDate(2026, 12, 17));
    QCOMPARE(added.error, error);
    QCOMPARE(Waybills(f.store).count(), error.isEmpty() ? 2 : 1);
    if (!error.isEmpty())
        return;
    const Waybill stored = f.get(QStringLiteral("N2"));
    QTEST(stored.daysInTransit, "days");
    QCOMPARE(stored.status, u("未签收"));
    QCOMPARE(stored.time, time);
    QCOMPARE(stored.notes, u("放门口"));
}

void TestWaybillEditor::modify_data()
{
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("carrier");
    QTest::newRow("separator keeps the carrier") << "N1"
                                                 << "N2"
                                                 << "********" << QString() << u("顺丰速运");
    QTest::newRow("nothing chosen keeps the carrier") << "N1"
                                                      << "N2"
                                                      << "" << QString() << u("顺丰速运");
    QTest::newRow("the same number typed otherwise")
        << "N1" << u("ｎ 1") << u("圆通快递") << QString() << u("圆通快递");
    QTest::newRow("empty number") << "N1"
                                  << "" << u("圆通快递") << u("快递单号不能为空！") << u("顺丰速运");
    QTest::newRow("row deleted meanwhile")
        << "N9"
        << "N2" << u("圆通快递") << u("要修改的快递单已不在数据库中（可能已被删除）。") << u("顺丰速运");
}

void TestWaybillEditor::modify()
{
    QFETCH(QString, opened);
    QFETCH(QString, number);
    QFETCH(QString, chosen);
    QFETCH(QString, error);
    Fixture f;
    Waybill edited = typed(number, chosen, QStringLiteral("2026/12/1"));
    edited.phone = QStringLiteral("110");
    QTEST(WaybillEditor::modify(f.store, opened, u("顺丰速运"), edited).error, "error");
    QCOMPARE(Waybills(f.store).count(), 1);
    const Waybill stored = f.get(error.isEmpty() ? number : QStringLiteral("N1"));
    QTEST(stored.carrier, "carrier");
    QCOMPARE(stored.phone.isEmpty(), !error.isEmpty());
    QCOMPARE(stored.status, u("已签收")); // status and days are never edited here
    QCOMPARE(stored.daysInTransit, u("3天"));
}

QTEST_GUILESS_MAIN(TestWaybillEditor)
#include "tst_waybilleditor.moc"
