// Inotify buffers: decoding never reads past the buffer, drops names that
// hold "/", and what it decodes encodes back to records that decode alike.

#include "FuzzSupport.h"

#include "platform/InotifyDecoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so ASan sees any read past it.
    std::vector<char> bytes(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
    const auto records = plat::InotifyDecoder::decode(bytes.data(), bytes.size());
    for (const auto& record : records) {
        FUZZ_CHECK(!record.name.contains('/'), fuzz::show(record.name));
        FUZZ_CHECK(!record.name.endsWith('\0'), fuzz::show(record.name));
        (void)plat::InotifyDecoder::eventFlags(record.mask);
    }
    const auto again = plat::InotifyDecoder::decode(plat::InotifyDecoder::encode(records));
    FUZZ_CHECK(again == records, std::to_string(records.size()), std::to_string(again.size()));
    return 0;
}
