// The quick search of the management window, and its index.
#include "store/QuickSearch.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "support/StoreFixture.h"
#include "support/TestFolder.h"

#include <QtTest>

#include <utility>

class TestQuickSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchKeepsWildcardsAndWhitelistsColumns();
    void searchIndexFollowsEveryWriteAndMatchesTheScan();
    void oldOrDamagedRegisterIsIndexedInBatchesAndSearchedMeanwhile();
    void theKeysWildcardsHoldInEverySearchableColumn_data();
    void theKeysWildcardsHoldInEverySearchableColumn();
};

void TestQuickSearch::searchKeepsWildcardsAndWhitelistsColumns()
{
    StoreFixture f;
    QVERIFY(f.add({QStringLiteral("SF100"), QStringLiteral("SF200")}));
    Waybill quoted = sample(QStringLiteral("Q'1"), u("德邦物流"));
    quoted.notes = u("50% off");
    QVERIFY(f.waybills.insertFromInputForm(quoted).ok);
    QVERIFY(f.waybills.markSignedFor(QStringLiteral("SF200")).ok);
    QVERIFY(f.waybills.markSignedFor(QStringLiteral("not stored")).ok); // changes nothing, no error
    QCOMPARE(f.get(QStringLiteral("SF100")).status, u("未签收"));
    QCOMPARE(f.get(QStringLiteral("SF200")).status, u("已签收"));

    QCOMPARE(f.quickSearch.search(u("状态"), u("未")).size(), 2);
    QCOMPARE(f.quickSearch.search(u("快递单号"), QStringLiteral("SF_00")).size(), 2); // _ is one character
    QCOMPARE(f.quickSearch.search(u("快递单号"), QStringLiteral("1%0")).size(), 1);   // % is any run
    QCOMPARE(f.quickSearch.search(u("快递单号"), QStringLiteral("Q'")).size(), 1);
    QCOMPARE(f.quickSearch.search(u("快递公司"), u("德邦")).size(), 1);
    QCOMPARE(f.quickSearch.search(u("备注"), QStringLiteral("0% OFF")).size(), 1); // ASCII case ignored
    Waybill path = sample(QStringLiteral("B1"));
    path.notes = QStringLiteral("C:\\dir");
    QVERIFY(f.waybills.insertFromInputForm(path).ok);
    QCOMPARE(f.quickSearch.search(u("备注"), QStringLiteral(":\\d")).size(), 1); // \ escapes nothing
    QVERIFY(f.waybills.deleteWaybill(QStringLiteral("B1")).ok);
    // An empty key matches every row whose column is not null; an imported
    // row without notes has a null column.
    QVERIFY(f.importer.importWaybills({sample(QStringLiteral("IMP"))}).first().isEmpty());
    QCOMPARE(f.quickSearch.search(u("备注"), QString()).size(), 3);
    QCOMPARE(f.quickSearch.search(u("快递单号"), QString()).size(), 4);
    QCOMPARE(f.quickSearch.search(u("物品"), u("没有这个")).size(), 0);

    for (const QString &column : {QStringLiteral("快递单号 OR 1=1 --"), u("电话")}) { // 电话 is not searchable
        Outcome outcome;
        QVERIFY(f.quickSearch.search(column, QString(), &outcome).isEmpty());
        QVERIFY(!outcome.ok);
    }
}

