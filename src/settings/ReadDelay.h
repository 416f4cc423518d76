#pragma once

#include <QString>

// The read delay of the detailed query as the user types it, in seconds. A
// number above 61 is replaced by "60" on the spot; a positive number becomes
// the page-harvesting interval; anything else is kept as typed but never
// applied, and the field says why.
namespace ReadDelay {

inline constexpr double kLargest = 61;
inline const QString kReplacement = QStringLiteral("60");

struct Verdict {
    QString replacement; // not empty: the field's text must become this
    int intervalMs = 0;  // > 0: the interval to apply
    QString problem;     // not empty: why nothing is applied
};

Verdict Evaluate(const QString &text);

} // namespace ReadDelay
