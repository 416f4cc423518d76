#include "query/ResultFiles.h"

#include "core/GbkText.h"
#include "core/SaveWhole.h"

#include <QDir>

namespace {

Outcome writeWhole(const QString &path, const QString &text)
{
    const auto failed = [&path](const QString &reason) {
        return Outcome::failure(QStringLiteral("无法保存文件“%1”：%2").arg(QDir::toNativeSeparators(path), reason));
    };
    QString reason;
    if (!SaveWhole(path, GbkText::encode(text), &reason))
        return failed(reason);
    return Outcome::success();
}

// Only a "\n" without its "\r" gets one; "\r\n" stays as it is.
QString loneLineFeedsToCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            out += QLatin1Char('\r');
        out += text[i];
    }
    return out;
}

} // namespace

Outcome SaveConciseResults(const QString &path, const QVector<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows)
        text += row.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    return writeWhole(path, text);
}

Outcome SaveDetailedResults(const QString &path, const QString &text)
{
    return writeWhole(path, loneLineFeedsToCrLf(text) + QStringLiteral("\r\n"));
}
