#include "app/operations/MivFileManager.h"
#include "app/panel/PanelTestSupport.h"

#include "FileData/MivUpFolderData.h"
#include "app/panel/MivSharedListing.h"

#include <QUrl>

using namespace mivtest;

namespace {

class MivFilesViewControllerTest : public PanelTest
{
};

TEST_F(MivFilesViewControllerTest, ListingShowsSortedRowsRecordsHistoryAndPostsBalancedNotifications)
{
    makeFolder("top");
    makeFile("top/b.txt", 10);
    makeFile("top/a.txt", 5);
    makeFolder("top/sub");
    auto top = item(path("top"));

    ASSERT_TRUE(list(top));

    // In the list model's order (its own tests cover the rules).
    EXPECT_EQ(rowNames(), (QStringList{"..", "sub", "a.txt", "b.txt"}));
    EXPECT_TRUE(m_panel->context()->isEqual(top.get()));
    EXPECT_EQ(m_panel->selectionIndex(), 0) << "a new folder focuses its first row";
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableContextChanged, 1));
    ASSERT_EQ(m_recorder->contexts().size(), 1);
    EXPECT_TRUE(m_recorder->contexts().first()->isEqual(top.get()));
    EXPECT_EQ(m_recorder->count(ksFilesTableRefresh), 1);
    expectBalanced();
    EXPECT_EQ(m_panel->historyList().size(), 1);
    EXPECT_EQ(m_entry->history().size(), 1);
    EXPECT_EQ(MivFileManager::sharedInstance().watchedFolderFor(m_panel->watcherDelegate().get()), m_panel->context());
    const auto totals = m_panel->total().counters();
    EXPECT_EQ(totals.files, 2);
    EXPECT_EQ(totals.folders, 1) << "the .. row counts as nothing";
    EXPECT_EQ(totals.filesSize, 15);

    // The same folder again: no new history entry, no second context change.
    ASSERT_TRUE(list(top));
    EXPECT_EQ(m_panel->historyList().size(), 1);
    EXPECT_EQ(m_recorder->count(ksFilesTableContextChanged), 1);
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, ParentRowAndNilRequests)
{
    makeFolder("f");
    makeFile("f/x");
    ASSERT_TRUE(list(item(path("f"))));
    const auto up = m_panel->files().front();
    ASSERT_TRUE(up->isUpFolderData());
    ASSERT_TRUE(m_panel->addToSelection(row("x")));

    // The ".." row lists the folder it leads to.
    ASSERT_TRUE(list(up));
    EXPECT_TRUE(m_panel->context()->isEqual(item(m_dir.path()).get()));
    EXPECT_TRUE(m_panel->resolveSelection().isEmpty()) << "another folder clears the marks";

    // Nothing clears the panel and still reports success.
    ASSERT_TRUE(list(nullptr));
    EXPECT_EQ(m_panel->context(), nullptr);
    expectBalanced();

    // Without the parent row setting, no ".." row.
    MivContext::context()->setShowParentDir(false);
    ASSERT_TRUE(list(item(path("f"))));
    EXPECT_EQ(rowNames(), QStringList{"x"});
}

