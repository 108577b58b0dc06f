#include "app/panel/MivFlatStructureLoader.h"

#include "FakeFolderTree.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QSet>

#include <atomic>

using mivtest::FakeFolderTree;

namespace {

QStringList paths(const QList<MivFileDataPtr>& items)
{
    QStringList result;
    for (const auto& item : items)
        result << item->pathKey();
    return result;
}

// The walk as the panel's loader starts it: from the folder's own listing.
QList<MivFileDataPtr> walk(FakeFolderTree& tree, const QString& folder, bool hidden = false)
{
    const MivFileDataPtr root = tree.item(folder);
    plat::Error error;
    const QList<MivFileDataPtr> source = root->listElements(hidden, MivFileCallback(), &error);
    MivFlatStructureLoader loader(root, source, hidden, MivFileCallback());
    return loader.resolveFlatStructure();
}

TEST(FlatStructureWalk, FilesOfTheWholeTreeInWalkOrderWithoutFolders)
{
    auto tree = std::make_shared<FakeFolderTree>();
    tree->addFolder("/r");
    tree->addFile("/r/a.txt");
    tree->addFolder("/r/sub1");
    tree->addFile("/r/sub1/x.txt");
    tree->addFile("/r/sub1/.x-hidden");
    tree->addFile("/r/b.txt");
    tree->addFolder("/r/.hidden");
    tree->addFile("/r/.hidden/h.txt");
    tree->addFolder("/r/sub2");
    tree->addFolder("/r/sub2/empty");
    tree->addFile("/r/sub2/y.txt");

    struct Case
    {
        bool hidden;
        QStringList expected;
    };
    const Case cases[] = {
        {false, {"/r/a.txt", "/r/sub1/x.txt", "/r/b.txt", "/r/sub2/y.txt"}},
        {true,
         {"/r/a.txt", "/r/sub1/x.txt", "/r/sub1/.x-hidden", "/r/b.txt", "/r/.hidden/h.txt", "/r/sub2/y.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hidden ? "hidden shown" : "hidden not shown");
        EXPECT_EQ(paths(walk(*tree, "/r", c.hidden)), c.expected);
    }
}

TEST(FlatStructureWalk, CallbackSeesEveryListedChild)
{
    auto tree = std::make_shared<FakeFolderTree>();
    tree->addFolder("/r");
    tree->addFolder("/r/d");
    tree->addFile("/r/d/x");
    tree->addFolder("/r/d/e");
    tree->addFile("/r/d/e/y");
    const MivFileDataPtr root = tree->item("/r");
    std::atomic<int> seen{0};
    MivFlatStructureLoader loader(root, root->listElements(false, MivFileCallback(), nullptr), false,
                                  [&seen](const MivFileDataPtr&) { ++seen; });
    EXPECT_EQ(paths(loader.resolveFlatStructure()), QStringList({"/r/d/x", "/r/d/e/y"}));
    // Children of /r/d (x, e) and of /r/d/e (y); the source was reported by its own listing.
    EXPECT_EQ(seen.load(), 3);
}

// A folder reached again through a link is walked once; a link back to an
// ancestor ends the walk instead of giving ever longer paths.
TEST(FlatStructureWalk, LinkLoopsEndTheWalk)
{
    struct Case
    {
        const char* name;
        FakeFolderTree::Traits traits;
    };
    const Case cases[] = {
        {"identity and link target", {true, true}},
        {"link target only", {false, true}},
        {"identity only", {true, false}},
        {"neither", {false, false}},
    };
    const QSet<QString> realFiles{"/r/f.txt", "/r/d/g.txt", "/r/d/e/h.txt"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto tree = std::make_shared<FakeFolderTree>(c.traits);
        tree->addFolder("/r");
        tree->addFile("/r/f.txt");
        tree->addFolder("/r/d");
        tree->addFile("/r/d/g.txt");
        tree->addFolder("/r/d/e");
        tree->addFile("/r/d/e/h.txt");
        tree->addLink("/r/d/e/up", "/r");
        tree->addLink("/r/again", "/r/d");

        const QStringList found = paths(walk(*tree, "/r"));
        if (c.traits.linkPaths) {
            // Every file exactly once, under its own path.
            EXPECT_EQ(found, QStringList({"/r/f.txt", "/r/d/g.txt", "/r/d/e/h.txt"}));
        } else {
            // The walk ends; nothing real is missing. Without a link target
            // the link's own level cannot be told from a folder.
            for (const QString& file : realFiles)
                EXPECT_TRUE(found.contains(file)) << qPrintable(file);
        }
        if (c.traits.identities)
            EXPECT_LE(tree->listings(), 10);
        else
            EXPECT_LE(tree->listings(), 4 * MivFlatStructureLoader::kMaxDepthWithoutIdentity);
    }
}

TEST(FlatStructureWalk, FailingFoldersAreSkippedAndTheRestIsListed)
{
    auto tree = std::make_shared<FakeFolderTree>();
    tree->addFolder("/r");
    tree->addFile("/r/a.txt");
    tree->addFolder("/r/locked");
    tree->addFile("/r/locked/secret.txt");
    tree->addFolder("/r/sub");
    tree->addFile("/r/sub/z.txt");
    tree->addFolder("/r/sub/lost");
    tree->addFile("/r/sub/lost/l.txt");
    tree->addFile("/r/sub/after.txt");
    tree->addFile("/r/c.txt");
    tree->makeUnreadable("/r/locked");
    tree->makeThrowing("/r/sub/lost");

    // An unreadable folder loses its subtree; an exception ends the level it
    // came up in (after.txt), and the level above goes on (c.txt).
    EXPECT_EQ(paths(walk(*tree, "/r")), QStringList({"/r/a.txt", "/r/sub/z.txt", "/r/c.txt"}));
}

TEST(FlatStructureWalk, AbortStopsBeforeTheNextItemAndKeepsWhatWasFound)
{
    auto tree = std::make_shared<FakeFolderTree>();
    tree->addFolder("/r");
    tree->addFile("/r/a.txt");
    tree->addFolder("/r/sub");
    tree->addFile("/r/sub/x.txt");
    tree->addFolder("/r/sub/deeper");
    tree->addFile("/r/sub/deeper/y.txt");
    tree->addFile("/r/b.txt");
    tree->addFolder("/r/later");
    tree->addFile("/r/later/z.txt");

    const MivFileDataPtr root = tree->item("/r");
    MivFlatStructureLoader loader(root, root->listElements(false, MivFileCallback(), nullptr), false, MivFileCallback());
    const int listingsBefore = tree->listings();
    // Aborted from inside a listing, as a cancel from another thread lands.
    tree->setListingHook([&loader](const QString& path) {
        if (path == QLatin1String("/r/sub"))
            loader.abort();
    });
    EXPECT_EQ(paths(loader.resolveFlatStructure()), QStringList({"/r/a.txt"}));
    EXPECT_TRUE(loader.aborted());
    EXPECT_EQ(tree->listings() - listingsBefore, 1);
}

} // namespace
