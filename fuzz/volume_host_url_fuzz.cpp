// Host URLs of network volumes, from GVfs share-folder names and from
// mount-table sources: either none, or a URL with a scheme and a host.

#include "FuzzSupport.h"

#include "FileData/Local/SLVolume.h"
#include "platform/MountTable.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

namespace {

void checkURL(const QUrl& url, const QString& from)
{
    if (url.isEmpty())
        return;
    FUZZ_CHECK(url.isValid(), fuzz::show(from), fuzz::show(url));
    FUZZ_CHECK(!url.scheme().isEmpty() && !url.host().isEmpty(), fuzz::show(from), fuzz::show(url));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const QString folder = fuzz::text(input.part());
    checkURL(SLVolume::hostURLForGvfsFolder(folder), folder);
    plat::MountEntry entry;
    entry.fsType = fuzz::text(input.part());
    entry.superOptions = fuzz::text(input.part());
    entry.source = fuzz::text(input.part());
    checkURL(SLVolume::hostURLForMount(entry), entry.source);
    return 0;
}
