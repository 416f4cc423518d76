#include "query/PassMarks.h"
#include "store/CheckHistory.h"
#include "store/RegisterSchema.h"
#include "store/Waybills.h"
#include "support/FileSizeLimit.h"
#include "support/TestRegister.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QtTest>

#include <sqlite3.h>

namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// Another program holding the register's write lock.
struct Holder {
    QSqlDatabase db;
    explicit Holder(const QString &path)
        : db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder")))
    {
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    void release() { QSqlQuery(db).exec(QStringLiteral("COMMIT")); }
    ~Holder()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    }
};

// Stands in for the store's wait on a lock: counts the waits and, when told,
// lets the holder go during the first one.
struct Waits {
    int count = 0;
    Holder *releaseDuringWait = nullptr;
};

int onBusy(void *context, int)
{
    auto *waits = static_cast<Waits *>(context);
    ++waits->count;
    if (!waits->releaseDuringWait)
        return 0;
    waits->releaseDuringWait->release();
    waits->releaseDuringWait = nullptr;
    return 1;
}

void watchStoreWaits(Waits *waits)
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (!name.startsWith(QLatin1String("tolvane-store-")))
            continue;
        const QVariant handle = QSqlDatabase::database(name, false).driver()->handle();
        sqlite3_busy_handler(*static_cast<sqlite3 *const *>(handle.constData()), onBusy, waits);
    }
}

StateCheck signedCheck(const QString &number, const QString &state = u("已签收，签收人：本人"))
{
    return {number, QDateTime(QDate(2026, 12, 7), QTime(9, 30), Qt::UTC), StateSource::kConcise, state, true};
}

} // namespace

// A pass's marks and history: saved through a lock that goes away, reported
// at the end of the pass when they could not be saved.
class TestPassMarks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void marksThatCannotBeSavedAreReportedAtTheEnd();
};

void TestPassMarks::marksThatCannotBeSavedAreReportedAtTheEnd()
{
    TestRegister reg({QStringLiteral("SF1"), QStringLiteral("SF2"), QStringLiteral("SF3")});
    const QString path = reg.folder.file(RegisterSchema::fileName());
    PassMarks marks;
    Waits waits;
    watchStoreWaits(&waits);

    // A lock let go while the mark waits for it: the mark and its history are saved.
    {
        Holder holder(path);
        waits.releaseDuringWait = &holder;
        marks.startPass();
        const std::optional<CheckEffect> effect = marks.record(reg.store, signedCheck(QStringLiteral("SF1")));
        QVERIFY2(effect && effect->newlySigned, qPrintable(marks.endOfPass(QString())));
        QCOMPARE(waits.count, 1);
    }
    QCOMPARE(Waybills(reg.store).find(QStringLiteral("SF1"))->status, u("已签收"));
    QCOMPARE(CheckHistory(reg.store).stateHistory(QStringLiteral("SF1")).size(), 1);
    QCOMPARE(marks.endOfPass(u("简洁查询完成")), u("简洁查询完成"));

    // A lock held throughout: one wait, then the pass says what was not saved.
    {
        Holder holder(path);
        waits.count = 0;
        marks.startPass();
        for (const char *number : {"SF2", "SF3", "SF1", "SF4", "SF5"})
            QVERIFY(!marks.record(reg.store, signedCheck(QString::fromLatin1(number))));
        QCOMPARE(waits.count, 1);
        const QString end = marks.endOfPass(u("简洁查询完成"));
        QVERIFY2(end.startsWith(u("简洁查询完成；5 个快递单的签收状态未能保存：SF2、SF3、SF1、SF4、SF5。")),
                 qPrintable(end));
        QVERIFY2(end.contains(u("请关闭那个程序")), qPrintable(end));
        // Five are named; more are counted.
        QVERIFY(!marks.record(reg.store, signedCheck(QStringLiteral("SF6"))));
        QVERIFY2(
            marks.endOfPass(QString()).startsWith(u("；6 个快递单的签收状态未能保存：SF2、SF3、SF1、SF4、SF5、……。")),
            qPrintable(marks.endOfPass(QString())));
    }
    QCOMPARE(Waybills(reg.store).find(QStringLiteral("SF2"))->status, u("未签收"));

    // A full disk: in words, and the next pass starts afresh.
    marks.startPass();
    {
        const FileSizeLimit disk(rlim_t(QFileInfo(path).size()));
        QVERIFY(!marks.record(reg.store, signedCheck(QStringLiteral("SF2"), QString(3000, QChar(0x7B7E)))));
    }
    QVERIFY2(marks.endOfPass(u("详细查询完成")).contains(u("磁盘空间不足")), qPrintable(marks.endOfPass(QString())));
    QCOMPARE(CheckHistory(reg.store).stateHistory(QStringLiteral("SF2")).size(), 0);
    marks.startPass();
    QVERIFY(marks.record(reg.store, signedCheck(QStringLiteral("SF2"))));
    QCOMPARE(marks.failures(), 0);
}

QTEST_GUILESS_MAIN(TestPassMarks)
#include "tst_passmarks.moc"