void TestQuickSearch::searchIndexFollowsEveryWriteAndMatchesTheScan()
{
    if (PostgresCluster::current)
        QSKIP("SQLite's index; the server has its trigram indexes");
    StoreFixture f;
    QVERIFY(f.quickSearch.searchIndexComplete()); // a new register is indexed as it fills
    QVERIFY(f.add({QStringLiteral("SF1001"), QStringLiteral("SF1002"), QStringLiteral("SF2003")}));
    Waybill edited = sample(QStringLiteral("SF1002"));
    edited.goods = u("旧手机壳");
    QVERIFY(f.waybills.updateKeepingNumber(edited).ok);
    QVERIFY(f.waybills.updateChangingNumber(QStringLiteral("SF2003"), sample(QStringLiteral("YT2003")), false).ok);
    QVERIFY(f.waybills.deleteWaybill(QStringLiteral("SF1001")).ok);
    QVERIFY(f.importer.importWaybills({sample(QStringLiteral("IMP777"))}).first().isEmpty());
    RawConnection raw(f.store.path()); // an older build writes the table directly
    QVERIFY(raw.exec(u("INSERT INTO 快递单 (快递单号, 快递公司, 备注) VALUES ('ＪＤ９９９', '京东', '50%_off')")));
    QVERIFY(raw.exec(u("UPDATE 快递单 SET 姓名 = '王小明' WHERE 快递单号 = 'IMP777'")));
    const QString agrees = u("INSERT INTO 快递单_查找(快递单_查找) VALUES ('integrity-check')"); // with the table
    QVERIFY(raw.exec(agrees));
    QVERIFY(f.quickSearch.searchIndexComplete()); // an import indexes its rows before it commits
    const auto numbers = [&](const QString &column, const QString &key) {
        QStringList out;
        for (const Waybill &w : f.quickSearch.search(column, key))
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
                for (const RegisterGrid::GridRow &row : f.grid.gridRows(filter, 2))
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
        for (QVector<QPair<qint64, DaysUpdate>> batch; !(batch = f.grid.gridDays(filter, after, 1)).isEmpty();
             after = batch.last().first)
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
    QVERIFY(!f.quickSearch.searchIndexComplete());
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

void TestQuickSearch::oldOrDamagedRegisterIsIndexedInBatchesAndSearchedMeanwhile()
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
    QuickSearch quickSearch(store);
    QVERIFY(store.open(path).ok);
    QVERIFY(!quickSearch.searchIndexComplete());
    QCOMPARE(quickSearch.search(u("物品"), u("旧物24999")).size(), 1);
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
    QVERIFY(quickSearch.buildSearchIndex(writeMeanwhile).ok);
    QCOMPARE(reports, (QVector<qint64>{20000, 25000}));
    QVERIFY(quickSearch.searchIndexComplete());
    QVERIFY(raw.exec(u("INSERT INTO 快递单_查找(快递单_查找) VALUES ('integrity-check')")));
    for (const QString &goods : {u("改在索引里"), u("改在索引外"), u("新加的"), u("旧物24999")})
        QCOMPARE(quickSearch.search(u("物品"), goods).size(), 1);
    // 旧物2… runs across the batches' border; row 6 is gone.
    QCOMPARE(quickSearch.search(u("物品"), u("旧物2")).size(), 6110);
    QCOMPARE(quickSearch.search(u("物品"), u("旧物6")).size(), 1110);
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
    QVERIFY(!quickSearch.searchIndexComplete());
    QCOMPARE(quickSearch.search(u("物品"), u("新加的")).size(), 1);
    QVERIFY(quickSearch.buildSearchIndex().ok && quickSearch.searchIndexComplete());
    QCOMPARE(quickSearch.search(u("物品"), u("改在索引外")).size(), 1);
}

void TestQuickSearch::theKeysWildcardsHoldInEverySearchableColumn_data()
{
    // Named here, not taken from the store: a column that leaves its list fails.
    QTest::addColumn<QString>("column");
    for (const QString &column : {u("快递单号"), u("快递公司"), u("状态"), u("物品"), u("姓名"), u("时间"), u("备注")})
        QTest::newRow(column.toUtf8().constData()) << column;
}

void TestQuickSearch::theKeysWildcardsHoldInEverySearchableColumn()
{
    QFETCH(QString, column);
    const int c = WaybillColumns::indexOf(column);
    QVERIFY(c >= 0);
    // The searched column alone holds the values; the row's other columns hold none of the keys' runs.
    StoreFixture f;
    QVERIFY(f.add({QStringLiteral("R1"), QStringLiteral("R2")}));
    const QString hit = u("甲QA12345ZZ乙");
    const QString near = u("丙QA1295ZZ丁"); // what _ finds only where it stands for one character
    for (const auto &[number, value] : {std::pair{u("R1"), hit}, std::pair{u("R2"), near}}) {
        bool stored = false;
        f.raw(u("UPDATE 快递单 SET %1 = '%2' WHERE 快递单号 = '%3'").arg(column, value, number), &stored);
        QVERIFY(stored);
    }
    // key -> the values found. % is any run and _ one character, with runs
    // the index can drive (three characters) and without.
    const QVector<std::pair<QString, QStringList>> keys{
        {QStringLiteral("A12%45Z"), {hit}}, {QStringLiteral("A12_45"), {hit}},
        {QStringLiteral("12_5"), {near}},   {QStringLiteral("QA1_%ZZ"), {hit, near}},
        {QStringLiteral("%"), {hit, near}}, {QStringLiteral("_"), {hit, near}},
        {QStringLiteral("A12%46Z"), {}},    {QStringLiteral("12__5Z"), {hit}},
    };
    const auto found = [&](const QVector<Waybill> &rows) {
        QStringList values;
        for (const Waybill &w : rows)
            values << WaybillColumns::value(w, c);
        values.sort();
        return values;
    };
    // On SQLite once through the complete index and once, the mark set back, by scanning.
    for (const bool indexed : f.server ? QVector<bool>{true} : QVector<bool>{true, false}) {
        if (!indexed) {
            bool marked = false;
            f.raw(u("UPDATE 快递单_查找进度 SET 已索引到 = 0"), &marked);
            QVERIFY(marked);
        }
        QCOMPARE(f.quickSearch.searchIndexComplete(), indexed);
        for (const auto &[key, values] : keys) {
            QStringList expected = values;
            expected.sort();
            Outcome outcome;
            QCOMPARE(found(f.quickSearch.search(column, key, &outcome)), expected);
            QVERIFY2(outcome.ok, qPrintable(outcome.error));
            // The management window's grid reads the same search its own way.
            RegisterGrid::GridFilter filter;
            filter.column = column;
            filter.key = key;
            filter.today = QDate(2026, 12, 17);
            filter.showArchived = true;
            QVector<Waybill> shown;
            for (const RegisterGrid::GridRow &row : f.grid.gridRows(filter, 10, &outcome))
                shown << row.waybill;
            QCOMPARE(found(shown), expected);
            QVERIFY2(outcome.ok, qPrintable(outcome.error));
        }
    }
}

TOLVANE_ENGINE_TEST_MAIN(TestQuickSearch)
#include "tst_quicksearch.moc"
