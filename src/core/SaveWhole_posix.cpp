// SaveWhole with the system's own calls: QSaveFile buffers its writes, and in
// Qt 6.4 a write that fails at commit() still renames the cut file into place.
#include "core/SaveWhole.h"

#include "core/DiskFailure.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        at += written;
        left -= written;
    }
    return 0;
}

// Best effort: the rename itself reaches the disk with its folder.
void syncFolder(const QString &path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
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
    // A link is followed, as QSaveFile did: the file it points to is replaced.
    QString target = path;
    if (const QFileInfo info(path); info.isSymLink() && !info.symLinkTarget().isEmpty())
        target = info.symLinkTarget();
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old {};
    const bool existed = ::stat(targetName.constData(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        return fail(EISDIR);

    QByteArray partialName;
    int fd = -1;
    for (int attempt = 0; attempt < 20 && fd < 0; ++attempt) {
        partialName = QFile::encodeName(SaveWholeNames::partialPath(target));
        fd = ::open(partialName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(errno);
    }
    if (fd < 0)
        return fail(EEXIST);
    // The new file keeps the old one's permissions.
    if (existed)
        ::fchmod(fd, old.st_mode & 07777);

    int problem = writeAll(fd, bytes);
    // EINVAL: a file system that has nothing to sync.
    if (problem == 0 && ::fsync(fd) != 0 && errno != EINVAL)
        problem = errno;
    if (::close(fd) != 0 && problem == 0 && errno != EINTR)
        problem = errno;
    if (problem == 0 && ::rename(partialName.constData(), targetName.constData()) != 0)
        problem = errno;
    if (problem != 0) {
        ::unlink(partialName.constData());
        return fail(problem);
    }
    syncFolder(target);
    return true;
}