TEST_F(MivFilesViewControllerTest, FocusAndMarksSurviveARelistingOfTheSameFolder)
{
    struct Case
    {
        const char* focused;
        QStringList marked;
        QStringList removed;
        QStringList added;
        QString focusAfter;
        QStringList markedAfter;
    };
    const Case cases[] = {
        {"b", {"a", "c"}, {}, {}, "b", {"a", "c"}},
        // The focused item went: the same row number.
        {"c", {"b", "d"}, {"c", "d"}, {"e"}, "e", {"b"}},
        // The list got shorter: the last row.
        {"d", {}, {"c", "d"}, {}, "b", {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const QString folder = QStringLiteral("case%1").arg(n++);
        makeFolder(folder);
        for (const char* name : {"a", "b", "c", "d"})
            makeFile(folder + "/" + name, 100);
        auto dir = item(path(folder));
        ASSERT_TRUE(list(dir));
        focus(c.focused);
        for (const auto& name : c.marked)
            ASSERT_TRUE(m_panel->addToSelection(row(name)));
        for (const auto& name : c.removed)
            ASSERT_TRUE(QFile::remove(path(folder + "/" + name)));
        for (const auto& name : c.added)
            makeFile(folder + "/" + name);

        ASSERT_TRUE(list(dir));

        auto focused = m_panel->lastSelected();
        ASSERT_TRUE(focused);
        EXPECT_EQ(focused->name(), c.focusAfter);
        EXPECT_EQ(markedNames(), c.markedAfter);
        EXPECT_EQ(m_panel->total().counters().selectedFiles, c.markedAfter.size());
        EXPECT_EQ(m_panel->total().counters().selectedFilesSize, 100 * c.markedAfter.size());
        m_panel->clearSelection();
    }
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, RequestedTargetIsFocused)
{
    makeFolder("t");
    for (const char* name : {"a", "b", "c"})
        makeFile(QStringLiteral("t/") + name);
    ASSERT_TRUE(list(item(path("t")), item(path("t/b"))));
    EXPECT_EQ(m_panel->lastSelected()->name(), "b");
    ASSERT_TRUE(list(item(path("t")), item(path("t/c"))->pathKey()));
    EXPECT_EQ(m_panel->lastSelected()->name(), "c");
}

TEST_F(MivFilesViewControllerTest, RefreshOfADeletedFolderListsItsNearestAncestor)
{
    makeFolder("keep/gone/deeper");
    auto deeper = item(path("keep/gone/deeper"));
    ASSERT_TRUE(list(deeper));
    ASSERT_TRUE(QDir(path("keep/gone")).removeRecursively());

    m_panel->refreshPanel();
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableContextChanged, 2));
    EXPECT_TRUE(m_recorder->contexts().last()->isEqual(item(path("keep")).get()));
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, ForcedListingOfADeletedFolderFailsAndKeepsTheShownFolder)
{
    makeFolder("doomed");
    makeFile("doomed/x");
    auto doomed = item(path("doomed"));
    ASSERT_TRUE(list(doomed));
    ASSERT_TRUE(m_panel->addToSelection(row("x")));
    ASSERT_TRUE(QDir(path("doomed")).removeRecursively());

    auto forced = request(m_panel->context(), {}, true);
    ASSERT_TRUE(finished(forced));
    EXPECT_FALSE(forced.get());
    flushMainThread();
    EXPECT_EQ(presented().size(), 1) << "presented once the load lock is released";
    EXPECT_TRUE(m_panel->context()->isEqual(doomed.get()));
    EXPECT_EQ(rowNames(), (QStringList{"..", "x"})) << "the rows stay";
    EXPECT_TRUE(m_panel->resolveSelection().isEmpty()) << "a failed listing leaves no marks";
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, WatchFollowsTheShownFolder)
{
    MivFileManager::sharedInstance().setWatchLatency(0.01);
    makeFolder("one");
    makeFolder("two");
    ASSERT_TRUE(list(item(path("one"))));
    const auto* watcher = m_panel->watcherDelegate().get();
    EXPECT_EQ(MivFileManager::sharedInstance().watchedFolderFor(watcher)->pathKey(), item(path("one"))->pathKey());

    // A change in the folder re-lists it by itself.
    makeFile("one/new");
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableRefresh, 2));
    EXPECT_TRUE(mivtest::waitUntil([&] { return row("new") != nullptr; }));

    ASSERT_TRUE(list(item(path("two"))));
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableContextChanged, 2));
    flushMainThread();
    EXPECT_EQ(MivFileManager::sharedInstance().watchedFolderFor(watcher)->pathKey(), item(path("two"))->pathKey());
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, APanelOpeningAFolderAnotherIsListingTakesThatListing)
{
    auto gate = std::make_shared<ListingGate>();
    makeFolder("shared");
    makeFile("shared/a");
    makeFile("shared/b");
    auto otherEntry = std::make_shared<MivContextEntry>();
    otherEntry->setLoaded(true);
    auto other = MivFilesViewController::create();
    other->setEntry(otherEntry);

    gate->close();
    auto first = request(GatedFolder::create(path("shared"), gate));
    ASSERT_TRUE(gate->waitEntered(1));
    // The other panel opens the same folder meanwhile, through an item of
    // its own: it waits for this listing instead of reading the folder.
    auto second = requestIn(*other, GatedFolder::create(path("shared"), gate));
    ASSERT_TRUE(waitUntil([] { return MivSharedListing::waitingForTesting() == 1; }));
    gate->open();
    ASSERT_TRUE(finished(first));
    EXPECT_TRUE(first.get());
    ASSERT_TRUE(finished(second));
    EXPECT_TRUE(second.get());
    flushMainThread();
    EXPECT_EQ(gate->entered(), 1) << "the folder was read once";
    EXPECT_EQ(rowNames(), (QStringList{"..", "a", "b"}));
    EXPECT_EQ(rowNamesOf(*other), rowNames());
    EXPECT_EQ(other->files().at(1), m_panel->files().at(1)) << "the very items of the listing";

    // Refreshes never join: each reads the folder as it is after the change
    // that asked for it.
    gate->close();
    auto refreshed = request(m_panel->context());
    ASSERT_TRUE(gate->waitEntered(2));
    makeFile("shared/c");
    auto otherRefreshed = requestIn(*other, other->context());
    ASSERT_TRUE(gate->waitEntered(3));
    gate->open();
    ASSERT_TRUE(finished(refreshed));
    ASSERT_TRUE(finished(otherRefreshed));
    EXPECT_TRUE(otherRefreshed.get());
    flushMainThread();
    EXPECT_EQ(rowNamesOf(*other), (QStringList{"..", "a", "b", "c"}));
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, RequestDuringAListingIsRefusedAndTheShownFolderIsRefreshedAfterIt)
{
    auto gate = std::make_shared<ListingGate>();
    makeFolder("slow");
    makeFolder("other");
    makeFile("slow/first");
    auto slow = GatedFolder::create(path("slow"), gate);
    ASSERT_TRUE(list(slow));
    ASSERT_EQ(gate->entered(), 1);

    gate->close();
    auto running = request(slow);
    ASSERT_TRUE(gate->waitEntered(2));
    const int refreshesBefore = m_recorder->count(ksFilesTableRefresh);

    // While the listing runs: a change notice for the shown folder, and a
    // request for another folder. Both are refused at once.
    bool otherHandled = false;
    m_panel->populateTableData(item(path("other")), false, {}, false,
                               [&](const auto&, bool, const plat::Error&) { otherHandled = true; });
    auto pending = request(slow);
    EXPECT_EQ(m_recorder->count(ksFilesTableRefresh), refreshesBefore + 2);
    makeFile("slow/second");

    gate->open();
    ASSERT_TRUE(finished(running));
    EXPECT_TRUE(running.get());
    // The remembered request runs once the listing has ended and sees the
    // change.
    ASSERT_TRUE(finished(pending));
    EXPECT_TRUE(pending.get());
    flushMainThread();
    EXPECT_EQ(gate->entered(), 3);
    EXPECT_TRUE(row("second"));
    EXPECT_FALSE(otherHandled);
    EXPECT_TRUE(m_panel->context()->isEqual(slow.get()));
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, CancelledListingIsDiscardedAndTheNextRequestRunsAfterIt)
{
    auto gate = std::make_shared<ListingGate>();
    makeFolder("slow");
    makeFolder("next");
    makeFile("next/n");
    gate->close();
    auto slow = GatedFolder::create(path("slow"), gate);
    auto cancelled = request(slow);
    ASSERT_TRUE(gate->waitEntered(1));

    m_panel->cancelLoadingData();
    // A cancelled loader is no longer running: the next request is taken
    // and waits for the cancelled listing to return.
    auto next = request(item(path("next")));
    gate->open();
    ASSERT_TRUE(finished(cancelled));
    EXPECT_FALSE(cancelled.get());
    ASSERT_TRUE(finished(next));
    EXPECT_TRUE(next.get());
    flushMainThread();
    EXPECT_TRUE(m_panel->context()->isEqual(item(path("next")).get()));
    EXPECT_EQ(rowNames(), (QStringList{"..", "n"}));
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, HiddenTabRecordsItsFolderAndListsItWhenShown)
{
    makeFolder("later");
    auto later = item(path("later"));
    m_entry->setLoaded(false);
    bool handled = false;
    m_panel->populateTableData(later, false, {}, false, [&](const auto&, bool, const plat::Error&) { handled = true; });
    // The panel is marked at once, so a side ending its start-up knows it
    // still has to list; the folder is only recorded, through the serial queue.
    EXPECT_TRUE(m_panel->dirty());
    for (int i = 0; i < 3000 && !m_panel->context(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(m_panel->context());
    EXPECT_TRUE(m_panel->context()->isEqual(later.get()));
    EXPECT_TRUE(m_panel->dirty());
    EXPECT_EQ(m_recorder->count(ksFilesTableContextChanged), 0);
    m_entry->setLoaded(true);
    EXPECT_FALSE(handled);
    ASSERT_TRUE(list(later));
    ASSERT_TRUE(m_recorder->waitFor(ksFilesTableContextChanged, 1));
    EXPECT_TRUE(m_recorder->contexts().last()->isEqual(later.get()));
    EXPECT_FALSE(m_panel->dirty());
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, RefusedRequestsPostOnlyTheirTripleAndNeverCallTheHandler)
{
    makeFolder("r");
    auto folder = item(path("r"));
    const std::function<void()> refusals[] = {
        [&] { m_panel->setRefreshLocked(true); },
        [&] { folder->setBlocked(true); },
        [&] { m_panel->setEntry(nullptr); },
    };
    for (size_t i = 0; i < std::size(refusals); ++i) {
        SCOPED_TRACE(i);
        refusals[i]();
        const int refreshes = m_recorder->count(ksFilesTableRefresh);
        bool handled = false;
        m_panel->populateTableData(folder, false, {}, false, [&](const auto&, bool, const plat::Error&) { handled = true; });
        EXPECT_EQ(m_recorder->count(ksFilesTableRefresh), refreshes + 1);
        m_panel->setRefreshLocked(false);
        folder->setBlocked(false);
        m_panel->setEntry(m_entry);
        // A request taken afterwards ends after anything the refused one
        // could have queued.
        ASSERT_TRUE(list(item(m_dir.path())));
        EXPECT_FALSE(handled);
    }
    expectBalanced();
}

TEST_F(MivFilesViewControllerTest, SelectedContextAndFolderQueries)
{
    makeFolder("q/dir");
    makeFile("q/file");
    ASSERT_TRUE(list(item(path("q"))));
    // The ".." row is focused and nothing marked: no sources.
    EXPECT_TRUE(m_panel->selectedContext().isEmpty());
    EXPECT_FALSE(m_panel->hasFolderSelected());
    focus("dir");
    EXPECT_EQ(m_panel->selectedContext().size(), 1);
    EXPECT_TRUE(m_panel->hasFolderSelected());
    ASSERT_TRUE(m_panel->updateSelection(row("file")));
    EXPECT_EQ(m_panel->selectedContext(), QList<MivFileDataPtr>{row("file")});
    EXPECT_TRUE(m_panel->hasFolderSelected()) << "the focused folder counts beside the marks";
    EXPECT_TRUE(m_panel->updateSelection(row("file")));
    EXPECT_TRUE(m_panel->resolveSelection().isEmpty());
    EXPECT_FALSE(m_panel->updateSelection(m_panel->files().front()));
}

} // namespace
