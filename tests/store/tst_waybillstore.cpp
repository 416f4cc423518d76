#include "core/DiskFailure.h"
#include "store/BatchScratch.h"
#include "store/QuickSearch.h"
#include "store/RegisterGrid.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/FileSizeLimit.h"
#include "support/TestFolder.h"
#include "support/TestRegister.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <limits>
#include <optional>

namespace {
// A plain connection of our own to a register file, beside the store's.
struct RawConnection {
    QSqlDatabase db;
    explicit RawConnection(const QString &path) : db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path))
    {
        db.setDatabaseName(path);
        db.open();
    }
    ~RawConnection()
    {
        const QString name = db.connectionName();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    bool exec(const QString &sql) const { return QSqlQuery(db).exec(sql); }
    QStringList values(const QString &sql) const
    {
        QStringList out;
        QSqlQuery q(db);
        for (q.exec(sql); q.next();)
            out << q.value(0).toString();
        return out;
    }
};
} // namespace

class TestWaybillStore : public QObject {
    Q_OBJECT
    static QString u(const char *s) { return QString::fromUtf8(s); }
    static Waybill sample(const QString &number, const QString &carrier = QString::fromUtf8("顺丰速运"))
    {
        return {QString(), QString(), number,    carrier,   u("书"),  QStringLiteral("12.5"),
                QString(), u("张三"), QString(), QString(), QString()};
    }
    struct Fixture : TestRegister {
        [[nodiscard]] bool add(const QStringList &numbers)
        {
            for (const QString &number : numbers) {
                if (!Waybills(store).insertFromInputForm(sample(number)).ok)
                    return false;
            }
            return true;
        }
        Waybill get(const QString &number) const { return Waybills(store).find(number).value_or(Waybill()); }
    };

private Q_SLOTS:
    void layoutOfANewFile();
    void valuesAreStoredAndFoundAsTypedOnce();
    void overLongValuesAreRefusedNamingTheField();
    void searchKeepsWildcardsAndWhitelistsColumns();
    void searchIndexFollowsEveryWriteAndMatchesTheScan();
    void oldOrDamagedRegisterIsIndexedInBatchesAndSearchedMeanwhile();
    void modifyKeepingAndChangingTheNumber();
    void editOfARowChangedMeanwhileIsRefused_data();
    void editOfARowChangedMeanwhileIsRefused();
    void numbersAreComparedInNormalForm();
    void daysInTransitInOneTransaction();
    void tempRowsSurviveReopeningAndCanBeCleared();
    void importStoresGoodRowsAndExplainsTheRest();
    void damagedForeignOrLockedFilesAreReportedAndLeftAlone();
    void startUpChecksNameTheCauseAndTouchNothing_data();
    void startUpChecksNameTheCauseAndTouchNothing();
    void unfinishedRegisterIsMadeAnew();
    void serverIsProbedWithoutChangeAndOldRegistersGetTheDateFunction();
    void serverThatWantsAPasswordSaysSoAndTakesATypedOne();
    void importFailsWholeOnAFileLockedOrFull(Fixture &f);
    void unusualCharactersAreStoredExactly_data();
    void unusualCharactersAreStoredExactly();
    void noncharactersAreRefusedAndLengthsCountCharacters();
};

void TestWaybillStore::layoutOfANewFile()
{
    Fixture f;
    QCOMPARE(Waybills(f.store).count(), 0);
    QVERIFY(BatchScratch(f.store).tempRows().isEmpty());
    if (f.server) {
        // The same columns in the same order, beside the generated one that keeps the order.
        const QString columns = QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_name = "
                                               "'%1'%2 ORDER BY ordinal_position");
        QCOMPARE(f.raw(columns.arg(u("快递单"), QString())), WaybillColumns::names() + QStringList{u("序号")});
        const QStringList keyColumns{u("快递单号"), u("快递公司")};
        QCOMPARE(f.raw(columns.arg(u("快递单"), QStringLiteral(" AND is_nullable = 'NO' AND column_name <> '序号'"))),
                 keyColumns);
        QCOMPARE(f.raw(columns.arg(QStringLiteral("temp"), QString())), keyColumns + QStringList{u("序号")});
        // Every searchable column has the index that serves "contains".
        QCOMPARE(f.raw(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexdef LIKE '%gin_trgm_ops%'")),
                 QStringList{QString::number(QuickSearch::searchableColumns().size())});
        return;
    }
    RawConnection raw(f.store.path());
    QCOMPARE(raw.values(QStringLiteral("SELECT name FROM pragma_table_info('快递单')")),
             (QStringList{u("状态"), u("在途时间"), u("快递单号"), u("快递公司"), u("物品"), u("金额"), u("时间"),
                          u("姓名"), u("电话"), u("联系地址"), u("备注")}));
    const QStringList keyColumns{u("快递单号"), u("快递公司")};
    QCOMPARE(raw.values(QStringLiteral("SELECT name FROM pragma_table_info('快递单') WHERE \"notnull\"")), keyColumns);
    QCOMPARE(raw.values(QStringLiteral("SELECT name FROM pragma_table_info('Temp')")), keyColumns);
    const QStringList tables =
        raw.values(QStringLiteral("SELECT sql FROM sqlite_master WHERE name IN ('快递单', 'Temp')"));
    QCOMPARE(tables.size(), 2);
    for (const QString &sql : tables)
        QVERIFY(sql.contains(QStringLiteral("CONSTRAINT FirstPrimaryKey PRIMARY KEY (快递单号)")));
}

void TestWaybillStore::valuesAreStoredAndFoundAsTypedOnce()
{
    Fixture f;
    Waybill w = sample(QStringLiteral("O'Neil%_1"));
    w.goods = QString(); // an empty box
    w.notes = u("it's \"quoted\" -- ; DROP TABLE 快递单");
    QVERIFY(Waybills(f.store).insertFromInputForm(w).ok);
    const Waybill back = f.get(QStringLiteral("O'Neil%_1"));
    QCOMPARE(back.notes, w.notes);
    QVERIFY(!back.goods.isNull() && back.goods.isEmpty());           // empty text, not null
    const Waybill listed = Waybills(f.store).allWaybills().value(0); // read whole, as the export reads it
    for (int c = 0; c < WaybillColumns::Count; ++c)
        QVERIFY2(WaybillColumns::value(listed, c) == WaybillColumns::value(back, c) &&
                     WaybillColumns::value(listed, c).isNull() == WaybillColumns::value(back, c).isNull(),
                 qPrintable(WaybillColumns::name(c)));
    QCOMPARE(back.status, u("未签收"));
    QCOMPARE(back.daysInTransit, u("0天 "));
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("O'Neil%_"))); // '=' does not treat % as a wildcard
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("O'Neilx_1")));
    const Outcome again = Waybills(f.store).insertQuickAdd(sample(QStringLiteral("O'Neil%_1")), u("0天"));
    QCOMPARE(again.ok, false);
    QCOMPARE(again.error, u("快递单号已存在！"));
    QCOMPARE(Waybills(f.store).count(), 1);
}

