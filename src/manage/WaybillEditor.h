#pragma once

#include "core/Outcome.h"
#include "store/Waybill.h"

#include <QDate>
#include <QString>

#include <optional>

class StoreConnection;

// The rules of the quick-add and modify dialogs; the dialogs only show the
// outcome. A failure leaves the register unchanged and carries the message.
namespace WaybillEditor {

inline const QString kEmptyNumber = QStringLiteral("快递单号不能为空！");
inline const QString kNoCarrier = QStringLiteral("呵呵，忘记选择快递公司啦！");
inline const QString kNumberExists = QStringLiteral("快递单号已存在！");
inline const QString kAdded = QStringLiteral("快递单添加成功！");
inline const QString kModified = QStringLiteral("该快递单修改成功！");
inline const QString kRowGone = QStringLiteral("要修改的快递单已不在数据库中（可能已被删除）。");

// The carrier chosen in a list: the separator line counts as none.
QString chosenCarrier(const QString &listText);

// Stores a new waybill, status 未签收, days in transit from its time as of
// today; a time that is empty or no date leaves the days empty until it reads
// as a date.
Outcome quickAdd(StoreConnection &store, const Waybill &typed, const QDate &today);

// Changes the row that held oldNumber. The carrier stays the old one when none
// is chosen; number and carrier may change together. Given the row as the
// dialog read it, a row changed or deleted since (on another PC) is not saved.
Outcome modify(StoreConnection &store, const QString &oldNumber, const QString &oldCarrier, const Waybill &edited,
               const std::optional<Waybill> &asRead = {});

} // namespace WaybillEditor
