#include "settings/ApplySkin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

// Qt silently drops a style sheet it cannot parse and falls back to the
// platform look; an unbalanced brace is the usual damage, so it is caught here
// to keep the previous skin instead.
bool looksWhole(const QString &sheet)
{
    int depth = 0;
    bool inComment = false;
    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet.at(i);
        const QChar next = i + 1 < sheet.size() ? sheet.at(i + 1) : QChar();
        if (inComment) {
            if (c == QLatin1Char('*') && next == QLatin1Char('/')) {
                inComment = false;
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            inComment = true;
            ++i;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}')) {
            if (--depth < 0)
                return false;
        }
    }
    return depth == 0 && !inComment;
}

} // namespace

bool ApplySkin(const QString &programFolder, const QString &relativePath)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    QFile file(QDir(programFolder).filePath(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString sheet = utf8.decode(bytes);
    if (utf8.hasError() || sheet.trimmed().isEmpty() || !looksWhole(sheet))
        return false;
    app->setStyleSheet(sheet);
    return true;
}
