#include "FileData/Local/MivOsxFileAttributes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr unsigned int kMask = STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_INO | STATX_SIZE | STATX_BLOCKS
                               | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;

qint64 nanoseconds(const struct statx_timestamp& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace

MivOsxFileAttributesPtr MivOsxFileAttributes::read(const QByteArray& nativePath)
{
    struct statx entry {};
    if (nativePath.isEmpty())
        return failed(ENOENT);
    if (::statx(AT_FDCWD, nativePath.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kMask, &entry) != 0)
        return failed(errno);
    return fromStatx(entry, nativePath);
}

MivOsxFileAttributesPtr MivOsxFileAttributes::readAt(int folderFd, const QByteArray& nativePath, qsizetype nameOffset)
{
    if (folderFd < 0 || nameOffset <= 0 || nameOffset >= nativePath.size())
        return read(nativePath);
    struct statx entry {};
    if (::statx(folderFd, nativePath.constData() + nameOffset, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kMask, &entry)
        != 0)
        return failed(errno);
    return fromStatx(entry, nativePath);
}

MivOsxFileAttributesPtr MivOsxFileAttributes::fromStatx(const struct statx& entry, const QByteArray& nativePath)
{
    auto made = std::make_shared<MivOsxFileAttributes>();
    made->_device = (entry.stx_dev_major << 20) | (entry.stx_dev_minor & 0xFFFFF);
    made->_inode = entry.stx_ino;
    made->_size = qint64(entry.stx_size);
    made->_allocatedAndFlags = quint64(entry.stx_blocks) * 512 | kValid | kHasTarget;
    made->_mtime = nanoseconds(entry.stx_mtime);
    made->_ctime = nanoseconds(entry.stx_ctime);
    made->_entryMode = quint16(entry.stx_mode);
    made->_targetMode = quint16(entry.stx_mode);
    made->_uid = entry.stx_uid;
    made->_gid = entry.stx_gid;
    if (S_ISLNK(entry.stx_mode)) {
        // Mode, owner and group describe what the link leads to, as a
        // status call that follows links gives them.
        struct statx target {};
        if (::statx(AT_FDCWD, nativePath.constData(), AT_NO_AUTOMOUNT, STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID,
                    &target) == 0) {
            made->_targetMode = quint16(target.stx_mode);
            made->_uid = target.stx_uid;
            made->_gid = target.stx_gid;
        } else {
            made->_allocatedAndFlags &= ~kHasTarget;
        }
    }
    return made;
}

MivOsxFileAttributesPtr MivOsxFileAttributes::failed(int error)
{
    auto made = std::make_shared<MivOsxFileAttributes>();
    made->_size = error;
    return made;
}

MivOsxFileIdent MivOsxFileAttributes::ident() const
{
    return {(quint64(_device >> 20) << 32) | (_device & 0xFFFFF), _inode};
}

bool MivOsxFileAttributes::isSymbolicLink() const { return valid() && S_ISLNK(_entryMode); }

bool MivOsxFileAttributes::isDirectory() const { return valid() && hasTarget() && S_ISDIR(_targetMode); }

bool MivOsxFileAttributes::sameVersionAs(const MivOsxFileAttributes& other) const
{
    return valid() && other.valid() && _device == other._device && _inode == other._inode && _ctime == other._ctime
           && _mtime == other._mtime && _size == other._size;
}

MivOsxFileAttributesPtr MivOsxFileAttributes::withModificationTime(qint64 mtime) const
{
    auto copy = std::make_shared<MivOsxFileAttributes>(*this);
    copy->_mtime = mtime;
    return copy;
}

MivOsxFileAttributesPtr MivOsxFileAttributes::withMode(quint32 mode) const
{
    auto copy = std::make_shared<MivOsxFileAttributes>(*this);
    copy->_targetMode = quint16(mode);
    return copy;
}

bool MivOsxFileDates::read(const QByteArray& nativePath, MivOsxFileDates* dates)
{
    struct statx entry {};
    if (nativePath.isEmpty()
        || ::statx(AT_FDCWD, nativePath.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                   STATX_ATIME | STATX_CTIME | STATX_BTIME, &entry) != 0)
        return false;
    dates->access = nanoseconds(entry.stx_atime);
    dates->statusChange = nanoseconds(entry.stx_ctime);
    dates->birth = (entry.stx_mask & STATX_BTIME) ? nanoseconds(entry.stx_btime) : MivOsxFileAttributes::kNoTime;
    return true;
}
