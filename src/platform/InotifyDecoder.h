#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace plat {

// One record as read from an inotify descriptor.
struct InotifyRecord
{
    int wd = -1;
    quint32 mask = 0;
    quint32 cookie = 0;
    // The child's name as the kernel gave it (no trailing NULs); empty for
    // events of the watched object itself.
    QByteArray name;

    bool operator==(const InotifyRecord&) const = default;
};

// Pure functions over what the kernel hands out, kept apart from the hub so
// they can be tested and fuzzed without a descriptor.
namespace InotifyDecoder {

// Splits a buffer read from an inotify descriptor into records. The kernel
// only hands out whole records, but the buffer is treated as untrusted: a
// record whose header or name runs past the end stops decoding there, and a
// name holding a "/" (which no directory entry can) is dropped.
std::vector<InotifyRecord> decode(const char* data, std::size_t size);
inline std::vector<InotifyRecord> decode(const QByteArray& bytes)
{
    return decode(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The program's event flags for a kernel mask: create 0x100, remove 0x200,
// modify 0x1000, attributes 0x400, rename (either end, or the watched folder
// moved) 0x800, folder 0x20000 else file 0x10000; a queue overflow is a
// rescan (0x1) and nothing else; 0 for masks that mean no change (the
// watch's own removal, IN_IGNORED, is decided by the hub).
quint32 eventFlags(quint32 mask);

// The kernel events every watch of the hub asks for.
quint32 watchMask();

// Encodes records the way the kernel lays them out (names padded with NULs
// to a multiple of 16 bytes); for tests and fuzz seeds.
QByteArray encode(const std::vector<InotifyRecord>& records);

} // namespace InotifyDecoder

} // namespace plat