void TestWaybillStore::overLongValuesAreRefusedNamingTheField()
{
    Fixture f;
    Waybill w = sample(QStringLiteral("1"));
    w.name = QString(21, QChar(0x5F20)); // the limit is 20
    Outcome outcome = Waybills(f.store).insertFromInputForm(w);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("姓名")) && outcome.error.contains(QStringLiteral("20")));
    QCOMPARE(Waybills(f.store).count(), 0);

    w.name = QString(20, QChar(0x5F20));
    QVERIFY(Waybills(f.store).insertFromInputForm(w).ok);
    w.amount = QString(21, QLatin1Char('9'));
    outcome = Waybills(f.store).updateKeepingNumber(w);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("金额")));
    QCOMPARE(f.get(QStringLiteral("1")).amount, QStringLiteral("12.5"));
    QVERIFY(!BatchScratch(f.store).insertTemp(QString(256, QLatin1Char('1')), u("TNT")).ok);
    QVERIFY(BatchScratch(f.store).tempRows().isEmpty());
    QVERIFY(BatchScratch(f.store).insertTemp(QString(255, QLatin1Char('1')), u("TNT")).ok);
}

void TestWaybillStore::searchKeepsWildcardsAndWhitelistsColumns()
{
    Fixture f;
    QVERIFY(f.add({QStringLiteral("SF100"), QStringLiteral("SF200")}));
    Waybill quoted = sample(QStringLiteral("Q'1"), u("德邦物流"));
    quoted.notes = u("50% off");
    QVERIFY(Waybills(f.store).insertFromInputForm(quoted).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("SF200")).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("not stored")).ok); // changes nothing, no error
    QCOMPARE(f.get(QStringLiteral("SF100")).status, u("未签收"));
    QCOMPARE(f.get(QStringLiteral("SF200")).status, u("已签收"));

    QCOMPARE(QuickSearch(f.store).search(u("状态"), u("未")).size(), 2);
    QCOMPARE(QuickSearch(f.store).search(u("快递单号"), QStringLiteral("SF_00")).size(), 2); // _ is one character
    QCOMPARE(QuickSearch(f.store).search(u("快递单号"), QStringLiteral("1%0")).size(), 1);   // % is any run
    QCOMPARE(QuickSearch(f.store).search(u("快递单号"), QStringLiteral("Q'")).size(), 1);
    QCOMPARE(QuickSearch(f.store).search(u("快递公司"), u("德邦")).size(), 1);
    QCOMPARE(QuickSearch(f.store).search(u("备注"), QStringLiteral("0% OFF")).size(), 1); // ASCII case ignored
    Waybill path = sample(QStringLiteral("B1"));
    path.notes = QStringLiteral("C:\\dir");
    QVERIFY(Waybills(f.store).insertFromInputForm(path).ok);
    QCOMPARE(QuickSearch(f.store).search(u("备注"), QStringLiteral(":\\d")).size(), 1); // \ escapes nothing
    QVERIFY(Waybills(f.store).deleteWaybill(QStringLiteral("B1")).ok);
    // An empty key matches every row whose column is not null; an imported
    // row without notes has a null column.
    QVERIFY(WaybillImport(f.store).importWaybills({sample(QStringLiteral("IMP"))}).first().isEmpty());
    QCOMPARE(QuickSearch(f.store).search(u("备注"), QString()).size(), 3);
    QCOMPARE(QuickSearch(f.store).search(u("快递单号"), QString()).size(), 4);
    QCOMPARE(QuickSearch(f.store).search(u("物品"), u("没有这个")).size(), 0);

    for (const QString &column : {QStringLiteral("快递单号 OR 1=1 --"), u("电话")}) { // 电话 is not searchable
        Outcome outcome;
        QVERIFY(QuickSearch(f.store).search(column, QString(), &outcome).isEmpty());
        QVERIFY(!outcome.ok);
    }
}

