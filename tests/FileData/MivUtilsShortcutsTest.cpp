#include "FileData/MivUtils.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

TEST(MivUtilsShortcutsTest, DisplayTexts)
{
    struct Case
    {
        QString keys;
        quint64 modifiers;
        const char* text;
    };
    const quint64 shift = MivUtils::ShiftKeyMask;
    const quint64 control = MivUtils::ControlKeyMask;
    const quint64 option = MivUtils::AlternateKeyMask;
    const quint64 command = MivUtils::CommandKeyMask;
    const Case cases[] = {
        {QStringLiteral("a"), command, "\u2318A"},
        {QStringLiteral("A"), 0, "\u21E7A"},
        {QStringLiteral("a"), shift | control | option | command, "\u21E7\u2303\u2325\u2318A"},
        {QStringLiteral("a"), 0, "A"},
        {QString(QChar(0xF708)), 0, "F5"},
        {QString(QChar(0xF704)), option, "\u2325F1"},
        {QString(QChar(0xF712)), 0, "F15"},
        {QString(QChar(0xF728)), command | shift, ""},
        {QStringLiteral("x") + QChar(0xF728), command, ""},
        {QString(QChar(3)), 0, "\u2305"},
        {QString(QChar(8)), 0, "\u232B"},
        {QString(QChar(9)), control, "\u2303\u21E5"},
        {QString(QChar(13)), command, "\u2318\u21A9"},
        {QString(QChar(27)), 0, "\u238B"},
        {QStringLiteral(" "), control, "\u2303Space"},
        {QString(QChar(127)), 0, "\u2326"},
        {QString(QChar(0xF700)), 0, "\u2191"},
        {QString(QChar(0xF701)), 0, "\u2193"},
        {QString(QChar(0xF702)), 0, "\u2190"},
        {QString(QChar(0xF703)), 0, "\u2192"},
        {QString(QChar(0xF729)), 0, "\u2196"},
        {QString(QChar(0xF72B)), 0, "\u2198"},
        {QString(QChar(0xF72C)), 0, "\u21DE"},
        {QString(QChar(0xF72D)), 0, "\u21DF"},
        {QStringLiteral("1"), command, "\u23181"},
        {QStringLiteral("["), command, "\u2318["},
        {QString(), command, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keys.toStdString() << " " << c.modifiers);
        const QString text = MivUtils::userString(c.keys, c.modifiers);
        EXPECT_EQ(text, QString::fromUtf8(c.text));
        EXPECT_FALSE(text.isNull());
    }
}
