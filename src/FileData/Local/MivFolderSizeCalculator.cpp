#include "FileData/Local/MivFolderSizeCalculator.h"

#include "FileData/IMivCalculateSizeDelegate.h"
#include "platform/Operation.h"
#include "platform/Path.h"

#include <QByteArray>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <vector>

namespace {

// The record getdents64 fills; glibc 2.36 declares no wrapper for it.
struct LinuxDirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

// The thread's operation was cancelled (as the items' size calculation
// tests it).
bool cancelled()
{
    const plat::OperationPtr operation = plat::Operation::currentThreadOperation();
    return operation && operation->isCancelled();
}

class FolderWalk
{
public:
    FolderWalk(const std::shared_ptr<IMivCalculateSizeDelegate>& delegate, bool wantsAllocated)
        : m_delegate(delegate)
        , m_wantsAllocated(wantsAllocated)
    {
    }

    // Folders wait on a stack of paths, so a deep tree holds one descriptor
    // at a time and no recursion.
    void run(const QByteArray& root)
    {
        // The folder asked for may itself be reached through a link; below
        // it no link is followed.
        readFolder(root, 0);
        while (!m_pending.empty() && !m_cancelled) {
            const QByteArray folder = std::move(m_pending.back());
            m_pending.pop_back();
            readFolder(folder, O_NOFOLLOW);
        }
    }

    quint64 total = 0;
    quint64 allocated = 0;

private:
    void readFolder(const QByteArray& folder, int linkFlag)
    {
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | linkFlag | O_CLOEXEC);
        if (fd < 0)
            return;
        alignas(LinuxDirent64) char buffer[32768];
        for (;;) {
            const long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (long at = 0; at < n && !m_cancelled;) {
                const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + at);
                at += entry->d_reclen;
                countEntry(fd, folder, entry->d_name);
            }
            if (m_cancelled)
                break;
        }
        ::close(fd);
    }

    void countEntry(int folderFd, const QByteArray& folder, const char* name)
    {
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            return;
        if (cancelled()) {
            m_cancelled = true;
            return;
        }
        const QByteArray path = folder.endsWith('/') ? folder + name : folder + '/' + name;
        struct stat status;
        const bool known = ::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0;
        const bool isFolder = known && S_ISDIR(status.st_mode);
        const quint64 size = known && S_ISREG(status.st_mode) ? quint64(status.st_size) : 0;
        if (m_wantsAllocated)
            allocated += known ? quint64(status.st_blocks) * 512 : size;
        total += size;
        if (isFolder)
            m_pending.push_back(path);
        if (m_delegate)
            m_delegate->sizeCalculatedForItem(plat::Path::fromNative(path), total, size, isFolder);
    }

    const std::shared_ptr<IMivCalculateSizeDelegate> m_delegate;
    const bool m_wantsAllocated;
    std::vector<QByteArray> m_pending;
    bool m_cancelled = false;
};

} // namespace

quint64 MivFolderSizeCalculator::fastFolderSizeAtURL(const QUrl& url,
                                                     const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                                     quint64* allocatedSize)
{
    return fastFolderSizeAtPath(plat::Path::fromFileUrl(url), delegate, allocatedSize);
}

quint64 MivFolderSizeCalculator::fastFolderSizeAtPath(const QString& path,
                                                      const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                                      quint64* allocatedSize)
{
    if (path.isEmpty() || cancelled())
        return 0;
    FolderWalk walk(delegate, allocatedSize != nullptr);
    walk.run(plat::Path::toNative(path));
    if (allocatedSize)
        *allocatedSize = walk.allocated;
    return walk.total;
}
