#include "core/DiskFailure.h"

#include <cerrno>

namespace DiskFailure {

QString diskFull()
{
    return QStringLiteral("磁盘空间不足。请删除不需要的文件、腾出磁盘空间后再试。");
}

bool isFull(int systemError)
{
#ifdef EDQUOT
    if (systemError == EDQUOT)
        return true;
#endif
    // A file-size limit looks the same to the user: the file cannot grow.
    return systemError == ENOSPC || systemError == EFBIG;
}

QString describe(int systemError)
{
    if (isFull(systemError))
        return diskFull();
    switch (systemError) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限。请检查这个文件和它所在文件夹的权限，或换一个文件夹再试。");
    case EROFS:
        return QStringLiteral("这个磁盘是只读的。请换一个可以写入的文件夹再试。");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在。请换一个文件夹再试。");
    case EISDIR:
        return QStringLiteral("已有同名的文件夹。请换一个文件名再试。");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("文件正被其他程序使用。请关闭那个程序后再试。");
    case ENAMETOOLONG:
        return QStringLiteral("文件名或路径太长。请换一个短一些的文件名或文件夹再试。");
    case EIO:
        return QStringLiteral("读写磁盘时出错，磁盘可能已损坏或已被拔出。请检查磁盘后再试。");
    default:
        return QStringLiteral("读写磁盘时出错。请检查磁盘是否已满或已被拔出，然后再试。");
    }
}

} // namespace DiskFailure
