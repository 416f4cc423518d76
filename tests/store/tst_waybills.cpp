// The waybills of the register: added, found, changed, in any characters.
#include "store/Waybills.h"
#include "support/StoreFixture.h"

#include <QtTest>

class TestWaybills : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valuesAreStoredAndFoundAsTypedOnce();
    void overLongValuesAreRefusedNamingTheField();
    void modifyKeepingAndChangingTheNumber();
    void editOfARowChangedMeanwhileIsRefused_data();
    void editOfARowChangedMeanwhileIsRefused();
    void numbersAreComparedInNormalForm();
    void unusualCharactersAreStoredExactly_data();
    void unusualCharactersAreStoredExactly();
    void noncharactersAreRefusedAndLengthsCountCharacters();
    void eachWaybillStopsWhereItsReaderDoes();
};

void TestWaybills::valuesAreStoredAndFoundAsTypedOnce()
{
    StoreFixture f;
    Waybill w = sample(QStringLiteral("O'Neil%_1"));
    w.goods = QString(); // an empty box
    w.notes = u("it's \"quoted\" -- ; DROP TABLE 快递单");
    QVERIFY(f.waybills.insertFromInputForm(w).ok);
    const Waybill back = f.get(QStringLiteral("O'Neil%_1"));
    QCOMPARE(back.notes, w.notes);
    QVERIFY(!back.goods.isNull() && back.goods.isEmpty());    // empty text, not null
    const Waybill listed = f.waybills.allWaybills().value(0); // read whole, as the export reads it
    for (int c = 0; c < WaybillColumns::Count; ++c)
        QVERIFY2(WaybillColumns::value(listed, c) == WaybillColumns::value(back, c) &&
                     WaybillColumns::value(listed, c).isNull() == WaybillColumns::value(back, c).isNull(),
                 qPrintable(WaybillColumns::name(c)));
    QCOMPARE(back.status, u("未签收"));
    QCOMPARE(back.daysInTransit, u("0天 "));
    QVERIFY(!f.waybills.numberExists(QStringLiteral("O'Neil%_"))); // '=' does not treat % as a wildcard
    QVERIFY(!f.waybills.numberExists(QStringLiteral("O'Neilx_1")));
    const Outcome again = f.waybills.insertQuickAdd(sample(QStringLiteral("O'Neil%_1")), u("0天"));
    QCOMPARE(again.ok, false);
    QCOMPARE(again.error, u("快递单号已存在！"));
    QCOMPARE(f.waybills.count(), 1);
}

void TestWaybills::overLongValuesAreRefusedNamingTheField()
{
    StoreFixture f;
    Waybill w = sample(QStringLiteral("1"));
    w.name = QString(21, QChar(0x5F20)); // the limit is 20
    Outcome outcome = f.waybills.insertFromInputForm(w);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("姓名")) && outcome.error.contains(QStringLiteral("20")));
    QCOMPARE(f.waybills.count(), 0);

    w.name = QString(20, QChar(0x5F20));
    QVERIFY(f.waybills.insertFromInputForm(w).ok);
    w.amount = QString(21, QLatin1Char('9'));
    outcome = f.waybills.updateKeepingNumber(w);
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.error.contains(u("金额")));
    QCOMPARE(f.get(QStringLiteral("1")).amount, QStringLiteral("12.5"));
    QVERIFY(!f.scratch.insertTemp(QString(256, QLatin1Char('1')), u("TNT")).ok);
    QVERIFY(f.scratch.tempRows().isEmpty());
    QVERIFY(f.scratch.insertTemp(QString(255, QLatin1Char('1')), u("TNT")).ok);
}

void TestWaybills::modifyKeepingAndChangingTheNumber()
{
    StoreFixture f;
    QVERIFY(f.waybills.insertQuickAdd(sample(QStringLiteral("M1")), u("4天")).ok);
    QVERIFY(f.waybills.markSignedFor(QStringLiteral("M1")).ok);

    Waybill edit = sample(QStringLiteral("M1"), u("UPS"));
    edit.goods = u("鞋");
    QVERIFY(f.waybills.updateKeepingNumber(edit).ok);
    Waybill back = f.get(QStringLiteral("M1"));
    QCOMPARE(back.carrier, u("UPS"));
    QCOMPARE(back.goods, u("鞋"));
    QCOMPARE(back.status, u("已签收")); // status and days are never edited here
    QCOMPARE(back.daysInTransit, u("4天"));

    edit.number = QStringLiteral("M2");
    edit.carrier = u("TNT");
    QVERIFY(f.waybills.updateChangingNumber(QStringLiteral("M1"), edit, false).ok);
    QVERIFY(!f.waybills.numberExists(QStringLiteral("M1")));
    back = f.get(QStringLiteral("M2"));
    QCOMPARE(back.carrier, u("UPS")); // carrier kept
    QCOMPARE(back.status, u("已签收"));
    QCOMPARE(back.daysInTransit, u("4天"));

    QVERIFY(f.add({QStringLiteral("X")})); // renaming onto an existing number is refused by the key
    QCOMPARE(f.waybills.updateChangingNumber(QStringLiteral("M2"), sample(QStringLiteral("X")), false).error,
             u("快递单号已存在！"));
    edit.number = QStringLiteral("M3");
    QVERIFY(f.waybills.updateChangingNumber(QStringLiteral("M2"), edit, true).ok);
    QCOMPARE(f.get(QStringLiteral("M3")).carrier, u("TNT"));
    QCOMPARE(f.waybills.count(), 2);
}

