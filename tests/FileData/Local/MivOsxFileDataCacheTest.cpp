#include "LocalTestFolder.h"

#include "FileData/MivSimpleFileData.h"

#include <gtest/gtest.h>

#include <thread>

using localtest::LocalFolderTest;

namespace {

class MivOsxFileDataCacheTest : public LocalFolderTest
{
protected:
    std::shared_ptr<MivOsxFileDataCache> cache = MivOsxFileDataCache::sharedInstance();

    bool cached(const QString& path) const
    {
        // Without the check by status read, which would drop entries itself.
        const MivFileDataPtr item = cache->removeForKey(MivOsxFileDataCache::preparedPath(path));
        if (item)
            cache->put(item, MivOsxFileDataCache::preparedPath(path));
        return item != nullptr;
    }
};

TEST_F(MivOsxFileDataCacheTest, HandsOutAFreshItemAfterAChangeBehindItsBack)
{
    const QString file = path(QStringLiteral("f.txt"));
    write(file, "one");
    const MivFileDataPtr first = cache->getOrCreateEntryForURL(url(file));
    ASSERT_TRUE(first);
    first->refresh();
    EXPECT_EQ(first->size(), 3);
    EXPECT_EQ(cache->getOrCreateEntryForURL(url(file)), first);
    EXPECT_EQ(cache->getEntryForURL(url(file)), first);

    write(file, "changed");
    const MivFileDataPtr second = cache->getOrCreateEntryForURL(url(file));
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    second->refresh();
    EXPECT_EQ(second->size(), 7);

    // Replaced by another file of the same size: a new inode.
    const QString other = path(QStringLiteral("g.txt"));
    write(other, "CHANGED");
    ASSERT_EQ(::rename(plat::Path::toNative(other).constData(), plat::Path::toNative(file).constData()), 0);
    EXPECT_FALSE(cache->getEntryForURL(url(file)));

    remove(file);
    const MivFileDataPtr gone = cache->getOrCreateEntryForURL(url(file));
    ASSERT_TRUE(gone) << "a missing path still gets an item";
    EXPECT_FALSE(cache->getEntryForURL(url(file))) << "an entry whose file vanished is dropped";
}

TEST_F(MivOsxFileDataCacheTest, ACreatedItemKeepsTheStatusReadOfTheLookup)
{
    const QString file = path(QStringLiteral("f.txt"));
    write(file, "12345");
    const auto made = std::dynamic_pointer_cast<MivOsxFileData>(cache->getOrCreateEntryForURL(url(file)));
    ASSERT_TRUE(made);
    EXPECT_FALSE(made->refreshed()) << "made without a refresh";
    ASSERT_TRUE(made->attributes());
    EXPECT_EQ(made->attributes()->size(), 5);
    const auto before = made->attributes();
    made->refresh();
    EXPECT_EQ(made->attributes(), before) << "the refresh used the lookup's status read";
    EXPECT_EQ(made->size(), 5);
    made->refresh();
    EXPECT_NE(made->attributes(), before) << "a later refresh reads again";
}

TEST_F(MivOsxFileDataCacheTest, PathAndFileURLFormsShareOneEntry)
{
    const QString file = path(QStringLiteral("with space é.txt"));
    write(file, "x");
    const MivFileDataPtr item = cache->getOrCreateEntryForURL(url(file));
    ASSERT_TRUE(item);
    const QString text = QStringLiteral("file://") + QString::fromLatin1(plat::Path::percentEncode(plat::Path::toNative(file)));
    EXPECT_EQ(cache->getOrCreateEntryForURL(QUrl(text, QUrl::StrictMode)), item);
    EXPECT_EQ(cache->getEntryForURL(QUrl(text + QLatin1Char('/'), QUrl::StrictMode)), item);
    EXPECT_EQ(cache->getEntryForURL(QUrl(QStringLiteral("file://localhost") + text.mid(7), QUrl::StrictMode)), item);

    const QString key = MivOsxFileDataCache::preparedPath(file);
    EXPECT_TRUE(key.contains(QLatin1String("%20"))) << key.toStdString();
    EXPECT_TRUE(key.contains(QLatin1String("%C3%A9"))) << key.toStdString();
    EXPECT_EQ(cache->getForKey(key), item);
    EXPECT_EQ(cache->getForKey(key, false), item);
}

// A listing keys its entries from the kernel's bytes, every other lookup
// from the decoded path: the two must give one key, or one file would get
// two items.
TEST_F(MivOsxFileDataCacheTest, KeysFromBytesAndFromPathsAgree)
{
    const QByteArray cases[] = {
        QByteArrayLiteral("/"),
        QByteArrayLiteral("/tmp/plain.txt"),
        QByteArrayLiteral("/tmp/a b%c#d?e;f[g]"),
        QByteArrayLiteral("/tmp/!$&'()*+,-.:=@_~"),
        QByteArrayLiteral("/tmp/caf\xC3\xA9"),
        QByteArrayLiteral("/tmp/latin1-\xE9-byte"),
        QByteArrayLiteral("/tmp/folder/"),
        QByteArrayLiteral("/tmp/folder//"),
    };
    for (const QByteArray& bytes : cases) {
        EXPECT_EQ(MivOsxFileDataCache::preparedNativePath(bytes),
                  MivOsxFileDataCache::preparedPath(plat::Path::fromNative(bytes)))
            << bytes.toStdString();
    }
    EXPECT_EQ(MivOsxFileDataCache::preparedNativePath(QByteArrayLiteral("/tmp/latin1-\xE9")),
              QStringLiteral("/tmp/latin1-%E9"));

    // A listed entry (made from bytes) is the entry a URL lookup finds.
    const QByteArray native = plat::Path::toNative(path(QByteArrayLiteral("odd \xE9 name")));
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const MivFileDataPtr listed = cache->getOrCreateEntryForNativePath(native, MivOsxFileAttributes::read(native));
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->pathKey(), plat::Path::fromNative(native));
    EXPECT_EQ(cache->getEntryForURL(plat::Path::toFileQUrl(plat::Path::fromNative(native))), listed);
    EXPECT_EQ(cache->getOrCreateEntryForNativePath(native, MivOsxFileAttributes::read(native)), listed);
}

