#pragma once

#include <QKeySequence>
#include <QtGlobal>

#include <optional>

namespace plat {

// A key as the settings and the key tables store it: the virtual key code of
// the key's position on a US keyboard and the modifier mask of the original
// desktop (Shift 0x20000, Control 0x40000, Option 0x80000, Command 0x100000).
struct VirtualKeyStroke
{
    quint16 keyCode = 0;
    quint64 modifierFlags = 0;

    bool operator==(const VirtualKeyStroke& other) const = default;
};

// The one translation between Qt's keys and the stored key codes, both ways.
// It reads QKeyEvent::key() and modifiers(), never scan codes, so that
// synthesized events (QTest) and real ones translate alike. Ctrl is Command,
// Alt is Option, Meta is Control; Caps Lock never counts (Qt does not
// report it) and the keypad modifier is ignored, so keypad Enter is Return
// and keypad digits are digits.
class KeyCodeAdapter
{
public:
    static constexpr quint64 kShiftKeyMask = 0x20000;
    static constexpr quint64 kControlKeyMask = 0x40000;
    static constexpr quint64 kOptionKeyMask = 0x80000;
    static constexpr quint64 kCommandKeyMask = 0x100000;
    static constexpr quint64 kModifierMask = kShiftKeyMask | kControlKeyMask | kOptionKeyMask | kCommandKeyMask;

    // Key codes the views test by name.
    enum KeyCode : quint16 {
        A = 0, Z = 6, X = 7, C = 8, V = 9,
        Return = 36, Tab = 48, Space = 49, Delete = 51, Escape = 53,
        Insert = 114, Home = 115, PageUp = 116, ForwardDelete = 117, End = 119,
        F2 = 120, PageDown = 121, F1 = 122,
        LeftArrow = 123, RightArrow = 124, DownArrow = 125, UpArrow = 126,
    };

    // The stroke of a Qt key with its modifiers; none for keys without a
    // code (a bare modifier key, a media key).
    static std::optional<VirtualKeyStroke> fromQt(int qtKey, Qt::KeyboardModifiers modifiers);
    static quint64 modifierFlags(Qt::KeyboardModifiers modifiers);
    static Qt::KeyboardModifiers qtModifiers(quint64 modifierFlags);
    // The unshifted Qt key at that position; Qt::Key_unknown for an unknown code.
    static int qtKey(quint16 keyCode);
    // The sequence a menu or a shortcut editor shows; empty for an unknown code.
    static QKeySequence keySequence(const VirtualKeyStroke& stroke);
};

} // namespace plat