void TestWaybillStore::searchIndexFollowsEveryWriteAndMatchesTheScan()
{
    if (PostgresCluster::current)
        QSKIP("SQLite's index; the server has its trigram indexes");
    Fixture f;
    QVERIFY(QuickSearch(f.store).searchIndexComplete()); // a new register is indexed as it fills
    QVERIFY(f.add({QStringLiteral("SF1001"), QStringLiteral("SF1002"), QStringLiteral("SF2003")}));
    Waybill edited = sample(QStringLiteral("SF1002"));
    edited.goods = u("旧手机壳");
    QVERIFY(Waybills(f.store).updateKeepingNumber(edited).ok);
    QVERIFY(
        Waybills(f.store).updateChangingNumber(QStringLiteral("SF2003"), sample(QStringLiteral("YT2003")), false).ok);
    QVERIFY(Waybills(f.store).deleteWaybill(QStringLiteral("SF1001")).ok);
    QVERIFY(WaybillImport(f.store).importWaybills({sample(QStringLiteral("IMP777"))}).first().isEmpty());
    RawConnection raw(f.store.path()); // an older build writes the table directly
    QVERIFY(raw.exec(u("INSERT INTO 快递单 (快递单号, 快递公司, 备注) VALUES ('ＪＤ９９９', '京东', '50%_off')")));
    QVERIFY(raw.exec(u("UPDATE 快递单 SET 姓名 = '王小明' WHERE 快递单号 = 'IMP777'")));
    const QString agrees = u("INSERT INTO 快递单_查找(快递单_查找) VALUES ('integrity-check')"); // with the table
    QVERIFY(raw.exec(agrees));
    QVERIFY(QuickSearch(f.store).searchIndexComplete()); // an import indexes its rows before it commits
    const auto numbers = [&](const QString &column, const QString &key) {
        QStringList out;
        for (const Waybill &w : QuickSearch(f.store).search(column, key))
            out << w.number;
        return out;
    };
    QCOMPARE(numbers(u("物品"), u("手机壳")), QStringList{QStringLiteral("SF1002")});
    QCOMPARE(numbers(u("快递单号"), QStringLiteral("sf100")), QStringList{QStringLiteral("SF1002")});
    QCOMPARE(numbers(u("快递单号"), QStringLiteral("2003")), QStringList{QStringLiteral("YT2003")});
    QCOMPARE(numbers(u("快递单号"), QStringLiteral("MP7")), QStringList{QStringLiteral("IMP777")});
    QCOMPARE(numbers(u("姓名"), u("王小明")), QStringList{QStringLiteral("IMP777")});
    QCOMPARE(numbers(u("快递单号"), u("jd999")), QStringList{u("ＪＤ９９９")});
    QVERIFY(numbers(u("快递单号"), QStringLiteral("SF1001")).isEmpty());

    // Whatever the key, the index finds what a scan finds (the mark set back
    // makes the search scan).
    const QVector<QPair<QString, QString>> keys{
        {u("备注"), QStringLiteral("0%_off")}, {u("备注"), QStringLiteral("_OFF")},
        {u("备注"), QStringLiteral("50%")},    {u("快递单号"), QStringLiteral("SF1%002")},
        {u("快递单号"), QStringLiteral("P7")}, {u("物品"), u("书")},
        {u("快递公司"), u("顺丰速")},          {u("快递单号"), u("Ｄ９９")}};
    // The grid's first screen, read from the index in rowid order, either way, under the archive rule and a tab.
    QVERIFY(
        raw.exec(u("INSERT INTO 快递单 (快递单号, 快递公司, 状态, 时间) VALUES ('XD990', '顺丰速运', '未签收', ''), "
                   "('SD991', '顺丰速运', '已签收', '2026/1/1'), ('AD992', '顺丰速运', '未签收', '')")));
    QVERIFY(raw.exec(u("INSERT INTO 查询记录 (快递单号, 查询时间, 最后查询, 来源, 状态, 已签收, 物流状态) VALUES "
                       "('AD992', '2026-12-16T01:00:00Z', '2026-12-16T01:00:00Z', 'concise', '运输中', 0, '运输中')")));
    QVector<QStringList> indexed;
    for (const auto &[column, key] : keys)
        indexed << numbers(column, key);
    const auto firstScreens = [&] {
        QStringList out;
        for (const auto &[column, key] : {std::pair{u("快递单号"), u("d99")}, std::pair{u("快递公司"), u("顺丰速")},
                                          std::pair{u("快递单号"), u("990%XD")}}) {
            for (int variant = 0; variant < 8; ++variant) {
                RegisterGrid::GridFilter filter;
                filter.column = column;
                filter.key = key;
                filter.today = QDate(2026, 12, 17);
                filter.descending = variant & 1;
                filter.showArchived = variant & 2;
                if (variant & 4)
                    filter.status = QStringLiteral(""); // never checked
                QStringList shown;
                for (const RegisterGrid::GridRow &row : RegisterGrid(f.store).gridRows(filter, 2))
                    shown << row.waybill.number;
                out << shown.join(QLatin1Char(','));
            }
        }
        return out;
    };
    // The days pass walks the same rows a batch at a time (here of one row), odd numbers merged in.
    const auto dayBatches = [&] {
        RegisterGrid::GridFilter filter;
        filter.column = u("快递单号");
        filter.key = u("d99");
        filter.today = QDate(2026, 12, 17);
        QStringList walked;
        qint64 after = 0;
        for (QVector<QPair<qint64, DaysUpdate>> batch;
             !(batch = RegisterGrid(f.store).gridDays(filter, after, 1)).isEmpty(); after = batch.last().first)
            walked << batch.first().second.number;
        return walked;
    };
    const QStringList batches = dayBatches();
    QCOMPARE(batches, (QStringList{u("ＪＤ９９９"), u("XD990"), u("AD992")}));
    const QStringList screens = firstScreens();
    // ＪＤ９９９ only by its normal form; SD991 archived; AD992 checked, not under the never-checked tab.
    QCOMPARE(screens.mid(0, 8),
             (QStringList{u("ＪＤ９９９,XD990"), u("AD992,XD990"), u("ＪＤ９９９,XD990"), u("AD992,SD991"),
                          u("ＪＤ９９９,XD990"), u("XD990,ＪＤ９９９"), u("ＪＤ９９９,XD990"), u("SD991,XD990")}));
    QVERIFY(raw.exec(u("UPDATE 快递单_查找进度 SET 已索引到 = 0")));
    QVERIFY(!QuickSearch(f.store).searchIndexComplete());
    QCOMPARE(firstScreens(), screens);
    QCOMPARE(dayBatches(), batches);
    for (int k = 0; k < keys.size(); ++k) {
        QCOMPARE(numbers(keys[k].first, keys[k].second), indexed[k]);
        QVERIFY2(!indexed[k].isEmpty(), qPrintable(keys[k].second));
    }
    // An emptied index is not read while the mark says it is incomplete, and is once it says complete.
    QVERIFY(raw.exec(u("INSERT INTO 快递单_查找(快递单_查找) VALUES ('delete-all')")));
    QCOMPARE(numbers(u("物品"), u("手机壳")), QStringList{QStringLiteral("SF1002")});
    QVERIFY(raw.exec(u("UPDATE 快递单_查找进度 SET 已索引到 = 9223372036854775807")));
    QVERIFY(numbers(u("物品"), u("手机壳")).isEmpty());
    QCOMPARE(numbers(u("物品"), u("壳")), QStringList{QStringLiteral("SF1002")}); // too short for the index
}

