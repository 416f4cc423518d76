// Imports: many rows in one transaction, straight through SQLite.
#include "store/WaybillImport.h"

#include "store/NormalNumbers.h"
#include "store/SearchIndex.h"
#include "store/StoreConnection.h"
#include "store/StoreFailure.h"
#include "store/StoreShared.h"
#include "store/Waybills.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QVariant>

#include <sqlite3.h>

#include <optional>

using StoreShared::isBusy;
using StoreShared::report;

namespace {

class WaybillRows final : public ImportRows {
public:
    explicit WaybillRows(const QVector<Waybill> &rows) : m_rows(rows) {}
    int count() const override { return int(m_rows.size()); }
    QStringView field(int row, int typed) const override
    {
        return WaybillColumns::value(m_rows[row], WaybillColumns::kTyped[typed]);
    }

private:
    const QVector<Waybill> &m_rows;
};

// One row through the SQLite statement; empty text on success, else the reason.
QString insertDirect(const StoreConnection &store, sqlite3 *handle, sqlite3_stmt *insert,
                     const std::array<QStringView, WaybillColumns::Count> &row, QByteArray &buffer)
{
    // The whole row is encoded into one buffer that SQLite reads in place:
    // no allocation per value.
    qsizetype needed = 0;
    for (QStringView value : row)
        needed += value.size() * 3;
    if (buffer.size() < needed)
        buffer.resize(needed);
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    char *out = buffer.data();
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        if (row[c].isNull()) {
            sqlite3_bind_null(insert, c + 1);
            continue;
        }
        char *end = utf8.appendToBuffer(out, row[c]);
        sqlite3_bind_text(insert, c + 1, out, int(end - out), SQLITE_STATIC);
        out = end;
    }
    const int stepped = sqlite3_step(insert);
    const QString message = stepped == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
    return stepped == SQLITE_DONE ? QString() : store.statementFailure(message).error;
}

// Why the whole import failed, from SQLite's last failure.
Outcome importFailed(sqlite3 *handle)
{
    const QString reason = StoreFailure::describe(sqlite3_extended_errcode(handle), sqlite3_system_errno(handle));
    return Outcome::failure(QStringLiteral("导入未能保存，没有导入任何快递单：%1").arg(reason));
}

} // namespace

QVector<QString> WaybillImport::importWaybills(const QVector<Waybill> &rows, Outcome *outcome, const Progress &progress)
{
    return importWaybills(WaybillRows(rows), outcome, progress);
}

QString WaybillImport::importRow(const ImportRows &rows, int i, RowValues &row, QString &normal,
                                 const QSet<QString> &oddStored)
{
    for (int t = 0; t < WaybillColumns::kTypedCount; ++t)
        row[WaybillColumns::kTyped[t]] = rows.field(i, t);
    const QStringView status = rows.status(i);
    row[WaybillColumns::Status] = status.isNull() ? QStringView(kNotSignedFor) : status;
    row[WaybillColumns::DaysInTransit] = rows.daysInTransit(i);
    if (!WaybillNumber::isNormalForm(row[WaybillColumns::Number]))
        row[WaybillColumns::Number] = normal = WaybillNumber::normalForm(row[WaybillColumns::Number]);
    if (row[WaybillColumns::Number].isEmpty())
        return QStringLiteral("快递单号为空");
    if (row[WaybillColumns::Carrier].isNull())
        row[WaybillColumns::Carrier] = u"";
    Outcome valid = Outcome::success();
    for (int c = 0; c < WaybillColumns::Count && valid; ++c)
        valid = Waybills::validateValue(c, row[c]);
    if (!valid)
        return valid.error;
    if (!oddStored.isEmpty() && oddStored.contains(row[WaybillColumns::Number].toString()))
        return QStringLiteral("快递单号已存在！");
    return QString();
}

