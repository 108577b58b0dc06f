#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace plat {

class Error;

// What the program knows of one text encoding. Two numberings travel through
// the program: the string-encoding number that settings, menus and documents
// store (1 ASCII, 4 UTF-8, 30 Mac OS Roman, 0x80000000 | the other number for
// the rest), and the numbering of the text-encoding attribute of files
// (UTF-8 is 0x08000100 there).
struct TextEncodingInfo
{
    quint64 encoding = 0;        // string-encoding number (stored in settings)
    quint32 cfEncoding = 0;      // attribute numbering
    QString ianaName;            // empty when the encoding has no charset name
    QString icuName;             // ICU converter; empty when ICU has none
    QString displayName;         // English name for encoding menus
};

// The one registry of text encodings and the one place that converts bytes
// and text (ICU ucnv). Lookups answer nullptr, or kUndetermined for numbers,
// when an encoding is unknown. Thread-safe: the table is immutable.
class TextEncoding
{
public:
    TextEncoding() = delete;

    // The invalid-encoding value of both numberings: no encoding determined.
    static constexpr quint32 kUndetermined = 0xFFFFFFFFu;

    // Settings numbers that code names directly.
    static constexpr quint64 kASCII = 1;
    static constexpr quint64 kUTF8 = 4;
    static constexpr quint64 kISOLatin1 = 5;
    static constexpr quint64 kUTF16 = 10;

    // Settings numbers of the encodings that callers name directly.
    enum : quint64 {
        ASCII = 1,
        NEXTSTEP = 2,
        JapaneseEUC = 3,
        UTF8 = 4,
        ISOLatin1 = 5,
        Symbol = 6,
        NonLossyASCII = 7,
        ShiftJIS = 8,
        ISOLatin2 = 9,
        Unicode = 10,
        WindowsCP1251 = 11,
        WindowsCP1252 = 12,
        WindowsCP1253 = 13,
        WindowsCP1254 = 14,
        WindowsCP1250 = 15,
        ISO2022JP = 21,
        MacOSRoman = 30,
        UTF16BigEndian = 0x90000100,
        UTF16LittleEndian = 0x94000100,
        UTF32 = 0x8C000100,
        UTF32BigEndian = 0x98000100,
        UTF32LittleEndian = 0x9C000100,
    };

    static const QList<TextEncodingInfo>& all();

    static const TextEncodingInfo* find(quint64 encoding);
    static const TextEncodingInfo* findCFEncoding(quint32 cfEncoding);
    // Charset names compare as ICU does (case, "-" and "_" ignored) and
    // resolve ICU's aliases: "utf8", "latin1" and "cp1252" are found.
    static const TextEncodingInfo* findIanaName(const QString& name);
    static const TextEncodingInfo* findIcuName(const QString& name);

    // Conversions between the numberings; kUndetermined for unknown input.
    static quint32 cfEncodingFromEncoding(quint64 encoding);
    static quint64 encodingFromCFEncoding(quint32 cfEncoding);
    static quint32 cfEncodingFromIanaName(const QString& name);
    static quint64 encodingFromIanaName(const QString& name);
    static QString ianaNameOfEncoding(quint64 encoding);

    // YES when bytes in this encoding can be converted here.
    static bool isConvertible(quint64 encoding);

    // Strict conversions: input that the encoding cannot represent gives a
    // null result and an error in "NSCocoaErrorDomain" (261 reading, 517
    // writing; 264 for an encoding that cannot be converted here) whose user
    // info holds the encoding under "NSStringEncodingErrorKey".
    static QString decode(const QByteArray& bytes, quint64 encoding, Error* error = nullptr);
    static QByteArray encode(const QString& text, quint64 encoding, Error* error = nullptr);
};

} // namespace plat