void TestWaybillStore::oldOrDamagedRegisterIsIndexedInBatchesAndSearchedMeanwhile()
{
    if (PostgresCluster::current)
        QSKIP("SQLite's index; the server has its trigram indexes");
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    QVERIFY(RegisterSchema::createDatabase(path).ok);
    {
        RawConnection raw(path); // a register written before there was an index, over one batch long
        QVERIFY(
            raw.exec(u("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25000) "
                       "INSERT INTO 快递单 (快递单号, 快递公司, 物品) SELECT 'OLD' || i, '顺丰', '旧物' || i FROM n")));
    }
    StoreConnection store;
    QVERIFY(store.open(path).ok);
    QVERIFY(!QuickSearch(store).searchIndexComplete());
    QCOMPARE(QuickSearch(store).search(u("物品"), u("旧物24999")).size(), 1);
    RawConnection raw(path);
    QVector<qint64> reports;
    // Writes between batches, at the mark and just past it, are found once the index is complete.
    const auto writeMeanwhile = [&](qint64 indexed, qint64 total) {
        if (reports.isEmpty() &&
            !(raw.exec(u("UPDATE 快递单 SET 物品 = '改在索引里' WHERE rowid = 20000")) &&
              raw.exec(u("UPDATE 快递单 SET 物品 = '改在索引外' WHERE rowid = 20001")) &&
              raw.exec(u("DELETE FROM 快递单 WHERE rowid = 6")) &&
              raw.exec(u("INSERT INTO 快递单 (快递单号, 快递公司, 物品) VALUES ('NEW1', '顺丰', '新加的')"))))
            return false;
        reports << indexed << total;
        return true;
    };
    QVERIFY(QuickSearch(store).buildSearchIndex(writeMeanwhile).ok);
    QCOMPARE(reports, (QVector<qint64>{20000, 25000}));
    QVERIFY(QuickSearch(store).searchIndexComplete());
    QVERIFY(raw.exec(u("INSERT INTO 快递单_查找(快递单_查找) VALUES ('integrity-check')")));
    for (const QString &goods : {u("改在索引里"), u("改在索引外"), u("新加的"), u("旧物24999")})
        QCOMPARE(QuickSearch(store).search(u("物品"), goods).size(), 1);
    // 旧物2… runs across the batches' border; row 6 is gone.
    QCOMPARE(QuickSearch(store).search(u("物品"), u("旧物2")).size(), 6110);
    QCOMPARE(QuickSearch(store).search(u("物品"), u("旧物6")).size(), 1110);
    // A whole read stops once no longer wanted, and says so.
    int asked = 0;
    Outcome stopped;
    QVERIFY(Waybills(store).allWaybills(&stopped, [&asked] { return ++asked < 3; }).size() < 25000);
    QVERIFY(!stopped.ok && asked == 3);

    // Someone drops the index: the next opening starts it again, and meanwhile the search scans.
    store.close();
    QVERIFY(raw.exec(u("DROP TABLE 快递单_查找")));
    const Outcome reopened = store.open(path);
    QVERIFY2(reopened.ok, qPrintable(reopened.error));
    QVERIFY(!QuickSearch(store).searchIndexComplete());
    QCOMPARE(QuickSearch(store).search(u("物品"), u("新加的")).size(), 1);
    QVERIFY(QuickSearch(store).buildSearchIndex().ok && QuickSearch(store).searchIndexComplete());
    QCOMPARE(QuickSearch(store).search(u("物品"), u("改在索引外")).size(), 1);
}

void TestWaybillStore::modifyKeepingAndChangingTheNumber()
{
    Fixture f;
    QVERIFY(Waybills(f.store).insertQuickAdd(sample(QStringLiteral("M1")), u("4天")).ok);
    QVERIFY(Waybills(f.store).markSignedFor(QStringLiteral("M1")).ok);

    Waybill edit = sample(QStringLiteral("M1"), u("UPS"));
    edit.goods = u("鞋");
    QVERIFY(Waybills(f.store).updateKeepingNumber(edit).ok);
    Waybill back = f.get(QStringLiteral("M1"));
    QCOMPARE(back.carrier, u("UPS"));
    QCOMPARE(back.goods, u("鞋"));
    QCOMPARE(back.status, u("已签收")); // status and days are never edited here
    QCOMPARE(back.daysInTransit, u("4天"));

    edit.number = QStringLiteral("M2");
    edit.carrier = u("TNT");
    QVERIFY(Waybills(f.store).updateChangingNumber(QStringLiteral("M1"), edit, false).ok);
    QVERIFY(!Waybills(f.store).numberExists(QStringLiteral("M1")));
    back = f.get(QStringLiteral("M2"));
    QCOMPARE(back.carrier, u("UPS")); // carrier kept
    QCOMPARE(back.status, u("已签收"));
    QCOMPARE(back.daysInTransit, u("4天"));

    QVERIFY(f.add({QStringLiteral("X")})); // renaming onto an existing number is refused by the key
    QCOMPARE(Waybills(f.store).updateChangingNumber(QStringLiteral("M2"), sample(QStringLiteral("X")), false).error,
             u("快递单号已存在！"));
    edit.number = QStringLiteral("M3");
    QVERIFY(Waybills(f.store).updateChangingNumber(QStringLiteral("M2"), edit, true).ok);
    QCOMPARE(f.get(QStringLiteral("M3")).carrier, u("TNT"));
    QCOMPARE(Waybills(f.store).count(), 2);
}

void TestWaybillStore::editOfARowChangedMeanwhileIsRefused_data()
{
    QTest::addColumn<QString>("meanwhile"); // what another connection does after the editor read the row
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing") << QString() << QString();
    QTest::newRow("备注 changed") << u("UPDATE 快递单 SET 备注 = '对方'") << Waybills::kChangedElsewhere;
    QTest::newRow("NULL became empty") << u("UPDATE 快递单 SET 物品 = ''") << Waybills::kChangedElsewhere;
    QTest::newRow("signed for") << u("UPDATE 快递单 SET 状态 = '已签收'") << Waybills::kChangedElsewhere;
    QTest::newRow("deleted") << u("DELETE FROM 快递单") << Waybills::kDeletedElsewhere;
}

void TestWaybillStore::editOfARowChangedMeanwhileIsRefused()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, error);
    for (const bool renumber : {false, true}) {
        Fixture f;
        QVERIFY(f.add({QStringLiteral("E1")}));
        bool ok = false;
        f.raw(u("UPDATE 快递单 SET 物品 = NULL"), &ok); // a NULL column matches only NULL
        QVERIFY(ok);
        const std::optional<Waybill> read = Waybills(f.store).find(QStringLiteral("E1"));
        QVERIFY(read && read->goods.isNull());
        if (!meanwhile.isEmpty()) {
            f.raw(meanwhile, &ok);
            QVERIFY(ok);
        }
        const QStringList before = f.raw(u("SELECT 备注 || '|' || coalesce(物品, 'NULL') || 状态 FROM 快递单"));
        Waybill mine = *read;
        mine.notes = u("我的");
        if (renumber)
            mine.number = QStringLiteral("E2");
        const Outcome saved = renumber ? Waybills(f.store).updateChangingNumber(QStringLiteral("E1"), mine, false, read)
                                       : Waybills(f.store).updateKeepingNumber(mine, read);
        QCOMPARE(saved.error, error);
        if (!error.isEmpty())
            QCOMPARE(f.raw(u("SELECT 备注 || '|' || coalesce(物品, 'NULL') || 状态 FROM 快递单")), before);
        else
            QCOMPARE(f.get(mine.number).notes, u("我的"));
    }
}

