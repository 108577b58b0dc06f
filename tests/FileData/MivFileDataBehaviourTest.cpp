#include "ItemTestSupport.h"

#include "FileData/IMivFileDataUpdateDelegate.h"
#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileRootData.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivLazyLoadData.h"
#include "FileData/MivOverlayImage.h"
#include "platform/BlockOperation.h"
#include "platform/Operation.h"
#include "support/MemoryFileData.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

using namespace itemtest;

namespace {

// --- Blocked counter ---

TEST(MivFileDataBehaviourTest, NestedBlocksFromManyThreadsBalanceOut)
{
    MivFileData item;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&item] {
            for (int i = 0; i < 500; ++i) {
                item.setBlocked(true);
                item.setBlocked(true);
                item.setBlocked(false);
                item.setBlocked(false);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_FALSE(item.blocked());
    // Stray releases at zero never push the counter below zero.
    item.setBlocked(false);
    item.setBlocked(false);
    item.setBlocked(true);
    EXPECT_TRUE(item.blocked());
}

// --- Watchers ---

class Watcher : public IMivFileWatcherContextDelegate
{
public:
    bool isActiveDelegate() const override { return true; }
    void contextContentChanged(const QList<MivFileDataPtr>& changed) override
    {
        ++contentChanged;
        lastChanged = changed;
        if (onCall)
            onCall();
    }
    void refreshContextWithSelectionOf(const MivFileDataPtr& selection) override
    {
        ++refreshes;
        lastSelection = selection;
        if (onCall)
            onCall();
    }
    int contentChanged = 0;
    int refreshes = 0;
    QList<MivFileDataPtr> lastChanged;
    MivFileDataPtr lastSelection;
    std::function<void()> onCall;
};

TEST(MivFileDataBehaviourTest, WatchersAreToldWithOrWithoutASelection)
{
    auto folder = std::make_shared<MivFileData>();
    auto first = std::make_shared<Watcher>();
    auto second = std::make_shared<Watcher>();
    auto gone = std::make_shared<Watcher>();
    folder->addWatchedDelegate(first);
    folder->addWatchedDelegate(gone);
    folder->addWatchedDelegate(second);
    gone.reset();

    // The first watcher leaves while it is told; the second is still told.
    first->onCall = [&] { folder->removeWatchedDelegate(first); };
    auto selected = std::make_shared<MivFileData>();
    folder->refreshContextView(selected);
    EXPECT_EQ(first->refreshes, 1);
    EXPECT_EQ(second->refreshes, 1);
    EXPECT_EQ(second->lastSelection, selected);
    EXPECT_EQ(second->contentChanged, 0) << "with a selection only the selecting call is made";

    folder->refreshContextView(nullptr);
    EXPECT_EQ(first->contentChanged, 0) << "removed watchers are not told";
    EXPECT_EQ(second->contentChanged, 1);
    EXPECT_TRUE(second->lastChanged.isEmpty()) << "the base passes no changed item";
    EXPECT_EQ(second->refreshes, 1);
}

// --- Sort keys ---

class Folder : public MivSimpleFileData
{
public:
    bool folder() const override { return true; }
};

TEST(MivFileDataBehaviourTest, SortKeysFollowTheTwoFolderSettings)
{
    struct Row
    {
        bool foldersFirst;
        bool foldersAlwaysByName;
        bool folder;
        int sortKey;
        const char* folderNameSortKey;
    };
    const Row table[] = {
        {false, false, true, 0, ""},      {false, true, true, 0, ""},
        {true, false, true, -99, ""},     {true, true, true, -99, "Photos"},
        {false, false, false, 0, ""},     {false, true, false, 0, ""},
        {true, false, false, 0, ""},      {true, true, false, 0, ""},
    };
    mivtest::ScopedPropertiesProvider scoped;
    for (const Row& row : table) {
        scoped->foldersFirstValue = row.foldersFirst;
        scoped->foldersAlwaysByNameValue = row.foldersAlwaysByName;
        std::shared_ptr<MivFileData> item = row.folder ? std::shared_ptr<MivFileData>(std::make_shared<Folder>())
                                                       : std::make_shared<MivSimpleFileData>();
        item->setName(QStringLiteral("Photos"));
        EXPECT_EQ(item->sortKey(), row.sortKey) << row.foldersFirst << row.foldersAlwaysByName << row.folder;
        EXPECT_EQ(item->folderNameSortKey(), QString::fromLatin1(row.folderNameSortKey))
            << row.foldersFirst << row.foldersAlwaysByName << row.folder;
    }
}

TEST(MivFileDataBehaviourTest, WithoutSettingsFoldersAreNotSortedFirst)
{
    Folder folder;
    folder.setName(QStringLiteral("Photos"));
    EXPECT_EQ(folder.sortKey(), 0);
    EXPECT_EQ(folder.folderNameSortKey(), QStringLiteral(""));
}

// --- Refresh, extension, display name, context path ---

TEST(MivFileDataBehaviourTest, RefreshSplitsTheLastExtensionOffFilesOnly)
{
    struct Row
    {
        const char* name;
        bool folder;
        const char* extension;  // nullptr: none
        const char* displayName;
    };
    const Row table[] = {
        {"archive.tar.gz", false, "gz", "archive.tar"},
        {"photos.old", true, nullptr, "photos.old"},
        {".profile", false, nullptr, ".profile"},
        {"README", false, nullptr, "README"},
    };
    for (const Row& row : table) {
        std::shared_ptr<MivFileData> item = row.folder ? std::shared_ptr<MivFileData>(std::make_shared<Folder>())
                                                       : std::make_shared<MivSimpleFileData>();
        item->setName(QString::fromUtf8(row.name));
        item->refresh();
        if (row.extension)
            EXPECT_EQ(item->extenssion(), QString::fromLatin1(row.extension)) << row.name;
        else
            EXPECT_TRUE(item->extenssion().isEmpty()) << row.name;
        EXPECT_EQ(item->displayName(), QString::fromUtf8(row.displayName)) << row.name;
        EXPECT_TRUE(item->refreshed()) << row.name;
        EXPECT_TRUE(item->imageNotResolved()) << "a new item shows the placeholder until it is loaded";
    }
}

TEST(MivFileDataBehaviourTest, ARefreshDropsTheSummaryAndThePermissionSnapshot)
{
    MivSimpleFileData item;
    item.setName(QStringLiteral("a.txt"));
    item.setShortInfo(QStringLiteral("cached"));
    const auto snapshot = item.perms();
    item.refresh();
    EXPECT_NE(item.shortInfo(), QStringLiteral("cached"));
    EXPECT_NE(item.perms(), snapshot);
}

TEST(MivFileDataBehaviourTest, ContextPathJoinsSanitizedNamesFromTheRoot)
{
    auto root = MivFileData::makeItem<MivFileRootData>();
    root->setName(QStringLiteral("R"));
    auto middle = std::make_shared<MivSimpleFileData>();
    middle->setName(QStringLiteral("my folder"));
    middle->setParent(root);
    auto item = std::make_shared<MivSimpleFileData>();
    item->setName(QStringLiteral("a#b"));
    item->setParent(middle);

    EXPECT_EQ(root->contextPath(), QStringLiteral("/R"));
    EXPECT_EQ(item->contextPath(), QStringLiteral("/R/my%20folder/a%23b"));
    // Only the item's own rename drops its cached path.
    middle->setName(QStringLiteral("other"));
    EXPECT_EQ(item->contextPath(), QStringLiteral("/R/my%20folder/a%23b"));
    item->setName(QStringLiteral("c"));
    EXPECT_EQ(item->contextPath(), QStringLiteral("/R/other/c"));
}

// --- Lazy loading ---

class LazyData : public MivLazyLoadData
{
};

class LazyItem : public MivSimpleFileData
{
public:
    MivLazyLoadDataPtr prepareForLazyLoad(const QString& sortKey, const QSet<QString>& hidden) override
    {
        preparedFor = sortKey;
        preparedHidden = hidden;
        return prepared;
    }
    void lazyLoadData(const MivLazyLoadDataPtr& data) override { applied = data; }
    MivLazyLoadDataPtr prepared = std::make_shared<LazyData>();
    MivLazyLoadDataPtr applied;
    QString preparedFor;
    QSet<QString> preparedHidden;
};

TEST(MivFileDataBehaviourTest, LazyLoadPreparesOnTheWorkerAndAppliesLater)
{
    auto item = std::make_shared<LazyItem>();
    item->setName(QStringLiteral("notes.txt"));
    item->refresh();
    item->setShortInfo(QStringLiteral("old"));

    const auto data = std::async(std::launch::async, [&] {
        return item->doLazyLoad(QStringLiteral("size"), {QStringLiteral("owner")});
    }).get();
    EXPECT_EQ(data, item->prepared);
    EXPECT_EQ(item->preparedFor, QStringLiteral("size"));
    EXPECT_TRUE(item->preparedHidden.contains(QStringLiteral("owner")));
    EXPECT_FALSE(item->imageNotResolved()) << "the icon is resolved during the load";
    EXPECT_FALSE(item->loaded());

    MivExec::runOnMainThread([&] { item->updateLazyLoadedData(data); });
    EXPECT_EQ(item->applied, data);
    EXPECT_TRUE(item->loaded());
    EXPECT_NE(item->shortInfo(), QStringLiteral("old"));
}

// --- Icons ---

class BadgePlugin : public IMivIconPlugin
{
public:
    explicit BadgePlugin(QString badge) : m_badge(std::move(badge)) {}
    MivIconDescriptorPtr convertIcon(const MivIconDescriptorPtr& icon, const MivFileDataPtr& forData) override
    {
        ++asked;
        seen = forData;
        if (m_badge.isEmpty())
            return nullptr;
        return MivIconDescriptor::make(icon->themeName(), {}, {m_badge});
    }
    int asked = 0;
    MivFileDataPtr seen;

private:
    QString m_badge;
};

class LinkFile : public MivSimpleFileData
{
public:
    bool link() const override { return true; }
};

TEST(MivFileDataBehaviourTest, IconPluginsAreAskedInOrderUntilOneAnswers)
{
    mivtest::ScopedPropertiesProvider scoped;
    auto silent = std::make_shared<BadgePlugin>(QString());
    auto svn = std::make_shared<BadgePlugin>(QStringLiteral("svn-modified"));
    auto git = std::make_shared<BadgePlugin>(QStringLiteral("git-modified"));
    scoped->imagePluginsValue = {silent, svn, git};

    auto item = std::make_shared<MivSimpleFileData>();
    item->setName(QStringLiteral("a.txt"));
    item->refresh();
    item->lazyLoadIcon();
    EXPECT_EQ(silent->asked, 1);
    EXPECT_EQ(svn->asked, 1);
    EXPECT_EQ(git->asked, 0) << "the first plug-in that answers wins";
    EXPECT_EQ(svn->seen, item);
    EXPECT_EQ(item->icon()->badges(), QStringList{QStringLiteral("svn-modified")});
}

TEST(MivFileDataBehaviourTest, IconsResolveByKindAndLinksGetTheBadge)
{
    auto text = std::make_shared<MivSimpleFileData>();
    text->setName(QStringLiteral("notes.txt"));
    text->refresh();
    text->lazyLoadIcon();
    EXPECT_EQ(text->icon()->themeName(), QStringLiteral("text-plain"));
    EXPECT_EQ(text->icon()->fallbackThemeNames(), QStringList{QStringLiteral("text-x-generic")});

    auto unknown = std::make_shared<MivSimpleFileData>();
    unknown->setName(QStringLiteral("blob.zz-no-such-type"));
    unknown->refresh();
    unknown->lazyLoadIcon();
    EXPECT_EQ(unknown->icon(), MivFileUtils::fileIconImage());

    auto folder = std::make_shared<Folder>();
    folder->setName(QStringLiteral("docs"));
    folder->refresh();
    folder->lazyLoadIcon();
    EXPECT_EQ(folder->icon(), MivFileUtils::folderIconImage());

    auto link = std::make_shared<LinkFile>();
    link->setName(QStringLiteral("docs"));
    link->refresh();
    link->lazyLoadIcon();
    EXPECT_EQ(link->icon()->badges(), QStringList{QStringLiteral("emblem-symbolic-link")});
    EXPECT_EQ(MivOverlayImage::baseImage(link->icon()), MivFileUtils::fileIconImage())
        << "the badge sits on the shared icon itself";
}

// --- Folder sizes ---

TEST(MivFileDataBehaviourTest, FolderSizeAddsUpChildrenAndSurvivesAThrowingChild)
{
    auto inner = std::make_shared<TreeFolder>();
    inner->children = {sizedFile(5), sizedFile(7)};
    auto folder = std::make_shared<TreeFolder>();
    folder->children = {sizedFile(100), sizedFile(1, [] { throw std::runtime_error("unreadable"); }), inner,
                        sizedFile(-101)};
    folder->setSize(MivFileData::kSizeFolderNotCounted);

    EXPECT_EQ(folder->calculateSize(), 112u) << "the throwing child and the unknown size count nothing";
    EXPECT_EQ(folder->physicalSize(), 112);
    EXPECT_TRUE(folder->refreshed()) << "the folder is refreshed before it is listed";
}

TEST(MivFileDataBehaviourTest, AListingErrorStillCountsWhatWasListed)
{
    auto folder = std::make_shared<TreeFolder>();
    folder->children = {sizedFile(10)};
    folder->listingError = plat::Error(QStringLiteral("test"), 5, QStringLiteral("half a listing"));
    folder->setSize(-99);
    EXPECT_EQ(folder->calculateSize(), 10u);
}

TEST(MivFileDataBehaviourTest, ACancelledOperationEndsTheSumWithoutStoringIt)
{
    auto operation = plat::BlockOperation::create();
    auto folder = std::make_shared<TreeFolder>();
    folder->children = {sizedFile(10), sizedFile(20, [&] { operation->cancel(); }), sizedFile(40)};
    folder->setSize(-99);
    folder->setPhysicalSize(3);

    plat::Operation::ThreadRegistration registration(operation);
    // The child during which the cancellation came answers 0 itself; the
    // children after it are not asked.
    EXPECT_EQ(folder->calculateSize(), 10u);
    EXPECT_EQ(folder->physicalSize(), 3) << "a partial sum is not stored";
    EXPECT_EQ(folder->calculateSize(), 0u) << "a cancelled thread starts no calculation";
}

class UpdateDelegate : public IMivFileDataUpdateDelegate
{
public:
    void didUpdateSizeData(const MivFileDataPtr& data) override
    {
        onMainThread = MivExec::isMainThread();
        updated.set_value(data);
    }
    bool updateSizeCancelled() const override { return false; }
    std::promise<MivFileDataPtr> updated;
    bool onMainThread = false;
};

TEST(MivFileDataBehaviourTest, BackgroundSizeUpdateTellsTheDelegateOnTheMainThread)
{
    auto folder = std::make_shared<TreeFolder>();
    folder->children = {sizedFile(3), sizedFile(4)};
    folder->setSize(-99);
    folder->setShortInfo(QStringLiteral("old"));
    auto delegate = std::make_shared<UpdateDelegate>();
    auto done = delegate->updated.get_future();

    folder->updateSizeInBackground(delegate);
    ASSERT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(done.get(), folder);
    EXPECT_TRUE(delegate->onMainThread);
    EXPECT_EQ(folder->size(), 7);
    EXPECT_NE(folder->shortInfo(), QStringLiteral("old"));
    // The flag is cleared right after the delegate was queued.
    for (int i = 0; i < 3000 && folder->calulatingSize(); ++i)
        std::this_thread::yield();
    EXPECT_FALSE(folder->calulatingSize());
}

TEST(MivFileDataBehaviourTest, SizeUpdateLeavesKnownSizesAndFilesAlone)
{
    auto counted = std::make_shared<TreeFolder>();
    counted->setSize(0);
    counted->updateSize(nullptr);
    EXPECT_EQ(counted->listings, 0);
    EXPECT_EQ(counted->size(), 0);

    auto file = sizedFile(-101);
    file->updateSize(nullptr);
    EXPECT_EQ(file->size(), -101);

    // From a worker the calculation runs at once, on the calling thread.
    auto folder = std::make_shared<TreeFolder>();
    folder->children = {sizedFile(9)};
    folder->setSize(-99);
    std::async(std::launch::async, [&] { folder->updateSize(nullptr); }).get();
    EXPECT_EQ(folder->size(), 9);
    EXPECT_FALSE(folder->calulatingSize());
}

namespace {

// A folder whose listing fails with an exception, as a broken back-end does.
class ThrowingFolder : public TreeFolder
{
public:
    bool listElementsToArray(QList<MivFileDataPtr>&, const MivListFilesParams&, const MivFileCallback&,
                             plat::Error*) override
    {
        throw std::runtime_error("listing failed");
    }
};

} // namespace

TEST(MivFileDataBehaviourTest, SizeCalculationThatThrowsLeavesNoCalculatingMarkBehind)
{
    // On a worker the job runs on the calling thread, which sees the exception.
    auto folder = std::make_shared<ThrowingFolder>();
    folder->setSize(-99);
    std::async(std::launch::async, [&] { EXPECT_ANY_THROW(folder->updateSize(nullptr)); }).get();
    EXPECT_FALSE(folder->calulatingSize());
    EXPECT_EQ(folder->size(), -99) << "the size before the calculation comes back";

    // In the background the pool contains it; a later request may try again.
    folder->updateSizeInBackground(nullptr);
    for (int i = 0; i < 20000 && (folder->calulatingSize() || folder->size() == MivFileData::kSizeCalculating); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(folder->calulatingSize());
    EXPECT_EQ(folder->size(), -99);
}

TEST(MivFileDataBehaviourTest, FolderSizeStateMarksUncountedFoldersOnly)
{
    auto folder = std::make_shared<TreeFolder>();
    EXPECT_TRUE(folder->updateFolderSizeState());
    EXPECT_EQ(folder->size(), MivFileData::kSizeFolderNotCounted);
    folder->setSize(12);
    EXPECT_FALSE(folder->updateFolderSizeState());
    EXPECT_EQ(folder->size(), 12);
    auto file = sizedFile(-101);
    EXPECT_FALSE(file->updateFolderSizeState());
}

// --- Header bytes ---

TEST(MivFileDataBehaviourTest, HeaderBytesAreReadOnceAndServedFromTheCache)
{
    auto file = mivtest::MemoryFileData::create(QStringLiteral("a.zip"), QByteArray("PK\x03\x04rest"));
    // Small chunks with nothing arriving now and then, as a slow source answers.
    file->downloadOptions.maxChunk = 3;
    file->downloadOptions.transientRate = 0.5;

    EXPECT_EQ(file->bytes(100), QByteArray("PK\x03\x04rest")) << "more than the file holds: the whole file";
    EXPECT_EQ(file->openDelegates.load(), 0) << "the reader is closed";
    file->setData(QByteArray("changed"));
    EXPECT_EQ(file->bytes(4), QByteArray("PK\x03\x04")) << "a smaller count is answered from the cache";

    auto other = mivtest::MemoryFileData::create(QStringLiteral("b.bin"), QByteArray("0123456789"));
    other->downloadOptions.minChunk = 3;
    other->downloadOptions.maxChunk = 3;
    EXPECT_EQ(other->bytes(4), QByteArray("0123"));
    EXPECT_EQ(other->headerData(), QByteArray("012345")) << "reading stops at the chunk that reaches the count";

    EXPECT_TRUE(Folder().bytes(4).isNull()) << "a folder has no bytes";
}

// A cache shorter than the count asked for answers nothing by itself: the
// item is read again (here its content changed meanwhile, so a stale answer
// shows), and the longer header replaces the cache. A cache that holds the
// count answers without a read.
TEST(MivFileDataBehaviourTest, HeaderBytesAreReadAgainWhenTheCacheIsShorter)
{
    struct Case
    {
        const char* cached;
        quint64 count;
        const char* expected;
        bool readsAgain;
    };
    const Case cases[] = {
        {"ab", 4, "0123", true},
        {"", 1, "0", true},
        {"012", 10, "0123456789", true},
        {"01234", 6, "012345", true},
        {"0123456789", 20, "0123456789", true},
        {"abcd", 4, "abcd", false},
        {"abcdef", 3, "abc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cached) + " for " + std::to_string(c.count));
        auto file = mivtest::MemoryFileData::create(QStringLiteral("a.bin"), QByteArray("0123456789"));
        file->downloadOptions.maxChunk = 3;
        file->setHeaderData(QByteArray(c.cached));
        EXPECT_EQ(file->bytes(c.count), QByteArray(c.expected));
        if (c.readsAgain) {
            EXPECT_GE(quint64(file->headerData().size()), std::min<quint64>(c.count, 10)) << "the longer header is kept";
            EXPECT_TRUE(file->data().startsWith(file->headerData()));
        } else {
            EXPECT_EQ(file->headerData(), QByteArray(c.cached)) << "answered from the cache";
        }
        EXPECT_EQ(file->openDelegates.load(), 0);
    }
}

TEST(MivFileDataBehaviourTest, HeaderBytesOfAnItemThatCannotBeReadAnswerTheCache)
{
    MivSimpleFileData item;
    EXPECT_TRUE(item.bytes(2).isNull());
    item.setHeaderData(QByteArray("x"));
    EXPECT_EQ(item.bytes(2), QByteArray("x"));

    auto refusing = mivtest::MemoryFileData::create(QStringLiteral("a.bin"), QByteArray("abc"));
    refusing->downloadOptions.refuseOpen = true;
    EXPECT_TRUE(refusing->bytes(2).isNull());
}

// --- Summary ---

TEST(MivFileDataBehaviourTest, SummaryIsBuiltOnceFromSizeDateAndPermissions)
{
    MivSimpleFileData item;
    item.setSize(2048);
    item.setPosix(0100644);
    const QString summary = item.shortInfo();
    EXPECT_TRUE(summary.endsWith(QStringLiteral(" 644"))) << summary.toStdString();
    item.setSize(1);
    EXPECT_EQ(item.shortInfo(), summary) << "cached until something drops it";
    item.updateLazyLoadedData(nullptr);
    EXPECT_NE(item.shortInfo(), summary);
}

// --- Extension slots ---

TEST(MivFileDataBehaviourTest, ExtensionSlotsAnswerNeutrally)
{
    MivFileData item;
    EXPECT_FALSE(item.isUpFolderData());
    EXPECT_TRUE(item.imageUID().isNull());
    EXPECT_TRUE(item.imageRepresentationType().isNull());
    EXPECT_FALSE(item.imageRepresentation().isValid());
    EXPECT_EQ(item.imageVersion(), 0u);
    EXPECT_TRUE(item.imageTitle().isNull());
    EXPECT_TRUE(item.isSelectable());
    EXPECT_FALSE(item.calculateColor().isValid());
    EXPECT_FALSE(item.checkColorDefinition(nullptr, QStringLiteral("x"), nullptr));
}

} // namespace
