#include "platform/TextEncoding.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QHash>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

namespace plat {

namespace {

constexpr quint64 kFromCF = 0x80000000u;

struct Row
{
    quint64 encoding;
    quint32 cfEncoding;
    const char* iana;
    const char* icu;
    const char* display;
};

// Settings numbers first, so a name shared by two rows finds the one that
// settings store. Rows without an ICU converter keep their numbers (they are
// stored in settings) but cannot be converted here.
constexpr Row kRows[] = {
    {1, 0x0600, "US-ASCII", "US-ASCII", "Western (ASCII)"},
    {2, 0x0B01, "x-nextstep", nullptr, "Western (NextStep)"},
    {3, 0x0920, "EUC-JP", "EUC-JP", "Japanese (EUC)"},
    {4, 0x08000100, "UTF-8", "UTF-8", "Unicode (UTF-8)"},
    {5, 0x0201, "ISO-8859-1", "ISO-8859-1", "Western (ISO Latin 1)"},
    {6, 0x0021, "x-mac-symbol", nullptr, "Symbol (Mac OS)"},
    {7, 0x0BFF, nullptr, nullptr, "Non-lossy ASCII"},
    {8, 0x0420, "Shift_JIS", "Shift_JIS", "Japanese (Shift JIS)"},
    {9, 0x0202, "ISO-8859-2", "ISO-8859-2", "Central European (ISO Latin 2)"},
    {10, 0x0100, "UTF-16", "UTF-16", "Unicode (UTF-16)"},
    {11, 0x0502, "windows-1251", "windows-1251", "Cyrillic (Windows)"},
    {12, 0x0500, "windows-1252", "windows-1252", "Western (Windows Latin 1)"},
    {13, 0x0503, "windows-1253", "windows-1253", "Greek (Windows)"},
    {14, 0x0504, "windows-1254", "windows-1254", "Turkish (Windows Latin 5)"},
    {15, 0x0501, "windows-1250", "windows-1250", "Central European (Windows Latin 2)"},
    {21, 0x0820, "ISO-2022-JP", "ISO-2022-JP", "Japanese (ISO 2022-JP)"},
    {30, 0x0000, "macintosh", "macintosh", "Western (Mac OS Roman)"},
    {0x90000100, 0x10000100, "UTF-16BE", "UTF-16BE", "Unicode (UTF-16BE)"},
    {0x94000100, 0x14000100, "UTF-16LE", "UTF-16LE", "Unicode (UTF-16LE)"},
    {0x8C000100, 0x0C000100, "UTF-32", "UTF-32", "Unicode (UTF-32)"},
    {0x98000100, 0x18000100, "UTF-32BE", "UTF-32BE", "Unicode (UTF-32BE)"},
    {0x9C000100, 0x1C000100, "UTF-32LE", "UTF-32LE", "Unicode (UTF-32LE)"},
    // The rest carry 0x80000000 | their attribute number.
    {kFromCF | 0x04000100, 0x04000100, "UTF-7", "UTF-7", "Unicode (UTF-7)"},
    {kFromCF | 0x0203, 0x0203, "ISO-8859-3", "ISO-8859-3", "Western (ISO Latin 3)"},
    {kFromCF | 0x0204, 0x0204, "ISO-8859-4", "ISO-8859-4", "Central European (ISO Latin 4)"},
    {kFromCF | 0x0205, 0x0205, "ISO-8859-5", "ISO-8859-5", "Cyrillic (ISO 8859-5)"},
    {kFromCF | 0x0206, 0x0206, "ISO-8859-6", "ISO-8859-6", "Arabic (ISO 8859-6)"},
    {kFromCF | 0x0207, 0x0207, "ISO-8859-7", "ISO-8859-7", "Greek (ISO 8859-7)"},
    {kFromCF | 0x0208, 0x0208, "ISO-8859-8", "ISO-8859-8", "Hebrew (ISO 8859-8)"},
    {kFromCF | 0x0209, 0x0209, "ISO-8859-9", "ISO-8859-9", "Turkish (ISO Latin 5)"},
    {kFromCF | 0x020A, 0x020A, "ISO-8859-10", "ISO-8859-10", "Nordic (ISO Latin 6)"},
    {kFromCF | 0x020B, 0x020B, "ISO-8859-11", "ISO-8859-11", "Thai (ISO 8859-11)"},
    {kFromCF | 0x020D, 0x020D, "ISO-8859-13", "ISO-8859-13", "Baltic (ISO Latin 7)"},
    {kFromCF | 0x020E, 0x020E, "ISO-8859-14", "ISO-8859-14", "Celtic (ISO Latin 8)"},
    {kFromCF | 0x020F, 0x020F, "ISO-8859-15", "ISO-8859-15", "Western (ISO Latin 9)"},
    {kFromCF | 0x0505, 0x0505, "windows-1255", "windows-1255", "Hebrew (Windows)"},
    {kFromCF | 0x0506, 0x0506, "windows-1256", "windows-1256", "Arabic (Windows)"},
    {kFromCF | 0x0507, 0x0507, "windows-1257", "windows-1257", "Baltic (Windows)"},
    {kFromCF | 0x0508, 0x0508, "windows-1258", "windows-1258", "Vietnamese (Windows)"},
    {kFromCF | 0x041D, 0x041D, "windows-874", "windows-874", "Thai (Windows, DOS)"},
    {kFromCF | 0x0400, 0x0400, "IBM437", "ibm-437", "Latin-US (DOS)"},
    {kFromCF | 0x0410, 0x0410, "IBM850", "ibm-850", "Western (DOS Latin 1)"},
    {kFromCF | 0x0412, 0x0412, "IBM852", "ibm-852", "Central European (DOS Latin 2)"},
    {kFromCF | 0x041B, 0x041B, "IBM866", "ibm-866", "Cyrillic (DOS)"},
    {kFromCF | 0x0A02, 0x0A02, "KOI8-R", "KOI8-R", "Cyrillic (KOI8-R)"},
    {kFromCF | 0x0A08, 0x0A08, "KOI8-U", "KOI8-U", "Ukrainian (KOI8-U)"},
    {kFromCF | 0x0007, 0x0007, "x-mac-cyrillic", "x-mac-cyrillic", "Cyrillic (Mac OS)"},
    {kFromCF | 0x0006, 0x0006, "x-mac-greek", "x-mac-greek", "Greek (Mac OS)"},
    {kFromCF | 0x001D, 0x001D, "x-mac-centraleurroman", "x-mac-centraleurroman", "Central European (Mac OS)"},
    {kFromCF | 0x0023, 0x0023, "x-mac-turkish", "x-mac-turkish", "Turkish (Mac OS)"},
    {kFromCF | 0x0632, 0x0632, "GB18030", "GB18030", "Chinese (GB 18030)"},
    {kFromCF | 0x0631, 0x0631, "GBK", "GBK", "Chinese (GBK)"},
    {kFromCF | 0x0930, 0x0930, "GB2312", "GB2312", "Simplified Chinese (GB 2312)"},
    {kFromCF | 0x0A05, 0x0A05, "HZ-GB-2312", "HZ-GB-2312", "Simplified Chinese (HZ GB 2312)"},
    {kFromCF | 0x0A03, 0x0A03, "Big5", "Big5", "Traditional Chinese (Big 5)"},
    {kFromCF | 0x0A06, 0x0A06, "Big5-HKSCS", "Big5-HKSCS", "Traditional Chinese (Big 5 HKSCS)"},
    {kFromCF | 0x0931, 0x0931, "x-euc-tw", "EUC-TW", "Traditional Chinese (EUC)"},
    {kFromCF | 0x0940, 0x0940, "EUC-KR", "EUC-KR", "Korean (EUC)"},
    {kFromCF | 0x0422, 0x0422, "CP949", "windows-949", "Korean (Windows, DOS)"},
    {kFromCF | 0x0840, 0x0840, "ISO-2022-KR", "ISO-2022-KR", "Korean (ISO 2022-KR)"},
    {kFromCF | 0x0830, 0x0830, "ISO-2022-CN", "ISO-2022-CN", "Chinese (ISO 2022-CN)"},
    {kFromCF | 0x0A01, 0x0A01, "Shift_JIS", "Shift_JIS", "Japanese (Shift JIS X0213)"},
};

struct Registry
{
    QList<TextEncodingInfo> infos;
    QHash<quint64, qsizetype> byEncoding;
    QHash<quint32, qsizetype> byCF;

