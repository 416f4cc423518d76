// Imports: good rows stored in one transaction, the rest explained; a
// failure midway keeps nothing.
#include "core/DiskFailure.h"
#include "store/WaybillImport.h"
#include "support/FileSizeLimit.h"
#include "support/StoreFixture.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <limits>

class TestWaybillImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importStoresGoodRowsAndExplainsTheRest();

private:
    static void importFailsWholeOnAFileLockedOrFull(StoreFixture &f);
};

void TestWaybillImport::importStoresGoodRowsAndExplainsTheRest()
{
    StoreFixture f;
    QVERIFY(f.add({QStringLiteral("EXIST")}));
    Waybill good = sample(QStringLiteral("I1"));
    good.goods = QString();   // an empty cell stays null
    good.carrier = QString(); // but the carrier, which may not be null, is empty
    Waybill tooLong = sample(QStringLiteral("I2"));
    tooLong.phone = QString(41, QLatin1Char('1'));
    const QVector<QString> reasons =
        f.importer.importWaybills({good, sample(QStringLiteral("EXIST")), tooLong, sample(QStringLiteral("I1")),
                                   sample(QString()), sample(QStringLiteral("I3"))});
    QCOMPARE(reasons.size(), 6);
    QVERIFY(reasons[0].isEmpty() && reasons[5].isEmpty());
    QCOMPARE(reasons[1], u("快递单号已存在！"));
    QVERIFY(reasons[2].contains(u("电话")));
    QCOMPARE(reasons[3], u("快递单号已存在！"));
    QVERIFY(!reasons[4].isEmpty());
    QCOMPARE(f.waybills.count(), 3);
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
    f.importer.importWaybills(many, &stopped, [](int done, int) { return done < 2000; });
    QVERIFY(!stopped);
    QCOMPARE(f.waybills.count(), 3);
}

void TestWaybillImport::importFailsWholeOnAFileLockedOrFull(StoreFixture &f)
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
        f.importer.importWaybills({sample(QStringLiteral("L1")), sample(QStringLiteral("L2"))}, &locked,
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
        QCOMPARE(f.waybills.count(), 3);
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
            f.importer.importWaybills(filling, &full);
        }
        QVERIFY2(!full && full.error.contains(u("磁盘空间不足")), qPrintable(full.error));
        QCOMPARE(f.waybills.count(), 3);
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
    f.importer.importWaybills(capped, &full, [&progressed](int, int) {
        ++progressed;
        return true;
    });
    for (const QSqlDatabase &db : connections)
        pragma(db, QStringLiteral("PRAGMA max_page_count = %1").arg(maxPages));
    QCOMPARE(full.error, u("导入未能保存，没有导入任何快递单：") + DiskFailure::diskFull());
    QCOMPARE(progressed, 1); // failed among the first thousand rows, not before them
    QCOMPARE(f.waybills.count(), 3);
    QCOMPARE(f.raw(QStringLiteral("SELECT count(*) FROM 快递单 WHERE 快递单号 LIKE 'C%'")), QStringList{u("0")});
}

TOLVANE_ENGINE_TEST_MAIN(TestWaybillImport)
#include "tst_waybillimport.moc"
