#include "platform/InotifyDecoder.h"

#include "platform/FileSystemEvent.h"

#include <sys/inotify.h>

#include <cstring>

namespace plat::InotifyDecoder {

std::vector<InotifyRecord> decode(const char* data, std::size_t size)
{
    std::vector<InotifyRecord> records;
    constexpr std::size_t header = sizeof(inotify_event);
    std::size_t offset = 0;
    while (size - offset >= header) {
        inotify_event event;
        std::memcpy(&event, data + offset, header); // the buffer need not be aligned
        offset += header;
        if (event.len > size - offset)
            break;
        InotifyRecord record;
        record.wd = event.wd;
        record.mask = event.mask;
        record.cookie = event.cookie;
        const char* name = data + offset;
        record.name = QByteArray(name, static_cast<qsizetype>(strnlen(name, event.len)));
        offset += event.len;
        if (record.name.contains('/'))
            continue;
        records.push_back(std::move(record));
    }
    return records;
}

quint32 eventFlags(quint32 mask)
{
    namespace F = FileSystemEventFlag;
    if (mask & IN_Q_OVERFLOW)
        return F::MustScanSubDirs;
    quint32 flags = 0;
    if (mask & IN_CREATE)
        flags |= F::ItemCreated;
    if (mask & (IN_DELETE | IN_DELETE_SELF))
        flags |= F::ItemRemoved;
    if (mask & (IN_MODIFY | IN_CLOSE_WRITE))
        flags |= F::ItemModified;
    if (mask & IN_ATTRIB)
        flags |= F::ItemInodeMetaMod;
    if (mask & (IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF))
        flags |= F::ItemRenamed;
    if (mask & IN_UNMOUNT)
        flags |= F::Unmount;
    if (flags == 0)
        return 0;
    // The hub only watches folders, so the watch's own events are a folder's.
    const bool folder = (mask & (IN_ISDIR | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0;
    return flags | (folder ? F::ItemIsDir : F::ItemIsFile);
}

quint32 watchMask()
{
    return IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO
        | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
}

QByteArray encode(const std::vector<InotifyRecord>& records)
{
    QByteArray bytes;
    for (const InotifyRecord& record : records) {
        inotify_event event{};
        event.wd = record.wd;
        event.mask = record.mask;
        event.cookie = record.cookie;
        event.len = record.name.isEmpty() ? 0 : static_cast<quint32>((record.name.size() + 1 + 15) / 16 * 16);
        bytes.append(reinterpret_cast<const char*>(&event), sizeof event);
        if (event.len) {
            QByteArray name = record.name;
            name.resize(event.len, '\0');
            bytes.append(name);
        }
    }
    return bytes;
}

} // namespace plat::InotifyDecoder
