#pragma once

#include <QString>

class QNetworkReply;

// The one wording of a failed request, for every server the program asks.
// `server` names it in the sentence: "服务器", "更新服务器".
namespace NetworkFailure {

// Empty when the reply succeeded (no transport error, status below 400).
QString describe(QNetworkReply *reply, const QString &server);

} // namespace NetworkFailure
