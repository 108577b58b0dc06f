#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QtGlobal>

#include <limits>
#include <memory>

struct statx;

// The identity of a local file: its device and inode. Equal identities are
// the same file, whatever path reached it.
struct MivOsxFileIdent
{
    quint64 device = 0;
    quint64 inode = 0;

    friend bool operator==(const MivOsxFileIdent&, const MivOsxFileIdent&) = default;
};
Q_DECLARE_METATYPE(MivOsxFileIdent)

// What one status read tells about a local entry: the entry itself (not
// following a symbolic link) and, for a link, the mode and owner of what it
// points to. Made once per refresh and never changed: an item swaps in a new
// snapshot as a whole, so a reader always sees one consistent set. Access and
// birth times are not kept: only the lazily loaded date columns ask for them,
// and they read them afresh (MivOsxFileDates).
class MivOsxFileAttributes
{
public:
    static constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();

    // One statx of the entry; for a symbolic link a second one of its target.
    // A failed read gives an invalid snapshot (errno in error()).
    static std::shared_ptr<const MivOsxFileAttributes> read(const QByteArray& nativePath);
    // The same for the entry named from nameOffset on in nativePath, read
    // relative to its folder's open descriptor.
    static std::shared_ptr<const MivOsxFileAttributes> readAt(int folderFd, const QByteArray& nativePath,
                                                              qsizetype nameOffset);
    // From a statx already taken (AT_SYMLINK_NOFOLLOW) of the entry at
    // nativePath; the target of a link is read here.
    static std::shared_ptr<const MivOsxFileAttributes> fromStatx(const struct statx& entry, const QByteArray& nativePath);
    // The snapshot of an entry that could not be read.
    static std::shared_ptr<const MivOsxFileAttributes> failed(int error);

    // True when the entry was read.
    bool valid() const { return (_allocatedAndFlags & kValid) != 0; }
    int error() const { return valid() ? 0 : int(_size); }

    // The entry's own mode (file-type bits included) as lstat gives it.
    quint32 entryMode() const { return _entryMode; }
    bool isSymbolicLink() const;
    // The mode, owner and group of what the entry leads to (the target of
    // a link; the entry itself otherwise). A dangling link has no target.
    bool hasTarget() const { return (_allocatedAndFlags & kHasTarget) != 0; }
    quint32 mode() const { return _targetMode; }
    quint32 uid() const { return _uid; }
    quint32 gid() const { return _gid; }
    // The target is a folder (false without a target).
    bool isDirectory() const;

    // The device as (major << 32) | minor.
    MivOsxFileIdent ident() const;
    qint64 size() const { return valid() ? _size : 0; }
    qint64 allocatedSize() const { return qint64(_allocatedAndFlags & ~kFlagMask); }
    // Nanoseconds since the epoch; kNoTime where the file system gave none.
    qint64 modificationTime() const { return _mtime; }
    qint64 statusChangeTime() const { return _ctime; }

    // The same entry, unchanged since this snapshot as far as inode, status
    // change, modification and size tell.
    bool sameVersionAs(const MivOsxFileAttributes& other) const;

    // A copy with another modification time (a setter of the item).
    std::shared_ptr<const MivOsxFileAttributes> withModificationTime(qint64 mtime) const;
    // A copy with another target mode (a setter of the item).
    std::shared_ptr<const MivOsxFileAttributes> withMode(quint32 mode) const;

private:
    // Every listed item keeps one snapshot, and 56 bytes with the shared
    // pointer's count block fill a smaller heap chunk than 64: so the
    // allocated size (a multiple of 512) carries the flags in its low bits,
    // the size field holds errno for a failed read, and the device is kept
    // as the kernel's 32-bit number (12 bits major, 20 bits minor).
    static constexpr quint64 kValid = 1;
    static constexpr quint64 kHasTarget = 2;
    static constexpr quint64 kFlagMask = 511;

    quint64 _inode = 0;
    qint64 _size = 0;
    quint64 _allocatedAndFlags = 0;
    qint64 _mtime = kNoTime;
    qint64 _ctime = kNoTime;
    quint32 _uid = 0;
    quint32 _gid = 0;
    quint32 _device = 0;
    quint16 _entryMode = 0;
    quint16 _targetMode = 0;
};

using MivOsxFileAttributesPtr = std::shared_ptr<const MivOsxFileAttributes>;

// The dates of an entry (not following a link) that the snapshot leaves out;
// nanoseconds since the epoch, kNoTime where the file system gives none.
struct MivOsxFileDates
{
    qint64 access = MivOsxFileAttributes::kNoTime;
    qint64 statusChange = MivOsxFileAttributes::kNoTime;
    qint64 birth = MivOsxFileAttributes::kNoTime;

    // False when the entry cannot be read.
    static bool read(const QByteArray& nativePath, MivOsxFileDates* dates);
};
