#include "store/WaybillStore.h"
#include "support/TestFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TestWaybillStore : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }

    static Waybill sample(const QString &number, const QString &carrier = QString::fromUtf8("顺丰速运"))
    {
        Waybill w;
        w.number = number;
        w.carrier = carrier;
        w.goods = QString::fromUtf8("书");
        w.amount = QStringLiteral("12.5");
        w.time = QStringLiteral("2026/12/1");
        w.name = QString::fromUtf8("张三");
        w.phone = QStringLiteral("13800138000");
        w.address = QString::fromUtf8("北京市");
        w.notes = QString();
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
    void layoutOfANewFile();
    void createNeverReplacesAnExistingFile();
    void valuesWithQuotesAndWildcardsAreStoredAsTyped();
    void inputFormAndQuickAddInserts();
    void overLongValuesAreRefusedNamingTheField();
    void duplicatesAreRefused();
    void searchKeepsWildcardsAndWhitelistsColumns();
    void modifyKeepingAndChangingTheNumber();
    void signedForMarkingTouchesOnlyThatNumber();
    void daysInTransitInOneTransaction();
    void tempRowsSurviveReopeningAndCanBeCleared();
    void importStoresGoodRowsAndExplainsTheRest();
    void damagedOrForeignFilesAreReportedAndLeftAlone();
    void lockedFileIsReported();
};

void TestWaybillStore::layoutOfANewFile()
{
    Fixture f;
    QCOMPARE(f.store.count(), 0);
    QVERIFY(f.store.tempRows().isEmpty());

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
    db.setDatabaseName(f.store.path());
    QVERIFY(db.open());
    {
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA table_info(快递单)")));
        QStringList columns, required;
        while (q.next()) {
            columns << q.value(1).toString();
            if (q.value(3).toInt())
                required << q.value(1).toString();
        }
        QCOMPARE(columns, WaybillColumns::names());
        QCOMPARE(required, (QStringList{u("快递单号"), u("快递公司")}));
        QVERIFY(q.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE name IN ('快递单', 'Temp') ORDER BY name")));
        while (q.next())
            QVERIFY(q.value(0).toString().contains(QStringLiteral("CONSTRAINT FirstPrimaryKey PRIMARY KEY (快递单号)")));
        QVERIFY(q.exec(QStringLiteral("PRAGMA table_info(Temp)")));
        QStringList temp;
        while (q.next())
            temp << q.value(1).toString();
        QCOMPARE(temp, (QStringList{u("快递单号"), u("快递公司")}));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
}

void TestWaybillStore::createNeverReplacesAnExistingFile()
{
    TestFolder folder;
    folder.write(QStringLiteral("kd.db"), QByteArray("not a database"));
    const Outcome outcome = WaybillStore::createDatabase(folder.file(QStringLiteral("kd.db")));
    QVERIFY(!outcome.ok);
    QCOMPARE(folder.read(QStringLiteral("kd.db")), QByteArray("not a database"));
}

void TestWaybillStore::valuesWithQuotesAndWildcardsAreStoredAsTyped()
{
    Fixture f;
    Waybill w = sample(QStringLiteral("O'Neil%_1"));
    w.notes = u("it's \"quoted\" -- ; DROP TABLE 快递单");
    QVERIFY(f.store.insertFromInputForm(w).ok);
    const std::optional<Waybill> back = f.store.find(QStringLiteral("O'Neil%_1"));
    QVERIFY(back.has_value());
    QCOMPARE(back->notes, w.notes);
    QVERIFY(!f.store.numberExists(QStringLiteral("O'Neil%_")));  // '=' does not treat % as a wildcard
    QVERIFY(!f.store.numberExists(QStringLiteral("O'Neilx_1")));
    QCOMPARE(f.store.count(), 1);
}

void TestWaybillStore::inputFormAndQuickAddInserts()
{
    Fixture f;
    Waybill w;
    w.number = QStringLiteral("100");
    w.carrier = u("TNT");
    QVERIFY(f.store.insertFromInputForm(w).ok); // every optional box empty
    Waybill back = f.store.find(QStringLiteral("100")).value();
    QCOMPARE(back.status, u("未签收"));
    QCOMPARE(back.daysInTransit, u("0天 "));
    for (const QString *field : {&back.goods, &back.amount, &back.time, &back.name, &back.phone, &back.address, &back.notes}) {
        QVERIFY(!field->isNull()); // empty text, not null
        QVERIFY(field->isEmpty());
    }
    QVERIFY(f.store.insertQuickAdd(sample(QStringLiteral("200")), u("3天")).ok);
    back = f.store.find(QStringLiteral("200")).value();
    QCOMPARE(back.daysInTransit, u("3天"));
    QCOMPARE(back.status, u("未签收"));
    QCOMPARE(back.phone, QStringLiteral("13800138000"));
    // Register order is insertion order.
    const QVector<Waybill> all = f.store.allWaybills();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all[0].number, QStringLiteral("100"));
    QCOMPARE(all[1].number, QStringLiteral("200"));
}

void TestWaybillStore::overLongValuesAreRefusedNamingTheField()
{
    Fixture f;
    Waybill w = sample(QStringLiteral("1"));
    w.name = QString(21, QChar(0x5F20)); // 21 characters, the limit is 20
    Outcome outcome = f.store.insertFromInputForm(w);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("姓名")));
    QVERIFY(outcome.error.contains(QStringLiteral("20")));
    QCOMPARE(f.store.count(), 0);

    w.name = QString(20, QChar(0x5F20)); // exactly the limit is fine
    QVERIFY(f.store.insertFromInputForm(w).ok);
    w.amount = QString(21, QLatin1Char('9'));
    outcome = f.store.updateKeepingNumber(w);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("金额")));
    QCOMPARE(f.store.find(QStringLiteral("1"))->amount, QStringLiteral("12.5"));
    QVERIFY(!f.store.insertTemp(QString(256, QLatin1Char('1')), u("TNT")).ok);
}

