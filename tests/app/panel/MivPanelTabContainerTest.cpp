#include "app/panel/PanelTestSupport.h"

#include "FileData/MivUpFolderData.h"
#include "app/panel/IMivFilesTabContainer.h"
#include "app/panel/MivFilesTableDataController.h"
#include "app/settings/IMivContextEntryController.h"
#include "app/tabs/MivFileTabViewItem.h"
#include "app/tabs/MivFilesTabViewController.h"
#include "app/tabs/TabsTestSupport.h"

#include <QTimer>

using namespace mivtest;

namespace {

QString nameOf(const MivFileDataPtr& item)
{
    return item ? item->name() : QStringLiteral("-");
}

// Stands in for a side's container: records what the panel asks, answers a
// preset lock, and lists a folder change in the panel as a side does.
class RecordingContainer final : public IMivContextEntryController, public IMivFilesTabContainer
{
public:
    bool handleLockedTab(MivFilesViewController*, const MivFileDataPtr& data) override
    {
        record(QStringLiteral("locked? ") + nameOf(data));
        return hardLocked;
    }
    void changeFilesPanel(MivFilesViewController* panel, const MivFileDataPtr& data, const MivSelectTarget& selection,
                          const std::optional<QVariantMap>&) override
    {
        const auto* focus = std::get_if<MivFileDataPtr>(&selection);
        record(QStringLiteral("change ") + nameOf(data) + QStringLiteral(" focus ") + (focus ? nameOf(*focus) : "-"));
        panel->populateTableData(data, selection);
    }
    void hideSearchPanel() override { record(QStringLiteral("hideSearchPanel")); }

    void record(const QString& call)
    {
        if (!isGuiThread())
            offGuiThread = true;
        calls << call;
    }
    QStringList take() { return std::exchange(calls, {}); }

    bool hardLocked = false;
    bool offGuiThread = false;
    QStringList calls;
};

class MivPanelTabContainerTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        m_entry->setController(m_container);
        makeFolder("one/inner");
        makeFolder("two");
        makeFile("one/a.txt");
    }
    void TearDown() override
    {
        EXPECT_FALSE(m_container->offGuiThread) << "the container is only called on the GUI thread";
        PanelTest::TearDown();
    }

    std::shared_ptr<RecordingContainer> m_container = std::make_shared<RecordingContainer>();
};