TEST_F(MivOsxFileDataCacheTest, PutEntryNeedsAURL)
{
    EXPECT_FALSE(cache->putEntry(MivFileData::makeItem<MivSimpleFileData>()));
    EXPECT_FALSE(cache->putEntry(nullptr));
    EXPECT_FALSE(cache->putEntry(MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(QStringLiteral("ftp://h/x")), false)));
    EXPECT_FALSE(cache->getOrCreateEntryForURL(QUrl(QStringLiteral("ftp://h/x")))) << "only local file URLs";
    EXPECT_FALSE(cache->getOrCreateEntryForURL(QUrl()));
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    const auto made = item(file);
    EXPECT_TRUE(cache->putEntry(made));
    EXPECT_EQ(cache->getEntryForURL(url(file)), made);
    cache->put(nullptr, QStringLiteral("/x"));
    cache->put(made, QString());
    EXPECT_EQ(cache->size(), 1u);
}

TEST_F(MivOsxFileDataCacheTest, InvalidatingAPathDropsItsFoldersUpToTheRoot)
{
    const QString x = path(QStringLiteral("x"));
    const QString y = path(QStringLiteral("x/y"));
    const QString z = path(QStringLiteral("x/y/z.txt"));
    const QString sibling = path(QStringLiteral("x/w"));
    makeFolder(y);
    makeFolder(sibling);
    write(z, "z");
    for (const QString& p : {QStringLiteral("/"), m_dir.path(), x, y, z, sibling})
        ASSERT_TRUE(cache->putEntry(item(p, false)));

    EXPECT_TRUE(cache->invalidatePath(z));
    for (const QString& p : {QStringLiteral("/"), m_dir.path(), x, y, z})
        EXPECT_FALSE(cached(p)) << p.toStdString();
    EXPECT_TRUE(cached(sibling));
    EXPECT_FALSE(cache->invalidatePath(z)) << "no longer cached";

    ASSERT_TRUE(cache->putEntry(item(x, false)));
    cache->putEntry(item(y, false));
    EXPECT_TRUE(cache->invalidatePath(y, false));
    EXPECT_TRUE(cached(x)) << "without parents only the path goes";
}

