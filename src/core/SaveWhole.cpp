#include "core/SaveWhole.h"

#include <QSaveFile>

bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!saved && error)
        *error = file.errorString();
    return saved;
}
