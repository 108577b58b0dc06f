#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

namespace plat {

// Event flags as the program's file-system events carry them. The values are
// the ones stored and compared throughout the program; the hub maps the
// kernel's inotify masks onto them.
namespace FileSystemEventFlag {
inline constexpr quint32 MustScanSubDirs = 0x1; // events were lost: rescan the folder
inline constexpr quint32 RootChanged = 0x20;    // the watched folder itself went away
inline constexpr quint32 Unmount = 0x80;
inline constexpr quint32 ItemCreated = 0x100;
inline constexpr quint32 ItemRemoved = 0x200;
inline constexpr quint32 ItemInodeMetaMod = 0x400;
inline constexpr quint32 ItemRenamed = 0x800;
inline constexpr quint32 ItemModified = 0x1000;
inline constexpr quint32 ItemIsFile = 0x10000;
inline constexpr quint32 ItemIsDir = 0x20000;
} // namespace FileSystemEventFlag

// One change the kernel reported, as a path the program knows.
struct FileSystemEvent
{
    QString path;
    quint32 flags = 0;
    // Increases across the whole process, so a later change has a larger id.
    quint64 eventId = 0;

    bool operator==(const FileSystemEvent&) const = default;
};

using FileSystemEventBatch = std::vector<FileSystemEvent>;

} // namespace plat
