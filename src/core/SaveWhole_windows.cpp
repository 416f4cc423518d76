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

bool SaveWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    const auto fail = [error](int systemError) {
        if (error)
            *error = DiskFailure::describe(systemError);
        return false;
    };
    if (QFileInfo(path).isDir())
        return fail(EISDIR);
    QFile partial;
    for (int attempt = 0; attempt < 20 && !partial.isOpen(); ++attempt) {
        partial.setFileName(SaveWholeNames::partialPath(path));
        if (!partial.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) && !partial.exists())
            return fail(systemErrorOf(GetLastError()));
    }
    if (!partial.isOpen())
        return fail(EEXIST);
    bool ok = partial.write(bytes) == bytes.size();
    int problem = ok ? 0 : systemErrorOf(GetLastError());
    if (ok && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(partial.handle())))) {
        ok = false;
        problem = systemErrorOf(GetLastError());
    }
    partial.close();
    if (ok && !MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(partial.fileName()).utf16()),
                           reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        problem = systemErrorOf(GetLastError());
    }
    if (!ok) {
        partial.remove();
        return fail(problem);
    }
    return true;
}
