// The statements that change single rows: add, modify, delete, mark signed
// for, days in transit, and the batch queries' scratch table.
#include "store/BoundText.h"
#include "store/WaybillStore.h"
#include "store/WaybillStore_shared.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;
using StoreShared::report;

namespace {

using WaybillColumns::characterCount;

// U+FFFE and U+FFFF are no text: SQLite turns them into U+FFFD on the way out.
// NUL would end the value for every reader of the file.
int unstorableCharacter(QStringView value)
{
    for (const QChar c : value) {
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF || c.unicode() == 0)
            return c.unicode();
    }
    return -1;
}

Outcome unstorable(const QString &field, int bad)
{
    return Outcome::failure(QStringLiteral("“%1”含有无法保存的字符（U+%2），请删去后再试。未保存。")
                                .arg(field, QString::number(bad, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
}

Outcome checkCharacters(const QString &field, QStringView value)
{
    const int bad = unstorableCharacter(value);
    return bad < 0 ? Outcome::success() : unstorable(field, bad);
}

// "物品 = ?, 金额 = ?, …" for the typed columns after the number and the carrier.
QString typedAssignments()
{
    QStringList parts;
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        parts << WaybillColumns::name(WaybillColumns::kTyped[i]) + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(", "));
}

const QString kInsert = withText(QStringLiteral("INSERT INTO 快递单 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));

} // namespace

Outcome WaybillStore::validate(const Waybill &waybill)
{
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        if (Outcome ok = validateValue(c, WaybillColumns::value(waybill, c)); !ok)
            return ok;
    }
    return Outcome::success();
}

Outcome WaybillStore::validateValue(int column, QStringView value)
{
    // The column's name is only looked up for a message: an import asks this
    // for every value.
    if (const int bad = unstorableCharacter(value); bad >= 0)
        return unstorable(WaybillColumns::name(column), bad);
    const int limit = WaybillColumns::maxLength(column);
    if (const int length = characterCount(value); length > limit) {
        return Outcome::failure(QStringLiteral("“%1”太长：最多 %2 个字符，现在是 %3 个。未保存。")
                                    .arg(WaybillColumns::name(column))
                                    .arg(limit)
                                    .arg(length));
    }
    return Outcome::success();
}

Outcome WaybillStore::insertFromInputForm(const Waybill &waybill)
{
    return insertQuickAdd(waybill, QStringLiteral("0天 "));
}

Outcome WaybillStore::insertQuickAdd(const Waybill &waybill, const QString &daysInTransit)
{
    Waybill row = waybill;
    row.number = WaybillNumber::normalForm(waybill.number);
    row.status = kNotSignedFor;
    row.daysInTransit = daysInTransit;
    if (Outcome valid = validate(row); !valid)
        return valid;
    if (Outcome isNew = numberIsNew(row.number); !isNew)
        return isNew;
    QSqlQuery q(database());
    q.prepare(kInsert);
    for (const QString &value : row.values())
        q.addBindValue(nonNull(value));
    return exec(q);
}

Outcome WaybillStore::updateKeepingNumber(const Waybill &waybill, const std::optional<Waybill> &asRead)
{
    if (Outcome valid = validate(waybill); !valid)
        return valid;
    QVariantList values{nonNull(waybill.carrier)};
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        values << nonNull(WaybillColumns::value(waybill, WaybillColumns::kTyped[i]));
    return updateWhere(QStringLiteral("快递公司 = ?, %1").arg(typedAssignments()), values, waybill.number, asRead);
}

Outcome WaybillStore::updateChangingNumber(const QString &oldNumber, const Waybill &typed, bool changeCarrier,
                                           const std::optional<Waybill> &asRead)
{
    Waybill waybill = typed;
    waybill.number = WaybillNumber::normalForm(typed.number);
    if (Outcome valid = validate(waybill); !valid)
        return valid;
    if (Outcome isNew = numberIsNew(waybill.number, oldNumber); !isNew)
        return isNew;
    QVariantList values{nonNull(waybill.number)};
    if (changeCarrier)
        values << nonNull(waybill.carrier);
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        values << nonNull(WaybillColumns::value(waybill, WaybillColumns::kTyped[i]));
    return updateWhere(QStringLiteral("快递单号 = ?, %1%2")
                           .arg(changeCarrier ? QStringLiteral("快递公司 = ?, ") : QString(), typedAssignments()),
                       values, oldNumber, asRead);
}

Outcome WaybillStore::updateWhere(const QString &assignments, const QVariantList &values, const QString &number,
                                  const std::optional<Waybill> &asRead)
{
    // The check and the change are one statement: between a separate read and
    // the write another PC could still save.
    QString sql = QStringLiteral("UPDATE 快递单 SET %1 WHERE 快递单号 = ?").arg(assignments);
    if (asRead) {
        for (int c = 0; c < WaybillColumns::Count; ++c)
            sql += QStringLiteral(" AND %1 %2 ?").arg(WaybillColumns::name(c), dialect().same);
    }
    QSqlQuery q(database());
    q.prepare(withText(sql));
    for (const QVariant &value : values)
        q.addBindValue(value);
    q.addBindValue(nonNull(number));
    if (asRead) {
        for (int c = 0; c < WaybillColumns::Count; ++c)
            q.addBindValue(bindable(WaybillColumns::value(*asRead, c)));
    }
    if (Outcome done = exec(q); !done || !asRead || q.numRowsAffected() > 0)
        return done;
    Outcome read;
    const bool present = numberExists(number, &read);
    if (!read)
        return read;
    return Outcome::failure(present ? kChangedElsewhere : kDeletedElsewhere);
}

Outcome WaybillStore::deleteWaybill(const QString &number)
{
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("DELETE FROM 快递单 WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(number));
    return exec(q);
}

Outcome WaybillStore::markSignedFor(const QString &number)
{
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("UPDATE 快递单 SET 状态 = ? WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(kSignedFor));
    q.addBindValue(nonNull(number));
    return exec(q);
}

Outcome WaybillStore::storeDaysInTransit(const QVector<DaysUpdate> &updates)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        return failure(QStringLiteral("无法开始事务"), db.lastError().text());
    QSqlQuery q(db);
    q.prepare(
        withText(QStringLiteral("UPDATE 快递单 SET 在途时间 = ? WHERE 快递单号 = ? AND 时间 %1 ? AND 在途时间 %2 ?")
                     .arg(dialect().same, dialect().notSame)));
    for (const DaysUpdate &update : updates) {
        q.bindValue(0, nonNull(update.days));
        q.bindValue(1, nonNull(update.number));
        q.bindValue(2, bindable(update.time));
        q.bindValue(3, nonNull(update.days));
        if (Outcome r = exec(q); !r) {
            db.rollback();
            return r;
        }
    }
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        return failure(QStringLiteral("无法保存在途时间"), reason);
    }
    return Outcome::success();
}

Outcome WaybillStore::clearTemp()
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral("DELETE FROM Temp"));
    return exec(q);
}

