#include "FakeFolderTree.h"
#include "PanelTestSupport.h"

#include "app/panel/MivFlatStructureLoader.h"
#include "app/panel/MivStructureReadWindowController.h"
#include "support/ManualTimerSource.h"

#include <QLineEdit>

#include <unistd.h>

using namespace std::chrono_literals;
using mivtest::FakeFolderTree;

namespace {

class PanelFlatStructure : public mivtest::PanelTest
{
protected:
    // Flat mode is left on entering a folder, so it is switched on for the
    // folder shown and the panel lists that folder again.
    bool listFlat(const MivFileDataPtr& folder)
    {
        if (!list(folder))
            return false;
        m_panel->setFlatStructure(true);
        return list(folder);
    }
    QStringList rowPaths() const
    {
        QStringList result;
        for (const auto& row : m_panel->files())
            result << (row->isUpFolderData() ? QStringLiteral("..") : row->pathKey());
        result.sort();
        return result;
    }
};

TEST_F(PanelFlatStructure, LocalTreeWithALinkToAnAncestorShowsEachFileOnce)
{
    makeFile("top.txt");
    makeFolder("a/b");
    makeFile("a/mid.txt");
    makeFile("a/b/deep.txt");
    makeFolder("empty");
    ASSERT_EQ(::symlink(qPrintable(m_dir.path()), qPrintable(path("a/b/loop"))), 0);

    const MivFileDataPtr root = item(m_dir.path());
    ASSERT_TRUE(listFlat(root));
    QStringList expected{path("a/b/deep.txt"), path("a/mid.txt"), path("top.txt")};
    if (MivContext::context()->showParentDir())
        expected.prepend(QStringLiteral(".."));
    expected.sort();
    EXPECT_EQ(rowPaths(), expected);
    EXPECT_TRUE(m_panel->flatStructure());

    // Entering another folder leaves flat mode.
    ASSERT_TRUE(list(item(path("a"))));
    EXPECT_FALSE(m_panel->flatStructure());
}

TEST_F(PanelFlatStructure, BackEndWithoutItsOwnFlatteningIsWalked)
{
    auto tree = std::make_shared<FakeFolderTree>(FakeFolderTree::Traits{false, true});
    tree->addFolder("/r");
    tree->addFile("/r/a.txt");
    tree->addFolder("/r/d");
    tree->addFile("/r/d/b.txt");
    tree->addLink("/r/d/up", "/r");
    tree->addFolder("/r/locked");
    tree->addFile("/r/locked/c.txt");
    tree->makeUnreadable("/r/locked");

    ASSERT_TRUE(listFlat(tree->item("/r")));
    EXPECT_EQ(rowPaths(), QStringList({"/r/a.txt", "/r/d/b.txt"}));
    // The unreadable folder was logged and skipped, not presented.
    EXPECT_TRUE(presented().isEmpty());
}

TEST_F(PanelFlatStructure, CancellingDuringTheWalkStopsItAndShowsNothingNew)
{
    auto tree = std::make_shared<FakeFolderTree>();
    tree->addFolder("/r");
    tree->addFolder("/r/d");
    tree->addFile("/r/d/x.txt");
    tree->addFolder("/r/later");
    tree->addFile("/r/later/y.txt");
    const MivFileDataPtr root = tree->item("/r");
    ASSERT_TRUE(list(root));
    const QStringList before = rowPaths();

    auto gate = std::make_shared<mivtest::ListingGate>();
    gate->close();
    tree->setListingHook([gate](const QString& path) {
        if (path == QLatin1String("/r/d"))
            gate->pass();
    });
    m_panel->setFlatStructure(true);
    auto done = request(root);
    ASSERT_TRUE(gate->waitEntered(1));
    const int listingsAtCancel = tree->listings();
    m_panel->cancelLoadingData();
    gate->open();
    ASSERT_TRUE(finished(done));
    flushMainThread();

    EXPECT_FALSE(done.get());
    EXPECT_EQ(rowPaths(), before);
    // The folder being listed finished; nothing after it was listed.
    EXPECT_EQ(tree->listings(), listingsAtCancel);
    expectBalanced();
}

// The modal progress window in front of a walk.
class StructureReadWindow : public ::testing::Test
{
protected:
    StructureReadWindow() : tree(std::make_shared<FakeFolderTree>())
    {
        tree->addFolder("/r");
        tree->addFolder("/r/d");
        tree->addFile("/r/d/x.txt");
        tree->addFile("/r/y.txt");
        const MivFileDataPtr root = tree->item("/r");
        walk = std::make_shared<MivFlatStructureLoader>(root, root->listElements(false, MivFileCallback(), nullptr),
                                                        false, MivFileCallback());
        dialog = std::make_unique<MivStructureReadWindowController>(walk);
        dialog->setShowTime(2.0);
    }

    mivtest::ManualTimerSource timers;
    std::shared_ptr<FakeFolderTree> tree;
    std::shared_ptr<MivFlatStructureLoader> walk;
    std::unique_ptr<MivStructureReadWindowController> dialog;
};

TEST_F(StructureReadWindow, AShortWalkEndsWithItsResultAndNoWindow)
{
    dialog->start();
    EXPECT_EQ(dialog->result(), MivModalWindowController::kResponseStop);
    QStringList found;
    for (const auto& file : dialog->resultArray())
        found << file->pathKey();
    EXPECT_EQ(found, QStringList({"/r/d/x.txt", "/r/y.txt"}));
    EXPECT_FALSE(dialog->isWindowLoaded() && dialog->window()->isVisible());
}

TEST_F(StructureReadWindow, CancellingTheShownWindowAbortsTheWalk)
{
    auto gate = std::make_shared<mivtest::ListingGate>();
    gate->close();
    tree->setListingHook([gate](const QString&) { gate->pass(); });
    bool shown = false;
    MivExec::runAsyncOnMainThread([this] { timers.advance(2000ms); });
    MivExec::runAsyncOnMainThread([&] {
        ASSERT_TRUE(mivtest::waitUntil([&] { return dialog->isWindowLoaded() && dialog->window()->isVisible(); }));
        shown = true;
        EXPECT_EQ(dialog->pathField()->text(), QString());
        dialog->cancelAction();
    });
    dialog->start();
    EXPECT_TRUE(shown);
    EXPECT_EQ(dialog->result(), MivModalWindowController::kResponseAbort);
    EXPECT_TRUE(walk->aborted());
    // The listing under way ends; the walk stops there and the dialog can go.
    gate->open();
    dialog.reset();
    EXPECT_EQ(tree->listings(), 2);
}

} // namespace
