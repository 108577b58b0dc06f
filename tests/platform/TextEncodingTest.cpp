#include "platform/Error.h"
#include "platform/TextEncoding.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using plat::TextEncoding;

TEST(TextEncodingTest, SettingsNumbersAndAttributeNumbersMapBothWays)
{
    struct Case
    {
        quint64 encoding;
        quint32 cf;
        const char* iana;
    };
    const Case cases[] = {
        {1, 0x0600, "US-ASCII"},
        {3, 0x0920, "EUC-JP"},
        {4, 134217984u, "UTF-8"},
        {5, 0x0201, "ISO-8859-1"},
        {8, 0x0420, "Shift_JIS"},
        {9, 0x0202, "ISO-8859-2"},
        {10, 0x0100, "UTF-16"},
        {11, 0x0502, "windows-1251"},
        {12, 0x0500, "windows-1252"},
        {15, 0x0501, "windows-1250"},
        {21, 0x0820, "ISO-2022-JP"},
        {30, 0x0000, "macintosh"},
        {0x90000100, 0x10000100, "UTF-16BE"},
        {0x94000100, 0x14000100, "UTF-16LE"},
        {0x8C000100, 0x0C000100, "UTF-32"},
        {0x98000100, 0x18000100, "UTF-32BE"},
        {0x9C000100, 0x1C000100, "UTF-32LE"},
        {0x80000632, 0x0632, "GB18030"},
        {0x80000A03, 0x0A03, "Big5"},
        {0x80000940, 0x0940, "EUC-KR"},
        {0x80000A02, 0x0A02, "KOI8-R"},
        {0x8000020F, 0x020F, "ISO-8859-15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iana);
        EXPECT_EQ(TextEncoding::cfEncodingFromEncoding(c.encoding), c.cf);
        EXPECT_EQ(TextEncoding::encodingFromCFEncoding(c.cf), c.encoding);
        EXPECT_EQ(TextEncoding::ianaNameOfEncoding(c.encoding), QLatin1String(c.iana));
        EXPECT_EQ(TextEncoding::encodingFromIanaName(QLatin1String(c.iana)), c.encoding);
        EXPECT_EQ(TextEncoding::cfEncodingFromIanaName(QLatin1String(c.iana)), c.cf);
    }
}

TEST(TextEncodingTest, NamesResolveThroughAliasesAndUnknownOnesAreUndetermined)
{
    EXPECT_EQ(TextEncoding::encodingFromIanaName(QStringLiteral("utf8")), TextEncoding::UTF8);
    EXPECT_EQ(TextEncoding::encodingFromIanaName(QStringLiteral("utf-8")), TextEncoding::UTF8);
    EXPECT_EQ(TextEncoding::encodingFromIanaName(QStringLiteral("latin1")), TextEncoding::ISOLatin1);
    EXPECT_EQ(TextEncoding::encodingFromIanaName(QStringLiteral("CP1252")), TextEncoding::WindowsCP1252);
    EXPECT_EQ(TextEncoding::encodingFromIanaName(QStringLiteral("koi8r")), 0x80000A02u);
    EXPECT_EQ(TextEncoding::encodingFromIanaName(QStringLiteral("no-such-charset")), TextEncoding::kUndetermined);
    EXPECT_EQ(TextEncoding::cfEncodingFromIanaName(QString()), TextEncoding::kUndetermined);
    EXPECT_EQ(TextEncoding::cfEncodingFromEncoding(999999), TextEncoding::kUndetermined);
    EXPECT_EQ(TextEncoding::encodingFromCFEncoding(0x7777), TextEncoding::kUndetermined);
    ASSERT_NE(TextEncoding::findIcuName(QStringLiteral("ibm-5348_P100-1997")), nullptr);
    EXPECT_EQ(TextEncoding::findIcuName(QStringLiteral("ibm-5348_P100-1997"))->encoding, TextEncoding::WindowsCP1252);
}

TEST(TextEncodingTest, EveryEncodingWithAConverterOpensAndEveryNumberIsUnique)
{
    QSet<quint64> numbers;
    QSet<quint32> cfNumbers;
    for (const auto& info : TextEncoding::all()) {
        SCOPED_TRACE(info.displayName.toStdString());
        EXPECT_FALSE(numbers.contains(info.encoding));
        EXPECT_FALSE(cfNumbers.contains(info.cfEncoding));
        numbers.insert(info.encoding);
        cfNumbers.insert(info.cfEncoding);
        if (!info.icuName.isEmpty()) {
            EXPECT_TRUE(TextEncoding::isConvertible(info.encoding));
        }
    }
}

TEST(TextEncodingTest, ConversionRoundTrips)
{
    struct Case
    {
        quint64 encoding;
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {TextEncoding::UTF8, QStringLiteral("caf\u00e9 \u65e5\u672c"), QByteArray("caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac")},
        {TextEncoding::ISOLatin1, QStringLiteral("caf\u00e9"), QByteArray("caf\xe9")},
        {TextEncoding::WindowsCP1252, QStringLiteral("\u20ac5"), QByteArray("\x80" "5")},
        {TextEncoding::WindowsCP1251, QStringLiteral("\u0416"), QByteArray("\xc6")},
        {TextEncoding::MacOSRoman, QStringLiteral("\u00e9"), QByteArray("\x8e")},
        {TextEncoding::UTF16BigEndian, QStringLiteral("A\u00e9"), QByteArray("\x00" "A" "\x00\xe9", 4)},
        {TextEncoding::UTF16LittleEndian, QStringLiteral("A"), QByteArray("A\x00", 2)},
        {TextEncoding::UTF32LittleEndian, QStringLiteral("\U0001F600"), QByteArray("\x00\xf6\x01\x00", 4)},
        {TextEncoding::ShiftJIS, QStringLiteral("\u65e5"), QByteArray("\x93\xfa")},
        {TextEncoding::JapaneseEUC, QStringLiteral("\u65e5"), QByteArray("\xc6\xfc")},
        {0x80000632, QStringLiteral("\u4e2d"), QByteArray("\xd6\xd0")},
        {0x80000A02, QStringLiteral("\u0416"), QByteArray("\xf6")},
        {TextEncoding::NonLossyASCII, QStringLiteral("a\\\u00e9\u2022"), QByteArray("a\\\\\\351\\u2022")},
        {TextEncoding::UTF8, QString(QLatin1String("")), QByteArray("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TextEncoding::find(c.encoding)->displayName.toStdString());
        plat::Error error;
        EXPECT_EQ(TextEncoding::encode(c.text, c.encoding, &error), c.bytes);
        EXPECT_TRUE(error.isNull());
        const QString decoded = TextEncoding::decode(c.bytes, c.encoding, &error);
        EXPECT_EQ(decoded, c.text);
        EXPECT_FALSE(decoded.isNull());
        EXPECT_TRUE(error.isNull());
    }
}

TEST(TextEncodingTest, UnconvertibleInputIsReportedNotReplaced)
{
    plat::Error error;
    EXPECT_TRUE(TextEncoding::decode(QByteArray("ab\xff"), TextEncoding::UTF8, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 261));
    EXPECT_EQ(error.userInfo().value(QStringLiteral("NSStringEncodingErrorKey")).toULongLong(), TextEncoding::UTF8);

    error = {};
    EXPECT_TRUE(TextEncoding::decode(QByteArray("\xe6\x97"), TextEncoding::UTF8, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 261));

    error = {};
    EXPECT_TRUE(TextEncoding::decode(QByteArray("caf\xe9"), TextEncoding::ASCII, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 261));

    error = {};
    EXPECT_TRUE(TextEncoding::encode(QStringLiteral("\u65e5"), TextEncoding::ISOLatin1, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 517));

    error = {};
    EXPECT_TRUE(TextEncoding::encode(QStringLiteral("\u00e9"), TextEncoding::ASCII, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 517));

    error = {};
    EXPECT_TRUE(TextEncoding::decode(QByteArray("abc"), TextEncoding::NEXTSTEP, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 264));

    error = {};
    EXPECT_TRUE(TextEncoding::decode(QByteArray("a\\q"), TextEncoding::NonLossyASCII, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 261));
}

TEST(TextEncodingTest, EncodingRefusesTextItCannotWriteExactly)
{
    // Ignorable characters must not vanish and private-use characters must
    // not become others: two names would become the same bytes.
    const char16_t probes[] = {0x200B, 0xFE0F, 0xFFF0, 0x00AD, 0x2060, 0xE000, 0xE5E5, 0xF8F0, 0xF8FF, 0xDBFF};
    for (const plat::TextEncodingInfo& info : TextEncoding::all()) {
        if (!TextEncoding::isConvertible(info.encoding))
            continue;
        for (const char16_t probe : probes) {
            const QString text = QStringLiteral("a") + QChar(probe) + QStringLiteral("b");
            plat::Error error;
            const QByteArray bytes = TextEncoding::encode(text, info.encoding, &error);
            if (bytes.isNull()) {
                EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 517)) << info.displayName.toStdString();
                continue;
            }
            EXPECT_EQ(TextEncoding::decode(bytes, info.encoding), text)
                << info.displayName.toStdString() << " U+" << std::hex << int(probe);
        }
    }
    plat::Error error;
    EXPECT_TRUE(TextEncoding::encode(QStringLiteral("a\u200Bb"), TextEncoding::ISOLatin1, &error).isNull());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 517));
    EXPECT_TRUE(TextEncoding::encode(QStringLiteral("\uFE0F"), TextEncoding::ShiftJIS).isNull());
    EXPECT_TRUE(TextEncoding::encode(QStringLiteral("\uFFF0"), TextEncoding::WindowsCP1252).isNull());
    EXPECT_EQ(TextEncoding::encode(QStringLiteral("a\u200Bb"), TextEncoding::UTF8), QByteArray("a\xe2\x80\x8b" "b"));
}

