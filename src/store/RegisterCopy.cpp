#include "store/RegisterCopy.h"

#include "store/BoundText.h"
#include "store/CheckHistory.h"
#include "store/PgCopy.h"
#include "store/RegisterSchema.h"
#include "store/SearchIndex.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using StoreShared::reasonOf;
using StoreShared::report;

#include <numeric>

namespace {

// A table as the copy moves it: its columns without the engine's order
// column, of which only `number` (if any) holds an integer.
struct Table {
    QString name;
    QStringList columns;
    int number = -1;
};

QVector<Table> registerTables(bool withFlags)
{
    QVector<Table> tables{
        {QStringLiteral("快递单"), WaybillColumns::names()},
        {CheckHistory::historyTable(),
         {QStringLiteral("快递单号"), QStringLiteral("查询时间"), QStringLiteral("最后查询"), QStringLiteral("来源"),
          QStringLiteral("状态"), QStringLiteral("已签收"), CheckHistory::kStatusColumn},
         5},
    };
    if (withFlags)
        tables.push_back(
            {CheckHistory::flagTable(), {QStringLiteral("快递单号"), QStringLiteral("标记"), QStringLiteral("起始")}});
    return tables;
}

QString selectAll(const Table &table, const StoreDialect &dialect)
{
    QStringList read;
    for (int c = 0; c < table.columns.size(); ++c)
        read << (c == table.number ? table.columns[c] : dialect.read(table.columns[c]));
    // The flag table has no order of its own on either engine; its key orders it.
    const QString order = table.name == CheckHistory::flagTable() ? QStringLiteral("快递单号, 标记") : dialect.order;
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(read.join(QStringLiteral(", ")), table.name, order);
}

// Counts each table's rows; the flag table only where it exists.
bool countRows(QSqlQuery &q, QVector<Table> &tables, QVector<qint64> &rows, QString *error)
{
    rows.clear();
    for (const Table &t : tables) {
        if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(t.name)) || !q.next()) {
            *error = reasonOf(q.lastError());
            return false;
        }
        rows << q.value(0).toLongLong();
    }
    return true;
}

bool hasFlagTable(QSqlQuery &q, StoreEngine engine)
{
    const QString sql =
        engine == StoreEngine::PostgreSQL
            ? QStringLiteral("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() "
                             "AND table_name = '%1'")
            : QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '%1'");
    return q.exec(sql.arg(CheckHistory::flagTable())) && q.next();
}

// Progress every thousand rows across all tables.
class Ticker {
public:
    // Every row of every table counts.
    Ticker(const RegisterCopy::Progress &progress, const QVector<qint64> &rows)
        : m_progress(progress), m_total(std::accumulate(rows.cbegin(), rows.cend(), qint64(0)))
    {
    }
    bool step()
    {
        ++m_done;
        return !m_progress || m_done % 1000 != 0 || m_progress(m_done, m_total);
    }
    bool start() { return !m_progress || m_progress(0, m_total); }
    void end()
    {
        if (m_progress)
            m_progress(m_total, m_total);
    }

private:
    const RegisterCopy::Progress &m_progress;
    qint64 m_total;
    qint64 m_done = 0;
};

CopyCounts countsOf(const QVector<qint64> &rows)
{
    return CopyCounts{rows.value(0), rows.value(1)};
}

} // namespace

QString RegisterCopy::doneText(const CopyCounts &counts)
{
    return QStringLiteral("已复制 %1 条快递单、%2 条查询记录").arg(counts.waybills).arg(counts.checks);
}

CopyCounts RegisterCopy::copy(const StoreLocation &from, const StoreLocation &to, Outcome *outcome,
                              const Progress &progress)
{
    if (!from.onServer && to.onServer)
        return toServer(from.file, to.server, outcome, progress);
    if (from.onServer && !to.onServer)
        return toFile(from.server, to.file, outcome, progress);
    report(outcome, Outcome::failure(QStringLiteral("只能在本机的 kd.db 和数据库服务器之间复制登记簿。")));
    return {};
}

