#include "app/panel/PanelTestSupport.h"

#include "app/panel/MivFilesTableDataController.h"

using namespace mivtest;

namespace {

class MivPanelQuickFilterTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        MivContext::context()->setShowParentDir(false);
        makeFolder("f");
        for (const char* name : {"ABc.txt", "cab", "notes.txt", "Über.md"})
            makeFile(QStringLiteral("f/") + QString::fromUtf8(name));
        ASSERT_TRUE(list(item(path("f"))));
    }

    static MivFilteSearchDataPtr request(const QString& phrase, int mode)
    {
        return std::make_shared<MivFilteSearchData>(phrase, mode);
    }
    // The rows on screen once every arrangement asked for has been shown.
    QStringList shownRows() const
    {
        EXPECT_TRUE(waitUntil([&] { return !m_panel->arrayController()->hasPendingArrangement(); }));
        QStringList names;
        for (const auto& row : m_panel->arrayController()->dataObjects())
            names << row->name();
        return names;
    }
    int filterChanges() const { return m_recorder->count(ksFilesTableFilterChangedNotification); }
    QString focusedName() const
    {
        const MivFileDataPtr focused = m_panel->lastSelected();
        return focused ? focused->name() : QStringLiteral("-");
    }
    void focusOn(const QString& name)
    {
        focus(name);
        ASSERT_TRUE(waitUntil([&] { return focusedName() == name; }));
    }
};

TEST_F(MivPanelQuickFilterTest, ModesFilterTheNamesAndAnUnusableRequestRemovesTheFilter)
{
    const QStringList all{"ABc.txt", "cab", "notes.txt", "Über.md"};
    struct Case
    {
        const char* phrase;
        int mode;
        QStringList rows;
        bool inForce;
    };
    const Case cases[] = {
        {"ab", MivFilteSearchData::BeginsWith, {"ABc.txt"}, true},
        {"*.TXT", MivFilteSearchData::WildcardMatches, {"ABc.txt", "notes.txt"}, true},
        {"b", MivFilteSearchData::Contains, {"ABc.txt", "cab", "Über.md"}, true},
        {"ber.MD", MivFilteSearchData::EndsWith, {"Über.md"}, true},
        {"uber.*", MivFilteSearchData::RegExpMatches, {"Über.md"}, true},
        {"n.*s", MivFilteSearchData::RegExpMatches, {}, true},
        {"", MivFilteSearchData::Contains, all, false},
        {"c?b", MivFilteSearchData::WildcardMatches, {"cab"}, true},
        {"cab", 1999, all, false},
        {"A", MivFilteSearchData::Contains, {"ABc.txt", "cab"}, true},
        {nullptr, MivFilteSearchData::Contains, all, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 in %2").arg(QString::fromUtf8(c.phrase)).arg(c.mode).toStdString());
        const int before = filterChanges();
        const auto given = c.phrase ? request(QString::fromUtf8(c.phrase), c.mode) : nullptr;
        ASSERT_TRUE(m_panel->setFilter(given));
        EXPECT_EQ(shownRows(), c.rows);
        EXPECT_EQ(m_panel->filter(), c.inForce ? given : nullptr);
        // Every case here changes the rows' filter, so each posts once.
        EXPECT_EQ(filterChanges(), before + 1);
    }
    // Removing a filter when none is in force does nothing.
    m_panel->setFilter(request(QString(), MivFilteSearchData::Contains));
    m_panel->setFilter(nullptr);
    EXPECT_EQ(filterChanges(), int(std::size(cases)));
    expectBalanced();
}

TEST_F(MivPanelQuickFilterTest, TheFocusStaysOnAVisibleRowAndGoesToTheFirstWhenItsRowIsFilteredOut)
{
    ASSERT_NO_FATAL_FAILURE(focusOn("notes.txt"));
    ASSERT_TRUE(m_panel->setFilter(request("t", MivFilteSearchData::Contains)));
    ASSERT_EQ(shownRows(), (QStringList{"ABc.txt", "notes.txt"}));
    EXPECT_EQ(focusedName(), QStringLiteral("notes.txt")) << "still visible, so still focused";

    ASSERT_TRUE(m_panel->setFilter(request("c", MivFilteSearchData::Contains)));
    ASSERT_EQ(shownRows(), (QStringList{"ABc.txt", "cab"}));
    // Kept at its row position by the model, the focus would land on "cab".
    EXPECT_EQ(m_panel->selectionIndex(), 0);
    EXPECT_EQ(focusedName(), QStringLiteral("ABc.txt"));

    ASSERT_NO_FATAL_FAILURE(focusOn("cab"));
    ASSERT_TRUE(m_panel->setFilter(nullptr));
    ASSERT_EQ(shownRows().size(), 4);
    EXPECT_EQ(focusedName(), QStringLiteral("cab")) << "removing the filter keeps the focus";
}

TEST_F(MivPanelQuickFilterTest, AnEqualRequestIsOnlyStoredAgain)
{
    const auto first = request("a", MivFilteSearchData::Contains);
    ASSERT_TRUE(m_panel->setFilter(first));
    const auto predicate = m_panel->arrayController()->filterPredicate();
    const int changes = filterChanges();

    const auto equal = request("a", MivFilteSearchData::Contains);
    ASSERT_TRUE(m_panel->setFilter(equal));
    EXPECT_EQ(m_panel->filter(), equal);
    EXPECT_EQ(m_panel->arrayController()->filterPredicate(), predicate) << "nothing recomputed";
    EXPECT_EQ(filterChanges(), changes);

    // Another mode with the same phrase is another request.
    ASSERT_TRUE(m_panel->setFilter(request("a", MivFilteSearchData::BeginsWith)));
    EXPECT_EQ(shownRows(), QStringList{"ABc.txt"});
    EXPECT_EQ(filterChanges(), changes + 1);
}

TEST_F(MivPanelQuickFilterTest, AnInvalidExpressionIsRefusedAndTheFilterInForceStays)
{
    const auto inForce = request("txt", MivFilteSearchData::EndsWith);
    ASSERT_TRUE(m_panel->setFilter(inForce));
    ASSERT_EQ(shownRows(), (QStringList{"ABc.txt", "notes.txt"}));
    const int changes = filterChanges();

    plat::Error error;
    EXPECT_FALSE(m_panel->setFilter(request("(unclosed", MivFilteSearchData::RegExpMatches), &error));
    EXPECT_FALSE(error.localizedDescription().isEmpty());
    EXPECT_EQ(m_panel->filter(), inForce);
    EXPECT_EQ(shownRows(), (QStringList{"ABc.txt", "notes.txt"}));
    EXPECT_EQ(filterChanges(), changes);
}

} // namespace
