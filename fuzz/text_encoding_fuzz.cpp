// Text encodings: decoding any bytes never fails hard; what decodes and
// encodes again reads back the same; an encode that succeeds is exact; the
// Unicode encodings carry every whole text.

#include "FuzzSupport.h"

#include "platform/Error.h"
#include "platform/TextEncoding.h"

#include <vector>

using plat::TextEncoding;

namespace {

const std::vector<quint64>& encodings()
{
    static const std::vector<quint64> list = [] {
        std::vector<quint64> result;
        for (const plat::TextEncodingInfo& info : TextEncoding::all()) {
            if (TextEncoding::isConvertible(info.encoding))
                result.push_back(info.encoding);
        }
        return result;
    }();
    return list;
}

bool isUnicode(quint64 encoding)
{
    switch (encoding) {
    case TextEncoding::UTF8:
    case TextEncoding::Unicode:
    case TextEncoding::UTF16BigEndian:
    case TextEncoding::UTF16LittleEndian:
    case TextEncoding::UTF32:
    case TextEncoding::UTF32BigEndian:
    case TextEncoding::UTF32LittleEndian:
    case TextEncoding::NonLossyASCII:
        return true;
    default:
        return false;
    }
}

bool isWholeText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else if (QChar::isSurrogate(u))
            return false;
    }
    return true;
}

void checkEncode(const QString& text, quint64 encoding)
{
    plat::Error error;
    const QByteArray bytes = TextEncoding::encode(text, encoding, &error);
    FUZZ_CHECK(bytes.isNull() == !error.isNull(), show(text), std::to_string(encoding));
    if (bytes.isNull()) {
        FUZZ_CHECK(!isUnicode(encoding) || !isWholeText(text), show(text), std::to_string(encoding));
        return;
    }
    const QString back = TextEncoding::decode(bytes, encoding, &error);
    FUZZ_CHECK(back == text, show(text), std::to_string(encoding), show(bytes), show(back));
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
    const std::vector<quint64>& list = encodings();
    const quint64 encoding = list[input.byte() % list.size()];
    const QByteArray bytes = input.rest();

    plat::Error error;
    const QString decoded = TextEncoding::decode(bytes, encoding, &error);
    FUZZ_CHECK(decoded.isNull() == !error.isNull(), show(bytes), std::to_string(encoding));
    if (!decoded.isNull())
        checkEncode(decoded, encoding);

    // The same input as text: encoding either fails or is exact.
    checkEncode(fuzz::rawUtf16(bytes), encoding);
    checkEncode(fuzz::text(bytes), encoding);
    return 0;
}