void TestWaybillStore::numbersAreComparedInNormalForm()
{
    Fixture f;
    QVERIFY(Waybills(f.store).insertFromInputForm(sample(u("ＳＦ１２３４５６７８９０４４３"))).ok);
    QCOMPARE(Waybills(f.store).allWaybills().first().number, u("SF1234567890443"));
    for (const QString &again : {u("SF1234567890443"), u("sf 1234 5678 9044 3")})
        QCOMPARE(Waybills(f.store).insertQuickAdd(sample(again), u("0天")).error, u("快递单号已存在！"));
    // Renumbering a row to another spelling of its own number is no duplicate.
    QVERIFY(Waybills(f.store).updateChangingNumber(u("SF1234567890443"), sample(u("sf1234567890443")), false).ok);

    // Rows stored before numbers were normalised: refused in any spelling,
    // found by every spelling, and both kept.
    bool inserted = false;
    f.raw(u("INSERT INTO 快递单 (快递单号, 快递公司) VALUES ('yt 0001', '圆通快递'), ('ＹＴ０００１', '圆通快递'), "
            "('zt9', '中通快递')"),
          &inserted);
    QVERIFY(inserted);
    QCOMPARE(Waybills(f.store).insertFromInputForm(sample(u("ZT9"))).error, u("快递单号已存在！")); // lower case alone
    QCOMPARE(Waybills(f.store).insertFromInputForm(sample(u("YT0001"))).error, u("快递单号已存在！"));
    QCOMPARE(Waybills(f.store).updateChangingNumber(u("SF1234567890443"), sample(u("Yt0001")), false).error,
             u("快递单号已存在！"));
    QCOMPARE(WaybillImport(f.store).importWaybills({sample(u("yt\u30000001")), sample(u("jd 1"))}),
             (QVector<QString>{u("快递单号已存在！"), QString()}));
    QVERIFY(Waybills(f.store).numberExists(u("JD1")));
    QCOMPARE(f.get(u("YT0001")).number, u("yt 0001"));
    QCOMPARE(QuickSearch(f.store).search(u("快递单号"), u("yt0001")).size(), 2);
    QCOMPARE(QuickSearch(f.store).search(u("快递单号"), u("Ｔ0_0")).size(), 2); // the key's wildcards still count
    QCOMPARE(Waybills(f.store).count(), 5);
}

void TestWaybillStore::daysInTransitInOneTransaction()
{
    Fixture f;
    QVERIFY(f.add({QStringLiteral("D1"), QStringLiteral("D2")}));
    const QString noTime = QStringLiteral(""); // what an empty time box stores
    QVERIFY(
        RegisterGrid(f.store)
            .storeDaysInTransit({{QStringLiteral("D1"), noTime, u("10天")}, {QStringLiteral("D2"), noTime, u("-1天")}})
            .ok);
    QCOMPARE(f.get(QStringLiteral("D1")).daysInTransit, u("10天"));
    QCOMPARE(f.get(QStringLiteral("D2")).daysInTransit, u("-1天"));
    // A value that breaks its column rolls the whole batch back.
    QVERIFY(!RegisterGrid(f.store)
                 .storeDaysInTransit(
                     {{QStringLiteral("D1"), noTime, u("1天")}, {QStringLiteral("D2"), noTime, u("123456789天")}})
                 .ok);
    QCOMPARE(f.get(QStringLiteral("D1")).daysInTransit, u("10天"));
    // Days worked out from a time that was changed meanwhile belong to the old date.
    Waybill moved = f.get(QStringLiteral("D2"));
    moved.time = QStringLiteral("2026-03-01");
    QVERIFY(Waybills(f.store).updateKeepingNumber(moved).ok);
    QVERIFY(
        RegisterGrid(f.store)
            .storeDaysInTransit({{QStringLiteral("D2"), noTime, u("7天")}, {QStringLiteral("D1"), noTime, u("8天")}})
            .ok);
    QCOMPARE(f.get(QStringLiteral("D2")).daysInTransit, u("-1天"));
    QCOMPARE(f.get(QStringLiteral("D1")).daysInTransit, u("8天"));
    // An imported row without a time: its null time is still the one the days came from.
    QVERIFY(WaybillImport(f.store).importWaybills({sample(QStringLiteral("D3"))}).first().isEmpty());
    QVERIFY(RegisterGrid(f.store).storeDaysInTransit({{QStringLiteral("D3"), QString(), u("2天")}}).ok);
    QCOMPARE(f.get(QStringLiteral("D3")).daysInTransit, u("2天"));
}

void TestWaybillStore::tempRowsSurviveReopeningAndCanBeCleared()
{
    Fixture f;
    QVERIFY(BatchScratch(f.store).insertTemp(QStringLiteral("T1"), u("TNT")).ok);
    QVERIFY(BatchScratch(f.store).insertTemp(QStringLiteral("T2"), u("UPS")).ok);
    QCOMPARE(BatchScratch(f.store).insertTemp(QStringLiteral("T1"), u("UPS")).error, u("快递单号已存在！"));
    f.store.close();
    StoreConnection store;
    QVERIFY(f.openIn(store).ok);
    const auto rows = BatchScratch(store).tempRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0], qMakePair(QStringLiteral("T1"), u("TNT")));
    QVERIFY(BatchScratch(store).clearTemp().ok);
    QVERIFY(BatchScratch(store).tempRows().isEmpty());
}