void TestWaybillStore::duplicatesAreRefused()
{
    Fixture f;
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("A1"))).ok);
    const Outcome again = f.store.insertQuickAdd(sample(QStringLiteral("A1")), u("0天"));
    QVERIFY(!again.ok);
    QCOMPARE(again.error, u("快递单号已存在！"));
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("A2"))).ok);
    // Renaming onto an existing number is refused by the key as well.
    Waybill w = sample(QStringLiteral("A1"));
    QCOMPARE(f.store.updateChangingNumber(QStringLiteral("A2"), w, false).error, u("快递单号已存在！"));
    QCOMPARE(f.store.count(), 2);
}

void TestWaybillStore::searchKeepsWildcardsAndWhitelistsColumns()
{
    Fixture f;
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("SF100"))).ok);
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("SF200"), u("TNT"))).ok);
    Waybill quoted = sample(QStringLiteral("Q'1"), u("德邦物流"));
    quoted.notes = u("50% off");
    QVERIFY(f.store.insertFromInputForm(quoted).ok);
    QVERIFY(f.store.markSignedFor(QStringLiteral("SF200")).ok);

    QCOMPARE(f.store.search(u("状态"), u("未")).size(), 2);
    QCOMPARE(f.store.search(u("快递单号"), QStringLiteral("SF_00")).size(), 2); // _ is one character
    QCOMPARE(f.store.search(u("快递单号"), QStringLiteral("1%0")).size(), 1);   // % is any run
    QCOMPARE(f.store.search(u("快递单号"), QStringLiteral("Q'")).size(), 1);
    QCOMPARE(f.store.search(u("快递公司"), u("德邦")).size(), 1);
    // An empty key matches every row whose column is not null; an imported
    // row without notes has a null column.
    Waybill imported = sample(QStringLiteral("IMP"));
    imported.notes = QString();
    QVERIFY(f.store.importWaybills({imported}).first().isEmpty());
    QCOMPARE(f.store.search(u("备注"), QString()).size(), 3);
    QCOMPARE(f.store.search(u("快递单号"), QString()).size(), 4);
    QCOMPARE(f.store.search(u("物品"), u("没有这个")).size(), 0);

    Outcome outcome;
    QVERIFY(f.store.search(QStringLiteral("快递单号 OR 1=1 --"), QString(), &outcome).isEmpty());
    QVERIFY(!outcome.ok);
    QVERIFY(f.store.search(u("电话"), QString(), &outcome).isEmpty()); // not one of the seven
    QVERIFY(!outcome.ok);
}

void TestWaybillStore::modifyKeepingAndChangingTheNumber()
{
    Fixture f;
    QVERIFY(f.store.insertQuickAdd(sample(QStringLiteral("M1")), u("4天")).ok);
    QVERIFY(f.store.markSignedFor(QStringLiteral("M1")).ok);

    Waybill edit = sample(QStringLiteral("M1"), u("UPS"));
    edit.goods = u("鞋");
    QVERIFY(f.store.updateKeepingNumber(edit).ok);
    Waybill back = f.store.find(QStringLiteral("M1")).value();
    QCOMPARE(back.carrier, u("UPS"));
    QCOMPARE(back.goods, u("鞋"));
    QCOMPARE(back.status, u("已签收")); // status and days are never edited here
    QCOMPARE(back.daysInTransit, u("4天"));

    edit.number = QStringLiteral("M2");
    edit.carrier = u("TNT");
    QVERIFY(f.store.updateChangingNumber(QStringLiteral("M1"), edit, false).ok);
    QVERIFY(!f.store.numberExists(QStringLiteral("M1")));
    back = f.store.find(QStringLiteral("M2")).value();
    QCOMPARE(back.carrier, u("UPS")); // carrier kept
    QCOMPARE(back.status, u("已签收"));

    edit.number = QStringLiteral("M3");
    QVERIFY(f.store.updateChangingNumber(QStringLiteral("M2"), edit, true).ok);
    QCOMPARE(f.store.find(QStringLiteral("M3"))->carrier, u("TNT"));
    QVERIFY(f.store.deleteWaybill(QStringLiteral("M3")).ok);
    QCOMPARE(f.store.count(), 0);
}

