#include "FactorySupport.h"

#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/RootFileData/MivBonjourData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"

#include <gtest/gtest.h>

#include <typeinfo>

using namespace factorytest;

namespace {

using MivFileDataManagerTest = FactoryTest;

TEST_F(MivFileDataManagerTest, NetworkAndBonjourAreTheSharedRoots)
{
    const MivFileDataPtr network = MivNetworkRootData::sharedInstance();
    const MivFileDataPtr bonjour = MivBonjourData::sharedInstance();
    for (const bool refresh : {false, true}) {
        EXPECT_EQ(MivFileDataManager::makeInstanceForString(QStringLiteral("NETWORK"), refresh), network);
        EXPECT_EQ(MivFileDataManager::makeFreshInstanceForString(QStringLiteral("NETWORK"), refresh), network);
        EXPECT_EQ(MivFileDataManager::makeInstanceForString(QStringLiteral("BONJOUR"), refresh), bonjour);
        EXPECT_EQ(MivFileDataManager::makeFreshInstanceForString(QStringLiteral("BONJOUR"), refresh), bonjour);
    }
    EXPECT_NE(network, bonjour);
    // Only the exact names: these are ordinary (unresolvable) strings.
    EXPECT_EQ(MivFileDataManager::makeInstanceForString(QStringLiteral("network"), false), nullptr);
    EXPECT_EQ(MivFileDataManager::makeInstanceForString(QStringLiteral("NETWORK "), false), nullptr);
}

TEST_F(MivFileDataManagerTest, UnknownAndMalformedLocationsAnswerNothing)
{
    // Strings: neither a root, a path, a file URL nor a plug-in key. Until
    // network places can be made from a URL, a server address gives none.
    for (const char* text : {"", " ", "relative/path", "sftp://h/x", "ftp://user:pw@h/x", "::::", "http://[::1",
                             "%zz", "\x01\x02", "file:relative", "file://", "~nobody-here/x", "a\tb://c"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(MivFileDataManager::makeInstanceForString(QString::fromUtf8(text), true), nullptr);
        EXPECT_EQ(MivFileDataManager::makeFreshInstanceForString(QString::fromUtf8(text), false), nullptr);
    }
    // URLs: no URL, an invalid one, a relative reference.
    EXPECT_EQ(MivFileDataManager::makeInstanceForURL(QUrl(), true), nullptr);
    EXPECT_EQ(MivFileDataManager::makeInstanceForURL(QUrl(QStringLiteral("http://[::1"), QUrl::StrictMode), true), nullptr);
    EXPECT_EQ(MivFileDataManager::makeInstanceForURL(QUrl(QStringLiteral("just/a/path")), true), nullptr);
    EXPECT_EQ(MivFileDataManager::remoteFileDataForURL(QUrl(), true), nullptr);
    EXPECT_TRUE(MivFileDataManager::makeInstancesForUrls({QUrl(), QUrl(QStringLiteral("x/y"))}, false).isEmpty());
    EXPECT_TRUE(MivFileDataManager::makeInstancesForPaths({QString(), QStringLiteral("nowhere")}, false).isEmpty());
}

TEST_F(MivFileDataManagerTest, SchemeTable)
{
    // Schemes outside the table give the plain remote item, which connects
    // to nothing and lists nothing.
    for (const char* text : {"sftp://h/x", "webdav://h/x", "gopher://h/1"}) {
        SCOPED_TRACE(text);
        const MivFileDataPtr item = MivFileDataManager::makeInstanceForURL(url(text), false);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(typeid(*item), typeid(MivRemoteFileData));
        EXPECT_EQ(urlText(item), QString::fromUtf8(text));
        EXPECT_EQ(MivFileDataManager::connectRemoteFile(item), MivFileDataManager::kConnected);
    }
    // Rows whose back-end is not built yet answer nothing rather than a
    // plain item that would pretend to be that server.
    for (const char* text : {"smb://h/share", "afp://h/v", "ftps://h/x", "ftp://h/x", "ssh://h/x", "http://h/d",
                             "https://h/d"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(MivFileDataManager::makeInstanceForURL(url(text), true), nullptr);
        EXPECT_EQ(MivFileDataManager::remoteFileDataForURL(url(text), true), nullptr);
    }
    // The refresh flag reaches the new item; each call makes a new one.
    const MivFileDataPtr a = MivFileDataManager::makeInstanceForURL(url("sftp://h/x"), true);
    const MivFileDataPtr b = MivFileDataManager::makeInstanceForURL(url("sftp://h/x"), false);
    EXPECT_TRUE(a->refreshed());
    EXPECT_FALSE(b->refreshed());
    EXPECT_NE(a, b);
}

TEST_F(MivFileDataManagerTest, PluginsClaimKeysInOrder)
{
    auto first = std::make_shared<FakeKeyPlugin>(QStringLiteral("arc:"));
    auto second = std::make_shared<FakeKeyPlugin>(QStringLiteral("arc:"));
    second->answerNull = true;
    // A plain plug-in (no file handling) is not asked.
    struct PlainPlugin : IMivPlugin
    {
    };
    provider->pluginsValue = {std::make_shared<PlainPlugin>(), first, second};

    const MivFileDataPtr item = MivFileDataManager::makeInstanceForString(QStringLiteral("arc://h/a.zip/x"), true);
    ASSERT_EQ(first->made.size(), 1);
    EXPECT_EQ(item, first->made.first());
    EXPECT_TRUE(second->asked.isEmpty()) << "the first claim wins";

    // The URL form asks with the URL's text.
    first->asked.clear();
    const MivFileDataPtr fromURL = MivFileDataManager::makeInstanceForURL(url("arc://h/b.zip"), false);
    ASSERT_EQ(first->made.size(), 2);
    EXPECT_EQ(fromURL, first->made.last());
    EXPECT_EQ(first->asked, QStringList{QStringLiteral("arc://h/b.zip")});

    // A claiming plug-in's null stands: no fall-through to the scheme table.
    provider->pluginsValue = {second};
    EXPECT_EQ(MivFileDataManager::makeInstanceForString(QStringLiteral("arc://h/c"), false), nullptr);
    EXPECT_EQ(MivFileDataManager::makeInstanceForURL(url("arc://h/c"), false), nullptr);

    // Roots and paths are never offered to plug-ins.
    second->asked.clear();
    (void)MivFileDataManager::makeInstanceForString(QStringLiteral("NETWORK"), false);
    (void)MivFileDataManager::makeFreshInstanceForString(QStringLiteral("/nonexistent-dir/arc:"), false);
    EXPECT_TRUE(second->asked.isEmpty());

    // Several at once keep their order and leave out what gave nothing.
    provider->pluginsValue = {first};
    const auto items = MivFileDataManager::makeInstancesForUrls({url("arc://h/1"), QUrl(), url("arc://h/2")}, false);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(urlText(items[0]), QStringLiteral("arc://h/1"));
    EXPECT_EQ(urlText(items[1]), QStringLiteral("arc://h/2"));
}

TEST_F(MivFileDataManagerTest, RegisteredFactoryMakesRemoteParents)
{
    const MivFileDataPtr item = MivFileDataManager::makeInstanceForURL(url("sftp://u:pw@h/a/b"), false);
    const MivFileDataPtr parent = item->parent();
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(urlText(parent), QStringLiteral("sftp://u:pw@h/a/"));
    // The topmost item is the server's root folder.
    const MivFileDataPtr top = MivFileDataManager::rootForData(item);
    EXPECT_EQ(urlText(top), QStringLiteral("sftp://u:pw@h/"));
    EXPECT_EQ(MivFileDataManager::rootData(item), top);
    EXPECT_EQ(MivFileDataManager::savingRootForData(item), top);
    EXPECT_EQ(MivFileDataManager::rootFileForNetworkData(item), nullptr);
}

TEST_F(MivFileDataManagerTest, RootWalks)
{
    auto place = std::make_shared<MivNetworkFileData>(std::make_shared<MivServiceData>());
    place->setParent(MivNetworkRootData::sharedInstance());
    auto folder = std::make_shared<itemtest::TreeFolder>();
    folder->setParent(place);
    auto file = std::make_shared<itemtest::TreeFolder>();
    file->setParent(folder);

    EXPECT_EQ(MivFileDataManager::rootData(file), place) << "stops at the network place";
    EXPECT_EQ(MivFileDataManager::rootForData(file), MivNetworkRootData::sharedInstance());
    EXPECT_EQ(MivFileDataManager::rootData(nullptr), nullptr);

    // An item that is its own parent ends the walk, and so does any loop.
    auto self = std::make_shared<itemtest::TreeFolder>();
    self->setParent(self);
    EXPECT_EQ(MivFileDataManager::rootForData(self), self);
    self->setParent(nullptr); // break the ownership cycle
    auto a = std::make_shared<itemtest::TreeFolder>();
    auto b = std::make_shared<itemtest::TreeFolder>();
    a->setParent(b);
    b->setParent(a);
    EXPECT_EQ(MivFileDataManager::rootForData(a), b);
    a->setParent(nullptr); // break the ownership cycle

    // A root item stands for its file when saving.
    auto rootFile = std::make_shared<itemtest::TreeFolder>();
    auto root = std::make_shared<FakeRootItem>();
    root->file = rootFile;
    auto inside = std::make_shared<itemtest::TreeFolder>();
    inside->setParent(root);
    EXPECT_EQ(MivFileDataManager::savingRootForData(inside), rootFile);
    EXPECT_EQ(MivFileDataManager::rootFileForNetworkData(inside), rootFile);
    root->file = nullptr;
    EXPECT_EQ(MivFileDataManager::savingRootForData(inside), nullptr) << "a root not connected yet has no file";
}

TEST_F(MivFileDataManagerTest, CopyOfTheNetworkPlace)
{
    const auto service = std::make_shared<MivServiceData>();
    auto place = std::make_shared<MivNetworkFileData>(service);
    auto inside = std::make_shared<itemtest::TreeFolder>();
    inside->setParent(place);

    const auto copy = std::dynamic_pointer_cast<MivNetworkFileData>(MivFileDataManager::createCopyOfRootFor(inside));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, place);
    EXPECT_EQ(copy->serviceData(), service);
    EXPECT_EQ(MivFileDataManager::createCopyOfRootFor(std::make_shared<itemtest::TreeFolder>()), nullptr);
    EXPECT_EQ(MivFileDataManager::createCopyOfRootFor(nullptr), nullptr);
}

TEST_F(MivFileDataManagerTest, DuplicatingRemoteItems)
{
    const auto original = std::dynamic_pointer_cast<MivRemoteFileData>(
        MivFileDataManager::makeInstanceForURL(url("sftp://u:pw@h/a"), false));
    ASSERT_NE(original, nullptr);
    const auto connection = std::make_shared<MivConnectionDescriptor>(QVariantMap{{QStringLiteral("k"), 1}});
    original->setDescriptor(connection);

    const auto copy = std::dynamic_pointer_cast<MivRemoteFileData>(MivFileDataManager::cloneData(original));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    EXPECT_EQ(copy->fileURL(), original->fileURL());
    EXPECT_EQ(copy->descriptor(), connection) << "the same descriptor object";
    EXPECT_EQ(copy->fileOwner(), MivNetworkRootData::sharedInstance()) << "connected under the network root";
    EXPECT_TRUE(copy->refreshed());

    // A copy that cannot connect is no copy.
    auto plugin = std::make_shared<FakeKeyPlugin>(QStringLiteral("sftp:"));
    plugin->configure = [](FakeBackend& backend) {
        backend.failWith = plat::Error(QStringLiteral("test"), -7, QStringLiteral("down"));
    };
    provider->pluginsValue = {plugin};
    EXPECT_EQ(MivFileDataManager::duplicateRemote(original), nullptr);
    EXPECT_EQ(MivFileDataManager::cloneData(original), nullptr);

    // Items of no remote kind stay themselves; clone then has nothing new.
    auto virtualItem = std::make_shared<itemtest::TreeFolder>();
    EXPECT_EQ(MivFileDataManager::duplicateRemote(virtualItem), virtualItem);
    EXPECT_EQ(MivFileDataManager::cloneData(virtualItem), nullptr);
    EXPECT_EQ(MivFileDataManager::cloneData(nullptr), nullptr);
}

} // namespace
