#include "FileData/Local/MivDirectoryEnumerator.h"

#include "platform/Path.h"
#include "platform/PosixError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace {

// Large enough that a folder of 100,000 entries takes a few hundred calls.
constexpr std::size_t kBufferSize = 64 * 1024;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

bool MivDirectoryEntry::isFolderAsShown() const
{
    if (type == DT_DIR)
        return true;
    if (type != DT_LNK && type != DT_UNKNOWN)
        return false;
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct MivDirectoryEnumerator::Level
{
    int fd = -1;
    QByteArray path;  // with a trailing "/", so names append directly
    quint64 device = 0;
    quint64 inode = 0;
    std::vector<char> buffer = std::vector<char>(kBufferSize);
    long filled = 0;
    long position = 0;

    ~Level()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

MivDirectoryEnumerator::MivDirectoryEnumerator(const QList<QByteArray>& folders, int options, ErrorHandler errorHandler)
    : _folders(folders), _options(options), _errorHandler(std::move(errorHandler)), _chained(folders.size() > 1)
{
}

MivDirectoryEnumerator::~MivDirectoryEnumerator() = default;

bool MivDirectoryEnumerator::report(const QByteArray& path, int error)
{
    const plat::Error failure = plat::errorFromErrno(error, plat::FileAccess::Reading, plat::Path::fromNative(path));
    if (_errorHandler && _errorHandler(path, failure))
        return true;
    _ended = true;
    _stack.clear();
    return false;
}

bool MivDirectoryEnumerator::isAncestor(quint64 device, quint64 inode) const
{
    for (const auto& level : _stack) {
        if (level->device == device && level->inode == inode)
            return true;
    }
    return false;
}

bool MivDirectoryEnumerator::enter(int atFd, const QByteArray& name, const QByteArray& path)
{
    // Below the first folder, O_NOFOLLOW keeps a link that replaced a folder
    // since it was listed from being entered.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (atFd == AT_FDCWD ? 0 : O_NOFOLLOW);
    const int fd = ::openat(atFd, name.constData(), flags);
    if (fd < 0) {
        // An entry that went away (or stopped being a folder) since it was
        // listed is simply no longer there.
        if (atFd != AT_FDCWD && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP))
            return false;
        report(path, errno);
        return false;
    }
    auto level = std::make_unique<Level>();
    level->fd = fd;
    level->path = path.endsWith('/') ? path : path + '/';
    struct stat info {};
    if (::fstat(fd, &info) == 0) {
        level->device = info.st_dev;
        level->inode = info.st_ino;
        if (isAncestor(level->device, level->inode))
            return false;
    }
    _stack.push_back(std::move(level));
    return true;
}

void MivDirectoryEnumerator::leave() { _stack.pop_back(); }

bool MivDirectoryEnumerator::nextObject(MivDirectoryEntry& entry)
{
    while (!_ended) {
        if (_stack.empty()) {
            if (_folders.isEmpty()) {
                _ended = true;
                break;
            }
            const QByteArray folder = _folders.takeFirst();
            enter(AT_FDCWD, folder, folder);
            continue;
        }
        Level& level = *_stack.back();
        if (level.position >= level.filled) {
            const ssize_t got = ::getdents64(level.fd, level.buffer.data(), level.buffer.size());
            if (got <= 0) {
                const int error = errno;
                const QByteArray path = level.path;
                leave();
                if (got < 0)
                    report(path, error);
                continue;
            }
            level.filled = got;
            level.position = 0;
        }
        const auto* record = reinterpret_cast<const struct dirent64*>(level.buffer.data() + level.position);
        level.position += record->d_reclen;
        const char* name = record->d_name;
        if (isDotOrDotDot(name))
            continue;
        if ((_options & kSkipsHiddenFiles) && name[0] == '.')
            continue;

        entry.path = level.path;
        entry.nameOffset = entry.path.size();
        entry.path.append(name);
        entry.type = record->d_type;
        if (entry.type == DT_UNKNOWN) {
            // Some file systems do not tell the type in the listing.
            struct stat info {};
            if (::fstatat(level.fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0)
                entry.type = IFTODT(info.st_mode);
        }
        if (entry.type == DT_DIR) {
            if (_chained) {
                // Several folders: a folder name shown once, from the first.
                const QByteArray folderName(name);
                if (_processedDirs.contains(folderName))
                    continue;
                _processedDirs.insert(folderName);
            }
            if (!(_options & kSkipsSubdirectoryDescendants))
                enter(level.fd, QByteArray(name), entry.path);
        }
        return true;
    }
    entry = MivDirectoryEntry();
    return false;
}
