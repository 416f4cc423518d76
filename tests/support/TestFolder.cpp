#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestFolder::TestFolder() = default;

QString TestFolder::file(const QString &relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

QByteArray TestFolder::read(const QString &relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void TestFolder::write(const QString &relative, const QByteArray &bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QString TestFolder::unwritableFolder()
{
    // /proc refuses new files even to root; a test that needs a folder the
    // program cannot write uses it.
    const QString candidate = QStringLiteral("/proc/self");
    QFile probe(candidate + QStringLiteral("/tolvane-probe"));
    if (QFileInfo(candidate).isDir() && !probe.open(QIODevice::WriteOnly))
        return candidate;
    return QString();
}
