#include "platform/Color.h"

#include <gtest/gtest.h>

#include <QPalette>

namespace {

QPalette makePalette(bool dark)
{
    QPalette palette;
    const QColor window = dark ? QColor(0x2B, 0x2B, 0x2B) : QColor(0xEF, 0xEF, 0xEF);
    const QColor text = dark ? QColor(0xEE, 0xEE, 0xEE) : QColor(0x10, 0x10, 0x10);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, dark ? QColor(0x1E, 0x1E, 0x1E) : QColor(Qt::white));
    palette.setColor(QPalette::AlternateBase, dark ? QColor(0x26, 0x26, 0x26) : QColor(0xF4, 0xF5, 0xF5));
    return palette;
}

TEST(ColorTest, SystemColoursFollowTheAppearance)
{
    const QPalette light = makePalette(false);
    const QPalette dark = makePalette(true);
    ASSERT_FALSE(plat::Color::isDarkPalette(light));
    ASSERT_TRUE(plat::Color::isDarkPalette(dark));

    const auto controlText = plat::Color::fromSystem(plat::SystemColor::ControlText);
    EXPECT_EQ(controlText.resolved(light), light.color(QPalette::Text));
    EXPECT_EQ(controlText.resolved(dark), dark.color(QPalette::Text));

    const auto row0 = plat::Color::fromSystem(plat::SystemColor::AlternatingRow0);
    const auto row1 = plat::Color::fromSystem(plat::SystemColor::AlternatingRow1);
    EXPECT_EQ(row0.resolved(dark), dark.color(QPalette::Base));
    EXPECT_EQ(row1.resolved(light), light.color(QPalette::AlternateBase));

    // Accent colours have a variant per appearance; fixed ones do not.
    const auto green = plat::Color::fromSystem(plat::SystemColor::SystemGreen);
    EXPECT_NE(green.resolved(light), green.resolved(dark));
    EXPECT_GT(green.resolved(light).greenF(), green.resolved(light).redF());
    const auto red = plat::Color::fromSystem(plat::SystemColor::Red);
    EXPECT_EQ(red.resolved(light), QColor(Qt::red));
    EXPECT_EQ(red.resolved(dark), QColor(Qt::red));

    // Concrete colours ignore the palette; nothing stays nothing.
    const auto salmon = plat::Color::fromRgba(QColor(0xFA, 0x80, 0x72, 0x80));
    EXPECT_EQ(salmon.resolved(dark), QColor(0xFA, 0x80, 0x72, 0x80));
    EXPECT_FALSE(plat::Color().resolved(light).isValid());
    EXPECT_TRUE(plat::Color::fromRgba(QColor()).isNull());
}

TEST(ColorTest, SystemColourNamesRoundTrip)
{
    for (int i = int(plat::SystemColor::ControlText); i <= int(plat::SystemColor::SystemGray); ++i) {
        const auto color = plat::SystemColor(i);
        const QString name = plat::Color::systemColorName(color);
        EXPECT_EQ(plat::Color::systemColorNamed(name), color) << name.toStdString();
    }
    EXPECT_EQ(plat::Color::systemColorName(plat::SystemColor::ControlText), "controlTextColor");
    EXPECT_FALSE(plat::Color::systemColorNamed("ControlTextColor").has_value());

    EXPECT_EQ(plat::Color::fromSystem(plat::SystemColor::Gray), plat::Color::fromSystem(plat::SystemColor::Gray));
    EXPECT_NE(plat::Color::fromSystem(plat::SystemColor::Gray), plat::Color::fromRgba(QColor(0x80, 0x80, 0x80)));
}

} // namespace
