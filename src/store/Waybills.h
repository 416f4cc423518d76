#pragma once

#include "core/Outcome.h"
#include "store/KeepGoing.h"
#include "store/Waybill.h"

#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>
#include <optional>

class StoreConnection;

// The waybills of 快递单, one at a time or all of them: added, read, changed
// and deleted on the connection it is made on.
class Waybills final {
public:
    explicit Waybills(const StoreConnection &store) : m_store(store) {}

    // A value longer than its column is refused with a message naming the field.
    static Outcome validate(const Waybill &waybill);
    static Outcome validateValue(int column, QStringView value);

    // select * from 快递单, in register order.
    QVector<Waybill> allWaybills(Outcome *outcome = nullptr, const KeepGoing &keepGoing = {}) const;
    // The same a row at a time, none of them kept: for a reader that writes
    // each row on (an export). `visit` returning false stops the read, as
    // keepGoing does, and the read then reports "读取已取消。".
    Outcome eachWaybill(const std::function<bool(const Waybill &)> &visit, const KeepGoing &keepGoing = {}) const;
    int count(Outcome *outcome = nullptr) const;
    // Only 状态, 快递公司, 时间 and 在途时间 of every row: what the statistics need.
    QVector<Waybill> summaryColumns(Outcome *outcome = nullptr) const;
    // The row of this number as stored, else the first whose number has the
    // same normal form (a row stored before numbers were normalised).
    bool numberExists(const QString &number, Outcome *outcome = nullptr) const;
    std::optional<Waybill> find(const QString &number, Outcome *outcome = nullptr) const;

    // Adding and renumbering store the number in its normal form and refuse
    // one that a stored row has in any spelling ("快递单号已存在！"). Rows
    // already stored are never merged or rewritten.
    // The main window's save: status 未签收, days in transit "0天 ".
    Outcome insertFromInputForm(const Waybill &waybill);
    // The quick add: status 未签收 and the computed days in transit.
    Outcome insertQuickAdd(const Waybill &waybill, const QString &daysInTransit);
    // Modify with the number unchanged: carrier and the seven optional columns.
    // Given the row as the editor read it, the save only happens while the row
    // is still so (another PC may have changed or deleted it meanwhile).
    Outcome updateKeepingNumber(const Waybill &waybill, const std::optional<Waybill> &asRead = {});
    // Modify with a new number; the carrier as well when changeCarrier is set.
    Outcome updateChangingNumber(const QString &oldNumber, const Waybill &typed, bool changeCarrier,
                                 const std::optional<Waybill> &asRead = {});
    static inline const QString kChangedElsewhere =
        QStringLiteral("该快递单已被其他电脑修改，已显示最新内容，请确认后再保存。");
    static inline const QString kDeletedElsewhere = QStringLiteral("该快递单已被其他电脑删除。");
    Outcome deleteWaybill(const QString &number);
    // update 快递单 set 状态='已签收' where 快递单号=number
    Outcome markSignedFor(const QString &number);

private:
    // The modify's UPDATE, and what its missing row means.
    Outcome updateWhere(const QString &assignments, const QVariantList &values, const QString &number,
                        const std::optional<Waybill> &asRead);
    std::optional<Waybill> findByNormalForm(const QString &number, Outcome *outcome) const;
    Outcome numberIsNew(const QString &normal, const QString &except = QString()) const;

    const StoreConnection &m_store;
};
