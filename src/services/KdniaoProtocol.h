#pragma once

#include "services/TrackingService.h"

// 快递鸟 即时查询 (RequestType 1002): one number a request, signed with
// URL-encode(Base64(lower-case hex MD5 of RequestData + ApiKey)).
std::unique_ptr<TrackingProtocol> MakeKdniaoProtocol();

namespace Kdniao {
// The DataSign field for a RequestData text and an ApiKey, URL-encoded.
QByteArray dataSign(const QString &requestData, const QString &apiKey);
} // namespace Kdniao
