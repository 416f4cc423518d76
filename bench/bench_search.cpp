// Times the quick search ("contains") on a register of 1,000,000 waybills
// written by an older build (no index): building the index in batches, then
// keys that match many rows, few and none, by the index and by a scan, with
// the sqlite3 tool's LIKE over the same file for scale.
//   bench_search [rows]
#include "BenchShared.h"
#include "store/QuickSearch.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "support/TestFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kRuns = 7;

struct Spread {
    qint64 median = -1, min = -1, max = -1;
};

template <typename Run> Spread timed(Run run)
{
    QVector<qint64> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run())
            return {};
        ms << clock.elapsed();
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.first(), ms.last()};
}

QString shown(const Spread &s)
{
    return s.median < 0 ? QStringLiteral("n/a")
                        : QStringLiteral("%1 ms (min %2, max %3)").arg(s.median).arg(s.min).arg(s.max);
}

void figure(const QString &what, const Spread &s, qint64 goalMs)
{
    const bool measured = s.median >= 0;
    figure(what, measured ? QStringLiteral("%1 ms").arg(s.median) : QStringLiteral("n/a"),
           QStringLiteral("< %1 ms").arg(goalMs),
           !measured           ? QStringLiteral("n/a")
           : s.median < goalMs ? QStringLiteral("ok")
                               : QStringLiteral("over"));
}

// A register as an older build leaves it: rows written straight into the
// table, some numbers not in normal form.
bool fill(const QString &path, int rows)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        ok = db.open() &&
             q.exec(QStringLiteral(
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ROWS) "
                        "INSERT INTO 快递单 (状态, 在途时间, 快递单号, 快递公司, 物品, 金额, 时间, 姓名, 电话, "
                        "联系地址, 备注) "
                        "SELECT CASE WHEN i % 4 = 0 THEN '已签收' ELSE '未签收' END, (i % 9) || '天 ', "
                        "CASE WHEN i % 1000 = 7 THEN 'sf ' ELSE 'SF' END || printf('%010d', i), "
                        "CASE i % 3 WHEN 0 THEN '顺丰速运' WHEN 1 THEN '圆通快递' ELSE '中通速递' END, "
                        "'书籍' || (i % 97), i % 500, '2026/' || (i % 12 + 1) || '/' || (i % 28 + 1), '张三' || (i % "
                        "10000), "
                        "'1380013' || printf('%04d', i % 10000), '北京市海淀区中关村大街' || (i % 997) || '号', "
                        "'备注' || (i % 5000) FROM n")
                        .replace(QStringLiteral("ROWS"), QString::number(rows)));
        if (!ok)
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok;
}

// The sqlite3 tool's scan of the same column with the same LIKE, start included.
Spread cliScan(const QString &path, const QString &column, const QString &key)
{
    QString quoted = key;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    const QString sql = QStringLiteral("SELECT count(*) FROM 快递单 WHERE %1 LIKE '%%2%'").arg(column, quoted);
    return timed([&] {
        QProcess cli;
        cli.start(QStringLiteral("sqlite3"), {path, sql});
        return cli.waitForFinished(60000) && cli.exitCode() == 0;
    });
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    QElapsedTimer clock;
    clock.start();
    if (!RegisterSchema::createDatabase(path).ok || !fill(path, rows)) {
        std::fprintf(stderr, "cannot make the register\n");
        return 1;
    }
    std::printf("register of %d rows written in %lld ms\n", rows, static_cast<long long>(clock.elapsed()));

    StoreConnection store;
    if (!store.open(path).ok || QuickSearch(store).searchIndexComplete()) {
        std::fprintf(stderr, "an older register should open without a complete index\n");
        return 1;
    }
    struct Key {
        const char *what;
        QString column;
        QString key;
    };
    const QVector<Key> keys{
        {"many", QStringLiteral("物品"), QStringLiteral("书籍1")},
        {"few", QStringLiteral("快递单号"), QStringLiteral("0000123")},
        {"few", QStringLiteral("姓名"), QStringLiteral("张三9876")},
        {"none", QStringLiteral("备注"), QStringLiteral("没有这个")},
    };
    // What the grid's first screen waits for: the first rows of the result.
    const auto firstScreen = [&store](const Key &k) {
        return timed([&] {
            int asks = 0;
            Outcome outcome;
            QuickSearch(store).search(k.column, k.key, &outcome, [&asks] { return ++asks < 1; });
            return outcome.ok || asks > 0;
        });
    };
    const auto allRows = [&store](const Key &k, int *found) {
        return timed([&] {
            Outcome outcome;
            *found = int(QuickSearch(store).search(k.column, k.key, &outcome).size());
            return outcome.ok;
        });
    };
    QVector<Spread> scanned;
    for (const Key &k : keys) {
        int found = 0;
        const Spread first = firstScreen(k);
        const Spread all = allRows(k, &found);
        scanned << first;
        std::printf("scan    %-4s %s like %s: %d rows; first screen %s; every row %s\n", k.what, qPrintable(k.column),
                    qPrintable(k.key), found, qPrintable(shown(first)), qPrintable(shown(all)));
    }

    clock.restart();
    qint64 batches = 0;
    const Outcome built = QuickSearch(store).buildSearchIndex([&](qint64, qint64) { return ++batches > 0; });
    std::printf("index built in %lld ms, %lld batches between which the register could be written: %s\n",
                static_cast<long long>(clock.elapsed()), static_cast<long long>(batches + 1),
                built ? "complete" : qPrintable(built.error));
    if (!built || !QuickSearch(store).searchIndexComplete())
        return 1;

    for (int i = 0; i < keys.size(); ++i) {
        const Key &k = keys[i];
        int found = 0;
        const Spread first = firstScreen(k);
        const Spread all = allRows(k, &found);
        const Spread cli = cliScan(path, k.column, k.key);
        std::printf("index   %-4s %s like %s: %d rows; first screen %s; every row %s; sqlite3 LIKE scan %s\n", k.what,
                    qPrintable(k.column), qPrintable(k.key), found, qPrintable(shown(first)), qPrintable(shown(all)),
                    qPrintable(shown(cli)));
        figure(QStringLiteral("contains search, %1 rows, key matching %2 (%3), first screen")
                   .arg(rows)
                   .arg(QString::fromLatin1(k.what), k.column),
               first, 50);
    }
    return 0;
}