    Registry()
    {
        for (const Row& row : kRows) {
            TextEncodingInfo info;
            info.encoding = row.encoding;
            info.cfEncoding = row.cfEncoding;
            info.ianaName = row.iana ? QString::fromLatin1(row.iana) : QString();
            info.icuName = row.icu ? QString::fromLatin1(row.icu) : QString();
            info.displayName = QString::fromLatin1(row.display);
            byEncoding.insert(info.encoding, infos.size());
            byCF.insert(info.cfEncoding, infos.size());
            infos.append(info);
        }
    }
};

const Registry& registry()
{
    static const Registry instance;
    return instance;
}

// ICU's canonical converter name of a charset name or alias, "" when ICU
// does not know the name.
QByteArray canonicalConverterName(const QByteArray& name)
{
    UErrorCode status = U_ZERO_ERROR;
    const char* canonical = ucnv_getAlias(name.constData(), 0, &status);
    if (U_FAILURE(status) || !canonical)
        return {};
    return QByteArray(canonical);
}

const TextEncodingInfo* findName(const QString& name, bool iana)
{
    if (name.isEmpty())
        return nullptr;
    const QByteArray wanted = name.toLatin1();
    const auto& infos = registry().infos;
    for (const auto& info : infos) {
        const QString& own = iana ? info.ianaName : info.icuName;
        if (!own.isEmpty() && ucnv_compareNames(own.toLatin1().constData(), wanted.constData()) == 0)
            return &info;
    }
    const QByteArray canonical = canonicalConverterName(wanted);
    if (canonical.isEmpty())
        return nullptr;
    for (const auto& info : infos) {
        if (!info.icuName.isEmpty() && canonicalConverterName(info.icuName.toLatin1()) == canonical)
            return &info;
    }
    return nullptr;
}

struct ConverterCloser
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's own stopping callback lets default-ignorable characters (U+200B,
// U+FE0F, U+FFF0, ...) that the encoding lacks vanish without an error.
// This one leaves every error standing.
void stopAtEveryUnmappable(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
                           UConverterCallbackReason, UErrorCode*)
{
}

// A converter that stops at the first unconvertible byte or character
// instead of substituting, so that callers learn that text would be lost.
ConverterPtr openStrictConverter(const TextEncodingInfo& info)
{
    if (info.icuName.isEmpty())
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(info.icuName.toLatin1().constData(), &status));
    if (U_FAILURE(status))
        return nullptr;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), stopAtEveryUnmappable, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return nullptr;
    return converter;
}

