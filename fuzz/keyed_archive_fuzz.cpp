// The settings archive reader: any bytes either decode or give the corrupt
// file error, never crash; what decodes writes back, and after one
// normalisation (clamped colours, replaced bad UTF-8) writing is stable.

#include "FuzzSupport.h"

#include "platform/KeyedArchive.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    plat::Error error;
    const auto root = plat::KeyedArchive::fromXml(bytes, &error);
    if (!root) {
        if (!error.is(plat::kCocoaErrorDomain, 259))
            fuzz::fail("a refused archive is Cocoa 259", {fuzz::show(error.description())});
        return 0;
    }
    // Dates beyond the plist range and the like may refuse to be written.
    const auto first = plat::KeyedArchive::toXml(*root, &error);
    if (!first)
        return 0;
    const auto again = plat::KeyedArchive::fromXml(*first, &error);
    if (!again)
        fuzz::fail("what was written reads back", {fuzz::show(error.description())});
    const auto second = plat::KeyedArchive::toXml(*again, &error);
    if (!second)
        fuzz::fail("what was read back writes again", {fuzz::show(error.description())});
    const auto third = plat::KeyedArchive::toXml(*plat::KeyedArchive::fromXml(*second, nullptr), nullptr);
    if (!third || *third != *second)
        fuzz::fail("writing is stable", {fuzz::show(*second), fuzz::show(third.value_or(QByteArray()))});
    return 0;
}