QVector<QString> WaybillImport::importWaybills(const ImportRows &rows, Outcome *outcome, const Progress &progress)
{
    if (m_store.engine() == StoreEngine::PostgreSQL)
        return importToServer(rows, outcome, progress);
    return importToFile(rows, outcome, progress);
}

QVector<QString> WaybillImport::importToFile(const ImportRows &rows, Outcome *outcome, const Progress &progress)
{
    const int total = rows.count();
    QVector<QString> reasons(total);
    QSqlDatabase db = m_store.database();
    QSqlQuery control(db);
    // The write lock is taken once, up front: with another program holding
    // the register that is one wait, not one for every row.
    if (!control.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        report(outcome, isBusy(control.lastError())
                            ? Outcome::failure(QStringLiteral("数据库正被其他程序使用，请稍后再试。"))
                            : m_store.failure(QStringLiteral("无法开始事务"), control.lastError().text()));
        return reasons;
    }
    // Straight to SQLite: a hundred thousand rows through QSqlQuery cost twice
    // as long as the rows themselves. Text goes in as UTF-8, exactly as typed.
    sqlite3 *handle = StoreShared::sqliteHandle(db);
    sqlite3_stmt *insert = nullptr;
    if (!handle || sqlite3_prepare_v2(handle, "INSERT INTO 快递单 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1,
                                      &insert, nullptr) != SQLITE_OK) {
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome,
               m_store.failure(QStringLiteral("无法开始导入"), handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                                                                      : QStringLiteral("no SQLite handle")));
        return reasons;
    }
    const auto finalize = qScopeGuard([insert] { sqlite3_finalize(insert); });
    Outcome read;
    const QSet<QString> oddStored = NormalNumbers::oddStored(m_store, &read);
    if (!read) {
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, read);
        return reasons;
    }
    QString indexError;
    const std::optional<qint64> newRowsAfter = SearchIndex::holdForBulk(db, &indexError);
    if (!newRowsAfter) {
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, m_store.failure(QStringLiteral("无法开始导入"), indexError));
        return reasons;
    }
    if (Outcome inserted = insertRows(handle, insert, rows, oddStored, progress, reasons); !inserted) {
        if (!sqlite3_get_autocommit(handle))
            control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, inserted);
        return QVector<QString>(total);
    }
    if (!SearchIndex::indexBulk(db, *newRowsAfter, &indexError) || !control.exec(QStringLiteral("COMMIT"))) {
        const Outcome failed = importFailed(handle);
        control.exec(QStringLiteral("ROLLBACK"));
        report(outcome, failed);
        return QVector<QString>(total);
    }
    if (progress)
        progress(total, total);
    report(outcome, Outcome::success());
    return reasons;
}

Outcome WaybillImport::insertRows(sqlite3 *handle, sqlite3_stmt *insert, const ImportRows &rows,
                                  const QSet<QString> &oddStored, const Progress &progress,
                                  QVector<QString> &reasons) const
{
    const int total = rows.count();
    QString normal;
    constexpr int kProgressEvery = 1000;
    QByteArray buffer;
    RowValues row;
    for (int i = 0; i < total; ++i) {
        if (progress && i % kProgressEvery == 0 && !progress(i, total))
            return Outcome::failure(QStringLiteral("导入已取消，没有导入任何快递单。"));
        reasons[i] = importRow(rows, i, row, normal, oddStored);
        if (!reasons[i].isEmpty())
            continue;
        reasons[i] = insertDirect(m_store, handle, insert, row, buffer);
        // Only a constraint refuses a single row. A full disk, an I/O error or
        // a lost lock ends the import: SQLite may already have rolled the
        // transaction back, and later rows would be stored one by one.
        if (!reasons[i].isEmpty() &&
            (!StoreFailure::refusesOnlyTheRow(sqlite3_extended_errcode(handle)) || sqlite3_get_autocommit(handle)))
            return importFailed(handle);
    }
    return Outcome::success();
}
