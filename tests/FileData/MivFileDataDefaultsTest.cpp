#include "FileData/IMivCopyFile.h"
#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/IMivLocalFile.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/MivFileData.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/PermsData.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Answers rendered as text so one table holds every type: YES/NO, numbers,
// quoted strings, and nil for absent values (a null string is nil, an empty
// one is "").
std::string show(bool value) { return value ? "YES" : "NO"; }
std::string show(qint64 value) { return std::to_string(value); }
std::string show(const QString& value) { return value.isNull() ? "nil" : "\"" + value.toStdString() + "\""; }
std::string show(const std::optional<qint64>& value) { return value ? std::to_string(*value) : "nil"; }
std::string show(const std::optional<QStringList>& value) { return value ? "list" : "nil"; }
template <class T>
std::string show(const std::shared_ptr<T>& value) { return value ? "object" : "nil"; }
template <class T>
std::string count(const QList<T>& list) { return "count " + std::to_string(list.size()); }

struct DefaultRow
{
    const char* call;
    std::function<std::string(MivFileData&)> ask;
    std::string expected;
};

TEST(MivFileDataDefaultsTest, PlainItemAnswersTheNeutralDefaults)
{
    plat::Error error(QStringLiteral("untouched"), 7);
    const std::vector<DefaultRow> table = {
        // State of a new item.
        {"size", [](MivFileData& d) { return show(d.size()); }, "-101"},
        {"physicalSize", [](MivFileData& d) { return show(d.physicalSize()); }, "0"},
        {"blocked", [](MivFileData& d) { return show(d.blocked()); }, "NO"},
        {"loaded", [](MivFileData& d) { return show(d.loaded()); }, "NO"},
        {"processLoading", [](MivFileData& d) { return show(d.processLoading()); }, "NO"},
        {"refreshed", [](MivFileData& d) { return show(d.refreshed()); }, "NO"},
        {"calulatingSize", [](MivFileData& d) { return show(d.calulatingSize()); }, "NO"},
        {"watchedDelegates", [](MivFileData& d) { return count(d.watchedDelegates()); }, "count 0"},
        {"icon", [](MivFileData& d) { return show(d.icon()); }, "nil"},
        {"name", [](MivFileData& d) { return show(d.name()); }, "nil"},
        {"displayName", [](MivFileData& d) { return show(d.displayName()); }, "nil"},
        {"posix", [](MivFileData& d) { return show(d.posix()); }, "nil"},
        {"labelNumber", [](MivFileData& d) { return show(d.labelNumber()); }, "nil"},
        {"tags", [](MivFileData& d) { return count(d.tags()); }, "count 0"},
        {"fileIdent", [](MivFileData& d) { return show(d.fileIdent().isValid()); }, "NO"},
        {"parent", [](MivFileData& d) { return show(d.parent()); }, "nil"},
        {"uiParent", [](MivFileData& d) { return show(d.uiParent()); }, "nil"},
        // Operations in the order of their slots.
        {"refreshForSortDescriptor:", [](MivFileData& d) { return show(d.refreshForSortDescriptor(plat::SortDescriptor{QStringLiteral("size")})); }, "NO"},
        {"prepareForLazyLoad:hidden:", [](MivFileData& d) { return show(d.prepareForLazyLoad(QStringLiteral("size"), {})); }, "nil"},
        {"parentProperty", [](MivFileData& d) { return show(d.parentProperty()); }, "nil"},
        {"pathKey", [](MivFileData& d) { return show(d.pathKey()); }, "\"\""},
        {"fullSavingKey", [](MivFileData& d) { return show(d.fullSavingKey()); }, "\"\""},
        {"savingKey", [](MivFileData& d) { return show(d.savingKey()); }, "\"\""},
        {"renameOverwriteEnabled", [](MivFileData& d) { return show(d.renameOverwriteEnabled()); }, "NO"},
        {"makeFolderAllowed", [](MivFileData& d) { return show(d.makeFolderAllowed()); }, "YES"},
        {"makeFileAllowed", [](MivFileData& d) { return show(d.makeFileAllowed()); }, "YES"},
        {"showContentAllowed", [](MivFileData& d) { return show(d.showContentAllowed()); }, "NO"},
        {"renameAllowed", [](MivFileData& d) { return show(d.renameAllowed()); }, "NO"},
        {"createChild:folder:", [](MivFileData& d) { return show(d.createChild(QStringLiteral("x"), true)); }, "nil"},
        {"checkNameBeforeRename: other name", [](MivFileData& d) { return show(d.checkNameBeforeRename(QStringLiteral("x"))); }, "YES"},
        {"canSetUserAndGroup", [](MivFileData& d) { return show(d.canSetUserAndGroup()); }, "NO"},
        {"canSetPermissions", [](MivFileData& d) { return show(d.canSetPermissions()); }, "NO"},
        {"canSetModDate", [](MivFileData& d) { return show(d.canSetModDate()); }, "NO"},
        {"originalNameForRename", [](MivFileData& d) { return show(d.originalNameForRename()); }, "nil"},
        {"emptyFileNameAllowed", [](MivFileData& d) { return show(d.emptyFileNameAllowed()); }, "NO"},
        {"shouldRename", [](MivFileData& d) { return show(d.shouldRename()); }, "NO"},
        {"rename:withRefresh:error:", [&](MivFileData& d) { return show(d.rename(QStringLiteral("x"), true, &error)); }, "NO"},
        {"makeFileWithName:error:", [&](MivFileData& d) { return show(d.makeFileWithName(QStringLiteral("x"), &error)); }, "nil"},
        {"makeFolderWithName:error:", [&](MivFileData& d) { return show(d.makeFolderWithName(QStringLiteral("x"), &error)); }, "nil"},
        {"executable", [](MivFileData& d) { return show(d.executable()); }, "NO"},
        {"deletable", [](MivFileData& d) { return show(d.deletable()); }, "YES"},
        {"readable", [](MivFileData& d) { return show(d.readable()); }, "YES"},
        {"writable", [](MivFileData& d) { return show(d.writable()); }, "NO"},
        {"hidden", [](MivFileData& d) { return show(d.hidden()); }, "NO"},
        {"link", [](MivFileData& d) { return show(d.link()); }, "NO"},
        {"folder", [](MivFileData& d) { return show(d.folder()); }, "NO"},
        {"exists", [](MivFileData& d) { return show(d.exists()); }, "YES"},
        {"displayInfo", [](MivFileData& d) { return show(d.displayInfo()); }, "\"\""},
        {"sourcePath", [](MivFileData& d) { return show(d.sourcePath()); }, "\"\""},
        {"realPath", [](MivFileData& d) { return show(d.realPath()); }, "\"\""},
        {"availableUsers:", [](MivFileData& d) { return show(d.availableUsers(true)); }, "nil"},
        {"availableGroups:", [](MivFileData& d) { return show(d.availableGroups(false)); }, "nil"},
        {"nameForContext", [](MivFileData& d) { return show(d.nameForContext()); }, "nil"},
        {"isFolder", [](MivFileData& d) { return show(d.isFolder()); }, "NO"},
        {"isLocalFile", [](MivFileData& d) { return show(d.isLocalFile()); }, "NO"},
        {"isLocalURLFile", [](MivFileData& d) { return show(d.isLocalURLFile()); }, "NO"},
        {"doOpen", [](MivFileData& d) { return show(d.doOpen()); }, "YES"},
        {"activate", [](MivFileData& d) { return show(d.activate()); }, "YES"},
        {"listElementsToArray:params:callback:errorRes:", [&](MivFileData& d) {
             QList<MivFileDataPtr> array;
             const bool ok = d.listElementsToArray(array, MivListFilesParams(std::nullopt, true), {}, &error);
             return show(ok) + ", " + count(array);
         }, "YES, count 0"},
        {"listElements:callback:errorRes:", [&](MivFileData& d) { return count(d.listElements(true, {}, &error)); }, "count 0"},
        {"listElements:sortData:callback:errorRes:", [&](MivFileData& d) {
             return count(d.listElements(false, plat::SortDescriptor{QStringLiteral("name")}, {}, &error));
         }, "count 0"},
        {"class readableTypesForPasteboard:", [](MivFileData&) { return count(MivFileData::readableTypesForPasteboard(nullptr)); }, "count 0"},
        {"class readingOptionsForType:pasteboard:", [](MivFileData&) { return show(qint64(MivFileData::readingOptionsForType(QString::fromLatin1(MivFileDataPboardType), nullptr))); }, "0"},
        {"initWithPasteboardPropertyList:ofType:", [](MivFileData&) { return show(MivFileData::createWithPasteboardPropertyList(QVariant(), QString::fromLatin1(MivFileDataPboardType))); }, "nil"},
    };

    for (const auto& row : table) {
        auto item = std::make_shared<MivFileData>();
        EXPECT_EQ(row.ask(*item), row.expected) << row.call;
    }
    // No default reports an error.
    EXPECT_EQ(error, plat::Error(QStringLiteral("untouched"), 7));
}