Error conversionError(qint64 code, quint64 encoding, const QString& description)
{
    QVariantMap info;
    info.insert(QLatin1String(kLocalizedDescriptionKey), description);
    info.insert(QStringLiteral("NSStringEncodingErrorKey"), QVariant::fromValue<quint64>(encoding));
    return Error(QLatin1String(kCocoaErrorDomain), code, info);
}

QString nameForMessages(const TextEncodingInfo* info, quint64 encoding)
{
    return info ? info->displayName : QString::number(encoding);
}

// The escaping format of the non-lossy ASCII encoding: backslash doubled,
// U+0080-U+00FF as three octal digits, other UTF-16 units as "\uXXXX".
QByteArray encodeNonLossy(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'\\') {
            out.append("\\\\");
        } else if (unit < 0x80) {
            out.append(char(unit));
        } else if (unit <= 0xFF) {
            out.append('\\');
            out.append(QByteArray::number(unit, 8).rightJustified(3, '0'));
        } else {
            out.append("\\u");
            out.append(QByteArray::number(unit, 16).rightJustified(4, '0'));
        }
    }
    return out;
}

int digitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The value of exactly `count` digits at bytes[from], or -1 when any of
// them is not a digit of the base (no sign, no space, no short form).
int fixedDigits(const QByteArray& bytes, qsizetype from, int count, int base)
{
    if (from + count > bytes.size())
        return -1;
    int value = 0;
    for (int k = 0; k < count; ++k) {
        const int digit = digitValue(bytes[from + k], base);
        if (digit < 0)
            return -1;
        value = value * base + digit;
    }
    return value;
}

// Reads only what encodeNonLossy writes: "\\", "\ooo" for U+0080-U+00FF
// and "\uXXXX" (either case of hex) for the other units above U+00FF. ASCII
// is never escaped, so an escape of it, any other backslash sequence or a
// non-ASCII byte is invalid input: one text has one spelling.
bool decodeNonLossy(const QByteArray& bytes, QString* out)
{
    QString result;
    result.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80)
            return false;
        if (b != '\\') {
            result.append(QChar(b));
            continue;
        }
        if (i + 1 < bytes.size() && bytes[i + 1] == '\\') {
            result.append(QLatin1Char('\\'));
            i += 1;
        } else if (i + 1 < bytes.size() && bytes[i + 1] == 'u') {
            const int unit = fixedDigits(bytes, i + 2, 4, 16);
            if (unit <= 0xFF)
                return false;
            result.append(QChar(char16_t(unit)));
            i += 5;
        } else {
            const int value = fixedDigits(bytes, i + 1, 3, 8);
            if (value < 0x80 || value > 0xFF)
                return false;
            result.append(QChar(char16_t(value)));
            i += 3;
        }
    }
    *out = result.isNull() ? QString(QLatin1String("")) : result;
    return true;
}

QString translate(const char* text)
{
    return QCoreApplication::translate("TextEncoding", text);
}

} // namespace

const QList<TextEncodingInfo>& TextEncoding::all()
{
    return registry().infos;
}

const TextEncodingInfo* TextEncoding::find(quint64 encoding)
{
    const auto& r = registry();
    const auto it = r.byEncoding.constFind(encoding);
    return it == r.byEncoding.constEnd() ? nullptr : &r.infos[*it];
}

