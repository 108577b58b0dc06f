#include "SettingsTestSupport.h"

#include "platform/KeyedArchiver.h"

namespace {

using mivtest::SettingsTest;

class MivShortcutTableTest : public SettingsTest
{
};

TEST_F(MivShortcutTableTest, AFreshTableHoldsTheDefaults)
{
    const auto c = MivContext::create();
    c->initContext();
    const auto table = c->shortcuts();
    ASSERT_EQ(table.size(), 27);
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        EXPECT_EQ(it->keyCode, it->defautKeyCode) << it.key().toStdString();
        EXPECT_EQ(it->keyModifiers, it->defaultMod) << it.key().toStdString();
        EXPECT_FALSE(it->label.isEmpty());
    }
    const MivShortcutEntry up = table.value(QStringLiteral("file.table.select.up"));
    EXPECT_EQ(up.keyCode, 126u);
    EXPECT_EQ(up.keyModifiers, MivContext::kShiftKeyMask);
    EXPECT_EQ(up.label, QStringLiteral("Files Panel: Select File and Go Up"));
    EXPECT_EQ(table.value(QStringLiteral("file.table.deletefiles")).keyCode, 117u);
}

TEST_F(MivShortcutTableTest, MatchingByCodeAndMask)
{
    const auto c = MivContext::create();
    c->initContext();
    const quint64 shift = MivContext::kShiftKeyMask;
    const quint64 command = MivContext::kCommandKeyMask;
    const quint64 capsLock = MivContext::kCapsLockKeyMask;
    struct Case
    {
        const char* id;
        quint16 keyCode;
        quint64 flags;
        bool matches;
    };
    const Case cases[] = {
        {"file.table.select.up", 126, shift, true},
        {"file.table.select.up", 126, shift | command, true},  // extra modifiers are allowed
        {"file.table.select.up", 126, 0, false},
        {"file.table.select.up", 125, shift, false},
        {"file.table.open", 36, 0, true},
        {"file.table.open", 36, capsLock, true},  // Caps Lock alone is no modifier
        {"file.table.open", 36, command, false},   // the panel passes false
        {"file.table.open", 36, shift | capsLock, false},
        {"no.such.id", 36, 0, false},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(c->checkShortcut(QString::fromLatin1(test.id), test.keyCode, test.flags, MivContext::hasNoModifiers(test.flags)),
                  test.matches)
            << test.id << " " << test.keyCode << " " << test.flags;
    }
    // The caller's flag decides for an entry without modifiers.
    EXPECT_TRUE(c->checkShortcut(QStringLiteral("file.table.open"), 36, command, true));
}

TEST_F(MivShortcutTableTest, UserKeysSurviveAndClearedOnesComeBack)
{
    const auto c = MivContext::create();
    c->initContext();
    c->updateShortcut(MivToolShortcut{12, MivContext::kControlKeyMask}, QStringLiteral("file.table.filter"));
    c->updateShortcut(std::nullopt, QStringLiteral("file.table.hidden"));
    c->updateShortcut(MivToolShortcut{1, 0}, QStringLiteral("no.such.id"));
    EXPECT_EQ(c->shortcuts().value(QStringLiteral("file.table.hidden")).keyCode, 0u);
    EXPECT_FALSE(c->shortcuts().contains(QStringLiteral("no.such.id")));

    auto archived = c->encodeWithCoder();
    for (auto& [key, value] : archived.entries) {
        if (key == QLatin1String("otherShortcuts")) {
            QVariantMap map = value.toMap();
            map.insert(QStringLiteral("gone.id"), QVariant::fromValue(MivShortcutEntry{QStringLiteral("old"), 3, 0, 3, 0}.encodeWithCoder()));
            value = map;
        }
    }
    const auto restarted = MivContext::initWithCoder(archived);
    restarted->initContext();
    const auto table = restarted->shortcuts();
    EXPECT_EQ(table.size(), 27) << "ids the table no longer has are dropped";
    EXPECT_EQ(table.value(QStringLiteral("file.table.filter")).keyCode, 12u);
    EXPECT_EQ(table.value(QStringLiteral("file.table.filter")).keyModifiers, MivContext::kControlKeyMask);
    EXPECT_EQ(table.value(QStringLiteral("file.table.hidden")).keyCode, 47u);
    EXPECT_EQ(table.value(QStringLiteral("file.table.hidden")).keyModifiers, MivContext::kControlKeyMask);

    restarted->setDictObject(QVariantMap{}, QStringLiteral("main.shortcuts"));
    restarted->resetShortcuts();
    EXPECT_EQ(restarted->shortcuts().value(QStringLiteral("file.table.filter")).keyCode, 1u);
    EXPECT_FALSE(restarted->dict().contains(QStringLiteral("main.shortcuts")));
}

} // namespace