void TestWaybillStore::signedForMarkingTouchesOnlyThatNumber()
{
    Fixture f;
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("S1"))).ok);
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("S2"))).ok);
    QVERIFY(f.store.markSignedFor(QStringLiteral("S1")).ok);
    QVERIFY(f.store.markSignedFor(QStringLiteral("not stored")).ok); // changes nothing, no error
    QCOMPARE(f.store.find(QStringLiteral("S1"))->status, u("已签收"));
    QCOMPARE(f.store.find(QStringLiteral("S2"))->status, u("未签收"));
}

void TestWaybillStore::daysInTransitInOneTransaction()
{
    Fixture f;
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("D1"))).ok);
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("D2"))).ok);
    QVERIFY(f.store.storeDaysInTransit({{QStringLiteral("D1"), u("10天")}, {QStringLiteral("D2"), u("-1天")}}).ok);
    QCOMPARE(f.store.find(QStringLiteral("D1"))->daysInTransit, u("10天"));
    QCOMPARE(f.store.find(QStringLiteral("D2"))->daysInTransit, u("-1天"));
    // A value that breaks its column rolls the whole batch back.
    QVERIFY(!f.store.storeDaysInTransit({{QStringLiteral("D1"), u("1天")}, {QStringLiteral("D2"), u("123456789天")}}).ok);
    QCOMPARE(f.store.find(QStringLiteral("D1"))->daysInTransit, u("10天"));
}

void TestWaybillStore::tempRowsSurviveReopeningAndCanBeCleared()
{
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("kd.db"));
    QVERIFY(WaybillStore::createDatabase(path).ok);
    {
        WaybillStore store;
        QVERIFY(store.open(path).ok);
        QVERIFY(store.insertTemp(QStringLiteral("T1"), u("TNT")).ok);
        QVERIFY(store.insertTemp(QStringLiteral("T2"), u("UPS")).ok);
        QVERIFY(!store.insertTemp(QStringLiteral("T1"), u("UPS")).ok);
    }
    WaybillStore store;
    QVERIFY(store.open(path).ok);
    const auto rows = store.tempRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0], qMakePair(QStringLiteral("T1"), u("TNT")));
    QVERIFY(store.clearTemp().ok);
    QVERIFY(store.tempRows().isEmpty());
}

void TestWaybillStore::importStoresGoodRowsAndExplainsTheRest()
{
    Fixture f;
    QVERIFY(f.store.insertFromInputForm(sample(QStringLiteral("EXIST"))).ok);
    Waybill good = sample(QStringLiteral("I1"));
    good.goods = QString(); // an empty cell stays null
    Waybill tooLong = sample(QStringLiteral("I2"));
    tooLong.phone = QString(41, QLatin1Char('1'));
    const QVector<QString> reasons = f.store.importWaybills(
        {good, sample(QStringLiteral("EXIST")), tooLong, sample(QStringLiteral("I1")), sample(QString()), sample(QStringLiteral("I3"))});
    QCOMPARE(reasons.size(), 6);
    QVERIFY(reasons[0].isEmpty());
    QCOMPARE(reasons[1], u("快递单号已存在！"));
    QVERIFY(reasons[2].contains(u("电话")));
    QCOMPARE(reasons[3], u("快递单号已存在！"));
    QVERIFY(!reasons[4].isEmpty());
    QVERIFY(reasons[5].isEmpty());
    QCOMPARE(f.store.count(), 3);
    const Waybill back = f.store.find(QStringLiteral("I1")).value();
    QVERIFY(back.goods.isNull());
    QVERIFY(back.daysInTransit.isNull());
    QCOMPARE(back.status, u("未签收"));
}

void TestWaybillStore::damagedOrForeignFilesAreReportedAndLeftAlone()
{
    TestFolder folder;
    const QByteArray junk("SQLite format 3\0garbage garbage garbage", 40);
    folder.write(QStringLiteral("kd.db"), junk + QByteArray(4096, 'x'));
    WaybillStore store;
    Outcome outcome = store.open(folder.file(QStringLiteral("kd.db")));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(folder.file(QStringLiteral("kd.db"))));
    QCOMPARE(folder.read(QStringLiteral("kd.db")), junk + QByteArray(4096, 'x'));

    // A valid SQLite file without our tables is not ours either.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        db.setDatabaseName(folder.file(QStringLiteral("other.db")));
        QVERIFY(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE t (x)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    outcome = store.open(folder.file(QStringLiteral("other.db")));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("快递单")));
    QVERIFY(!store.open(folder.file(QStringLiteral("missing.db"))).ok);
}

void TestWaybillStore::lockedFileIsReported()
{
    Fixture f;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    db.setDatabaseName(f.store.path());
    QVERIFY(db.open());
    {
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        WaybillStore second;
        second.close();
        // Short of waiting out the busy time-out, the second opening must
        // report the lock instead of pretending all is well.
        const Outcome outcome = second.open(f.store.path());
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.error.contains(f.store.path()));
        QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
}

QTEST_GUILESS_MAIN(TestWaybillStore)
#include "tst_waybillstore.moc"
