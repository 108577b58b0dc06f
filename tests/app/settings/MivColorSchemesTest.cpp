#include "SettingsTestSupport.h"

#include "app/settings/MivDefaultColorRules.h"
#include "platform/NotificationCenter.h"

namespace {

using mivtest::SettingsTest;

class MivColorSchemesTest : public SettingsTest
{
protected:
    void TearDown() override
    {
        MivContext::setDarkModeProvider(nullptr);
        SettingsTest::TearDown();
    }
};

QList<MivColorDef> rules(const QVariantList& list)
{
    QList<MivColorDef> out;
    for (const QVariant& v : list)
        out.append(v.value<MivColorDef>());
    return out;
}

TEST_F(MivColorSchemesTest, TheSchemeFollowsTheAppearance)
{
    bool dark = false;
    MivContext::setDarkModeProvider([&dark] { return dark; });
    const auto c = MivContext::create();
    EXPECT_TRUE(c->colors().isEmpty());
    EXPECT_FALSE(c->attributeColorDefs());
    c->initContext();
    EXPECT_EQ(c->colors(), *c->lightColors());
    EXPECT_EQ(*c->attributeColorDefs(), rules(MivDefaultColorRules::lightRules()));
    ASSERT_EQ(c->attributeColorDefs()->size(), 13);
    EXPECT_EQ(c->attributeColorDefs()->last().attributes, QStringLiteral("-??x*"));
    EXPECT_EQ(c->attributeColorDefs()->last().definition, QStringLiteral(""));

    int posted = 0;
    const auto token = plat::NotificationCenter::defaultCenter().observe(
        QStringLiteral("FileTablePreferencesChangeNotification"), c.get(), [&posted](const plat::Notification&) { ++posted; });
    dark = true;
    plat::NotificationCenter::defaultCenter().post(QStringLiteral("EffectiveAppearanceChangedNotification"));
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(c->colors(), *c->darkColors());
    EXPECT_EQ(*c->attributeColorDefs(), rules(MivDefaultColorRules::darkRules()));
}

TEST_F(MivColorSchemesTest, ResetKeepsTheUsersRulesAndEditsReachTheSavedScheme)
{
    const auto c = MivContext::create();
    c->initContext();
    c->setCurrentColorsValue(QStringLiteral("markColor"), QVariant::fromValue(plat::Color::fromRgba(QColor(0, 0, 255))));
    EXPECT_EQ(c->lightColors()->value(QStringLiteral("markColor")).value<plat::Color>().rgba(), QColor(0, 0, 255));
    QVariantMap dark = *c->darkColors();
    dark.insert(QStringLiteral("markColor"), QVariant::fromValue(plat::Color::fromRgba(QColor(0, 255, 0))));
    dark.insert(QStringLiteral("colorArray"), QVariantList{dark.value(QStringLiteral("colorArray")).toList().first()});
    c->setDarkColors(dark);

    c->resetColorsToDefault();
    for (const auto& scheme : {*c->lightColors(), *c->darkColors()})
        EXPECT_EQ(scheme.value(QStringLiteral("markColor")).value<plat::Color>(), plat::Color::fromSystem(plat::SystemColor::Red));
    EXPECT_EQ(c->darkColors()->value(QStringLiteral("colorArray")).toList().size(), 1) << "the rules stay the user's";

    // Rules that could never match are not active.
    MivColorDef empty;
    empty.definition = QStringLiteral(",,");
    c->setCurrentColorsValue(QStringLiteral("colorArray"), QVariantList{QVariant::fromValue(empty)});
    c->updateColorDefs();
    EXPECT_TRUE(c->attributeColorDefs()->isEmpty());
}

} // namespace
