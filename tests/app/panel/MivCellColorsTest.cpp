#include "PanelTestSupport.h"

#include "app/files-table/MivFilesTableView.h"
#include "platform/Color.h"

#include <QTest>

namespace {

using namespace mivtest;

class MivCellColorsTest : public PanelTest
{
protected:
    void useColor(const char* key, QColor color)
    {
        MivContext::context()->setCurrentColorsValue(QLatin1String(key), QVariant::fromValue(plat::Color::fromRgba(color)));
    }
    QColor colorOf(const QString& name, bool highlighted)
    {
        return m_panel->textColorForItem(m_panel->filesTable(), row(name), highlighted);
    }
};

TEST_F(MivCellColorsTest, MarksHiddenItemsAndFoldersTakeTheirSchemeColours)
{
    const QColor mark(200, 0, 0), hidden(120, 120, 120), font(10, 10, 10), folder(0, 0, 150);
    useColor("markColor", mark);
    useColor("hiddenColor", hidden);
    useColor("fontColor", font);
    useColor("fontColorFolder", folder);
    m_entry->setShowHidden(true);
    makeFolder("f");
    makeFile("f/plain");
    makeFile("f/.secret");
    makeFolder("f/sub");
    makeFile("f/marked");
    ASSERT_TRUE(list(item(path("f"))));
    ASSERT_TRUE(m_panel->addToSelection(row("marked")));
    ASSERT_TRUE(m_panel->addToSelection(row(".secret")));

    // The table has never been in an active window: its colours are faded.
    auto faded = [](QColor c) {
        c.setAlphaF(0.5);
        return c;
    };
    struct Case
    {
        const char* name;
        bool highlighted;
        QColor expected; // invalid: the view's own highlighted text
    };
    const Case cases[] = {
        {"plain", false, faded(font)},
        {"plain", true, QColor()},
        {"sub", false, faded(folder)},
        {"marked", false, faded(mark)},
        {"marked", true, faded(mark)},
        // A mark outweighs the hidden colour.
        {".secret", false, faded(mark)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 highlighted %2").arg(QLatin1String(c.name)).arg(c.highlighted).toStdString());
        EXPECT_EQ(colorOf(QLatin1String(c.name), c.highlighted), c.expected);
    }

    ASSERT_TRUE(m_panel->removeFromSelection(row(".secret")));
    EXPECT_EQ(colorOf(QStringLiteral(".secret"), false), faded(hidden));
    EXPECT_EQ(colorOf(QStringLiteral(".secret"), true), QColor()) << "the highlight shows no hidden colour";

    // With negative selection the row's background shows the mark; only the
    // highlighted marked row keeps the mark colour.
    MivContext::context()->setCurrentColorsValue(QStringLiteral("negativeSelection"), true);
    EXPECT_EQ(colorOf(QStringLiteral("marked"), false), faded(font));
    EXPECT_EQ(colorOf(QStringLiteral("marked"), true), faded(mark));
}

} // namespace
