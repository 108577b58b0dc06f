#include "FileData/Local/MivLocalVolumeInfo.h"

#include "platform/Path.h"

#include <sys/statvfs.h>

MivLocalVolumeInfo::MivLocalVolumeInfo(const QString& path) { calculate(path); }

void MivLocalVolumeInfo::calculate(const QString& path)
{
    struct statvfs info;
    if (path.isEmpty() || ::statvfs(plat::Path::toNative(path).constData(), &info) != 0)
        return;
    const qint64 unit = qint64(info.f_frsize ? info.f_frsize : info.f_bsize);
    _fileSystemFreeSize = qint64(info.f_bavail) * unit;
    _fileSystemSize = qint64(info.f_blocks) * unit;
    _fileSystemAvailableSize = _fileSystemFreeSize;
}
