#pragma once

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

    // --- MS-DOS dates (MivUtils_Dates.cpp) ---

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
