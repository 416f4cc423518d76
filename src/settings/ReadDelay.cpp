#include "settings/ReadDelay.h"

#include <QRegularExpression>

#include <cmath>

namespace ReadDelay {

namespace {
const QString kNumber = QStringLiteral("[+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)");
} // namespace

Verdict Evaluate(const QString &text)
{
    Verdict verdict;
    // Like the classic Val(): the number at the start counts, whatever follows.
    static const QRegularExpression leading(QStringLiteral("^\\s*(") + kNumber + QStringLiteral(")"));
    static const QRegularExpression whole(QStringLiteral("^\\s*") + kNumber + QStringLiteral("\\s*$"));

    const QRegularExpressionMatch start = leading.match(text);
    if (start.hasMatch() && start.captured(1).toDouble() > kLargest) {
        verdict.replacement = kReplacement;
        return verdict;
    }
    if (text.trimmed().isEmpty()) {
        verdict.problem = QStringLiteral("未填写，读取延迟保持不变");
        return verdict;
    }
    if (!whole.match(text).hasMatch()) {
        verdict.problem = QStringLiteral("不是数字，读取延迟保持不变");
        return verdict;
    }
    const double seconds = text.trimmed().toDouble();
    const double ms = std::round(seconds * 1000.0);
    if (ms < 1) {
        verdict.problem = QStringLiteral("须大于 0 秒，读取延迟保持不变");
        return verdict;
    }
    verdict.intervalMs = int(ms);
    return verdict;
}

} // namespace ReadDelay