TEST_F(MivPanelTabContainerTest, AHardLockedTabKeepsItsFolderForEveryNonForcedChange)
{
    auto one = item(path("one"));
    ASSERT_TRUE(list(one));
    EXPECT_FALSE(m_container->take().contains(QStringLiteral("locked? one"))) << "nothing was shown before";
    m_container->hardLocked = true;

    struct Case
    {
        const char* name;
        std::function<void(MivFilesViewController::CompletionHandler)> request;
        QStringList asked;
        bool listed;
    };
    const Case cases[] = {
        {"another folder", [&](auto done) { m_panel->populateTableData(item(path("two")), false, {}, false, done); },
         {"locked? two"}, false},
        {"history", [&](auto done) {
             m_panel->populateTableData(item(path("two")), false, {}, true, done);
         }, {"locked? two"}, false},
        {"the .. row asks for the folder it leads to", [&](auto done) {
             m_panel->populateTableData(MivFileData::makeItem<MivUpFolderData>(item(m_dir.path())), false, {}, false, done);
         }, {"locked? " + item(m_dir.path())->name()}, false},
        {"a refresh hands over the shown folder itself", [&](auto done) {
             m_panel->populateTableData(m_panel->context(), false, {}, false, done);
         }, {}, true},
        {"a forced listing is never diverted", [&](auto done) {
             m_panel->populateTableData(item(path("one")), true, {}, false, done);
         }, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto handled = std::make_shared<std::promise<bool>>();
        auto future = handled->get_future();
        const int refreshes = m_recorder->count(ksFilesTableRefresh);
        c.request([handled](const auto&, bool success, const plat::Error&) { handled->set_value(success); });
        EXPECT_EQ(m_recorder->count(ksFilesTableRefresh), refreshes + 1);
        if (c.listed) {
            ASSERT_TRUE(finished(future));
            EXPECT_TRUE(future.get());
        } else {
            // A diverted request ends at once; a listing taken next ends after
            // anything it could have queued.
            m_container->hardLocked = false;
            ASSERT_TRUE(list(m_panel->context()));
            m_container->hardLocked = true;
            EXPECT_NE(future.wait_for(std::chrono::seconds(0)), std::future_status::ready) << "its handler never runs";
        }
        EXPECT_EQ(m_container->take(), c.asked);
        EXPECT_EQ(m_panel->context()->pathKey(), one->pathKey());
    }
    expectBalanced();
}

TEST_F(MivPanelTabContainerTest, OpeningGoesThroughTheContainerAndTheParentRowFocusesTheFolderLeft)
{
    ASSERT_TRUE(list(item(path("one"))));
    m_container->take();

    // The container lists the folder through the panel's request, which
    // asks about the lock once more on its way.
    m_panel->openFileForContext(row("inner"));
    ASSERT_TRUE(waitUntil([&] { return m_panel->context()->name() == "inner"; }));
    // The listing's last step hides the quick-filter panel: a refresh taken
    // now could end before that step and prove nothing.
    ASSERT_TRUE(waitUntil([&] { return m_container->calls.contains(QStringLiteral("hideSearchPanel")); }));
    EXPECT_EQ(m_container->take(), (QStringList{"change inner focus -", "locked? inner", "hideSearchPanel"}));

    m_panel->goUp();
    ASSERT_TRUE(waitUntil([&] { return m_panel->context()->name() == "one"; }));
    ASSERT_TRUE(waitUntil([&] { return m_container->calls.contains(QStringLiteral("hideSearchPanel")); }));
    EXPECT_EQ(m_container->take(), (QStringList{"change one focus inner", "locked? one", "hideSearchPanel"}));
    EXPECT_EQ(nameOf(m_panel->lastSelected()), QStringLiteral("inner"));
    expectBalanced();
}

TEST_F(MivPanelTabContainerTest, OnlyANewFolderClearsTheFilterAndHidesTheQuickFilterPanel)
{
    const auto typed = std::make_shared<MivFilteSearchData>(QStringLiteral("a"), MivFilteSearchData::Contains);
    struct Step
    {
        const char* name;
        std::function<bool()> act;
        bool hidden;
        bool filterKept;
    };
    const Step steps[] = {
        {"the first folder", [&] { return list(item(path("one"))); }, true, false},
        {"the same folder again", [&] { return list(m_panel->context()); }, false, true},
        {"another folder", [&] { return list(item(path("two"))); }, true, false},
        {"nothing", [&] { return list(nullptr); }, false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(m_panel->setFilter(typed));
        m_container->take();
        const int filterChanges = m_recorder->count(ksFilesTableFilterChangedNotification);
        ASSERT_TRUE(step.act());
        EXPECT_EQ(m_container->take().contains(QStringLiteral("hideSearchPanel")), step.hidden);
        EXPECT_EQ(m_panel->filter() != nullptr, step.filterKept);
        EXPECT_EQ(m_panel->arrayController()->filterPredicate() != nullptr, step.filterKept);
        EXPECT_EQ(m_recorder->count(ksFilesTableFilterChangedNotification), filterChanges + (step.filterKept ? 0 : 1));
    }
    expectBalanced();
}

// A real side: its tabs, locks and new-tab placement.
class MivPanelInSideTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivContext::resetForTesting();
        MivFileManager::sharedInstance().setWatchLatency(3600);
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"A/inner", "B"})
            ASSERT_TRUE(QDir().mkpath(path(QString::fromLatin1(name))));
    }
    void TearDown() override
    {
        delete m_side;
        MivContext::resetForTesting();
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    static MivFileDataPtr item(const QString& at) { return MivOsxFileData::createWithPath<MivOsxFileData>(at); }
    static QString shown(const MivFilesTabViewController::TabItemPtr& tab)
    {
        const MivFileDataPtr folder = tab && tab->panel() ? tab->panel()->context() : nullptr;
        return folder ? folder->pathKey() : QString();
    }

    // A side restored with one tab on A, listed, then locked as asked.
    void startOnA(bool lock, bool soft)
    {
        delete m_side;
        m_entry = std::make_shared<MivContextEntry>();
        m_entry->setItems({{{QStringLiteral("path"), path(QStringLiteral("A"))}, {QStringLiteral("context"), QStringLiteral("/")}}});
        m_side = new MivFilesTabViewController;
        m_side->setIdentifier(QStringLiteral("left"));
        m_side->setEntry(m_entry);
        m_side->awakeFromNib();
        ASSERT_TRUE(waitUntil([&] { return m_entry->loaded(); }));
        m_tab = m_side->selectedTabViewItem();
        ASSERT_TRUE(listedIn(m_tab, path(QStringLiteral("A"))));
        if (lock)
            m_side->processLock(soft, m_tab);
    }
    // The tab shows the folder and its listing has ended.
    bool listedIn(const MivFilesTabViewController::TabItemPtr& tab, const QString& folder)
    {
        if (!waitUntil([&] { return shown(tab) == folder; }))
            return false;
        auto done = std::make_shared<std::atomic<bool>>(false);
        tab->panel()->populateTableData(tab->panel()->context(), false, {}, false,
                                        [done](const auto&, bool, const plat::Error&) { done->store(true); });
        if (!waitUntil([&] { return done->load(); }))
            return false;
        bool turned = false;
        QTimer::singleShot(0, [&] { turned = true; });
        return waitUntil([&] { return turned; }) && shown(tab) == folder;
    }
    MivFileDataPtr rowNamed(const QString& name) const
    {
        for (const auto& row : m_tab->panel()->files())
            if (!row->isUpFolderData() && row->name() == name)
                return row;
        return nullptr;
    }

    tabstest::TabsEnvironment m_environment;
    QTemporaryDir m_dir;
    std::shared_ptr<MivContextEntry> m_entry;
    MivFilesTabViewController* m_side = nullptr;
    MivFilesTabViewController::TabItemPtr m_tab;
};