TEST(MivFileDataDefaultsTest, SizeMarkersAndPasteboardType)
{
    EXPECT_EQ(MivFileData::kSizeNewItem, -101);
    EXPECT_EQ(MivFileData::kSizeCalculating, -100);
    EXPECT_EQ(MivFileData::kSizeFolderNotCounted, -99);
    EXPECT_EQ(MivFileData::kSizeLinkToFolder, -98);
    EXPECT_EQ(MivFileData::kSizeNotCalculated, -2);
    EXPECT_EQ(MivFileData::kSizeUpFolder, -1);
    EXPECT_STREQ(MivFileDataPboardType, "MivFileDataPboardType");
}

// A kind with a key and a link: the key family follows pathKey.
class KeyedItem : public MivFileData
{
public:
    QString pathKey() const override { return QStringLiteral("/a/b"); }
    bool folder() const override { return isFolderKind; }
    bool canSetModDate() const override { return true; }
    QString contextPathCache() const { return ctxPath(); }
    void setContextPathCache(const QString& path) { setCtxPath(path); }
    bool isFolderKind = false;
};

TEST(MivFileDataDefaultsTest, KeysAndPathsFollowPathKeyAndLinkPath)
{
    KeyedItem item;
    EXPECT_EQ(item.savingKey(), "/a/b");
    EXPECT_EQ(item.fullSavingKey(), "/a/b");
    EXPECT_EQ(item.displayInfo(), "/a/b");
    EXPECT_EQ(item.sourcePath(), "/a/b");
    EXPECT_EQ(item.realPath(), "/a/b");
    item.setLinkPath(QStringLiteral("/target"));
    EXPECT_EQ(item.realPath(), "/target");
    EXPECT_EQ(item.sourcePath(), "/a/b");
}

