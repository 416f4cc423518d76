#include "core/SaveWhole.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace SaveWholeNames {

namespace {
const QString kMark = QStringLiteral(".tolvane-partial-");
// A long name still leaves room for the mark within the system's 255 bytes.
constexpr int kKeptNameLength = 80;
} // namespace

QString partialPath(const QString &path)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 8; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') + info.fileName().left(kKeptNameLength) + kMark + suffix);
}

bool isPartialOf(const QString &fileName, const QString &name)
{
    const QString start = QLatin1Char('.') + name.left(kKeptNameLength) + kMark;
    return fileName.startsWith(start) && fileName.size() == start.size() + 8;
}

} // namespace SaveWholeNames

bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    WholeFileWriter file(path);
    if (file.write(bytes) && file.commit())
        return true;
    if (error)
        *error = file.error();
    return false;
}

Outcome SaveWholeFile(const QString &path, const QByteArray &bytes)
{
    QString reason;
    if (!SaveWhole(path, bytes, &reason))
        return Outcome::failure(QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), reason));
    return Outcome::success();
}