const TextEncodingInfo* TextEncoding::findCFEncoding(quint32 cfEncoding)
{
    const auto& r = registry();
    const auto it = r.byCF.constFind(cfEncoding);
    return it == r.byCF.constEnd() ? nullptr : &r.infos[*it];
}

const TextEncodingInfo* TextEncoding::findIanaName(const QString& name)
{
    return findName(name, true);
}

const TextEncodingInfo* TextEncoding::findIcuName(const QString& name)
{
    return findName(name, false);
}

quint32 TextEncoding::cfEncodingFromEncoding(quint64 encoding)
{
    const TextEncodingInfo* info = find(encoding);
    return info ? info->cfEncoding : kUndetermined;
}

quint64 TextEncoding::encodingFromCFEncoding(quint32 cfEncoding)
{
    const TextEncodingInfo* info = findCFEncoding(cfEncoding);
    return info ? info->encoding : kUndetermined;
}

quint32 TextEncoding::cfEncodingFromIanaName(const QString& name)
{
    const TextEncodingInfo* info = findIanaName(name);
    return info ? info->cfEncoding : kUndetermined;
}

quint64 TextEncoding::encodingFromIanaName(const QString& name)
{
    const TextEncodingInfo* info = findIanaName(name);
    return info ? info->encoding : kUndetermined;
}

QString TextEncoding::ianaNameOfEncoding(quint64 encoding)
{
    const TextEncodingInfo* info = find(encoding);
    return info ? info->ianaName : QString();
}

bool TextEncoding::isConvertible(quint64 encoding)
{
    if (encoding == NonLossyASCII)
        return true;
    const TextEncodingInfo* info = find(encoding);
    return info && openStrictConverter(*info) != nullptr;
}

QString TextEncoding::decode(const QByteArray& bytes, quint64 encoding, Error* error)
{
    const TextEncodingInfo* info = find(encoding);
    if (encoding == NonLossyASCII) {
        QString text;
        if (decodeNonLossy(bytes, &text))
            return text;
        Error::assign(error, conversionError(261, encoding, translate("The text isn\u2019t in the encoding %1.").arg(nameForMessages(info, encoding))));
        return {};
    }
    ConverterPtr converter = info ? openStrictConverter(*info) : nullptr;
    if (!converter) {
        Error::assign(error, conversionError(264, encoding, translate("The text encoding %1 isn\u2019t supported.").arg(nameForMessages(info, encoding))));
        return {};
    }
    // Nearly every encoding needs at most one UTF-16 unit per byte; the few
    // that map one byte to more get a second pass with the size ICU asks for.
    QString text(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                                   bytes.constData(), int32_t(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        text = QString(length + 1, Qt::Uninitialized);
        status = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter.get());
        length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                               bytes.constData(), int32_t(bytes.size()), &status);
    }
    if (U_FAILURE(status)) {
        Error::assign(error, conversionError(261, encoding, translate("The text isn\u2019t in the encoding %1.").arg(nameForMessages(info, encoding))));
        return {};
    }
    text.truncate(length);
    return text;
}

QByteArray TextEncoding::encode(const QString& text, quint64 encoding, Error* error)
{
    const TextEncodingInfo* info = find(encoding);
    if (encoding == NonLossyASCII)
        return encodeNonLossy(text);
    ConverterPtr converter = info ? openStrictConverter(*info) : nullptr;
    if (!converter) {
        Error::assign(error, conversionError(517, encoding, translate("The text encoding %1 isn\u2019t supported.").arg(nameForMessages(info, encoding))));
        return {};
    }
    UErrorCode status = U_ZERO_ERROR;
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    const int32_t needed = ucnv_fromUChars(converter.get(), nullptr, 0, source, int32_t(text.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        Error::assign(error, conversionError(517, encoding, translate("The text can\u2019t be written in the encoding %1.").arg(nameForMessages(info, encoding))));
        return {};
    }
    QByteArray bytes(needed, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter.get());
    const int32_t written = ucnv_fromUChars(converter.get(), bytes.data(), needed, source, int32_t(text.size()), &status);
    if (U_FAILURE(status)) {
        Error::assign(error, conversionError(517, encoding, translate("The text can\u2019t be written in the encoding %1.").arg(nameForMessages(info, encoding))));
        return {};
    }
    bytes.truncate(written);
    // ICU maps some private-use characters to other characters' bytes
    // (fallbacks it always takes): only bytes that read back as the text are
    // the text in this encoding.
    if (decode(bytes, encoding) != text) {
        Error::assign(error, conversionError(517, encoding, translate("The text can\u2019t be written in the encoding %1.").arg(nameForMessages(info, encoding))));
        return {};
    }
    return bytes.isNull() ? QByteArray("") : bytes;
}

} // namespace plat