void TestWaybillStore::importStoresGoodRowsAndExplainsTheRest()
{
    Fixture f;
    QVERIFY(f.add({QStringLiteral("EXIST")}));
    Waybill good = sample(QStringLiteral("I1"));
    good.goods = QString();   // an empty cell stays null
    good.carrier = QString(); // but the carrier, which may not be null, is empty
    Waybill tooLong = sample(QStringLiteral("I2"));
    tooLong.phone = QString(41, QLatin1Char('1'));
    const QVector<QString> reasons = WaybillImport(f.store).importWaybills(
        {good, sample(QStringLiteral("EXIST")), tooLong, sample(QStringLiteral("I1")), sample(QString()),
         sample(QStringLiteral("I3"))});
    QCOMPARE(reasons.size(), 6);
    QVERIFY(reasons[0].isEmpty() && reasons[5].isEmpty());
    QCOMPARE(reasons[1], u("快递单号已存在！"));
    QVERIFY(reasons[2].contains(u("电话")));
    QCOMPARE(reasons[3], u("快递单号已存在！"));
    QVERIFY(!reasons[4].isEmpty());
    QCOMPARE(Waybills(f.store).count(), 3);
    const Waybill back = f.get(QStringLiteral("I1"));
    QVERIFY(back.goods.isNull());
    QCOMPARE(back.carrier, QLatin1String(""));
    QVERIFY(!back.carrier.isNull());
    QVERIFY(back.daysInTransit.isNull());
    QCOMPARE(back.status, u("未签收"));

    if (!f.server)
        importFailsWholeOnAFileLockedOrFull(f);

    // Stopped midway: everything of the import is rolled back.
    QVector<Waybill> many;
    for (int i = 0; i < 2500; ++i)
        many << sample(QStringLiteral("M%1").arg(i));
    Outcome stopped;
    WaybillImport(f.store).importWaybills(many, &stopped, [](int done, int) { return done < 2000; });
    QVERIFY(!stopped);
    QCOMPARE(Waybills(f.store).count(), 3);
}

void TestWaybillStore::importFailsWholeOnAFileLockedOrFull(Fixture &f)
{
    // Another program takes the write lock after the register was opened: the
    // import waits once for it, before its first row, and stores nothing,
    // rather than failing row by row. So too while the search index is still
    // being built, when the import writes nothing else before its rows.
    const QString indexedTo = u("UPDATE 快递单_查找进度 SET 已索引到 = %1");
    for (const qint64 mark : {std::numeric_limits<qint64>::max(), qint64(0)}) {
        bool marked = false;
        f.raw(indexedTo.arg(mark), &marked);
        QVERIFY(marked);
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(f.folder.file(RegisterSchema::fileName()));
        QVERIFY(other.open());
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE")));
        Outcome locked;
        int progressed = 0;
        WaybillImport(f.store).importWaybills({sample(QStringLiteral("L1")), sample(QStringLiteral("L2"))}, &locked,
                                              [&progressed](int, int) {
                                                  ++progressed;
                                                  return true;
                                              });
        QCOMPARE(locked.error, u("数据库正被其他程序使用，请稍后再试。"));
        QCOMPARE(progressed, 0);
        QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(Waybills(f.store).count(), 3);
    }
    f.raw(indexedTo.arg(std::numeric_limits<qint64>::max()));

    // The disk fills up midway (the page cache spills) or at the commit: the
    // import keeps nothing, rather than going on row by row after SQLite
    // rolled its transaction back, and says why.
    const qint64 size = QFileInfo(f.folder.file(RegisterSchema::fileName())).size();
    for (const auto &[rows, room] : {std::pair{60000, 64 * 1024}, std::pair{40, 0}}) {
        QVector<Waybill> filling;
        for (int i = 0; i < rows; ++i) {
            filling << sample(QStringLiteral("F%1").arg(i));
            filling.back().address = QString(rows < 100 ? 255 : 0, QChar(0x5730));
        }
        Outcome full;
        {
            const FileSizeLimit disk(rlim_t(size + room));
            WaybillImport(f.store).importWaybills(filling, &full);
        }
        QVERIFY2(!full && full.error.contains(u("磁盘空间不足")), qPrintable(full.error));
        QCOMPARE(Waybills(f.store).count(), 3);
    }

    // SQLite's own size limit (SQLITE_FULL) leaves the transaction open
    // after the failing row: the rows before it are rolled back, not committed.
    QVector<QSqlDatabase> connections; // the store's among them: the limit is per connection
    for (const QString &name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen() && db.databaseName() == f.store.path())
            connections << db;
    }
    QVERIFY(!connections.isEmpty());
    const auto pragma = [](const QSqlDatabase &db, const QString &sql) {
        QSqlQuery q(db);
        return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
    };
    const qint64 pages = pragma(connections.first(), QStringLiteral("PRAGMA page_count"));
    const qint64 maxPages = pragma(connections.first(), QStringLiteral("PRAGMA max_page_count"));
    for (const QSqlDatabase &db : connections)
        QCOMPARE(pragma(db, QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 8)), pages + 8);
    QVector<Waybill> capped;
    for (int i = 0; i < 3000; ++i) {
        capped << sample(QStringLiteral("C%1").arg(i));
        capped.back().address = QString(255, QChar(0x5730));
    }
    Outcome full;
    int progressed = 0;
    WaybillImport(f.store).importWaybills(capped, &full, [&progressed](int, int) {
        ++progressed;
        return true;
    });
    for (const QSqlDatabase &db : connections)
        pragma(db, QStringLiteral("PRAGMA max_page_count = %1").arg(maxPages));
    QCOMPARE(full.error, u("导入未能保存，没有导入任何快递单：") + DiskFailure::diskFull());
    QCOMPARE(progressed, 1); // failed among the first thousand rows, not before them
    QCOMPARE(Waybills(f.store).count(), 3);
    QCOMPARE(f.raw(QStringLiteral("SELECT count(*) FROM 快递单 WHERE 快递单号 LIKE 'C%'")), QStringList{u("0")});
}

void TestWaybillStore::damagedForeignOrLockedFilesAreReportedAndLeftAlone()
{
    if (PostgresCluster::current)
        QSKIP("files only");
    TestFolder folder;
    const QString damaged = folder.file(QStringLiteral("kd.db"));
    const QByteArray junk = QByteArray("SQLite format 3\0garbage", 23) + QByteArray(4096, 'x');
    folder.write(QStringLiteral("kd.db"), junk);
    QVERIFY(!RegisterSchema::createDatabase(damaged).ok); // never replaces a file
    StoreConnection store;
    Outcome outcome = store.open(damaged);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(damaged));
    QCOMPARE(folder.read(QStringLiteral("kd.db")), junk);
    QVERIFY(!store.open(folder.file(QStringLiteral("missing.db"))).ok);
    {
        // A valid SQLite file without our tables is not ours either.
        RawConnection foreign(folder.file(QStringLiteral("other.db")));
        QVERIFY(foreign.exec(QStringLiteral("CREATE TABLE t (x)")));
    }
    outcome = store.open(folder.file(QStringLiteral("other.db")));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("快递单")));

    // Short of waiting out the busy time-out, opening a locked register must
    // report the lock instead of pretending all is well.
    Fixture f;
    RawConnection locker(f.store.path());
    QVERIFY(locker.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    outcome = store.open(f.store.path());
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(f.store.path()));
    QVERIFY(locker.exec(QStringLiteral("ROLLBACK")));
}

