// The statements that change single rows: add, modify, delete, mark signed for.
#include "store/BoundText.h"
#include "store/StoreConnection.h"
#include "store/StoreShared.h"
#include "store/Waybills.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

using namespace BoundText;

namespace {

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

Outcome Waybills::validate(const Waybill &waybill)
{
    for (int c = 0; c < WaybillColumns::Count; ++c) {
        if (Outcome ok = validateValue(c, WaybillColumns::value(waybill, c)); !ok)
            return ok;
    }
    return Outcome::success();
}

Outcome Waybills::validateValue(int column, QStringView value)
{
    // The column's name is only looked up for a message: an import asks this
    // for every value.
    if (const int bad = StoreShared::unstorableCharacter(value); bad >= 0)
        return StoreShared::unstorable(WaybillColumns::name(column), bad);
    const int limit = WaybillColumns::maxLength(column);
    if (const int length = WaybillColumns::characterCount(value); length > limit) {
        return Outcome::failure(QStringLiteral("“%1”太长：最多 %2 个字符，现在是 %3 个。未保存。")
                                    .arg(WaybillColumns::name(column))
                                    .arg(limit)
                                    .arg(length));
    }
    return Outcome::success();
}

Outcome Waybills::insertFromInputForm(const Waybill &waybill)
{
    return insertQuickAdd(waybill, QStringLiteral("0天 "));
}

Outcome Waybills::insertQuickAdd(const Waybill &waybill, const QString &daysInTransit)
{
    Waybill row = waybill;
    row.number = WaybillNumber::normalForm(waybill.number);
    row.status = kNotSignedFor;
    row.daysInTransit = daysInTransit;
    if (Outcome valid = validate(row); !valid)
        return valid;
    if (Outcome isNew = numberIsNew(row.number); !isNew)
        return isNew;
    QSqlQuery q(m_store.database());
    q.prepare(kInsert);
    for (const QString &value : row.values())
        q.addBindValue(nonNull(value));
    return m_store.exec(q);
}

Outcome Waybills::updateKeepingNumber(const Waybill &waybill, const std::optional<Waybill> &asRead)
{
    if (Outcome valid = validate(waybill); !valid)
        return valid;
    QVariantList values{nonNull(waybill.carrier)};
    for (int i = 2; i < WaybillColumns::kTypedCount; ++i)
        values << nonNull(WaybillColumns::value(waybill, WaybillColumns::kTyped[i]));
    return updateWhere(QStringLiteral("快递公司 = ?, %1").arg(typedAssignments()), values, waybill.number, asRead);
}

Outcome Waybills::updateChangingNumber(const QString &oldNumber, const Waybill &typed, bool changeCarrier,
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

Outcome Waybills::updateWhere(const QString &assignments, const QVariantList &values, const QString &number,
                              const std::optional<Waybill> &asRead)
{
    // The check and the change are one statement: between a separate read and
    // the write another PC could still save.
    QString sql = QStringLiteral("UPDATE 快递单 SET %1 WHERE 快递单号 = ?").arg(assignments);
    if (asRead) {
        for (int c = 0; c < WaybillColumns::Count; ++c)
            sql += QStringLiteral(" AND %1 %2 ?").arg(WaybillColumns::name(c), m_store.dialect().same);
    }
    QSqlQuery q(m_store.database());
    q.prepare(withText(sql));
    for (const QVariant &value : values)
        q.addBindValue(value);
    q.addBindValue(nonNull(number));
    if (asRead) {
        for (int c = 0; c < WaybillColumns::Count; ++c)
            q.addBindValue(bindable(WaybillColumns::value(*asRead, c)));
    }
    if (Outcome done = m_store.exec(q); !done || !asRead || q.numRowsAffected() > 0)
        return done;
    Outcome read;
    const bool present = numberExists(number, &read);
    if (!read)
        return read;
    return Outcome::failure(present ? kChangedElsewhere : kDeletedElsewhere);
}

Outcome Waybills::numberIsNew(const QString &normal, const QString &except) const
{
    QSqlQuery q(m_store.database());
    q.prepare(
        withText(QStringLiteral("SELECT 1 FROM 快递单 WHERE (快递单号 = ? OR (%1 AND normal_number(快递单号) = ?)) "
                                "AND 快递单号 %2 ? LIMIT 1")
                     .arg(m_store.dialect().oddNumber, m_store.dialect().notSame)));
    q.addBindValue(nonNull(normal));
    q.addBindValue(nonNull(normal));
    q.addBindValue(bindable(except));
    if (Outcome result = m_store.exec(q); !result)
        return result;
    return q.next() ? Outcome::failure(QStringLiteral("快递单号已存在！")) : Outcome::success();
}

Outcome Waybills::deleteWaybill(const QString &number)
{
    QSqlQuery q(m_store.database());
    q.prepare(withText(QStringLiteral("DELETE FROM 快递单 WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(number));
    return m_store.exec(q);
}

Outcome Waybills::markSignedFor(const QString &number)
{
    QSqlQuery q(m_store.database());
    q.prepare(withText(QStringLiteral("UPDATE 快递单 SET 状态 = ? WHERE 快递单号 = ?")));
    q.addBindValue(nonNull(kSignedFor));
    q.addBindValue(nonNull(number));
    return m_store.exec(q);
}
