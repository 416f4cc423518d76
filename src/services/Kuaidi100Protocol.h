#pragma once

#include "services/TrackingService.h"

// 快递100 实时查询 (poll/query.do): one number a request, signed with the
// upper-case MD5 of param + key + customer.
std::unique_ptr<TrackingProtocol> MakeKuaidi100Protocol();

namespace Kuaidi100 {
// The sign field for a param text and an account.
QByteArray sign(const QString &param, const QString &key, const QString &customer);
} // namespace Kuaidi100
