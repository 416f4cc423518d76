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

int writeAll(int fd, QByteArrayView bytes)
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
    const int folder =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

struct WholeFileWriter::Private {
    QByteArray targetName;
    QByteArray partialName;
    int fd = -1;
    int problem = 0;
    bool committed = false;
};

WholeFileWriter::WholeFileWriter(const QString &path) : d(std::make_unique<Private>())
{
    // A link is followed, as QSaveFile did: the file it points to is replaced.
    QString target = path;
    if (const QFileInfo info(path); info.isSymLink() && !info.symLinkTarget().isEmpty())
        target = info.symLinkTarget();
    d->targetName = QFile::encodeName(target);
    struct stat old {};
    const bool existed = ::stat(d->targetName.constData(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) {
        d->problem = EISDIR;
        return;
    }
    for (int attempt = 0; attempt < 20 && d->fd < 0; ++attempt) {
        d->partialName = QFile::encodeName(SaveWholeNames::partialPath(target));
        d->fd = ::open(d->partialName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (d->fd < 0 && errno != EEXIST) {
            d->problem = errno;
            break;
        }
    }
    if (d->fd < 0) {
        d->partialName.clear(); // not ours: nothing to remove
        if (d->problem == 0)
            d->problem = EEXIST;
        return;
    }
    // The new file keeps the old one's permissions.
    if (existed)
        ::fchmod(d->fd, old.st_mode & 07777);
}

WholeFileWriter::~WholeFileWriter()
{
    if (d->fd >= 0)
        ::close(d->fd);
    if (!d->committed && !d->partialName.isEmpty())
        ::unlink(d->partialName.constData());
}

bool WholeFileWriter::write(QByteArrayView bytes)
{
    if (d->problem == 0 && d->fd >= 0)
        d->problem = writeAll(d->fd, bytes);
    return d->problem == 0;
}

bool WholeFileWriter::commit()
{
    if (d->problem != 0 || d->fd < 0)
        return false;
    // EINVAL: a file system that has nothing to sync.
    if (::fsync(d->fd) != 0 && errno != EINVAL)
        d->problem = errno;
    if (::close(d->fd) != 0 && d->problem == 0 && errno != EINTR)
        d->problem = errno;
    d->fd = -1;
    if (d->problem == 0 && ::rename(d->partialName.constData(), d->targetName.constData()) != 0)
        d->problem = errno;
    if (d->problem != 0)
        return false;
    d->committed = true;
    syncFolder(QFile::decodeName(d->targetName));
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
