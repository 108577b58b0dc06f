// Mount tables: every entry read has an absolute mount point, no line gives
// more than one entry, and a field without escapes reads back as its bytes.

#include "FuzzSupport.h"

#include "platform/MountTable.h"
#include "platform/Path.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<plat::MountEntry> entries = plat::MountTable::parse(text);
    FUZZ_CHECK(entries.size() <= text.count('\n') + 1, fuzz::show(text));
    for (const plat::MountEntry& entry : entries) {
        FUZZ_CHECK(entry.mountPoint.startsWith(QLatin1Char('/')), fuzz::show(entry.mountPoint));
        plat::MountTable::option(entry.superOptions, QLatin1StringView("port"));
    }
    if (!text.contains('\\'))
        FUZZ_CHECK(plat::Path::toNative(plat::MountTable::unescapeField(text)) == text, fuzz::show(text));
    return 0;
}