void TestWaybills::editOfARowChangedMeanwhileIsRefused_data()
{
    QTest::addColumn<QString>("meanwhile"); // what another connection does after the editor read the row
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing") << QString() << QString();
    QTest::newRow("备注 changed") << u("UPDATE 快递单 SET 备注 = '对方'") << Waybills::kChangedElsewhere;
    QTest::newRow("NULL became empty") << u("UPDATE 快递单 SET 物品 = ''") << Waybills::kChangedElsewhere;
    QTest::newRow("signed for") << u("UPDATE 快递单 SET 状态 = '已签收'") << Waybills::kChangedElsewhere;
    QTest::newRow("deleted") << u("DELETE FROM 快递单") << Waybills::kDeletedElsewhere;
}

void TestWaybills::editOfARowChangedMeanwhileIsRefused()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, error);
    for (const bool renumber : {false, true}) {
        StoreFixture f;
        QVERIFY(f.add({QStringLiteral("E1")}));
        bool ok = false;
        f.raw(u("UPDATE 快递单 SET 物品 = NULL"), &ok); // a NULL column matches only NULL
        QVERIFY(ok);
        const std::optional<Waybill> read = f.waybills.find(QStringLiteral("E1"));
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
        const Outcome saved = renumber ? f.waybills.updateChangingNumber(QStringLiteral("E1"), mine, false, read)
                                       : f.waybills.updateKeepingNumber(mine, read);
        QCOMPARE(saved.error, error);
        if (!error.isEmpty())
            QCOMPARE(f.raw(u("SELECT 备注 || '|' || coalesce(物品, 'NULL') || 状态 FROM 快递单")), before);
        else
            QCOMPARE(f.get(mine.number).notes, u("我的"));
    }
}

void TestWaybills::numbersAreComparedInNormalForm()
{
    StoreFixture f;
    QVERIFY(f.waybills.insertFromInputForm(sample(u("ＳＦ１２３４５６７８９０４４３"))).ok);
    QCOMPARE(f.waybills.allWaybills().first().number, u("SF1234567890443"));
    for (const QString &again : {u("SF1234567890443"), u("sf 1234 5678 9044 3")})
        QCOMPARE(f.waybills.insertQuickAdd(sample(again), u("0天")).error, u("快递单号已存在！"));
    // Renumbering a row to another spelling of its own number is no duplicate.
    QVERIFY(f.waybills.updateChangingNumber(u("SF1234567890443"), sample(u("sf1234567890443")), false).ok);

    // Rows stored before numbers were normalised: refused in any spelling,
    // found by every spelling, and both kept.
    bool inserted = false;
    f.raw(u("INSERT INTO 快递单 (快递单号, 快递公司) VALUES ('yt 0001', '圆通快递'), ('ＹＴ０００１', '圆通快递'), "
            "('zt9', '中通快递')"),
          &inserted);
    QVERIFY(inserted);
    QCOMPARE(f.waybills.insertFromInputForm(sample(u("ZT9"))).error, u("快递单号已存在！")); // lower case alone
    QCOMPARE(f.waybills.insertFromInputForm(sample(u("YT0001"))).error, u("快递单号已存在！"));
    QCOMPARE(f.waybills.updateChangingNumber(u("SF1234567890443"), sample(u("Yt0001")), false).error,
             u("快递单号已存在！"));
    QCOMPARE(f.importer.importWaybills({sample(u("yt\u30000001")), sample(u("jd 1"))}),
             (QVector<QString>{u("快递单号已存在！"), QString()}));
    QVERIFY(f.waybills.numberExists(u("JD1")));
    QCOMPARE(f.get(u("YT0001")).number, u("yt 0001"));
    QCOMPARE(f.quickSearch.search(u("快递单号"), u("yt0001")).size(), 2);
    QCOMPARE(f.quickSearch.search(u("快递单号"), u("Ｔ0_0")).size(), 2); // the key's wildcards still count
    QCOMPARE(f.waybills.count(), 5);
}

void TestWaybills::unusualCharactersAreStoredExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("plain"); // a stored neighbour it must not collide with
    const QString bom(QChar(0xFEFF));   // QString::fromUtf8 would drop it at the start
    QTest::newRow("leading FEFF") << bom + QStringLiteral("A1") << QStringLiteral("A1");
    QTest::newRow("FEFF inside") << u("A\uFEFF1") << QStringLiteral("A1");
    QTest::newRow("leading FEFF then FFFD") << bom + u("\uFFFDB") << u("\uFFFDB");
    QTest::newRow("emoji") << u("\U0001F4E6x") << QStringLiteral("x");
}

void TestWaybills::unusualCharactersAreStoredExactly()
{
    QFETCH(QString, value);
    QFETCH(QString, plain);
    // Numbers are stored in normal form; the other columns exactly.
    StoreFixture f;
    Waybill neighbour = sample(QStringLiteral("P1"));
    neighbour.notes = plain;
    QVERIFY(f.waybills.insertFromInputForm(neighbour).ok);
    Waybill w = sample(QStringLiteral("V1"));
    w.notes = value;
    const Outcome stored = f.waybills.insertFromInputForm(w);
    QVERIFY2(stored.ok, qPrintable(stored.error));
    QCOMPARE(f.waybills.count(), 2);
    QCOMPARE(f.get(QStringLiteral("V1")).notes, value);
    QCOMPARE(f.get(QStringLiteral("P1")).notes, plain);
    const QVector<Waybill> found = f.quickSearch.search(u("备注"), value);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().number, QStringLiteral("V1"));
    QVERIFY(f.scratch.insertTemp(value, u("TNT")).ok);
    QCOMPARE(f.scratch.tempRows().first().first, value);
    // What another reader of the file sees is the UTF-8 of the value, nothing shaved off.
    QCOMPARE(f.raw(f.server
                       ? u("SELECT upper(encode(convert_to(备注, 'UTF8'), 'hex')) FROM 快递单 WHERE 快递单号 = 'V1'")
                       : u("SELECT hex(备注) FROM 快递单 WHERE 快递单号 = 'V1'")),
             QStringList{QString::fromLatin1(value.toUtf8().toHex().toUpper())});
    // A key holding NUL is no key: it matches nothing rather than everything.
    QVERIFY(f.quickSearch.search(u("快递单号"), QString(QChar(0))).isEmpty());
    QVERIFY(f.quickSearch.search(u("快递单号"), QStringLiteral("A") + QChar(0)).isEmpty());
}

void TestWaybills::noncharactersAreRefusedAndLengthsCountCharacters()
{
    StoreFixture f;
    for (const QString &bad : QStringList{QString(QChar(0xFFFE)) + QStringLiteral("AB"), u("A\uFFFF")}) {
        const Outcome outcome = f.waybills.insertFromInputForm(sample(bad));
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.contains(u("快递单号")) && outcome.error.contains(u("无法保存的字符")),
                 qPrintable(outcome.error));
        QVERIFY(!f.scratch.insertTemp(bad, u("TNT")).ok);
        QVERIFY(f.importer.importWaybills({sample(bad)}).first().contains(u("无法保存的字符")));
    }
    QCOMPARE(f.waybills.count(), 0);

    const QString parcel = u("\U0001F4E6");
    Waybill w = sample(QStringLiteral("E1"));
    w.name = parcel.repeated(20); // 40 UTF-16 units, 20 characters: fits
    QVERIFY(f.waybills.insertFromInputForm(w).ok);
    QCOMPARE(f.get(QStringLiteral("E1")).name, w.name);
    w.name = parcel.repeated(21);
    const Outcome outcome = f.waybills.updateKeepingNumber(w);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.error.contains(u("现在是 21 个")), qPrintable(outcome.error));
}

void TestWaybills::eachWaybillStopsWhereItsReaderDoes()
{
    // The export writes each row on as it is read; a row it cannot write ends the read.
    StoreFixture f;
    QVERIFY(f.add({QStringLiteral("W1"), QStringLiteral("W2"), QStringLiteral("W3")}));
    QStringList visited;
    const auto visit = [&visited](int rows) {
        return [&visited, rows](const Waybill &w) {
            visited << w.number;
            return visited.size() < rows;
        };
    };
    const Outcome stopped = f.waybills.eachWaybill(visit(2));
    QCOMPARE(visited, (QStringList{QStringLiteral("W1"), QStringLiteral("W2")}));
    QCOMPARE(stopped.error, u("读取已取消。"));
    visited.clear();
    QVERIFY(f.waybills.eachWaybill(visit(4)).ok);
    QCOMPARE(visited.size(), 3);
}

TOLVANE_ENGINE_TEST_MAIN(TestWaybills)
#include "tst_waybills.moc"