TEST(MivFileDataDefaultsTest, NamingStateFlagsAndDates)
{
    KeyedItem item;
    item.setContextPathCache(QStringLiteral("/R/old"));
    item.setName(QStringLiteral("Report.txt"));
    EXPECT_EQ(item.name(), "Report.txt");
    EXPECT_EQ(item.displayName(), "Report.txt");
    EXPECT_EQ(item.pureName(), "Report.txt");
    EXPECT_EQ(item.nameForContext(), "Report.txt");
    EXPECT_TRUE(item.contextPathCache().isEmpty()) << "a new name drops the cached context path";

    // Exact comparison: only the same text is "nothing to do".
    EXPECT_FALSE(item.checkNameBeforeRename(QStringLiteral("Report.txt")));
    EXPECT_TRUE(item.checkNameBeforeRename(QStringLiteral("report.txt")));

    item.setRefreshed(true);
    item.setLoaded(true);
    item.close();
    EXPECT_FALSE(item.refreshed());
    EXPECT_TRUE(item.loaded());
    item.clearCache();
    EXPECT_FALSE(item.loaded());

    // A mod date is stored only when given and the kind can set it.
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    item.updateModDate(date);
    EXPECT_EQ(item.modificationDate(), date);
    item.updateModDate(QDateTime());
    EXPECT_EQ(item.modificationDate(), date);
    MivFileData plain;
    plain.updateModDate(date);
    EXPECT_TRUE(plain.modificationDate().isNull());

    EXPECT_TRUE(plain.updatePosix(0100644, QStringLiteral("user (1000): User"), QStringLiteral("users (100): users"), nullptr));
    EXPECT_EQ(plain.posix(), 0100644);

    EXPECT_TRUE(item.doOpen());
    item.isFolderKind = true;
    EXPECT_FALSE(item.doOpen()) << "a folder is entered, not opened";
    EXPECT_TRUE(item.isFolder());
}