TEST(TextEncodingTest, NonLossyASCIIReadsOnlyTheFormsItWrites)
{
    struct Case
    {
        QByteArray bytes;
        QString text;  // null: refused
    };
    const Case cases[] = {
        {"\\351\\u2022\\\\", QStringLiteral("\u00e9\u2022\\")},
        {"\\u20AC\\u20ac", QStringLiteral("\u20ac\u20ac")},
        {"\\ud83d\\ude00", QStringLiteral("\U0001F600")},
        {"\\200\\377", QStringLiteral("\u0080\u00ff")},
        // Sign, space and short hex are not hex digits of the form.
        {"\\u+041", QString()},
        {"\\u 041", QString()},
        {"\\u041", QString()},
        {"\\u00e", QString()},
        {"\\u12345", QStringLiteral("\u12345")},
        // ASCII is written as it is, never escaped.
        {"\\101", QString()},
        {"\\000", QString()},
        {"\\177", QString()},
        {"\\u0041", QString()},
        {"\\u00e9", QString()},
        // Three octal digits, nothing swallowed after a short one.
        {"\\1  ", QString()},
        {"\\1\\n", QString()},
        {"\\38", QString()},
        {"\\400", QString()},
        {"\\", QString()},
        {"a\\", QString()},
        {"\\q", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        plat::Error error;
        const QString text = TextEncoding::decode(c.bytes, TextEncoding::NonLossyASCII, &error);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.isNull(), c.text.isNull());
        EXPECT_EQ(error.is(plat::kCocoaErrorDomain, 261), c.text.isNull());
    }
}

TEST(TextEncodingTest, UnicodeWithByteOrderMarkReadsBothOrders)
{
    EXPECT_EQ(TextEncoding::decode(QByteArray("\xff\xfe" "A\x00", 4), TextEncoding::Unicode), QStringLiteral("A"));
    EXPECT_EQ(TextEncoding::decode(QByteArray("\xfe\xff\x00" "A", 4), TextEncoding::Unicode), QStringLiteral("A"));
}
