#include "support/WaitUntil.h"

#include "FileData/MivColors.h"
#include "app/controls/ColorGradientView.h"
#include "app/controls/MivLevelIndicator.h"
#include "app/controls/MivProgressIndicator.h"
#include "app/settings/MivContext.h"
#include "platform/NotificationCenter.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

class DarkModeScope
{
public:
    explicit DarkModeScope(bool* dark) { MivContext::setDarkModeProvider([dark] { return *dark; }); }
    ~DarkModeScope() { MivContext::setDarkModeProvider({}); }
};

TEST(MivProgressIndicator, LevelColoursFollowTheThresholdsAndTheAppearance)
{
    bool dark = false;
    DarkModeScope scope(&dark);
    MivProgressIndicator indicator;
    MivLevelIndicator* level = indicator.level();
    QLabel* caption = indicator.text();
    EXPECT_EQ(caption->text(), QStringLiteral("----"));

    struct Case
    {
        double value;
        QString light;
        QString darkName;
    };
    const QColor systemYellow(255, 204, 0);
    for (const Case& c : {Case{0, "Lawn Green", "Dark Green"}, Case{49, "Lawn Green", "Dark Green"},
                          Case{50, "", "Dark GoldenRod"}, Case{79.9, "", "Dark GoldenRod"},
                          Case{80, "Salmon", "Fire Brick"}, Case{100, "Salmon", "Fire Brick"}}) {
        SCOPED_TRACE(c.value);
        indicator.setValue(c.value);
        dark = false;
        indicator.themeChange();
        EXPECT_EQ(level->levelColor(), c.light.isEmpty() ? systemYellow : MivColors::colorWithName(c.light));
        // The appearance change arrives as a notification; the views stay the same.
        dark = true;
        plat::NotificationCenter::defaultCenter().post(QStringLiteral("EffectiveAppearanceChangedNotification"));
        EXPECT_EQ(level->levelColor(), MivColors::colorWithName(c.darkName));
        EXPECT_EQ(indicator.level(), level);
        EXPECT_EQ(indicator.text(), caption);
    }
}

TEST(ColorGradientView, FillFollowsTheWindowsActiveState)
{
    QWidget window;
    auto* view = new ColorGradientView(&window);
    view->setStartingColor(Qt::red);
    view->setInactiveColor(Qt::gray);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(mivtest::waitUntil([&] { return window.isActiveWindow(); }));
    EXPECT_EQ(view->currentFillColor(), QColor(Qt::red));
    view->setEndingColor(Qt::blue);
    EXPECT_EQ(view->currentFillColor(), QColor(Qt::blue));
    const QColor activeLine = view->currentBorderColor();

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(mivtest::waitUntil([&] { return !window.isActiveWindow(); }));
    EXPECT_EQ(view->currentFillColor(), QColor(Qt::gray));
    EXPECT_NE(view->currentBorderColor(), activeLine);

    view->setBackgroundColor(Qt::green);
    EXPECT_FALSE(view->endingColor().isValid());
    EXPECT_EQ(view->startingColor(), QColor(Qt::green));
}

TEST(ColorGradientView, ToolbarPresetDrawsOneLineUnlessBothAreAsked)
{
    ColorGradientView view;
    ColorGradientView::prepareToolbarView(&view, true);
    EXPECT_TRUE(view.bottomBorder());
    EXPECT_FALSE(view.topBorder());
    ColorGradientView::prepareToolbarView(&view, false);
    EXPECT_FALSE(view.bottomBorder());
    EXPECT_TRUE(view.topBorder());
    ColorGradientView::prepareToolbarView(&view, true, true);
    EXPECT_TRUE(view.bottomBorder() && view.topBorder());
    EXPECT_EQ(view.endingColor(), QColor::fromRgbF(0.7f, 0.7f, 0.7f, 0.9f));
}

} // namespace
