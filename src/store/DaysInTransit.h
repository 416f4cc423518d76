#pragma once

#include <QDate>
#include <QString>

#include <optional>

// Days in transit: today minus the dispatch date, whole days, negative for a
// date in the future, stored as the number followed by "天".
namespace DaysInTransit {

// Reads "2026/12/7", "2026-12-07", "2026.12.7" and "2026年12月7日", each
// optionally followed by a time of day. Anything else is no date.
std::optional<QDate> parseDate(const QString &text);

// No value when the text is no date or the result would not fit its column.
std::optional<QString> fromTimeText(const QString &timeText, const QDate &today);

QString text(qint64 days);

} // namespace DaysInTransit
