#pragma once

#include <QString>

class QNetworkReply;

// The one wording of a failed request, for every server the program asks.
// `server` names it in the sentence: "服务器", "更新服务器".
namespace NetworkFailure {

// No answer the program asks for comes near this; more is a fault.
constexpr qint64 kMaxAnswerBytes = 1 << 20;

// Aborts the reply when its answer grows past maxBytes, or when it has not
// ended wallMs after its start however steadily bytes trickle in; describe()
// then names the cause.
void bound(QNetworkReply *reply, int wallMs, qint64 maxBytes = kMaxAnswerBytes);

// The object name of the deadline timer that bound() puts on a reply, so that
// a test can let it fall due at once instead of waiting on the wall clock.
inline const QString kDeadlineName = QStringLiteral("transferDeadline");

// Empty when the reply succeeded (no transport error, status below 400).
QString describe(QNetworkReply *reply, const QString &server);

} // namespace NetworkFailure