CopyCounts RegisterCopy::toServer(const QString &file, const ServerLocation &server, Outcome *outcome,
                                  const Progress &progress)
{
    StoreConnection source;
    StoreConnection target;
    if (Outcome opened = source.open(file); !opened) {
        report(outcome, opened);
        return {};
    }
    if (Outcome opened = target.open(server); !opened) {
        report(outcome, opened);
        return {};
    }
    QSqlDatabase from = source.database();
    QSqlDatabase to = target.database();
    QSqlQuery read(from);
    read.setForwardOnly(true);
    QSqlQuery write(to);
    const auto fail = [&](const QString &why) {
        write.exec(QStringLiteral("ROLLBACK"));
        report(outcome, Outcome::failure(why));
        return CopyCounts{};
    };
    const auto failed = [&](const QString &reason) {
        return fail(QStringLiteral("复制未能完成，服务器上没有写入任何内容：%1").arg(reason));
    };
    QVector<Table> tables = registerTables(hasFlagTable(read, StoreEngine::SQLite));
    QVector<qint64> rows;
    QString error;
    if (!countRows(read, tables, rows, &error)) {
        report(outcome, Outcome::failure(QStringLiteral("无法读取 %1：%2").arg(file, error)));
        return {};
    }
    // Others may read meanwhile; nobody writes between the check for an empty
    // register and the commit.
    if (!write.exec(QStringLiteral("BEGIN")) ||
        !write.exec(QStringLiteral("LOCK TABLE 快递单, %1 IN EXCLUSIVE MODE").arg(CheckHistory::historyTable())) ||
        !write.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM 快递单) OR EXISTS (SELECT 1 FROM %1)")
                        .arg(CheckHistory::historyTable())) ||
        !write.next())
        return failed(reasonOf(write.lastError()));
    if (write.value(0).toBool()) {
        return fail(QStringLiteral("服务器上的登记簿 %1 已有快递单，只能复制到空的数据库。没有写入任何内容。")
                        .arg(target.path()));
    }
    if (tables.size() > 2 && !write.exec(RegisterSchema::flagTableDefinition()))
        return failed(reasonOf(write.lastError()));
    Ticker ticker(progress, rows);
    if (!ticker.start())
        return fail(QStringLiteral("复制已取消，服务器上没有写入任何内容。"));
    const StoreDialect &lite = StoreDialect::of(StoreEngine::SQLite);
    for (const Table &table : tables) {
        if (!read.exec(selectAll(table, lite)))
            return failed(reasonOf(read.lastError()));
        PgCopy copy(to);
        if (!copy.begin(table.name, table.columns))
            return failed(StoreShared::isDenied(copy.sqlState()) ? StoreShared::deniedText() : copy.error());
        while (read.next()) {
            for (int c = 0; c < table.columns.size(); ++c) {
                const QVariant value = read.value(c);
                if (c == table.number)
                    copy.field(value.toLongLong());
                else
                    copy.field(value.isNull() ? QString() : value.toString());
            }
            if (!copy.endRow())
                return failed(copy.error());
            if (!ticker.step()) {
                copy.abandon();
                return fail(QStringLiteral("复制已取消，服务器上没有写入任何内容。"));
            }
        }
        if (read.lastError().isValid())
            return failed(reasonOf(read.lastError()));
        if (!copy.finish())
            return failed(copy.error());
    }
    if (!write.exec(QStringLiteral("COMMIT")))
        return failed(reasonOf(write.lastError()));
    ticker.end();
    report(outcome, Outcome::success());
    return countsOf(rows);
}

