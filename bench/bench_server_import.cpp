// Times the text import of 100,000 waybills into a register on a PostgreSQL
// server (a private cluster started for the bench) as the import window runs
// it: read and parse the file, open the register, store the rows. Against
// psql's \copy of the same rows into a register made the same way (the same
// table, key and trigram indexes). Each figure is the median of five runs.
#include "BenchShared.h"
#include "core/GbkText.h"
#include "store/StoreConnection.h"
#include "support/PostgresCluster.h"
#include "support/TestFolder.h"
#include "transfer/ImportReader.h"
#include "transfer/WaybillImporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <functional>

using Bench::line;
using Bench::Spread;
using Bench::timed;

namespace {
constexpr int kRows = 100000;

// A new database holding an empty register as the program makes it.
std::optional<ServerLocation> newRegister(PostgresCluster &cluster)
{
    const ServerLocation at = cluster.newDatabase();
    StoreConnection store;
    if (const Outcome opened = store.open(at); !opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error));
        return std::nullopt;
    }
    return at;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString what = QStringLiteral("server import, 100,000 rows");
    const QString goal = QStringLiteral("<= 1.5x psql \\copy");
    PostgresCluster cluster;
    if (!cluster.error().isEmpty()) {
        std::printf("cannot start a server: %s\n", qPrintable(cluster.error()));
        figure(what, QStringLiteral("n/a"), goal, QStringLiteral("n/a"));
        return 0;
    }
    TestFolder folder;
    const QString text = importText(kRows);
    const QString textFile = folder.file(QStringLiteral("import.txt"));
    folder.write(QStringLiteral("import.txt"), GbkText::encode(text));
    QString csv;
    for (const QString &row : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        csv += QStringLiteral("未签收,,") + row + QLatin1Char('\n');
    const QString csvFile = folder.file(QStringLiteral("import.csv"));
    folder.write(QStringLiteral("import.csv"), csv.toUtf8());

    const Spread ours = timed([&](int) -> qint64 {
        const std::optional<ServerLocation> at = newRegister(cluster);
        if (!at)
            return -1;
        QElapsedTimer clock;
        clock.start();
        ImportBatch batch;
        StoreConnection store;
        Outcome outcome = ImportReader::readTextFile(textFile, &batch);
        if (outcome)
            outcome = store.open(*at);
        ImportResult result;
        result.outcome = outcome;
        if (outcome)
            result = WaybillImporter::store(store, batch);
        if (!result.outcome || result.imported != kRows) {
            std::fprintf(stderr, "imported %d: %s\n", result.imported, qPrintable(result.outcome.error));
            return -1;
        }
        return clock.elapsed();
    });
    line("text import into the server", ours);

    const Spread psql = timed([&](int) -> qint64 {
        const std::optional<ServerLocation> at = newRegister(cluster);
        if (!at)
            return -1;
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
        cli.setProcessEnvironment(env);
        const QString copy = QStringLiteral("\\copy 快递单 (%1) FROM '%2' WITH (FORMAT csv)")
                                 .arg(WaybillColumns::names().join(QLatin1Char(',')), csvFile);
        QElapsedTimer clock;
        clock.start();
        cli.start(QStringLiteral("psql"),
                  {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                   QStringLiteral("-h"), at->host, QStringLiteral("-p"), QString::number(at->port),
                   QStringLiteral("-U"), at->user, QStringLiteral("-d"), at->database, QStringLiteral("-c"), copy});
        if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
            std::fprintf(stderr, "psql: %s\n", cli.readAllStandardError().constData());
            return -1;
        }
        return clock.elapsed();
    });
    line("same rows by psql \\copy", psql);

    const bool measured = ours.median > 0 && psql.median > 0;
    const double r = measured ? double(ours.median) / double(psql.median) : 0;
    figure(what,
           measured ? QStringLiteral("%1x (%2 / %3 ms; min %4/%5, max %6/%7)")
                          .arg(r, 0, 'f', 2)
                          .arg(ours.median)
                          .arg(psql.median)
                          .arg(ours.min)
                          .arg(psql.min)
                          .arg(ours.max)
                          .arg(psql.max)
                    : QStringLiteral("n/a"),
           goal,
           !measured  ? QStringLiteral("n/a")
           : r <= 1.5 ? QStringLiteral("ok")
                      : QStringLiteral("over"));
    return 0;
}