TEST(MivFileDataDefaultsTest, IconIsStoredAndInitializeKeepsAResolvedIcon)
{
    MivFileData item;
    const auto placeholder = MivIconDescriptor::make(QStringLiteral("folder"));
    item.updateIconImage(placeholder);
    EXPECT_EQ(item.icon(), placeholder);
    item.initializeDataIcon();
    EXPECT_EQ(item.icon(), placeholder) << "the same shared descriptor, compared by identity";
}

TEST(MivFileDataDefaultsTest, BlockedCounterNeverGoesNegative)
{
    MivFileData item;
    item.setBlocked(false);
    EXPECT_FALSE(item.blocked());
    item.setBlocked(true);
    EXPECT_TRUE(item.blocked()) << "the release at 0 was ignored, so one block blocks";
    item.setBlocked(true);
    item.setBlocked(false);
    EXPECT_TRUE(item.blocked());
    item.setBlocked(false);
    EXPECT_FALSE(item.blocked());
}

TEST(MivFileDataDefaultsTest, PermissionSnapshotIsMadeOnceUntilDropped)
{
    KeyedItem item;
    item.setPosix(0100644);
    item.setLinkPath(QStringLiteral("/target"));
    const auto first = item.perms();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->posix(), 0100644);
    EXPECT_EQ(first->linkPath(), "/target");
    EXPECT_FALSE(first->folder());

    item.setPosix(0100600);
    EXPECT_EQ(item.perms(), first) << "the snapshot keeps the mode of its moment";
    item.permsUpdated();
    const auto second = item.perms();
    EXPECT_NE(second, first);
    EXPECT_EQ(second->posix(), 0100600);
}

// A kind that lists two children and records what it was asked.
class ListingItem : public MivFileData
{
public:
    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override
    {
        seenHidden = params.hidden();
        seenIncludeFiles = params.includeFiles();
        seenSort = params.sort();
        for (int i = 0; i < 2; ++i) {
            auto child = std::make_shared<MivFileData>();
            array.append(child);
            if (callback)
                callback(child);
        }
        if (fail) {
            plat::Error::assign(errorRes, plat::Error(QStringLiteral("test"), -1));
            return false;
        }
        return true;
    }

    bool fail = false;
    bool seenHidden = false;
    bool seenIncludeFiles = false;
    std::optional<plat::SortDescriptor> seenSort;
};

TEST(MivFileDataDefaultsTest, ListingConveniencesPassParametersAndKeepPartialResults)
{
    ListingItem item;
    int called = 0;
    const plat::SortDescriptor bySize{QStringLiteral("size"), false};
    auto children = item.listElements(true, bySize, [&](const MivFileDataPtr&) { ++called; }, nullptr);
    EXPECT_EQ(children.size(), 2);
    EXPECT_EQ(called, 2);
    EXPECT_TRUE(item.seenHidden);
    EXPECT_TRUE(item.seenIncludeFiles);
    EXPECT_EQ(item.seenSort, bySize);

    // A failure shows only through the error; the partial array is answered.
    item.fail = true;
    plat::Error error;
    children = item.listElements(false, {}, &error);
    EXPECT_EQ(children.size(), 2);
    EXPECT_FALSE(item.seenHidden);
    EXPECT_FALSE(item.seenSort.has_value());
    EXPECT_EQ(error.code(), -1);
}