// One snapshot of the server's register, one transaction of the file's.
CopyCounts RegisterCopy::intoFile(const StoreConnection &source, const StoreConnection &target, const QString &file,
                                  const Progress &progress, Outcome &result)
{
    QSqlDatabase from = source.database();
    QSqlDatabase to = target.database();
    QSqlQuery read(from);
    read.setForwardOnly(true);
    QSqlQuery write(to);
    const auto fail = [&](const QString &why) {
        write.exec(QStringLiteral("ROLLBACK"));
        read.exec(QStringLiteral("ROLLBACK"));
        result = Outcome::failure(why);
        return CopyCounts{};
    };
    const auto failed = [&](const QString &reason) {
        return fail(QStringLiteral("复制未能完成，没有建立文件 %1：%2").arg(file, reason));
    };
    // One snapshot of the server's register, however long the copy takes.
    if (!read.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")))
        return failed(reasonOf(read.lastError()));
    QVector<Table> tables = registerTables(hasFlagTable(read, StoreEngine::PostgreSQL));
    QVector<qint64> rows;
    QString error;
    if (!countRows(read, tables, rows, &error))
        return failed(error);
    if (!write.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(write.lastError().text());
    const std::optional<qint64> after = SearchIndex::holdForBulk(to, &error);
    if (!after)
        return failed(error);
    if (tables.size() > 2 && !write.exec(RegisterSchema::flagTableDefinition()))
        return failed(write.lastError().text());
    Ticker ticker(progress, rows);
    if (!ticker.start())
        return fail(QStringLiteral("复制已取消，没有建立文件。"));
    const StoreDialect &pg = StoreDialect::of(StoreEngine::PostgreSQL);
    for (const Table &table : tables) {
        if (!read.exec(selectAll(table, pg)))
            return failed(reasonOf(read.lastError()));
        write.prepare(BoundText::withText(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(table.name, table.columns.join(QStringLiteral(", ")),
                     QStringList(table.columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")))));
        while (read.next()) {
            for (int c = 0; c < table.columns.size(); ++c) {
                if (c == table.number)
                    write.bindValue(c, read.value(c).toLongLong());
                else
                    write.bindValue(c, BoundText::bindable(StoreDialect::text(read.value(c))));
            }
            if (!write.exec())
                return failed(write.lastError().text());
            if (!ticker.step())
                return fail(QStringLiteral("复制已取消，没有建立文件。"));
        }
        if (read.lastError().isValid())
            return failed(reasonOf(read.lastError()));
    }
    if (!SearchIndex::indexBulk(to, *after, &error))
        return failed(error);
    if (!write.exec(QStringLiteral("COMMIT")))
        return failed(write.lastError().text());
    read.exec(QStringLiteral("COMMIT"));
    ticker.end();
    return countsOf(rows);
}

CopyCounts RegisterCopy::toFile(const ServerLocation &server, const QString &file, Outcome *outcome,
                                const Progress &progress)
{
    if (QFileInfo::exists(file) || QFileInfo(file).isSymLink()) {
        report(outcome, Outcome::failure(QStringLiteral("文件 %1 已存在，不会被覆盖。请换一个文件名。").arg(file)));
        return {};
    }
    StoreConnection source;
    if (Outcome opened = source.open(server); !opened) {
        report(outcome, opened);
        return {};
    }
    // Built whole under this name; a copy cut short leaves nothing under the real one.
    const QString building = file + QStringLiteral(".copying");
    StoreShared::removeWithJournals(building);
    CopyCounts counts;
    Outcome result;
    {
        StoreConnection target;
        result = RegisterSchema::createDatabase(building);
        if (result)
            result = target.open(building);
        if (result)
            counts = intoFile(source, target, file, progress, result);
        target.close();
    }
    // Never over a file that appeared meanwhile: rename does not replace.
    if (result && !QFile::rename(building, file))
        result = Outcome::failure(QStringLiteral("复制未能完成：不能把新文件改名为 %1。").arg(file));
    if (!result) {
        StoreShared::removeWithJournals(building);
        counts = {};
    }
    report(outcome, result);
    return counts;
}
