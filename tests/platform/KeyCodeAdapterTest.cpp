#include "platform/KeyCodeAdapter.h"

#include <gtest/gtest.h>

namespace {

using plat::KeyCodeAdapter;
using plat::VirtualKeyStroke;

struct KeyCase
{
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint16 keyCode;
    quint64 flags;
};

constexpr quint64 kShift = KeyCodeAdapter::kShiftKeyMask;
constexpr quint64 kControl = KeyCodeAdapter::kControlKeyMask;
constexpr quint64 kOption = KeyCodeAdapter::kOptionKeyMask;
constexpr quint64 kCommand = KeyCodeAdapter::kCommandKeyMask;

TEST(KeyCodeAdapterTest, QtKeysTranslateToStoredCodesAndMasks)
{
    const KeyCase cases[] = {
        {Qt::Key_Return, Qt::NoModifier, 36, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, 36, 0},
        {Qt::Key_Tab, Qt::NoModifier, 48, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, 48, kShift},
        {Qt::Key_Space, Qt::NoModifier, 49, 0},
        {Qt::Key_Backspace, Qt::NoModifier, 51, 0},
        {Qt::Key_Escape, Qt::NoModifier, 53, 0},
        {Qt::Key_Delete, Qt::NoModifier, 117, 0},
        {Qt::Key_Insert, Qt::NoModifier, 114, 0},
        {Qt::Key_Home, Qt::NoModifier, 115, 0},
        {Qt::Key_End, Qt::ShiftModifier, 119, kShift},
        {Qt::Key_PageUp, Qt::NoModifier, 116, 0},
        {Qt::Key_PageDown, Qt::NoModifier, 121, 0},
        {Qt::Key_Left, Qt::NoModifier, 123, 0},
        {Qt::Key_Right, Qt::NoModifier, 124, 0},
        {Qt::Key_Down, Qt::KeypadModifier, 125, 0},
        {Qt::Key_Up, Qt::NoModifier, 126, 0},
        {Qt::Key_F1, Qt::NoModifier, 122, 0},
        {Qt::Key_F2, Qt::NoModifier, 120, 0},
        {Qt::Key_A, Qt::NoModifier, 0, 0},
        {Qt::Key_S, Qt::NoModifier, 1, 0},
        {Qt::Key_D, Qt::NoModifier, 2, 0},
        {Qt::Key_Z, Qt::ControlModifier, 6, kCommand},
        {Qt::Key_X, Qt::ControlModifier, 7, kCommand},
        {Qt::Key_C, Qt::ControlModifier, 8, kCommand},
        {Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, 9, kCommand | kShift},
        {Qt::Key_O, Qt::AltModifier, 31, kOption},
        {Qt::Key_I, Qt::MetaModifier, 34, kControl},
        {Qt::Key_Backslash, Qt::NoModifier, 42, 0},
        {Qt::Key_Slash, Qt::NoModifier, 44, 0},
        {Qt::Key_Period, Qt::NoModifier, 47, 0},
        // Shifted symbols are their key.
        {Qt::Key_Question, Qt::ShiftModifier, 44, kShift},
        {Qt::Key_Greater, Qt::ShiftModifier, 47, kShift},
        {Qt::Key_Bar, Qt::ShiftModifier, 42, kShift},
        {Qt::Key_At, Qt::ShiftModifier, 19, kShift},
        {Qt::Key_2, Qt::ShiftModifier, 19, kShift},
        // All four modifiers at once.
        {Qt::Key_1, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, 18,
         kShift | kControl | kOption | kCommand},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(QKeySequence(c.qtKey).toString().toStdString());
        const auto stroke = KeyCodeAdapter::fromQt(c.qtKey, c.modifiers);
        ASSERT_TRUE(stroke.has_value());
        EXPECT_EQ(stroke->keyCode, c.keyCode);
        EXPECT_EQ(stroke->modifierFlags, c.flags);
    }
}

TEST(KeyCodeAdapterTest, KeysWithoutAPositionHaveNoCode)
{
    for (int key : {int(Qt::Key_Shift), int(Qt::Key_Control), int(Qt::Key_CapsLock), int(Qt::Key_VolumeUp),
                    int(Qt::Key_unknown)})
        EXPECT_FALSE(KeyCodeAdapter::fromQt(key, Qt::NoModifier).has_value()) << key;
}

TEST(KeyCodeAdapterTest, StoredStrokesGiveTheSequenceThatTranslatesBack)
{
    const VirtualKeyStroke strokes[] = {
        {36, 0}, {48, kShift}, {51, kCommand}, {117, 0}, {114, 0}, {123, kOption | kShift},
        {0, kCommand}, {44, kControl}, {19, kShift}, {122, 0},
    };
    for (const VirtualKeyStroke& stroke : strokes) {
        const QKeySequence sequence = KeyCodeAdapter::keySequence(stroke);
        ASSERT_EQ(sequence.count(), 1) << stroke.keyCode;
        const QKeyCombination combination = sequence[0];
        const auto back = KeyCodeAdapter::fromQt(combination.key(), combination.keyboardModifiers());
        ASSERT_TRUE(back.has_value()) << stroke.keyCode;
        EXPECT_EQ(*back, stroke);
    }
    EXPECT_EQ(KeyCodeAdapter::keySequence({36, kCommand}), QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(KeyCodeAdapter::keySequence({19, kShift}), QKeySequence(Qt::SHIFT | Qt::Key_2));
    EXPECT_TRUE(KeyCodeAdapter::keySequence({10, 0}).isEmpty());
    EXPECT_TRUE(KeyCodeAdapter::keySequence({999, kCommand}).isEmpty());
}

} // namespace
