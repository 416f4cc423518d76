#include "core/SaveWhole.h"

#include <QDir>
#include <QSaveFile>

bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!saved && error)
        *error = file.errorString();
    return saved;
}

Outcome SaveWholeFile(const QString &path, const QByteArray &bytes)
{
    QString reason;
    if (!SaveWhole(path, bytes, &reason))
        return Outcome::failure(QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), reason));
    return Outcome::success();
}
