// Times the register management with 100,000 waybills: a text import of that
// size, opening the management window, a refresh, and search keystrokes. For
// the window it reports how long its thread is blocked (the action itself and
// the longest stretch of event handling afterwards, painting included) and
// how long until the grid shows the result.
#include "core/BackgroundTask.h"
#include "core/Clock.h"
#include "core/GbkText.h"
#include "manage/ManagementWindow.h"
#include "manage/GridFill.h"
#include "manage/WaybillLoader.h"
#include "store/Statistics.h"
#include "store/WaybillStore.h"
#include "support/FakeDialogs.h"
#include "support/TestFolder.h"
#include "transfer/ImportReader.h"
#include "transfer/WaybillImporter.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QThread>

#include <cstdio>

namespace {
constexpr int kRows = 100000;

void report(const char *what, qint64 ms, const QString &detail = QString())
{
    std::printf("%-42s %6lld ms  %s\n", what, static_cast<long long>(ms), qPrintable(detail));
    std::fflush(stdout);
}

struct Timing {
    qint64 action = 0;  // the call that starts it, on the window thread
    qint64 longest = 0; // the longest single pass of the event loop after it
    qint64 total = 0;   // until the grid shows the result
};

// Runs the action, then keeps the event loop turning until the window has
// shown what it read, timing each pass of the loop.
template <typename Action> Timing measure(QApplication &app, const ManagementWindow &window, Action action)
{
    Timing t;
    QElapsedTimer total;
    total.start();
    QElapsedTimer step;
    step.start();
    action();
    t.action = step.elapsed();
    bool last = false;
    do {
        last = !window.isReading(); // one more pass paints what was shown
        QThread::usleep(200);
        step.restart();
        app.processEvents();
        t.longest = std::max(t.longest, step.elapsed());
    } while (!last);
    t.total = total.elapsed();
    return t;
}

void report(const char *what, const Timing &t, const QString &detail = QString())
{
    std::printf("%-42s blocked %4lld ms (call %4lld ms)  shown after %5lld ms  %s\n", what,
                static_cast<long long>(std::max(t.action, t.longest)), static_cast<long long>(t.action),
                static_cast<long long>(t.total), qPrintable(detail));
    std::fflush(stdout);
}

QByteArray importFile()
{
    const QStringList carriers{QStringLiteral("顺丰速运"), QStringLiteral("圆通快递"), QStringLiteral("中通速递")};
    QString text;
    for (int i = 0; i < kRows; ++i) {
        const QDate sent = QDate(2026, 1, 1).addDays(i % 300);
        text += QStringLiteral("SF%1,%2,书籍%3,%4,%5/%6/%7,张三%3,1380013%8,北京市海淀区中关村大街%3号,备注\r\n")
                    .arg(i, 10, 10, QLatin1Char('0'))
                    .arg(carriers[i % 3])
                    .arg(i % 97)
                    .arg(i % 500)
                    .arg(sent.year())
                    .arg(sent.month())
                    .arg(sent.day())
                    .arg(i % 10000, 4, 10, QLatin1Char('0'));
    }
    return GbkText::encode(text);
}
// The same rows into the same table by the sqlite3 command-line tool, for
// scale; its time in milliseconds, or -1 without the tool.
qint64 sqliteImport(TestFolder &folder, const QString &databasePath)
{
    const QString copy = folder.file(QStringLiteral("cli.db"));
    QFile::remove(copy);
    QProcess schema;
    schema.start(QStringLiteral("sqlite3"), {databasePath, QStringLiteral(".schema 快递单")});
    if (!schema.waitForFinished(10000) || schema.exitCode() != 0) {
        std::printf("sqlite3 command-line tool not available: no comparison\n");
        return -1;
    }
    QString csv;
    for (const QString &line : GbkText::decode(importFile()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        csv += QStringLiteral("未签收,,") + line + QLatin1Char('\n');
    folder.write(QStringLiteral("cli.csv"), csv.toUtf8());
    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral("sqlite3"), {copy});
    cli.write(schema.readAllStandardOutput() + "\n.mode csv\n.import " +
              folder.file(QStringLiteral("cli.csv")).toUtf8() + " 快递单\n");
    cli.closeWriteChannel();
    cli.waitForFinished(120000);
    const qint64 elapsed = clock.elapsed();
    report("same rows by sqlite3 .import", elapsed, QString::fromUtf8(cli.readAllStandardError()).left(200));
    return elapsed;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // --import-only: the import against sqlite3, without the window's timings.
    const bool importOnly = app.arguments().contains(QStringLiteral("--import-only"));
    TestFolder folder;
    const QString path = folder.file(WaybillStore::fileName());
    WaybillStore store;
    if (!WaybillStore::createDatabase(path).ok || !store.open(path).ok) {
        std::fprintf(stderr, "cannot create the register\n");
        return 1;
    }

    folder.write(QStringLiteral("import.txt"), importFile());
    // The import window's path: read, parse and store on a worker while the
    // window's thread only turns its event loop.
    BackgroundTask task;
    ImportResult result;
    bool done = false;
    QElapsedTimer clock;
    clock.start();
    task.run<ImportResult>(
        [path, file = folder.file(QStringLiteral("import.txt"))](const BackgroundTask::KeepGoing &) {
            return WaybillImporter::importFile(path, file, false, [](int, int) { return true; });
        },
        [&](ImportResult r) {
            result = std::move(r);
            done = true;
        });
    qint64 longest = 0;
    QElapsedTimer step;
    while (!done) {
        QThread::usleep(1000);
        step.restart();
        app.processEvents();
        longest = std::max(longest, step.elapsed());
    }
    const qint64 imported = clock.elapsed();
    report("text import, 100,000 lines (worker, total)", imported,
           QStringLiteral("%1 stored, %2 skipped; window thread blocked at most %3 ms")
               .arg(result.imported)
               .arg(result.skipped.size())
               .arg(longest));
    if (result.imported != kRows)
        return 1;
    if (const qint64 cli = sqliteImport(folder, path); cli > 0)
        std::printf("import against sqlite3 .import: %.2fx (goal at most 1.5x)\n", double(imported) / double(cli));
    if (importOnly)
        return 0;
    {
        // The statistics window's read, on its worker: goal under 0.5 s.
        QElapsedTimer stats;
        stats.start();
        Outcome read;
        const Statistics::Summary summary = Statistics::read(path, {}, &read);
        report("statistics of every row (worker)", stats.elapsed(),
               QStringLiteral("%1 rows, %2 carriers, %3 months").arg(summary.total).arg(summary.byCarrier.size()).arg(summary.byMonth.size()));
    }

    FakeDialogs dialogs;
    FakeLauncher launcher;
    FixedClock today(QDate(2026, 12, 17));
    ManagementWindow window(folder.path(), dialogs, launcher, today, [] { return Waybill{}; });
    const auto rowsShown = [&window] { return QStringLiteral("%1 rows").arg(window.waybillGrid->model()->rowCount()); };

    const Timing opened = measure(app, window, [&] { window.show(); });
    report("open the window (first fill, days stored)", opened, rowsShown());
    const Timing refreshed = measure(app, window, [&] { window.refresh(); });
    report("refresh (nothing to store)", refreshed, rowsShown());
    today.set(QDate(2026, 12, 18).startOfDay());
    const Timing dayLater = measure(app, window, [&] { window.refresh(); });
    report("refresh a day later (every row stored)", dayLater, rowsShown());

    struct Keystroke {
        const char *column;
        const char *text;
    };
    const Keystroke keys[] = {{"快递单号", "S"},    {"快递单号", "SF00000"}, {"快递单号", "SF000001234"},
                              {"快递单号", "none"}, {"状态", "未"},          {"姓名", "张三9"},
                              {"物品", "书籍1"}};
    Timing worst;
    for (const Keystroke &key : keys) {
        window.searchColumnCombo->setCurrentText(QString::fromUtf8(key.column));
        const Timing t = measure(app, window, [&] { window.searchKeyEdit->setText(QString::fromUtf8(key.text)); });
        worst.action = std::max(worst.action, t.action);
        worst.longest = std::max(worst.longest, t.longest);
        worst.total = std::max(worst.total, t.total);
        report("search keystroke", t,
               QStringLiteral("%1 like %2: %3 shown")
                   .arg(QString::fromUtf8(key.column), QString::fromUtf8(key.text), rowsShown()));
    }
    report("worst search keystroke", worst);

    // Fast typing: each keystroke replaces the read before it, which stops early.
    window.searchColumnCombo->setCurrentText(QStringLiteral("快递单号"));
    window.searchKeyEdit->clear();
    measure(app, window, [] {});
    const Timing typed = measure(app, window, [&] {
        for (const QString &text : {QStringLiteral("S"), QStringLiteral("SF"), QStringLiteral("SF0"),
                                    QStringLiteral("SF00"), QStringLiteral("SF000")})
            window.searchKeyEdit->setText(text);
    });
    report("five keystrokes typed at once", typed, rowsShown());

    // Where a read that shows every row spends its time, off the window thread.
    WaybillLoader::Request request;
    request.search = true;
    request.column = QStringLiteral("快递单号");
    request.key = QStringLiteral("S");
    request.today = today.today();
    clock.restart();
    const WaybillLoader::Result read = WaybillLoader::read(path, request, {});
    report("  worker: query, rows, days and widths", clock.elapsed(), QStringLiteral("%1 rows").arg(read.rows.size()));
    return 0;
}
