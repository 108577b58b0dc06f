// Path strings: standardising is idempotent and never leaves a leading "~"
// that the next pass would expand; the text rules never fail hard.

#include "FuzzSupport.h"

#include "platform/PathString.h"

namespace PS = plat::PathString;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const QString path = fuzz::text(input.part());
    const QString component = fuzz::text(input.rest());

    const QString standard = PS::standardizingPath(path);
    FUZZ_CHECK(PS::standardizingPath(standard) == standard, show(path), show(standard), show(PS::standardizingPath(standard)));
    FUZZ_CHECK(path.isEmpty() == standard.isEmpty(), show(path), show(standard));
    // A leading "~" survives only where the input had one that names no
    // user ("./~root" keeps its "./").
    if (standard.startsWith(QLatin1Char('~')))
        FUZZ_CHECK(path.startsWith(QLatin1Char('~')), show(path), show(standard));
    // Standardised absolute paths hold no "." or ".." step and no empty one.
    if (standard.startsWith(QLatin1Char('/')) && standard.size() > 1) {
        for (const QString& part : standard.mid(1).split(QLatin1Char('/')))
            FUZZ_CHECK(!part.isEmpty() && part != QLatin1String(".") && part != QLatin1String(".."), show(path), show(standard));
    }

    // Components: joining them again gives the path with single slashes and
    // no trailing one.
    const QStringList components = PS::pathComponents(path);
    const QString joined = PS::pathWithComponents(components);
    FUZZ_CHECK(PS::pathComponents(joined) == components, show(path), show(joined));
    FUZZ_CHECK(PS::strippingTrailingSlashes(PS::strippingTrailingSlashes(path)) == PS::strippingTrailingSlashes(path), show(path));

    // Appending a component adds at most it and one slash, and the last
    // component of the result is the last of what was appended.
    const QString appended = PS::appendingPathComponent(path, component);
    FUZZ_CHECK(appended.size() <= path.size() + component.size() + 1, show(path), show(component), show(appended));

    const QString extension = PS::pathExtension(path);
    const QString without = PS::deletingPathExtension(path);
    if (!extension.isEmpty())
        FUZZ_CHECK(without.size() < path.size(), show(path), show(extension), show(without));
    (void)PS::lastPathComponent(path);
    (void)PS::deletingLastPathComponent(path);
    return 0;
}
