// .trashinfo files come from other programs and other users' volumes: reading
// one never fails hard, and a path that was read writes back to a record that
// reads as the same path.

#include "FuzzSupport.h"

#include "platform/Trash.h"

#include <QDateTime>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto info = plat::Trash::parseInfo(contents);
    if (!info)
        return 0;
    FUZZ_CHECK(!info->path.isEmpty(), fuzz::show(contents));
    const auto again = plat::Trash::parseInfo(plat::Trash::formatInfo(info->path, QDateTime()));
    FUZZ_CHECK(again.has_value(), fuzz::show(info->path));
    FUZZ_CHECK(again->path == info->path, fuzz::show(info->path), fuzz::show(again->path));
    return 0;
}