// Kinds adopting the smaller interfaces: the base finds them by dynamic_cast,
// and a kind that repeats IMivFile through IMivCopyFile still has one.
class CopyItem : public MivFileData, public virtual IMivCopyFile, public virtual IMivLocalFile
{
public:
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override { return nullptr; }
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override { return nullptr; }
    bool copyAllowed() const override { return true; }
    void closeContext(const MivCopyContextPtr&) override {}
    std::shared_ptr<MivFileStreamHandler> openStream(const std::shared_ptr<plat::Stream>&, quint64, const MivFileDataPtr&,
                                                     const MivCopyContextPtr&) override
    {
        return nullptr;
    }
    bool checkExistWithContext(const MivCopyContextPtr&) override { return exists(); }
    using MivFileData::makeFolderWithName;
    MivFileDataPtr makeFolderWithName(const QString& name, const MivCopyContextPtr&, plat::Error* error) override
    {
        return makeFolderWithName(name, error);
    }
    MivFileDataPtr makeFolderWithName(const QString& name, plat::Error*) override
    {
        madeFolder = name;
        return nullptr;
    }
    bool copyAttributes(const MivFileDataPtr& source, const MivCopyContextPtr& context, plat::Error* error) override
    {
        return copyAttributes(source, true, context, error);
    }
    bool copyAttributes(const MivFileDataPtr&, bool, const MivCopyContextPtr&, plat::Error*) override { return true; }
    plat::Error remove() override { return {}; }
    bool isLocked() const override { return false; }

    QString madeFolder;
};

class UrlItem : public CopyItem, public virtual IMivUrlFile
{
public:
    QUrl fileURL() const override { return QUrl(QStringLiteral("file:///tmp")); }
    QUrl realURL() const override { return fileURL(); }
};

TEST(MivFileDataDefaultsTest, AdoptedInterfacesAreFoundByCast)
{
    auto copy = std::make_shared<CopyItem>();
    EXPECT_TRUE(copy->isLocalFile());
    EXPECT_FALSE(copy->isLocalURLFile()) << "a local kind that is no URL item";
    auto url = std::make_shared<UrlItem>();
    EXPECT_TRUE(url->isLocalURLFile());

    MivFileDataPtr asItem = copy;
    auto* asCopy = dynamic_cast<IMivCopyFile*>(asItem.get());
    ASSERT_NE(asCopy, nullptr);
    asCopy->makeFolderWithName(QStringLiteral("via interface"), nullptr);
    EXPECT_EQ(copy->madeFolder, "via interface");
    asCopy->makeFolderWithName(QStringLiteral("with context"), MivCopyContextPtr(), nullptr);
    EXPECT_EQ(copy->madeFolder, "with context");
    EXPECT_EQ(static_cast<IMivFile*>(asCopy)->name(), asItem->name());
}

class RecordingWatcher : public IMivFileWatcherContextDelegate
{
public:
    bool isActiveDelegate() const override { return true; }
    void contextContentChanged(const QList<MivFileDataPtr>&) override {}
    void refreshContextWithSelectionOf(const MivFileDataPtr&) override {}
};

TEST(MivFileDataDefaultsTest, ParentIsOwnedAndWatchersAreWeak)
{
    auto child = std::make_shared<MivFileData>();
    std::weak_ptr<MivFileData> weakParent;
    {
        auto parent = std::make_shared<MivFileData>();
        weakParent = parent;
        child->setParent(parent);
        child->setUiParent(parent);
    }
    EXPECT_FALSE(weakParent.expired()) << "an item owns its parent";
    EXPECT_EQ(child->parentProperty(), weakParent.lock());

    auto watcher = std::make_shared<RecordingWatcher>();
    auto other = std::make_shared<RecordingWatcher>();
    child->addWatchedDelegate(watcher);
    child->addWatchedDelegate(watcher);
    child->addWatchedDelegate(other);
    EXPECT_EQ(child->watchedDelegates().size(), 2);
    child->removeWatchedDelegate(watcher);
    ASSERT_EQ(child->watchedDelegates().size(), 1);
    EXPECT_EQ(child->watchedDelegates().first().lock(), other);
    other.reset();
    EXPECT_TRUE(child->watchedDelegates().first().expired()) << "an item never keeps its watcher alive";
}

} // namespace
