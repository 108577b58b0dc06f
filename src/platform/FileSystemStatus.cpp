#include "platform/FileSystemStatus.h"

#include "platform/Path.h"

#include <sys/statvfs.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace plat {

std::optional<FileSystemStatus> FileSystemStatus::read(const QString& path)
{
    struct statvfs info = {};
    int rc = 0;
    const QByteArray native = Path::toNative(path);
    do {
        rc = ::statvfs(native.constData(), &info);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return std::nullopt;
    const auto fragment = qint64(info.f_frsize ? info.f_frsize : info.f_bsize);
    FileSystemStatus status;
    status.totalSize = fragment * qint64(info.f_blocks);
    status.freeSize = fragment * qint64(info.f_bfree);
    status.availableSize = fragment * qint64(info.f_bavail);
    return status;
}

std::optional<FileSystemStatus> FileSystemStatus::readWithin(const QString& path, std::chrono::milliseconds timeout)
{
    // Shared with the reading thread, which may outlive this call.
    struct Pending
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<FileSystemStatus> result;
    };
    auto pending = std::make_shared<Pending>();
    try {
        // A thread of its own rather than a pool's: a hung statvfs would keep
        // a pool thread for good.
        std::thread([pending, path] {
            auto result = read(path);
            std::lock_guard lock(pending->mutex);
            pending->result = std::move(result);
            pending->finished = true;
            pending->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    std::unique_lock lock(pending->mutex);
    if (!pending->done.wait_for(lock, timeout, [&] { return pending->finished; }))
        return std::nullopt;
    return pending->result;
}

} // namespace plat
