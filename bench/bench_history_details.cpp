// The details dialog over a history of 1,000,000 rows (100,000 waybills, ten
// states each): the register calls the management window makes for it (the
// waybill and its history) and the dialog's showFor, offscreen, painted.
// Prints the median and the slowest of a few dozen lookups of different numbers.
#include "BenchShared.h"
#include "core/Clock.h"
#include "manage/DetailsDialog.h"
#include "store/CheckHistory.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/WaybillImport.h"
#include "store/Waybills.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kWaybills = 100000;
constexpr int kStates = 10;
constexpr int kLookups = 40;
const QDateTime kFirst(QDate(2026, 11, 1), QTime(8, 0), Qt::UTC);

QString number(int i)
{
    return QStringLiteral("SF%1").arg(1000000000 + i);
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The offscreen platform warns at every raise(): forty lines that hide the numbers.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (!text.contains(QLatin1String("does not support")))
            previous(type, context, text);
    });
    TestFolder folder;
    const QString path = folder.file(RegisterSchema::fileName());
    StoreConnection store;
    if (!RegisterSchema::createDatabase(path).ok || !store.open(path).ok) {
        std::fprintf(stderr, "cannot create the register\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    {
        QVector<Waybill> rows(kWaybills);
        for (int i = 0; i < kWaybills; ++i) {
            rows[i].number = number(i);
            rows[i].carrier = QStringLiteral("顺丰速运");
            rows[i].goods = QStringLiteral("书");
        }
        WaybillImport(store).importWaybills(rows);
    }
    // Straight into the store's own table, so that its index is the real one;
    // states interleaved in time across waybills, as refreshes write them.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filler"));
        db.setDatabaseName(path);
        if (!db.open() || !db.transaction()) {
            std::fprintf(stderr, "cannot fill the history\n");
            return 1;
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT INTO 查询记录 (快递单号, 查询时间, 最后查询, 来源, 状态, 已签收) VALUES (?, ?, ?, ?, ?, ?)"));
        for (int s = 0; s < kStates; ++s) {
            for (int i = 0; i < kWaybills; ++i) {
                const QDateTime at = kFirst.addSecs(qint64(s) * 7200 + i % 3600);
                const QString iso = at.toString(Qt::ISODate);
                q.addBindValue(number(i));
                q.addBindValue(iso);
                q.addBindValue(at.addSecs(3600).toString(Qt::ISODate));
                q.addBindValue(s % 2 ? QStringLiteral("background") : QStringLiteral("concise"));
                q.addBindValue(QStringLiteral("【北京市】快件已到达 北京海淀区中关村营业点，第 %1 站").arg(s + 1));
                q.addBindValue(s == kStates - 1 ? 1 : 0);
                if (!q.exec()) {
                    std::fprintf(stderr, "insert failed: %s\n", qPrintable(q.lastError().text()));
                    return 1;
                }
            }
        }
        db.commit();
        QSqlQuery count(db);
        count.exec(QStringLiteral("SELECT count(*) FROM 查询记录"));
        count.next();
        std::printf("register and history filled: %lld history rows for %d waybills in %.1f s "
                    "(history in one transaction)\n",
                    count.value(0).toLongLong(), kWaybills, double(timer.elapsed()) / 1000.0);
        QSqlQuery plan(db);
        plan.exec(QStringLiteral("EXPLAIN QUERY PLAN SELECT 查询时间, 最后查询, 来源, 状态, 已签收 FROM 查询记录 "
                                 "WHERE 快递单号 = 'SF1000000001' ORDER BY 查询时间 DESC, rowid DESC"));
        while (plan.next())
            std::printf("  plan: %s\n", qPrintable(plan.value(3).toString()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filler"));

    FakeDialogs dialogs;
    DetailsDialog dialog(dialogs);
    FixedClock clock(kFirst.addDays(3));
    QVector<double> storeMs;
    QVector<double> dialogMs;
    QRandomGenerator random(15);
    int entries = 0;
    for (int n = 0; n <= kLookups; ++n) {
        const QString wanted = number(int(random.bounded(kWaybills)));
        QElapsedTimer t;
        t.start();
        // What the management window does for its details button.
        const std::optional<Waybill> registered = Waybills(store).find(wanted);
        const QVector<StateEntry> history = CheckHistory(store).stateHistory(wanted);
        const qint64 readNs = t.nsecsElapsed();
        Waybill current = registered.value_or(Waybill{});
        dialog.showFor(current, registered, history, clock.now());
        app.processEvents(); // the dialog painted
        const qint64 totalNs = t.nsecsElapsed();
        entries += int(history.size());
        if (n == 0) {
            std::printf("first lookup (warms the dialog): read %.2f ms, read and dialog %.2f ms\n", readNs / 1e6,
                        totalNs / 1e6);
            continue;
        }
        storeMs << readNs / 1e6;
        dialogMs << totalNs / 1e6;
    }
    std::printf("details of %d different numbers, %.1f history rows each:\n", kLookups,
                double(entries) / (kLookups + 1));
    std::printf("  find + stateHistory:            median %.2f ms, slowest %.2f ms\n", median(storeMs),
                *std::max_element(storeMs.cbegin(), storeMs.cend()));
    std::printf("  and DetailsDialog::showFor, painted:    median %.2f ms, slowest %.2f ms (goal < 50 ms)\n",
                median(dialogMs), *std::max_element(dialogMs.cbegin(), dialogMs.cend()));
    const double slowest = *std::max_element(dialogMs.cbegin(), dialogMs.cend());
    figure(QStringLiteral("details of a waybill with its history, 1,000,000 history rows (slowest)"),
           QStringLiteral("%1 ms (median %2)").arg(slowest, 0, 'f', 1).arg(median(dialogMs), 0, 'f', 1),
           QStringLiteral("< 50 ms"), slowest < 50 ? QStringLiteral("ok") : QStringLiteral("over"));
    return 0;
}
