// Reading the register: every row, a count, one number.
#include "store/Waybills.h"

#include "store/BoundText.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QVariant>

#include <sqlite3.h>

using namespace BoundText;
using StoreShared::report;

namespace {

const QString kStopped = QStringLiteral("读取已取消。");

// Every row straight from SQLite, without a QVariant for every value: the
// export reads the whole register this way.
Outcome eachFromSqlite(const StoreConnection &store, sqlite3 *handle, const QByteArray &sql,
                       const std::function<bool(const Waybill &)> &visit, const std::function<bool(int)> &goOn)
{
    sqlite3_stmt *select = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &select, nullptr) != SQLITE_OK)
        return store.statementFailure(QString::fromUtf8(sqlite3_errmsg(handle)));
    const auto finalize = qScopeGuard([select] { sqlite3_finalize(select); });
    int stepped = SQLITE_ROW;
    Waybill w;
    // UTF-8 as SQLite keeps it. QString::fromUtf8 drops a leading U+FEFF,
    // which is part of the value here, so such a value has a decoder of its own.
    QStringDecoder keepingBom(QStringDecoder::Utf8,
                              QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const auto toText = [&keepingBom](const char *text, int size) {
        const QByteArrayView bytes(text, size);
        return bytes.startsWith("\xEF\xBB\xBF") ? QString(keepingBom(bytes)) : QString::fromUtf8(bytes);
    };
    for (int n = 1; (stepped = sqlite3_step(select)) == SQLITE_ROW; ++n) {
        for (int c = 0; c < WaybillColumns::Count; ++c) {
            QString &value = WaybillColumns::value(w, c);
            if (sqlite3_column_type(select, c) == SQLITE_NULL) {
                value = QString();
                continue;
            }
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(select, c));
            const int size = sqlite3_column_bytes(select, c);
            value = size > 0 ? toText(text, size) : QStringLiteral("");
        }
        if (!visit(w) || !goOn(n))
            return Outcome::failure(kStopped);
    }
    if (stepped != SQLITE_DONE)
        return store.statementFailure(QString::fromUtf8(sqlite3_errmsg(handle)));
    return Outcome::success();
}

} // namespace

QVector<Waybill> Waybills::allWaybills(Outcome *outcome, const KeepGoing &keepGoing) const
{
    QVector<Waybill> rows;
    const Outcome read = eachWaybill(
        [&rows](const Waybill &w) {
            rows.push_back(w);
            return true;
        },
        keepGoing);
    report(outcome, read);
    return read ? rows : QVector<Waybill>();
}

Outcome Waybills::eachWaybill(const std::function<bool(const Waybill &)> &visit, const KeepGoing &keepGoing) const
{
    constexpr int kRowsBetweenAsks = 512;
    const std::function<bool(int)> goOn = [&keepGoing](int n) {
        return !keepGoing || n % kRowsBetweenAsks != 0 || keepGoing();
    };
    const StoreDialect &d = m_store.dialect();
    const QByteArray sql = (d.selectAll + QStringLiteral(" ORDER BY ") + d.order).toUtf8();
    if (sqlite3 *handle = StoreShared::sqliteHandle(m_store.database()); handle && d.engine == StoreEngine::SQLite)
        return eachFromSqlite(m_store, handle, sql, visit, goOn);
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(QString::fromUtf8(sql));
    if (Outcome result = m_store.exec(q); !result)
        return result;
    for (int n = 1; q.next(); ++n) {
        if (!visit(StoreShared::waybillFrom(q)) || !goOn(n))
            return Outcome::failure(kStopped);
    }
    return Outcome::success();
}

QVector<Waybill> Waybills::summaryColumns(Outcome *outcome) const
{
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 状态, 快递公司, 时间, 在途时间, 快递单号 FROM 快递单"));
    QVector<Waybill> rows;
    if (const Outcome result = m_store.exec(q); !result) {
        report(outcome, result);
        return rows;
    }
    while (q.next()) {
        Waybill w;
        w.status = q.value(0).toString();
        w.carrier = q.value(1).toString();
        w.time = q.value(2).toString();
        w.daysInTransit = q.value(3).toString();
        w.number = q.value(4).toString();
        rows.push_back(std::move(w));
    }
    report(outcome, Outcome::success());
    return rows;
}

int Waybills::count(Outcome *outcome) const
{
    QSqlQuery q(m_store.database());
    q.prepare(QStringLiteral("SELECT count(*) FROM 快递单"));
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    return result && q.next() ? q.value(0).toInt() : 0;
}

std::optional<Waybill> Waybills::find(const QString &number, Outcome *outcome) const
{
    QSqlQuery q(m_store.database());
    q.prepare(withText(m_store.dialect().selectAll + QStringLiteral(" WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(number));
    const Outcome result = m_store.exec(q);
    report(outcome, result);
    if (result && q.next())
        return StoreShared::waybillFrom(q);
    return result ? findByNormalForm(number, outcome) : std::nullopt;
}

bool Waybills::numberExists(const QString &number, Outcome *outcome) const
{
    return find(number, outcome).has_value();
}

std::optional<Waybill> Waybills::findByNormalForm(const QString &number, Outcome *outcome) const
{
    const QString normal = WaybillNumber::normalForm(number);
    const StoreDialect &d = m_store.dialect();
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    q.prepare(withText(d.selectAll + QStringLiteral(" WHERE 快递单号 = ? OR (%1 AND normal_number(快递单号) = ?) "
                                                    "ORDER BY %2 LIMIT 1")
                                         .arg(d.oddNumber, d.order)));
    q.addBindValue(nonNull(normal));
    q.addBindValue(nonNull(normal));
    const QVector<Waybill> rows = StoreShared::readRows(m_store, q, outcome, {});
    return rows.isEmpty() ? std::nullopt : std::optional<Waybill>(rows.first());
}
