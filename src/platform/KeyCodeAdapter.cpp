#include "platform/KeyCodeAdapter.h"

#include <array>

namespace plat {

namespace {

struct KeyPosition
{
    int qtKey;
    quint16 keyCode;
};

// Each key's position on a US (ANSI) keyboard. The first row naming a code is
// the key it stands for when translating back; shifted symbols follow their
// key, so Shift-2 and "@" are the same stroke.
constexpr KeyPosition kPositions[] = {
    {Qt::Key_A, 0}, {Qt::Key_S, 1}, {Qt::Key_D, 2}, {Qt::Key_F, 3}, {Qt::Key_H, 4},
    {Qt::Key_G, 5}, {Qt::Key_Z, 6}, {Qt::Key_X, 7}, {Qt::Key_C, 8}, {Qt::Key_V, 9},
    {Qt::Key_B, 11}, {Qt::Key_Q, 12}, {Qt::Key_W, 13}, {Qt::Key_E, 14}, {Qt::Key_R, 15},
    {Qt::Key_Y, 16}, {Qt::Key_T, 17},
    {Qt::Key_1, 18}, {Qt::Key_Exclam, 18},
    {Qt::Key_2, 19}, {Qt::Key_At, 19},
    {Qt::Key_3, 20}, {Qt::Key_NumberSign, 20},
    {Qt::Key_4, 21}, {Qt::Key_Dollar, 21},
    {Qt::Key_6, 22}, {Qt::Key_AsciiCircum, 22},
    {Qt::Key_5, 23}, {Qt::Key_Percent, 23},
    {Qt::Key_Equal, 24}, {Qt::Key_Plus, 24},
    {Qt::Key_9, 25}, {Qt::Key_ParenLeft, 25},
    {Qt::Key_7, 26}, {Qt::Key_Ampersand, 26},
    {Qt::Key_Minus, 27}, {Qt::Key_Underscore, 27},
    {Qt::Key_8, 28}, {Qt::Key_Asterisk, 28},
    {Qt::Key_0, 29}, {Qt::Key_ParenRight, 29},
    {Qt::Key_BracketRight, 30}, {Qt::Key_BraceRight, 30},
    {Qt::Key_O, 31}, {Qt::Key_U, 32},
    {Qt::Key_BracketLeft, 33}, {Qt::Key_BraceLeft, 33},
    {Qt::Key_I, 34}, {Qt::Key_P, 35},
    {Qt::Key_Return, 36}, {Qt::Key_Enter, 36},
    {Qt::Key_L, 37}, {Qt::Key_J, 38},
    {Qt::Key_Apostrophe, 39}, {Qt::Key_QuoteDbl, 39},
    {Qt::Key_K, 40},
    {Qt::Key_Semicolon, 41}, {Qt::Key_Colon, 41},
    {Qt::Key_Backslash, 42}, {Qt::Key_Bar, 42},
    {Qt::Key_Comma, 43}, {Qt::Key_Less, 43},
    {Qt::Key_Slash, 44}, {Qt::Key_Question, 44},
    {Qt::Key_N, 45}, {Qt::Key_M, 46},
    {Qt::Key_Period, 47}, {Qt::Key_Greater, 47},
    {Qt::Key_Tab, 48}, {Qt::Key_Backtab, 48},
    {Qt::Key_Space, 49},
    {Qt::Key_QuoteLeft, 50}, {Qt::Key_AsciiTilde, 50},
    {Qt::Key_Backspace, 51},
    {Qt::Key_Escape, 53},
    {Qt::Key_F17, 64}, {Qt::Key_F18, 79}, {Qt::Key_F19, 80}, {Qt::Key_F20, 90},
    {Qt::Key_F5, 96}, {Qt::Key_F6, 97}, {Qt::Key_F7, 98}, {Qt::Key_F3, 99},
    {Qt::Key_F8, 100}, {Qt::Key_F9, 101}, {Qt::Key_F11, 103}, {Qt::Key_F13, 105},
    {Qt::Key_F16, 106}, {Qt::Key_F14, 107}, {Qt::Key_F10, 109}, {Qt::Key_F12, 111},
    {Qt::Key_F15, 113},
    {Qt::Key_Insert, 114}, {Qt::Key_Help, 114},
    {Qt::Key_Home, 115}, {Qt::Key_PageUp, 116}, {Qt::Key_Delete, 117},
    {Qt::Key_F4, 118}, {Qt::Key_End, 119}, {Qt::Key_F2, 120}, {Qt::Key_PageDown, 121},
    {Qt::Key_F1, 122},
    {Qt::Key_Left, 123}, {Qt::Key_Right, 124}, {Qt::Key_Down, 125}, {Qt::Key_Up, 126},
};

} // namespace

std::optional<VirtualKeyStroke> KeyCodeAdapter::fromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    for (const KeyPosition& position : kPositions) {
        if (position.qtKey == qtKey)
            return VirtualKeyStroke{position.keyCode, modifierFlags(modifiers)};
    }
    return std::nullopt;
}

quint64 KeyCodeAdapter::modifierFlags(Qt::KeyboardModifiers modifiers)
{
    quint64 flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= kShiftKeyMask;
    if (modifiers & Qt::ControlModifier)
        flags |= kCommandKeyMask;
    if (modifiers & Qt::AltModifier)
        flags |= kOptionKeyMask;
    if (modifiers & Qt::MetaModifier)
        flags |= kControlKeyMask;
    return flags;
}

Qt::KeyboardModifiers KeyCodeAdapter::qtModifiers(quint64 modifierFlags)
{
    Qt::KeyboardModifiers modifiers;
    if (modifierFlags & kShiftKeyMask)
        modifiers |= Qt::ShiftModifier;
    if (modifierFlags & kCommandKeyMask)
        modifiers |= Qt::ControlModifier;
    if (modifierFlags & kOptionKeyMask)
        modifiers |= Qt::AltModifier;
    if (modifierFlags & kControlKeyMask)
        modifiers |= Qt::MetaModifier;
    return modifiers;
}

int KeyCodeAdapter::qtKey(quint16 keyCode)
{
    for (const KeyPosition& position : kPositions) {
        if (position.keyCode == keyCode)
            return position.qtKey;
    }
    return Qt::Key_unknown;
}

QKeySequence KeyCodeAdapter::keySequence(const VirtualKeyStroke& stroke)
{
    const int key = qtKey(stroke.keyCode);
    if (key == Qt::Key_unknown)
        return {};
    return QKeySequence(QKeyCombination(qtModifiers(stroke.modifierFlags), Qt::Key(key)));
}

} // namespace plat
