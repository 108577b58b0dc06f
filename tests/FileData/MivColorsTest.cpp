#include "FileData/MivColors.h"

#include <gtest/gtest.h>

#include <QColor>

namespace {

TEST(MivColorsTest, LooksUpWebColoursByExactName)
{
    const QColor salmon = MivColors::colorWithName("Salmon");
    ASSERT_TRUE(salmon.isValid());
    EXPECT_FLOAT_EQ(salmon.redF(), 0xFA / 255.0f);
    EXPECT_FLOAT_EQ(salmon.greenF(), 0x80 / 255.0f);
    EXPECT_FLOAT_EQ(salmon.blueF(), 0x72 / 255.0f);
    EXPECT_FLOAT_EQ(salmon.alphaF(), 1.0f);

    // The names the level bars use, and the ones with odd capitals.
    EXPECT_EQ(MivColors::colorWithName("Dark Green").rgb(), QColor(0x00, 0x64, 0x00).rgb());
    EXPECT_EQ(MivColors::colorWithName("Fire Brick").rgb(), QColor(0xB2, 0x22, 0x22).rgb());
    EXPECT_EQ(MivColors::colorWithName("Dark GoldenRod").rgb(), QColor(0xB8, 0x86, 0x0B).rgb());
    EXPECT_EQ(MivColors::colorWithName("Lawn Green").rgb(), QColor(0x7C, 0xFC, 0x00).rgb());
    EXPECT_EQ(MivColors::colorWithName("PaleViolet Red").rgb(), QColor(0xD8, 0x70, 0x93).rgb());
    EXPECT_EQ(MivColors::colorWithName("Yellow Green").rgb(), QColor(0x9A, 0xCD, 0x32).rgb());

    EXPECT_FALSE(MivColors::colorWithName("Black").isValid());
    EXPECT_FALSE(MivColors::colorWithName("dark green").isValid());
    EXPECT_FALSE(MivColors::colorWithName("Dark Goldenrod").isValid());
    EXPECT_FALSE(MivColors::colorWithName("").isValid());

    // Rebuilding the list leaves lookups as they were.
    MivColors::createDefaultColorLists();
    EXPECT_EQ(MivColors::colorWithName("Salmon"), salmon);
}

TEST(MivColorsTest, LighterAndDarkerClampAndKeepAlpha)
{
    EXPECT_EQ(MivColors::lighterColorForColor(Qt::white).rgba(), QColor(Qt::white).rgba());
    EXPECT_EQ(MivColors::darkerColorForColor(Qt::black).rgba(), QColor(Qt::black).rgba());

    const QColor c = QColor::fromRgbF(0.1f, 0.5f, 0.9f, 0.25f);
    const QColor darker = MivColors::darkerColorForColor(c);
    EXPECT_FLOAT_EQ(darker.redF(), 0.0f);
    EXPECT_NEAR(darker.greenF(), 0.3f, 1e-4);
    EXPECT_NEAR(darker.blueF(), 0.7f, 1e-4);
    EXPECT_NEAR(darker.alphaF(), 0.25f, 1e-4);

    const QColor lighter = MivColors::lighterColorForColor(c);
    EXPECT_NEAR(lighter.redF(), 0.3f, 1e-4);
    EXPECT_NEAR(lighter.greenF(), 0.7f, 1e-4);
    EXPECT_FLOAT_EQ(lighter.blueF(), 1.0f);
    EXPECT_NEAR(lighter.alphaF(), 0.25f, 1e-4);

    // Colours in other models are converted to RGB first.
    const QColor hsv = QColor::fromHsv(0, 255, 128);
    EXPECT_EQ(MivColors::lighterColorForColor(hsv).spec(), QColor::Rgb);
    EXPECT_NEAR(MivColors::lighterColorForColor(hsv).redF(), hsv.toRgb().redF() + 0.2f, 1e-4);

    EXPECT_FALSE(MivColors::lighterColorForColor(QColor()).isValid());
}

} // namespace
