#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// Small services used everywhere: strings and paths, MS-DOS dates, the
// text-encoding attribute of files, shortcut texts. Class operations only;
// the implementation is split by concern (MivUtils_<Concern>.cpp).
class MivUtils
{
public:
    MivUtils() = delete;

    // --- Strings and paths (MivUtils_Strings.cpp) ---

    // Percent-encodes everything outside the characters a URL path allows
    // unescaped (letters, digits and "!$&'()*+,-./:=@_~"), from the string's
    // UTF-8 bytes (file-name bytes that are not UTF-8 keep their own byte).
    static QString sanitizedString(const QString& string);
    // The same from the bytes themselves (a path as the kernel gives it).
    static QString sanitizedNative(const QByteArray& bytes);
    // The string without the suffix when it ends with it (an empty suffix
    // changes nothing).
    static QString stringWithStripSuffix(const QString& suffix, const QString& from);
    // True when the part occurs in the string; an empty part occurs nowhere.
    static bool string(const QString& string, const QString& contains);
    // The path relative to the base: ".." for each base component after the
    // common leading components, then the rest of the path. Equal paths give "".
    static QString stringWithPath(const QString& path, const QString& relativeTo);
    // True when no character is outside the decimal digits (any script's);
    // the empty string is all digits.
    static bool isAllDigits(const QString& string);
    // True when the whole string, white space around it aside, is one
    // decimal floating-point number ("1.5", "-2", ".5", "1e3").
    static bool isNumeric(const QString& string);
    // Left-pads the string to the padding's length with the padding's
    // characters: the last padding.size() characters of padding + string (so
    // a longer string keeps only its rightmost characters).
    static QString leftPadString(const QString& string, const QString& withPadding);
    // When the string is shorter than the length: the pad string repeated,
    // starting at its index (taken modulo its length), to fill the difference,
    // followed by the string. Otherwise, or with an empty pad string, the string.
    static QString leftPadString(const QString& string, qsizetype toLength, const QString& withString,
                                 qsizetype startingAtIndex);

    // --- MS-DOS dates (MivUtils_Dates.cpp) ---

    // The local time packed in an MS-DOS date and time (seconds/2 in bits
    // 0-4, minutes 5-10, hours 11-15, day 16-20, month 21-24, year-1980
    // 25-31). Out-of-range fields roll over as calendar arithmetic does (the
    // value 0, day 0 of month 0 of 1980, is 30 November 1979); the local
    // time zone's daylight saving time applies where it was in effect on
    // that date. A null QDateTime when the time cannot be represented.
    static QDateTime dateFromMsDosFormat(quint32 msDosDateTime);

    // --- Text-encoding attribute (MivUtils_Encoding.cpp) ---

    // The extended attribute that records a text file's encoding. Other
    // Linux tools read it as a bare charset name, so it is written that way;
    // the "IANA name;number" form is read too.
    static constexpr const char* kTextEncodingAttributeName = "user.charset";

    // The string-encoding number recorded for the file, or 0 when there is
    // none or it names no known encoding.
    static quint64 textEncodingAttributeOfURL(const QUrl& url);
    // YES when written; NO for an encoding without a charset name.
    static bool setTextEncodingAttribute(quint64 encoding, const QUrl& url);
    // The attribute's value decoded as UTF-8; a null text when the file has
    // no such attribute.
    static QString extValueForAttr(const QString& attr, const QUrl& fileURL);
    // Writes the value's UTF-8 bytes, replacing an old value: 0, or -1 on
    // failure.
    static int setExtValue(const QString& value, const QString& attr, const QUrl& fileURL);

    // --- Shortcut texts (MivUtils_Shortcuts.cpp) ---

    // Modifier masks of key equivalents, as stored in settings.
    enum : quint64 {
        ShiftKeyMask = 0x20000,
        ControlKeyMask = 0x40000,
        AlternateKeyMask = 0x80000,
        CommandKeyMask = 0x100000,
    };

    // The display text of a shortcut: modifier symbols (shift, control,
    // option, command, in that order), then the keys in upper case with
    // special keys as symbols ("⌘A", "⇧⌥F5", "⌃Space").
    static QString userString(const QString& keys, quint64 modifiers);
};