Outcome WaybillStore::insertTemp(const QString &number, const QString &carrier)
{
    if (characterCount(number) > 255 || characterCount(carrier) > 255)
        return Outcome::failure(QStringLiteral("快递单号或快递公司太长：最多 255 个字符。"));
    if (Outcome ok = checkCharacters(QStringLiteral("快递单号"), number); !ok)
        return ok;
    if (Outcome ok = checkCharacters(QStringLiteral("快递公司"), carrier); !ok)
        return ok;
    QSqlQuery q(database());
    q.prepare(withText(QStringLiteral("INSERT INTO Temp VALUES (?, ?)")));
    q.addBindValue(nonNull(number));
    q.addBindValue(nonNull(carrier));
    return exec(q);
}

QVector<QPair<QString, QString>> WaybillStore::tempRows(Outcome *outcome) const
{
    QVector<QPair<QString, QString>> rows;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1, %2 FROM Temp ORDER BY %3")
                  .arg(dialect().read(QStringLiteral("快递单号")), dialect().read(QStringLiteral("快递公司")),
                       dialect().order));
    const Outcome result = exec(q);
    report(outcome, result);
    while (result && q.next())
        rows.push_back({StoreDialect::text(q.value(0)), StoreDialect::text(q.value(1))});
    return rows;
}
