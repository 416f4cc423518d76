// Imports onto a PostgreSQL server: the numbers first, to learn which the
// register holds, then the new rows by COPY.
#include "store/NormalNumbers.h"
#include "store/PgCopy.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/WaybillImport.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using StoreShared::reasonOf;
using StoreShared::report;

namespace {

Outcome failed(const QString &reason)
{
    return Outcome::failure(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reason));
}

// The numbers into the transaction's own table 导入单号; empty text, else why not.
QString sendNumbers(QSqlDatabase &db, const QStringList &numbers)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TEMP TABLE 导入单号 (快递单号 TEXT) ON COMMIT DROP")))
        return reasonOf(q.lastError());
    PgCopy copy(db);
    if (!copy.begin(QStringLiteral("导入单号"), {QStringLiteral("快递单号")}))
        return copy.error();
    for (const QString &number : numbers) {
        copy.field(number);
        if (!copy.endRow())
            return copy.error();
    }
    return copy.finish() ? QString() : copy.error();
}

} // namespace

// The rows that may go in (valid, and the first of their number in the
// file), and their numbers in normal form.
struct WaybillImport::ServerBatch {
    QSet<QString> oddStored;
    QVector<int> sent;
    QStringList numbers;
    QSet<QString> stored; // those of the numbers that the register holds
};

QVector<QString> WaybillImport::importToServer(const ImportRows &rows, Outcome *outcome, const Progress &progress)
{
    const int total = rows.count();
    QVector<QString> reasons(total);
    QSqlDatabase db = m_store.database();
    if (!db.transaction()) {
        report(outcome, m_store.failure(QStringLiteral("无法开始事务"), reasonOf(db.lastError())));
        return reasons;
    }
    Outcome read;
    ServerBatch batch;
    batch.oddStored = NormalNumbers::oddStored(m_store, &read);
    if (!read) {
        db.rollback();
        report(outcome, read);
        return reasons;
    }
    QSet<QString> seen;
    QString normal;
    RowValues row;
    for (int i = 0; i < total; ++i) {
        reasons[i] = importRow(rows, i, row, normal, batch.oddStored);
        if (!reasons[i].isEmpty())
            continue;
        const QString number = row[WaybillColumns::Number].toString();
        if (seen.contains(number)) {
            reasons[i] = QStringLiteral("快递单号已存在！");
            continue;
        }
        seen.insert(number);
        batch.sent << i;
        batch.numbers << number;
    }
    seen.clear();
    Outcome copied = copyToServer(db, rows, batch, progress);
    if (copied && !db.commit())
        copied = failed(reasonOf(db.lastError()));
    if (!copied) {
        db.rollback();
        report(outcome, copied);
        return QVector<QString>(total);
    }
    for (int n = 0; n < batch.sent.size(); ++n)
        if (batch.stored.contains(batch.numbers[n]))
            reasons[batch.sent[n]] = QStringLiteral("快递单号已存在！");
    if (progress)
        progress(total, total);
    report(outcome, Outcome::success());
    return reasons;
}

Outcome WaybillImport::copyToServer(QSqlDatabase &db, const ImportRows &rows, ServerBatch &batch,
                                    const Progress &progress) const
{
    // Only the numbers go first, to learn which the register holds; the rows
    // then go once, by COPY straight into 快递单 as psql's \copy would: an
    // INSERT … ON CONFLICT from a staging table costs half as much again.
    if (const QString error = sendNumbers(db, batch.numbers); !error.isEmpty())
        return failed(error);
    constexpr int kProgressEvery = 1000;
    const int total = rows.count();
    QSqlQuery q(db);
    QString normal;
    RowValues row;
    // Another PC may store one of the numbers between the look and the COPY;
    // the COPY then fails whole and goes again past it.
    for (int attempt = 0;; ++attempt) {
        batch.stored.clear();
        if (!q.exec(QStringLiteral("SELECT n.快递单号 FROM 导入单号 n JOIN 快递单 k ON k.快递单号 = n.快递单号")))
            return failed(reasonOf(q.lastError()));
        while (q.next())
            batch.stored.insert(q.value(0).toString());
        if (!q.exec(QStringLiteral("SAVEPOINT 导入")))
            return failed(reasonOf(q.lastError()));
        PgCopy copy(db);
        if (!copy.begin(QStringLiteral("快递单"), WaybillColumns::names()))
            return failed(StoreShared::isDenied(copy.sqlState()) ? StoreShared::deniedText() : copy.error());
        for (int n = 0; n < batch.sent.size(); ++n) {
            if (progress && n % kProgressEvery == 0 && !progress(n, total)) {
                copy.abandon();
                return Outcome::failure(QStringLiteral("导入已取消，没有导入任何快递单。"));
            }
            if (batch.stored.contains(batch.numbers[n]))
                continue;
            importRow(rows, batch.sent[n], row, normal, batch.oddStored);
            for (const QStringView value : row)
                copy.field(value);
            if (!copy.endRow())
                break;
        }
        if (copy.finish())
            return Outcome::success();
        if (copy.sqlState() != QLatin1String("23505") || attempt == 2)
            return failed(copy.error());
        if (!q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT 导入")))
            return failed(reasonOf(q.lastError()));
    }
}
