#pragma once

#include <QString>

// Each account service's own states read into our status model (WaybillStatus).
// Empty for a code the service does not document; the caller then falls back
// on the newest line's text. 退货签收 is 已退签 on every service, never 已签收.
namespace ServiceStatus {

// 快递100: `state` 0-14 and the `statusCode` sub-states of resultv2=4.
QString kuaidi100(int code);
// 快递鸟: `State` and `StateEx`.
QString kdniao(int code);
// 17TRACK: a sub-status ("Exception_Returned") or a main status ("Delivered").
// NotFound has no status: the service does not know the number.
QString track17(const QString &status);

} // namespace ServiceStatus