TEST_F(MivOsxFileDataCacheTest, EventsDropAsTheirKindSays)
{
    const QString folder = path(QStringLiteral("d"));
    const QString file = path(QStringLiteral("d/f"));
    makeFolder(folder);
    write(file, "f");
    struct Case
    {
        const char* name;
        quint32 flags;
        bool fileCached;  // the event's path is cached
        bool fileDropped;
        bool folderDropped;
    };
    const Case cases[] = {
        {"renamed", 0x800, true, true, false},
        {"attributes", 0x400, true, true, false},
        {"xattrs", 0x8000, true, true, false},
        {"modified", 0x1000, true, true, true},
        {"created", 0x100, true, true, true},
        {"removed", 0x200, true, true, true},
        {"owner", 0x4000, true, true, true},
        {"modified, path not cached", 0x1000, false, true, false},
        {"file kind only", 0x10000, true, false, false},
        {"renamed and modified", 0x1800, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cache->clear();
        cache->putEntry(item(folder, false));
        if (c.fileCached)
            cache->putEntry(item(file, false));
        cache->handleEvent(c.flags, file);
        EXPECT_EQ(cached(file), c.fileCached && !c.fileDropped);
        EXPECT_EQ(cached(folder), !c.folderDropped);
    }
}

TEST_F(MivOsxFileDataCacheTest, InvalidatingALinkDropsItsTargetToo)
{
    const QString target = path(QStringLiteral("target"));
    const QString link = path(QStringLiteral("link"));
    makeFolder(target);
    localtest::LocalFolderTest::link(target, link);
    const auto linkItem = item(link);
    ASSERT_EQ(linkItem->linkPath(), target);
    cache->putEntry(linkItem);
    cache->putEntry(item(target));
    EXPECT_TRUE(cache->invalidate(linkItem));
    EXPECT_FALSE(cached(link));
    EXPECT_FALSE(cached(target));
    EXPECT_FALSE(cache->invalidate(linkItem));
}

TEST_F(MivOsxFileDataCacheTest, ALookupUnblocksAndComputeFillsOnce)
{
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    const auto made = item(file);
    made->setBlocked(true);
    cache->putEntry(made);
    EXPECT_EQ(cache->getEntryForURL(url(file)), made);
    EXPECT_FALSE(made->blocked());

    cache->clear();
    int calls = 0;
    const auto compute = [&] {
        ++calls;
        return std::static_pointer_cast<MivFileData>(item(file));
    };
    const QString key = MivOsxFileDataCache::preparedPath(file);
    const MivFileDataPtr first = cache->computeIfAbsentForKey(key, compute);
    EXPECT_EQ(cache->computeIfAbsentForKey(key, compute), first);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(cache->computeIfAbsentForKey(QString(), compute));
}

TEST_F(MivOsxFileDataCacheTest, LoadedItemsPutThemselvesAndClearCacheDropsThem)
{
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    const auto made = item(file);
    made->setLoaded(true);
    EXPECT_EQ(cache->getEntryForURL(url(file)), made);
    made->clearCache();
    EXPECT_FALSE(cached(file));
    EXPECT_FALSE(made->loaded());

    const auto remote = item(file);
    remote->setRemote(true);
    remote->setLoaded(true);
    EXPECT_FALSE(cached(file)) << "items inside a mounted share stay out of the cache";
}

TEST_F(MivOsxFileDataCacheTest, ThreadsCreatingTheSameEntryAllGetAnItem)
{
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    std::vector<MivFileDataPtr> got(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < got.size(); ++t)
        threads.emplace_back([&, t] { got[t] = cache->getOrCreateEntryForURL(url(file)); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& one : got)
        EXPECT_TRUE(one);
    EXPECT_EQ(cache->size(), 1u);
    EXPECT_TRUE(std::find(got.begin(), got.end(), cache->getEntryForURL(url(file))) != got.end());
}

} // namespace
