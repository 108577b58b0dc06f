// The loose URL comparison: reflexive, symmetric without the containment
// flag, and equality implies containment.

#include "FuzzSupport.h"

#include "FileData/Extensions/UrlParameters.h"

using namespace UrlParameters;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const QUrl a(fuzz::text(input.part()));
    const QUrl b(fuzz::text(input.rest()));

    const bool ab = isSemiEqualToURL(a, b, false);
    const bool ba = isSemiEqualToURL(b, a, false);
    FUZZ_CHECK(ab == ba, show(a), show(b), show(ab), show(ba));
    if (ab) {
        FUZZ_CHECK(isSemiEqualToURL(a, b, true), show(a), show(b));
        FUZZ_CHECK(isSemiEqualToURL(b, a, true), show(a), show(b));
    }
    if (!a.isEmpty() && a.isValid()) {
        FUZZ_CHECK(isSemiEqualToURL(a, a, false), show(a));
        FUZZ_CHECK(isSemiEqualToURL(a, a, true), show(a));
    }
    // Trailing slashes name the same folder.
    if (a.isValid() && !a.isEmpty() && !a.hasQuery() && !a.hasFragment()) {
        const QUrl slashed(a.toString(QUrl::FullyEncoded) + QLatin1Char('/'));
        if (slashed.isValid() && !slashed.path().isEmpty() && !a.path().isEmpty())
            FUZZ_CHECK(isSemiEqualToURL(a, slashed, false), show(a), show(slashed));
    }
    return 0;
}
