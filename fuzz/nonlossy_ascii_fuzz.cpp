// The non-lossy ASCII encoding (our own code): every text encodes to ASCII
// and back, and what decodes has the one spelling the encoder writes.

#include "FuzzSupport.h"

#include "platform/TextEncoding.h"

using plat::TextEncoding;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr quint64 kNonLossy = TextEncoding::NonLossyASCII;

    const QString text = fuzz::rawUtf16(bytes);
    const QByteArray encoded = TextEncoding::encode(text, kNonLossy);
    FUZZ_CHECK(!encoded.isNull(), show(text));
    for (const char c : encoded)
        FUZZ_CHECK(uchar(c) < 0x80, show(text), show(encoded));
    FUZZ_CHECK(TextEncoding::decode(encoded, kNonLossy) == text, show(text), show(encoded));

    const QString decoded = TextEncoding::decode(bytes, kNonLossy);
    if (!decoded.isNull()) {
        const QByteArray again = TextEncoding::encode(decoded, kNonLossy);
        // One spelling per text; hex digits may come in either case.
        FUZZ_CHECK(again.toLower() == bytes.toLower() || again == bytes, show(bytes), show(decoded), show(again));
        FUZZ_CHECK(TextEncoding::decode(again, kNonLossy) == decoded, show(bytes), show(again));
    }
    return 0;
}
