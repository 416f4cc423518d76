// SaveWhole on Windows: unbuffered writes checked one by one, the file flushed
// to the disk, then moved over the old one.
#include "core/SaveWhole.h"

#include "core/DiskFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <io.h>
#include <windows.h>

namespace {

int systemErrorOf(DWORD code)
{
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    default:
        return EIO;
    }
}

} // namespace

struct WholeFileWriter::Private {
    QString path;
    QFile partial;
    int problem = 0;
    bool created = false; // only a file of our own is removed
    bool committed = false;
};

WholeFileWriter::WholeFileWriter(const QString &path) : d(std::make_unique<Private>())
{
    d->path = path;
    if (QFileInfo(path).isDir()) {
        d->problem = EISDIR;
        return;
    }
    for (int attempt = 0; attempt < 20 && !d->partial.isOpen(); ++attempt) {
        d->partial.setFileName(SaveWholeNames::partialPath(path));
        if (!d->partial.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) &&
            !d->partial.exists()) {
            d->problem = systemErrorOf(GetLastError());
            return;
        }
    }
    if (!d->partial.isOpen())
        d->problem = d->problem == 0 ? EEXIST : d->problem;
    d->created = d->partial.isOpen();
}

WholeFileWriter::~WholeFileWriter()
{
    if (d->created && !d->committed) {
        d->partial.close();
        d->partial.remove();
    }
}

bool WholeFileWriter::write(QByteArrayView bytes)
{
    if (d->problem == 0 && d->partial.write(bytes.data(), bytes.size()) != bytes.size())
        d->problem = systemErrorOf(GetLastError());
    return d->problem == 0;
}

bool WholeFileWriter::commit()
{
    if (d->problem != 0 || !d->partial.isOpen())
        return false;
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(d->partial.handle()))))
        d->problem = systemErrorOf(GetLastError());
    d->partial.close();
    if (d->problem == 0 &&
        !MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(d->partial.fileName()).utf16()),
                     reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(d->path).utf16()),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        d->problem = systemErrorOf(GetLastError());
    if (d->problem != 0)
        return false;
    d->committed = true;
    return true;
}

bool WholeFileWriter::failed() const
{
    return d->problem != 0;
}

QString WholeFileWriter::error() const
{
    return d->problem == 0 ? QString() : DiskFailure::describe(d->problem);
}
