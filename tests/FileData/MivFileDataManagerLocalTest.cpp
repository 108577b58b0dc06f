#include "FactorySupport.h"
#include "Local/LocalTestFolder.h"

#include "FileData/MivFileDataDescriptor.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <typeinfo>

using namespace factorytest;

namespace {

class MivFileDataManagerLocalTest : public localtest::LocalFolderTest, public FactoryEnvironment
{
protected:
    static MivFileDataPtr fromString(const QString& text, bool withRefresh = true)
    {
        return MivFileDataManager::makeInstanceForString(text, withRefresh);
    }
};

TEST_F(MivFileDataManagerLocalTest, EveryWayOfWritingAPathGivesTheOneCachedItem)
{
    const QString file = path(QStringLiteral("x"));
    write(file, "data");

    const MivFileDataPtr item = fromString(file);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(typeid(*item), typeid(MivOsxFileData));
    EXPECT_TRUE(item->exists());
    EXPECT_EQ(item->pathKey(), file);

    const QString fileURL = plat::Path::toFileUrl(file);
    EXPECT_EQ(fromString(fileURL), item);
    EXPECT_EQ(fromString(fileURL, false), item);
    EXPECT_EQ(fromString(QStringLiteral("file://localhost") + file), item);
    EXPECT_EQ(fromString(file + QStringLiteral("/")), item);
    EXPECT_EQ(MivFileDataManager::makeInstanceForURL(url(file), false), item);
    EXPECT_EQ(MivFileDataManager::remoteFileDataForURL(url(file), false), item) << "the table's file row";
    EXPECT_EQ(MivOsxFileDataCache::sharedInstance()->getEntryForURL(url(file)), item) << "kept in the cache";
    EXPECT_EQ(MivFileDataManager::makeInstancesForUrls({url(file), url(file)}, false), (QList<MivFileDataPtr>{item, item}));

    // Without the cache: a new item for the same URL each time.
    const MivFileDataPtr fresh = MivFileDataManager::makeFreshInstanceForString(file, true);
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, item);
    EXPECT_EQ(typeid(*fresh), typeid(MivOsxFileData));
    EXPECT_TRUE(fresh->isEqual(item.get()));
    EXPECT_TRUE(fresh->refreshed());
    const MivFileDataPtr unrefreshed = MivFileDataManager::makeFreshInstanceForURL(url(file), false);
    EXPECT_NE(unrefreshed, fresh);
    EXPECT_FALSE(unrefreshed->refreshed());
    EXPECT_EQ(fromString(file), item) << "fresh items leave the cached one alone";
}

TEST_F(MivFileDataManagerLocalTest, NamesThatNeedEscaping)
{
    const QString file = path(QByteArray("caf\xE9 100%25 #1?.txt"));
    write(file, "x");
    const MivFileDataPtr item = fromString(file);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->exists());
    EXPECT_EQ(item->pathKey(), file);
    EXPECT_EQ(fromString(plat::Path::toFileUrl(file)), item);
    EXPECT_EQ(item->name(), plat::Path::fromNative(QByteArray("caf\xE9 100%25 #1?.txt")));
}

TEST_F(MivFileDataManagerLocalTest, FileURLsThatNameNoLocalPath)
{
    for (const char* text : {"file://otherhost/tmp/x", "file:relative", "file://"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(fromString(QString::fromUtf8(text)), nullptr);
        EXPECT_EQ(MivFileDataManager::makeInstanceForURL(QUrl(QString::fromUtf8(text)), true), nullptr);
    }
    // Strings are parsed strictly: a broken escape is no URL.
    EXPECT_EQ(fromString(QStringLiteral("file:///%zz")), nullptr);
}

TEST_F(MivFileDataManagerLocalTest, MissingPathsStillGiveAnItem)
{
    const QString missing = path(QStringLiteral("not-there"));
    const MivFileDataPtr item = fromString(missing);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->exists());
}

TEST_F(MivFileDataManagerLocalTest, PathsAreStandardisedFirst)
{
    makeFolder(path(QStringLiteral("a/b")));
    const MivFileDataPtr b = fromString(path(QStringLiteral("a/b")), false);
    const auto items = MivFileDataManager::makeInstancesForPaths(
        {path(QStringLiteral("a/./b")), path(QStringLiteral("a/c/../b")), path(QStringLiteral("a//b/"))}, false);
    ASSERT_EQ(items.size(), 3);
    for (const auto& item : items)
        EXPECT_EQ(item, b);

    // A tilde stands for the (test's own) home folder.
    const QString home = plat::PathString::homeDirectory();
    makeFolder(home + QStringLiteral("/tilde-test"));
    const auto fromHome = MivFileDataManager::makeInstancesForPaths({QStringLiteral("~/tilde-test")}, false);
    ASSERT_EQ(fromHome.size(), 1);
    EXPECT_EQ(fromHome.first()->pathKey(), home + QStringLiteral("/tilde-test"));
}