void TestWaybillStore::startUpChecksNameTheCauseAndTouchNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    if (PostgresCluster::current) {
        QTest::newRow("other columns") << QStringLiteral("columns") << u("列");
        QTest::newRow("another program's tables") << QStringLiteral("foreign") << u("已有其他的表");
        QTest::newRow("only one of the tables") << QStringLiteral("one table") << u("缺少快递单或 Temp 表");
        QTest::newRow("no server there") << QStringLiteral("no server") << u("无法连接数据库服务器");
        return;
    }
    QTest::newRow("read-only file") << QStringLiteral("readonly") << u("只读");
    QTest::newRow("locked by another program") << QStringLiteral("locked") << u("正被其他程序使用");
    QTest::newRow("a folder") << QStringLiteral("folder") << u("文件夹");
    QTest::newRow("other columns") << QStringLiteral("columns") << u("列");
}

void TestWaybillStore::startUpChecksNameTheCauseAndTouchNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    if (PostgresCluster::current) {
        ServerLocation at = PostgresCluster::current->newDatabase();
        const auto tables = [&] {
            return TestRegister::rawAt(at, QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                                          "table_schema = 'public' ORDER BY 1"));
        };
        QStringList made;
        if (fault == QStringLiteral("columns"))
            made = {u("CREATE TABLE 快递单 (单号 TEXT PRIMARY KEY, 公司 TEXT)"),
                    u("CREATE TABLE Temp (快递单号 TEXT PRIMARY KEY, 快递公司 TEXT)")};
        else if (fault == QStringLiteral("foreign"))
            made = {QStringLiteral("CREATE TABLE t (x TEXT)")};
        else if (fault == QStringLiteral("one table"))
            made = {u("CREATE TABLE 快递单 (快递单号 TEXT)")};
        else
            at.port = 1; // nobody listens there
        for (const QString &sql : made)
            QVERIFY(PostgresCluster::current->exec(at.database, sql));
        const QStringList before = made.isEmpty() ? QStringList() : tables();
        StoreConnection store;
        const Outcome outcome = store.open(at);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(cause) && outcome.error.contains(at.display()), qPrintable(outcome.error));
        QVERIFY(!store.isOpen());
        if (!made.isEmpty())
            QCOMPARE(tables(), before);
        return;
    }
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    std::optional<RawConnection> locker;
    if (fault == QStringLiteral("folder")) {
        QVERIFY(QDir(folder.path()).mkdir(RegisterSchema::fileName()));
    } else if (fault == QStringLiteral("columns")) {
        RawConnection raw(path);
        QVERIFY(raw.exec(u("CREATE TABLE 快递单 (单号 TEXT PRIMARY KEY, 公司 TEXT)")));
        QVERIFY(raw.exec(u("CREATE TABLE Temp (快递单号 TEXT PRIMARY KEY, 快递公司 TEXT)")));
    } else {
        QVERIFY(RegisterSchema::createDatabase(path).ok);
        if (fault == QStringLiteral("readonly")) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            locker.emplace(path);
            QVERIFY(locker->exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")));
            QVERIFY(locker->exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
    }
    const QByteArray before = QFileInfo(path).isFile() ? folder.read(RegisterSchema::fileName()) : QByteArray();

    StoreConnection store;
    const Outcome outcome = store.open(path);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.error.contains(cause) && outcome.error.contains(path), qPrintable(outcome.error));
    QVERIFY2(!outcome.error.contains(u("损坏")) && !outcome.error.contains(u("找不到")), qPrintable(outcome.error));
    if (locker)
        QVERIFY(locker->exec(QStringLiteral("ROLLBACK")));
    if (QFileInfo(path).isFile())
        QCOMPARE(folder.read(RegisterSchema::fileName()), before);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestWaybillStore::unfinishedRegisterIsMadeAnew()
{
    if (PostgresCluster::current)
        QSKIP("files only: an empty database gets its tables in every case");
    // A file without a single table is what a first start cut short leaves.
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    for (const bool empty : {true, false}) {
        QFile::remove(path);
        if (empty) {
            folder.write(RegisterSchema::fileName(), QByteArray());
        } else {
            RawConnection raw(path);
            QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = 7")));
        }
        bool created = false;
        QVERIFY(RegisterSchema::createIfMissing(path, &created).ok);
        QVERIFY(created);
        StoreConnection store;
        QVERIFY(store.open(path).ok);
    }
    // A file with tables of its own is someone else's and stays as it is.
    QFile::remove(path);
    {
        RawConnection foreign(path);
        QVERIFY(foreign.exec(QStringLiteral("CREATE TABLE t (x)")));
    }
    const QByteArray before = folder.read(RegisterSchema::fileName());
    bool created = true;
    QVERIFY(RegisterSchema::createIfMissing(path, &created).ok);
    QVERIFY(!created);
    QCOMPARE(folder.read(RegisterSchema::fileName()), before);
}

void TestWaybillStore::serverIsProbedWithoutChangeAndOldRegistersGetTheDateFunction()
{
    if (!PostgresCluster::current)
        QSKIP("a server's");
    PostgresCluster &cluster = *PostgresCluster::current;
    const QString tables =
        QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()");
    const ServerLocation empty = cluster.newDatabase();
    StoreConnection probe;
    QString found;
    QVERIFY(probe.probe(empty, &found).ok);
    QVERIFY(found.contains(u("空的")));
    QCOMPARE(TestRegister::rawAt(empty, tables), QStringList{QStringLiteral("0")});
    const ServerLocation foreign = cluster.newDatabase();
    QVERIFY(cluster.exec(foreign.database, QStringLiteral("CREATE TABLE 别的 (a INT)")));
    const Outcome refused = probe.probe(foreign, &found);
    QVERIFY(!refused && refused.error.contains(u("已有其他的表")));

    // A register made before the grid read servers lacks dispatch_date(); opening adds it.
    TestRegister r;
    QVERIFY(probe.probe(*r.server, &found).ok);
    QVERIFY(found.contains(u("已有登记簿")));
    QVERIFY(QuickSearch(r.store).searchIndexComplete()); // the trigram indexes need no building: no progress shown
    r.store.close();
    QVERIFY(cluster.exec(r.server->database, QStringLiteral("DROP FUNCTION dispatch_date(text)")));
    QVERIFY(r.openIn(r.store).ok);
    QCOMPARE(r.raw(QStringLiteral("SELECT dispatch_date('2026年12月7日 8:00')")),
             QStringList{QStringLiteral("2026-12-07")});
}

void TestWaybillStore::serverThatWantsAPasswordSaysSoAndTakesATypedOne()
{
    if (!PostgresCluster::current)
        QSKIP("a server's");
    PostgresCluster &cluster = *PostgresCluster::current;
    ServerLocation at = cluster.newDatabase();
    // One role of the test server must give a password; the first matching line of pg_hba.conf rules.
    QFile hba(QDir(cluster.folder()).filePath(QStringLiteral("data/pg_hba.conf")));
    QVERIFY(hba.open(QIODevice::ReadOnly));
    const QByteArray rules = hba.readAll();
    hba.close();
    QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
    hba.write("local all kasse scram-sha-256\n" + rules);
    hba.close();
    QVERIFY(cluster.exec(at.database, QStringLiteral("CREATE ROLE kasse LOGIN PASSWORD 'geheim'")));
    QVERIFY(cluster.exec(at.database, QStringLiteral("ALTER DATABASE %1 OWNER TO kasse").arg(at.database)));
    QVERIFY(cluster.exec(at.database, QStringLiteral("ALTER SCHEMA public OWNER TO kasse")));
    QVERIFY(cluster.exec(at.database, QStringLiteral("SELECT pg_reload_conf()")));
    at.user = QStringLiteral("kasse");
    StoreConnection store;
    QTRY_VERIFY_WITH_TIMEOUT(store.open(at).error.contains(StoreConnection::kPasswordNeeded), 30000); // once reloaded
    at.password = QStringLiteral("falsch");
    QVERIFY(store.open(at).error.contains(StoreConnection::kPasswordNeeded));
    at.password = QStringLiteral("geheim");
    const Outcome opened = store.open(at);
    QVERIFY2(opened.ok, qPrintable(opened.error));
    QCOMPARE(Waybills(store).count(), 0);
}

void TestWaybillStore::unusualCharactersAreStoredExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("plain"); // a stored neighbour it must not collide with
    const QString bom(QChar(0xFEFF));   // QString::fromUtf8 would drop it at the start
    QTest::newRow("leading FEFF") << bom + QStringLiteral("A1") << QStringLiteral("A1");
    QTest::newRow("FEFF inside") << u("A\uFEFF1") << QStringLiteral("A1");
    QTest::newRow("leading FEFF then FFFD") << bom + u("\uFFFDB") << u("\uFFFDB");
    QTest::newRow("emoji") << u("\U0001F4E6x") << QStringLiteral("x");
}

