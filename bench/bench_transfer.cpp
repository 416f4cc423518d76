// Times the register's files with 100,000 waybills: the text import (as the
// import window runs it, off the window's thread) against the sqlite3 tool's
// .import of the same rows into the same kind of register, and the export to
// text and to .xlsx (as the management window's worker runs it) against
// `sqlite3 -csv` of the same rows. Each figure is the median of five runs.
#include "BenchShared.h"
#include "core/GbkText.h"
#include "manage/RegisterExport.h"
#include "store/RegisterSchema.h"
#include "store/StoreConnection.h"
#include "store/Waybills.h"
#include "support/TestFolder.h"
#include "transfer/WaybillImporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>

using Bench::line;
using Bench::Spread;
using Bench::timed;

namespace {
constexpr int kRows = 100000;

void ratio(const char *what, const Spread &ours, const Spread &cli, double goal)
{
    const bool measured = ours.median > 0 && cli.median > 0;
    const double r = measured ? double(ours.median) / double(cli.median) : 0;
    figure(QString::fromUtf8(what),
           measured ? QStringLiteral("%1x (%2 / %3 ms)").arg(r, 0, 'f', 2).arg(ours.median).arg(cli.median)
                    : QStringLiteral("n/a"),
           QStringLiteral("<= %1x sqlite3").arg(goal, 0, 'f', 1),
           !measured   ? QStringLiteral("n/a")
           : r <= goal ? QStringLiteral("ok")
                       : QStringLiteral("over"));
}

// A new register as the program leaves it after opening (search index included).
bool newRegister(const QString &path)
{
    QFile::remove(path);
    StoreConnection store;
    return RegisterSchema::createDatabase(path).ok && store.open(path).ok;
}

qint64 runCli(const QStringList &arguments, const QByteArray &input = {}, const QString &output = {})
{
    QProcess cli;
    if (!output.isEmpty())
        cli.setStandardOutputFile(output);
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral("sqlite3"), arguments);
    if (!cli.waitForStarted(10000))
        return -1;
    cli.write(input);
    cli.closeWriteChannel();
    if (!cli.waitForFinished(300000) || cli.exitCode() != 0 || !cli.readAllStandardError().isEmpty())
        return -1;
    return clock.elapsed();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestFolder folder;
    const QString text = importText(kRows);
    folder.write(QStringLiteral("import.txt"), GbkText::encode(text));
    QString csv;
    for (const QString &row : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        csv += QStringLiteral("未签收,,") + row + QLatin1Char('\n');
    folder.write(QStringLiteral("import.csv"), csv.toUtf8());
    const QString path = folder.file(RegisterSchema::fileName());

    const Spread imported = timed([&](int) -> qint64 {
        if (!newRegister(path))
            return -1;
        QElapsedTimer clock;
        clock.start();
        const ImportResult result = WaybillImporter::importFile(path, folder.file(QStringLiteral("import.txt")), false,
                                                                [](int, int) { return true; });
        return result.imported == kRows ? clock.elapsed() : -1;
    });
    line("text import, 100,000 lines", imported);
    // Into a register made the same way, doing the same work: the rows, then
    // the search index over them in one statement, in one transaction.
    const QString cliPath = folder.file(QStringLiteral("cli.db"));
    const QByteArray importCsv =
        ".mode csv\n.import " + folder.file(QStringLiteral("import.csv")).toUtf8() + " 快递单\n";
    const QByteArray columns = "快递单号, 快递公司, 状态, 物品, 姓名, 时间, 备注";
    const Spread cliImported = timed([&](int) -> qint64 {
        if (!newRegister(cliPath))
            return -1;
        return runCli({cliPath},
                      "BEGIN;\nUPDATE 快递单_查找进度 SET 已索引到 = 0;\n" + importCsv +
                          "INSERT INTO 快递单_查找(rowid, " + columns + ") SELECT rowid, " + columns +
                          " FROM 快递单;\nUPDATE 快递单_查找进度 SET 已索引到 = 9223372036854775807;\nCOMMIT;\n");
    });
    line("same rows by sqlite3 .import, then indexed", cliImported);
    // What the index costs: the rows alone, into a register without it.
    line("  by sqlite3 .import, no search index", timed([&](int) -> qint64 {
             QFile::remove(cliPath);
             return RegisterSchema::createDatabase(cliPath).ok ? runCli({cliPath}, importCsv) : -1;
         }));
    ratio("text import, 100,000 rows", imported, cliImported, 1.3);

    // `path` now holds the last import's 100,000 rows. The export's worker
    // opens its own connection and writes the file as the window's does.
    const auto exportRun = [&](bool workbook) {
        return [&, workbook](int run) -> qint64 {
            const QString out = folder.file(
                QStringLiteral("export%1.%2").arg(run).arg(workbook ? QLatin1String("xlsx") : QLatin1String("txt")));
            QElapsedTimer clock;
            clock.start();
            const RegisterExport::Result written = RegisterExport::write(StoreLocation(path), out);
            if (!written.outcome) {
                std::fprintf(stderr, "%s\n", qPrintable(written.outcome.error));
                return -1;
            }
            return written.rows == kRows ? clock.elapsed() : -1;
        };
    };
    // The workbook's helper takes every row at once; the text file is written as they come.
    const Spread read = timed([&](int) -> qint64 {
        QElapsedTimer clock;
        clock.start();
        StoreConnection store;
        Outcome outcome = store.open(path);
        const qsizetype rows = outcome ? Waybills(store).allWaybills(&outcome).size() : 0;
        return outcome && rows == kRows ? clock.elapsed() : -1;
    });
    line("  reading every row into memory (the workbook's way)", read);
    const Spread text100k = timed(exportRun(false));
    line("text export, 100,000 rows", text100k);
    const Spread workbook = timed(exportRun(true));
    line(".xlsx export, 100,000 rows", workbook);
    const Spread cliCsv = timed([&](int run) {
        return runCli({QStringLiteral("-csv"), path, QStringLiteral("SELECT * FROM 快递单")}, {},
                      folder.file(QStringLiteral("cli%1.csv").arg(run)));
    });
    line("same rows by sqlite3 -csv", cliCsv);
    ratio("text export, 100,000 rows", text100k, cliCsv, 1.5);
    // The workbook is zipped XML, a cell at a time: its time is shown beside
    // the text file's scale, with no goal of the text file's.
    figure(QStringLiteral(".xlsx export, 100,000 rows (against sqlite3 -csv)"),
           workbook.median > 0 && cliCsv.median > 0
               ? QStringLiteral("%1x (%2 / %3 ms)")
                     .arg(double(workbook.median) / double(cliCsv.median), 0, 'f', 1)
                     .arg(workbook.median)
                     .arg(cliCsv.median)
               : QStringLiteral("n/a"),
           QStringLiteral("shown, no goal"), QStringLiteral("n/a"));
    return 0;
}