TEST_F(MivFileDataManagerLocalTest, ParentsComeFromTheCache)
{
    makeFolder(path(QStringLiteral("dir")));
    write(path(QStringLiteral("dir/f")), "x");
    const MivFileDataPtr folder = fromString(path(QStringLiteral("dir")), false);
    const MivFileDataPtr file = fromString(path(QStringLiteral("dir/f")));
    EXPECT_EQ(file->parent(), folder);
    EXPECT_EQ(MivFileDataManager::rootForData(file)->pathKey(), QStringLiteral("/"));
    EXPECT_EQ(MivFileDataManager::rootData(file), fromString(QStringLiteral("/"), false));
}

TEST_F(MivFileDataManagerLocalTest, CloneMakesANewLocalItem)
{
    const QString file = path(QStringLiteral("c"));
    write(file, "x");
    const MivFileDataPtr item = fromString(file);
    const MivFileDataPtr clone = MivFileDataManager::cloneData(item);
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone, item);
    EXPECT_TRUE(clone->isEqual(item.get()));
    EXPECT_TRUE(clone->refreshed());
    EXPECT_EQ(fromString(file), item) << "the clone does not replace the cached item";
}

TEST_F(MivFileDataManagerLocalTest, MoveToTrash)
{
    const QString file = path(QStringLiteral("t"));
    write(file, "x");
    const auto item = std::dynamic_pointer_cast<MivOsxFileData>(fromString(file));
    ASSERT_NE(item, nullptr);

    EXPECT_FALSE(MivFileDataManager::checkMoveToTrash(item)) << "no volume known";
    std::optional<bool> localVolume = true;
    QList<QUrl> asked;
    MivItemHooks::setIsLocalVolumeForURL([&](const QUrl& u) {
        asked.append(u);
        return localVolume;
    });
    EXPECT_TRUE(MivFileDataManager::checkMoveToTrash(item));
    EXPECT_EQ(asked, QList<QUrl>{item->fileURL()});
    localVolume = false;
    EXPECT_FALSE(MivFileDataManager::checkMoveToTrash(item)) << "a network volume";
    localVolume = true;
    item->setRemote(true);
    EXPECT_FALSE(MivFileDataManager::checkMoveToTrash(item)) << "inside a mounted share";
    item->setRemote(false);

    EXPECT_FALSE(MivFileDataManager::checkMoveToTrash(nullptr));
    EXPECT_FALSE(MivFileDataManager::checkMoveToTrash(MivFileDataManager::makeInstanceForURL(factorytest::url("sftp://h/x"), false)));
    EXPECT_FALSE(MivFileDataManager::checkMoveToTrash(std::make_shared<itemtest::TreeFolder>()));
}

TEST_F(MivFileDataManagerLocalTest, LocalLocationsSaveTheirPath)
{
    makeFolder(path(QStringLiteral("saved")));
    const MivFileDataPtr folder = fromString(path(QStringLiteral("saved")));

    for (const bool withPassword : {false, true}) {
        const QVariantMap entry = MivFileDataManager::remoteDataDescriptorFor(folder, withPassword, QStringLiteral("left"));
        EXPECT_EQ(entry, (QVariantMap{{QStringLiteral("path"), path(QStringLiteral("saved"))},
                                      {QStringLiteral("context"), QStringLiteral("left")}}));

        const auto descriptor = MivFileDataManager::fileDataDescriptorForEntry(entry);
        EXPECT_EQ(descriptor->root(), folder);
        EXPECT_EQ(descriptor->data(), nullptr) << "no root key, nothing to rebase";
        EXPECT_EQ(MivFileDataManager::rootDataForEntry(entry), folder);
    }
    // A folder that has gone: neither root nor data.
    const auto gone = MivFileDataManager::fileDataDescriptorForEntry({{QStringLiteral("path"), path(QStringLiteral("gone"))}});
    EXPECT_EQ(gone->root(), nullptr);
    EXPECT_EQ(gone->data(), nullptr);
}

} // namespace
