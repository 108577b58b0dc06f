#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <optional>

namespace plat {

// The sizes statvfs reports for a mounted file system, in bytes, the way
// "df -B1" computes them (fragment size times the block counts).
struct FileSystemStatus
{
    qint64 totalSize = 0;
    qint64 freeSize = 0;      // free blocks, including those kept for the superuser
    qint64 availableSize = 0; // free blocks an unprivileged user may take

    // statvfs of the path on the calling thread; nullopt when it fails.
    static std::optional<FileSystemStatus> read(const QString& path);
    // The same with a deadline: the call runs on a thread of its own, and
    // the caller stops waiting after the timeout. A network server that no
    // longer answers then blocks only that thread, never the caller; the
    // thread ends whenever the kernel gives up.
    static std::optional<FileSystemStatus> readWithin(const QString& path, std::chrono::milliseconds timeout);
};

} // namespace plat
