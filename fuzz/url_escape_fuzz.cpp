// URL escaping: escape -> unescape gives the text back, in UTF-8 and in the
// other encodings a server may use; the builder keeps user, password, path
// and query apart whatever they hold; unescaping any text never fails hard.

#include "FuzzSupport.h"

#include "FileData/Extensions/UrlParameters.h"

using namespace UrlParameters;

namespace {

// Encodings a remote path may be in, first byte of the input picks one.
constexpr int kEncodings[] = {
    kUTF8StringEncoding, kISOLatin1StringEncoding, kASCIIStringEncoding,
    int(plat::TextEncoding::ShiftJIS), int(plat::TextEncoding::JapaneseEUC), int(plat::TextEncoding::WindowsCP1251),
    int(plat::TextEncoding::MacOSRoman), int(0x80000632) /* GB18030 */, int(0x80000A03) /* Big5 */,
};

// Text that every step can carry: no lone surrogate (broken text, refused by
// design) and no NUL.
bool isWholeText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == 0)
            return false;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else if (QChar::isSurrogate(u))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size);
    const int encoding = kEncodings[input.byte() % std::size(kEncodings)];
    const QString user = fuzz::text(input.part());
    const QString password = fuzz::text(input.part());
    const QString query = fuzz::text(input.part());
    const QString path = fuzz::text(input.rest());

    // Unescaping anything: null, the text, or a text without escapes.
    const QString unescaped = unescape(path);
    const QString safe = safeUnescape(path);
    FUZZ_CHECK(safe.isNull() == path.isNull(), show(path));
    if (!unescaped.isNull())
        FUZZ_CHECK(safe == unescaped, show(path), show(unescaped), show(safe));

    // escape -> unescape in UTF-8.
    if (!path.isEmpty() && isWholeText(path)) {
        const QString escaped = escapePath(path, kUTF8StringEncoding);
        FUZZ_CHECK(!escaped.isNull(), show(path));
        for (const QChar c : escaped)
            FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7F && c != QLatin1Char('?') && c != QLatin1Char('#'), show(path), show(escaped));
        FUZZ_CHECK(unescape(escaped) == path, show(path), show(escaped), show(unescape(escaped)));
    }

    // escape -> URL -> path in the picked encoding, as a path on a server.
    const QString absolute = QLatin1Char('/') + path;
    const QString inEncoding = escapePath(absolute, encoding);
    if (!inEncoding.isNull() && !absolute.contains(QLatin1String("/.")) && isWholeText(absolute)) {
        const QUrl url(QStringLiteral("ftp://h") + inEncoding, QUrl::StrictMode);
        FUZZ_CHECK(url.isValid(), show(absolute), show(inEncoding));
        const QString back = pathByReplacingPercentEscapes(url, encoding);
        FUZZ_CHECK(back == absolute, show(absolute), show(inEncoding), show(url), show(back));
    }

    // The builder: every part reads back as it was given.
    if (!isWholeText(user) || !isWholeText(password) || !isWholeText(query) || !isWholeText(path))
        return 0;
    const QUrl built = URLWithScheme(QStringLiteral("ftp"), user, password, QStringLiteral("example.org"), 2121, path, query, encoding);
    if (!built.isValid())
        return 0;
    FUZZ_CHECK(built.host() == QLatin1String("example.org") && built.port() == 2121, show(built));
    if (!user.isEmpty()) {
        FUZZ_CHECK(safeUnescape(built.userName(QUrl::FullyEncoded)) == user, show(user), show(built));
        if (!password.isEmpty())
            FUZZ_CHECK(passwordByReplacingPercentEscapes(built) == password, show(password), show(built));
    }
    if (!query.isEmpty()) {
        if (encoding == kUTF8StringEncoding)
            FUZZ_CHECK(queryByReplacingPercentEscapes(built) == query, show(query), show(built));
        else
            FUZZ_CHECK(built.hasQuery(), show(query), show(built));
    } else {
        FUZZ_CHECK(!built.hasQuery(), show(built));
    }
    FUZZ_CHECK(!built.hasFragment(), show(built));
    return 0;
}