TEST_F(MivPanelInSideTest, ALockedTabSendsThePanelsOwnNavigationToANewTab)
{
    struct Case
    {
        const char* name;
        bool lock;
        bool soft;
        std::function<void(MivFilesViewController&)> navigate;
        QString target;
        bool newTab;
    };
    const Case cases[] = {
        {"Return on a folder, hard lock", true, false,
         [&](MivFilesViewController& panel) { panel.openFileForContext(rowNamed(QStringLiteral("inner"))); },
         path(QStringLiteral("A/inner")), true},
        {"up, hard lock", true, false, [](MivFilesViewController& panel) { panel.goUp(); }, m_dir.path(), true},
        {"history, hard lock", true, false,
         [&](MivFilesViewController& panel) { panel.populateTableDataInNavigation(item(path(QStringLiteral("B")))); },
         path(QStringLiteral("B")), true},
        {"Return on a folder, soft lock", true, true,
         [&](MivFilesViewController& panel) { panel.openFileForContext(rowNamed(QStringLiteral("inner"))); },
         path(QStringLiteral("A/inner")), false},
        {"Return on a folder, no lock", false, false,
         [&](MivFilesViewController& panel) { panel.openFileForContext(rowNamed(QStringLiteral("inner"))); },
         path(QStringLiteral("A/inner")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(startOnA(c.lock, c.soft));
        c.navigate(*m_tab->panel());
        if (c.newTab) {
            ASSERT_TRUE(waitUntil([&] { return m_side->numberOfTabs() == 2; }));
            const auto fresh = m_side->tabs().at(0);  // new tabs go first by default
            ASSERT_NE(fresh, m_tab);
            EXPECT_TRUE(listedIn(fresh, c.target));
            EXPECT_TRUE(waitUntil([&] { return m_side->selectedTabViewItem() == fresh; }));
            EXPECT_TRUE(listedIn(m_tab, path(QStringLiteral("A")))) << "the locked tab keeps its folder";
        } else {
            EXPECT_TRUE(listedIn(m_tab, c.target));
            EXPECT_EQ(m_side->numberOfTabs(), 1);
            EXPECT_TRUE(m_tab->label().endsWith(QStringLiteral("inner"))) << "the tab's label follows its folder";
        }
    }
}

TEST_F(MivPanelInSideTest, RefreshingALockedTabStaysInIt)
{
    ASSERT_NO_FATAL_FAILURE(startOnA(true, false));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("A/new"))));
    m_tab->panel()->refreshPanel();
    ASSERT_TRUE(waitUntil([&] { return rowNamed(QStringLiteral("new")) != nullptr; }));
    EXPECT_EQ(m_side->numberOfTabs(), 1);
    EXPECT_EQ(shown(m_tab), path(QStringLiteral("A")));
}

} // namespace
