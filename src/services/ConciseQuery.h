#pragma once

#include <QByteArray>
#include <QString>

// The answer of the tracking service's one-line query interface.

// The answer's bytes as text. A byte-order mark stays as U+FEFF; invalid
// sequences become replacement characters.
QString Utf8ToUnicode(const QByteArray &bytes);

// The text before the last "更多"; empty when there is none.
QString GetLastState(const QString &answer);

// The query address for one waybill. The number goes in its normal form, and
// percent-encoded so that a number holding "&" or "#" reaches the service whole;
// the telephone digits, when given, as `phone`.
QString ConciseQueryAddress(const QString &apiCode, const QString &number, const QString &phoneDigits = {});

// The last four digits of a stored telephone ("138-0013-8000" gives "8000");
// empty when it has fewer than four.
QString LastPhoneDigits(const QString &phone);

// Whether an answer is an HTML page (a proxy's error page, a Wi-Fi login
// portal) rather than a service's own text.
bool LooksLikeHtml(const QByteArray &body);