void TestWaybillStore::unusualCharactersAreStoredExactly()
{
    QFETCH(QString, value);
    QFETCH(QString, plain);
    // Numbers are stored in normal form; the other columns exactly.
    Fixture f;
    Waybill neighbour = sample(QStringLiteral("P1"));
    neighbour.notes = plain;
    QVERIFY(Waybills(f.store).insertFromInputForm(neighbour).ok);
    Waybill w = sample(QStringLiteral("V1"));
    w.notes = value;
    const Outcome stored = Waybills(f.store).insertFromInputForm(w);
    QVERIFY2(stored.ok, qPrintable(stored.error));
    QCOMPARE(Waybills(f.store).count(), 2);
    QCOMPARE(f.get(QStringLiteral("V1")).notes, value);
    QCOMPARE(f.get(QStringLiteral("P1")).notes, plain);
    const QVector<Waybill> found = QuickSearch(f.store).search(u("备注"), value);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().number, QStringLiteral("V1"));
    QVERIFY(BatchScratch(f.store).insertTemp(value, u("TNT")).ok);
    QCOMPARE(BatchScratch(f.store).tempRows().first().first, value);
    // What another reader of the file sees is the UTF-8 of the value, nothing shaved off.
    QCOMPARE(f.raw(f.server
                       ? u("SELECT upper(encode(convert_to(备注, 'UTF8'), 'hex')) FROM 快递单 WHERE 快递单号 = 'V1'")
                       : u("SELECT hex(备注) FROM 快递单 WHERE 快递单号 = 'V1'")),
             QStringList{QString::fromLatin1(value.toUtf8().toHex().toUpper())});
    // A key holding NUL is no key: it matches nothing rather than everything.
    QVERIFY(QuickSearch(f.store).search(u("快递单号"), QString(QChar(0))).isEmpty());
    QVERIFY(QuickSearch(f.store).search(u("快递单号"), QStringLiteral("A") + QChar(0)).isEmpty());
}

void TestWaybillStore::noncharactersAreRefusedAndLengthsCountCharacters()
{
    Fixture f;
    for (const QString &bad : QStringList{QString(QChar(0xFFFE)) + QStringLiteral("AB"), u("A\uFFFF")}) {
        const Outcome outcome = Waybills(f.store).insertFromInputForm(sample(bad));
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(u("快递单号")) && outcome.error.contains(u("无法保存的字符")),
                 qPrintable(outcome.error));
        QVERIFY(!BatchScratch(f.store).insertTemp(bad, u("TNT")).ok);
        QVERIFY(WaybillImport(f.store).importWaybills({sample(bad)}).first().contains(u("无法保存的字符")));
    }
    QCOMPARE(Waybills(f.store).count(), 0);

    const QString parcel = u("\U0001F4E6");
    Waybill w = sample(QStringLiteral("E1"));
    w.name = parcel.repeated(20); // 40 UTF-16 units, 20 characters: fits
    QVERIFY(Waybills(f.store).insertFromInputForm(w).ok);
    QCOMPARE(f.get(QStringLiteral("E1")).name, w.name);
    w.name = parcel.repeated(21);
    const Outcome outcome = Waybills(f.store).updateKeepingNumber(w);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.error.contains(u("现在是 21 个")), qPrintable(outcome.error));
}

TOLVANE_ENGINE_TEST_MAIN(TestWaybillStore)
#include "tst_waybillstore.moc"
