// The path codec and file URLs: every byte string survives bytes -> text ->
// bytes and text -> file URL -> text; strings the decoder did not make are
// either nameable and stable, or refused.

#include "FuzzSupport.h"

#include "platform/Path.h"

using plat::Path;

namespace {

void checkBytes(const QByteArray& bytes)
{
    const QString decoded = Path::fromNative(bytes);
    FUZZ_CHECK(Path::toNative(decoded) == bytes, show(bytes), show(decoded));
    FUZZ_CHECK(Path::fromNative(Path::toNative(decoded)) == decoded, show(decoded));
    FUZZ_CHECK(Path::isNameable(decoded) == !bytes.contains('\0'), show(decoded));
    FUZZ_CHECK(Path::percentDecode(Path::percentEncode(bytes)) == bytes, show(bytes));

    // An absolute name travels as a file URL and comes back unchanged.
    if (!bytes.startsWith('/') || bytes.contains('\0'))
        return;
    const QString url = Path::toFileUrl(decoded);
    FUZZ_CHECK(url.startsWith(QLatin1String("file:///")), show(decoded), show(url));
    FUZZ_CHECK(Path::fromFileUrl(url) == decoded, show(decoded), show(url), show(Path::fromFileUrl(url)));
    const QUrl qurl = Path::toFileQUrl(decoded);
    FUZZ_CHECK(qurl.isValid(), show(url));
    FUZZ_CHECK(Path::fromFileUrl(qurl) == decoded, show(decoded), show(qurl), show(Path::fromFileUrl(qurl)));
}

void checkString(const QString& text)
{
    const QByteArray bytes = Path::toNative(text);
    // Encoding is stable: the bytes of a string decode to a string with the
    // same bytes.
    FUZZ_CHECK(Path::toNative(Path::fromNative(bytes)) == bytes, show(text), show(bytes));
    bool loneWithoutByte = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else if (QChar::isSurrogate(u) && (u < 0xDC80 || u > 0xDCFF))
            loneWithoutByte = true;
    }
    // A lone surrogate that stands for no byte would name another string's
    // file: such a string is refused.
    FUZZ_CHECK(Path::isNameable(text) == (!loneWithoutByte && !text.contains(QChar(0))), show(text));
    if (!Path::isNameable(text))
        FUZZ_CHECK(Path::toFileUrl(text).isNull(), show(text));
    // Without any surrogate the codec is plain UTF-8.
    bool plain = true;
    for (const QChar c : text)
        plain = plain && !c.isSurrogate();
    if (plain) {
        FUZZ_CHECK(bytes == text.toUtf8(), show(text));
        FUZZ_CHECK(Path::fromNative(bytes) == text, show(text));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkBytes(bytes);
    checkString(fuzz::rawUtf16(bytes));
    // Whatever a file URL holds, reading it never fails hard, and what it
    // reads is a name the codec can write back.
    const QString read = Path::fromFileUrl(fuzz::text(bytes));
    if (!read.isNull())
        FUZZ_CHECK(Path::fromNative(Path::toNative(read)) == read, show(bytes), show(read));
    return 0;
}
