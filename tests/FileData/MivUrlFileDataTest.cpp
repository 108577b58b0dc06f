#include "ItemTestSupport.h"

#include "FileData/MivFileDataOpener.h"
#include "FileData/MivNilFileData.h"
#include "FileData/MivRemoteFileData.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"
#include "platform/NotificationCenter.h"
#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/Formatters/MivPermsFormatter.h"
#include "FileData/PermsData.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace itemtest;

namespace {

QUrl url(const char* text) { return QUrl(QString::fromUtf8(text), QUrl::StrictMode); }

TEST(MivUrlFileDataTest, PasswordOnlyInTheFullSavingKey)
{
    const auto item = MivUrlFileData::createWithURL<MivRemoteFileData>(url("ftp://u:pw@h/x"));
    EXPECT_EQ(item->pathKey(), QStringLiteral("ftp://u@h/x"));
    EXPECT_EQ(item->savingKey(), QStringLiteral("ftp://u@h/x"));
    EXPECT_EQ(item->fullSavingKey(), QStringLiteral("ftp://u:pw@h/x"));
    EXPECT_EQ(item->displayInfo(), QStringLiteral("ftp://u@h/x"));
    EXPECT_FALSE(item->description().contains(QStringLiteral("pw"))) << item->description().toStdString();
    EXPECT_EQ(item->name(), QStringLiteral("x"));
    EXPECT_TRUE(item->folder()) << "a remote item starts as a folder";
    EXPECT_TRUE(item->refreshed());
}

TEST(MivUrlFileDataTest, LocalItemsAreKeyedByTheirPathBytes)
{
    const QString path = plat::Path::fromNative(QByteArray("/tmp/caf\xE9 x.txt"));
    const auto item = MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(plat::Path::toFileUrl(path)));
    EXPECT_EQ(item->pathKey(), path);
    EXPECT_EQ(item->sourcePath(), path);
    EXPECT_EQ(item->name(), plat::Path::fromNative(QByteArray("caf\xE9 x.txt")));
    EXPECT_EQ(item->extenssion(), QStringLiteral("txt"));
}

TEST(MivUrlFileDataTest, EqualityAndHashFollowTheURL)
{
    const auto a = MivUrlFileData::createWithURL<MivUrlFileData>(url("ftp://h/a/b"), false);
    const auto b = MivUrlFileData::createWithURL<MivUrlFileData>(url("ftp://h/a/b"), false);
    const auto c = MivUrlFileData::createWithURL<MivUrlFileData>(url("ftp://h/a/c"), false);
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_EQ(a->hash(), b->hash());
    EXPECT_FALSE(a->isEqual(c.get()));

    MivSimpleFileData plain;
    plain.setName(QStringLiteral("ftp://h/a/b"));
    EXPECT_FALSE(a->isEqual(&plain));

    const auto none = MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(), false);
    const auto none2 = MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(), false);
    EXPECT_TRUE(none->isEqual(none.get()));
    EXPECT_FALSE(none->isEqual(none2.get()));
    EXPECT_FALSE(none->hidden());
    EXPECT_FALSE(none->exists());
}

TEST(MivUrlFileDataTest, HiddenFlags)
{
    EXPECT_TRUE(MivUrlFileData::createWithURL<MivRemoteFileData>(url("sftp://h/home/.ssh"))->hidden());
    EXPECT_FALSE(MivUrlFileData::createWithURL<MivRemoteFileData>(url("sftp://h/home/ssh"))->hidden());
    EXPECT_TRUE(MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(plat::Path::toFileUrl(QStringLiteral("/tmp/.cache"))))->hidden());
    // The flag is cached for the item's life, whatever its new URL.
    auto item = MivUrlFileData::createWithURL<MivRemoteFileData>(url("sftp://h/.a"));
    EXPECT_TRUE(item->hidden());
    item->setFileURL(url("sftp://h/b"));
    EXPECT_TRUE(item->hidden());
    EXPECT_EQ(item->name(), QStringLiteral("b")) << "the name comes anew from the new URL";
}

// The factory as the parent lookup sees it: records what it was asked.
struct Factory
{
    QList<QUrl> asked;
    QList<bool> refreshFlags;
    Factory()
    {
        MivItemHooks::setMakeInstanceForURL([this](const QUrl& u, bool withRefresh) -> MivFileDataPtr {
            asked.append(u);
            refreshFlags.append(withRefresh);
            if (u.isLocalFile())
                return MivUrlFileData::createWithURL<MivUrlFileData>(u, withRefresh);
            return MivUrlFileData::createWithURL<MivRemoteFileData>(u, withRefresh);
        });
    }
};

TEST(MivUrlFileDataTest, ParentsKeepServerPortAndQuery)
{
    ScopedHooks hooks;
    Factory factory;
    struct Row
    {
        const char* child;
        const char* parent;  // nullptr: none
    };
    const Row table[] = {
        {"ftp://u:pw@h:2121/a/b/?q=1", "ftp://u:pw@h:2121/a/?q=1"},
        {"ftp://u:pw@h/a/b/", "ftp://u:pw@h/a/"},
        {"sftp://h:22/a", "sftp://h:22/"},
        {"webdav://h/a%20b/c%3Fd", "webdav://h/a%20b/"},
        {"ftp://h/", nullptr},
    };
    for (const Row& row : table) {
        factory.asked.clear();
        const auto item = MivUrlFileData::createWithURL<MivRemoteFileData>(url(row.child), false);
        const MivFileDataPtr parent = item->parent();
        if (!row.parent) {
            EXPECT_FALSE(parent) << row.child;
            EXPECT_TRUE(factory.asked.isEmpty()) << "a server root asks for no parent";
            continue;
        }
        ASSERT_EQ(factory.asked.size(), 1) << row.child;
        EXPECT_EQ(factory.asked.front().toString(QUrl::FullyEncoded), QString::fromUtf8(row.parent)) << row.child;
        EXPECT_TRUE(factory.refreshFlags.front()) << "remote parents are refreshed";
        ASSERT_TRUE(parent);
        EXPECT_EQ(item->parent(), parent) << "the parent is stored";
        EXPECT_EQ(factory.asked.size(), 1);
    }
}

TEST(MivUrlFileDataTest, LocalParentsAndVolumeRoots)
{
    ScopedHooks hooks;
    Factory factory;
    int volumeQueries = 0;
    MivItemHooks::setDriveVolumeDescription([&](const QUrl& u) {
        ++volumeQueries;
        return plat::Path::fromFileUrl(u) == QStringLiteral("/mnt/disk") ? QVariantMap{{QStringLiteral("name"), 1}}
                                                                            : QVariantMap();
    });

    const auto file = MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(plat::Path::toFileUrl(QStringLiteral("/mnt/disk/a.txt"))), false);
    const auto parent = file->parent();
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->pathKey(), QStringLiteral("/mnt/disk"));
    EXPECT_FALSE(factory.refreshFlags.front()) << "local parents come unrefreshed";

    EXPECT_FALSE(parent->parent()) << "a local volume's root has no parent";
    const int queries = volumeQueries;
    EXPECT_FALSE(parent->parent());
    EXPECT_EQ(volumeQueries, queries) << "the answer is remembered";
    EXPECT_TRUE(std::dynamic_pointer_cast<const MivUrlFileData>(parent)->assignedParent())
        << "the marker is stored";
}

TEST(MivUrlFileDataTest, RenameGoesThroughTheRealParentsSubpaths)
{
    class Renaming : public MivRemoteFileData
    {
    public:
        using MivRemoteFileData::MivRemoteFileData;
        using MivRemoteFileData::rename;
        bool rename(const QString& from, const QString& to, bool, plat::Error*) override
        {
            this->from = from;
            this->to = to;
            return true;
        }
        QString from, to;
    };
    ScopedHooks hooks;
    Factory factory;
    const auto item = MivUrlFileData::createWithURL<Renaming>(url("ftp://h/dir/old.txt"));
    EXPECT_FALSE(item->checkNameBeforeRename(QStringLiteral("old.txt")));
    EXPECT_TRUE(item->checkNameBeforeRename(QStringLiteral("Old.txt")));
    EXPECT_TRUE(item->rename(QStringLiteral("new.txt"), true, nullptr));
    EXPECT_EQ(item->from, QStringLiteral("/dir/old.txt"));
    EXPECT_EQ(item->to, QStringLiteral("/dir/new.txt"));

    const auto orphan = MivUrlFileData::createWithURL<Renaming>(url("ftp://h/"));
    EXPECT_FALSE(orphan->rename(QStringLiteral("x"), true, nullptr)) << "no URL parent: no rename";
}

// A back-end whose items share one connection when their host matches.
class Backend : public MivRemoteFileData
{
public:
    using MivRemoteFileData::MivRemoteFileData;
    bool checkSameConnectionAs(const MivRemoteFileData& other) const override
    {
        return other.fileURL().host() == fileURL().host();
    }
    bool isKindOfClassOf(const MivRemoteFileData& item) const override
    {
        return dynamic_cast<const Backend*>(&item) != nullptr;
    }
    void reconnect() { pushReconnectNotification(); }
};

class SecureBackend : public Backend
{
public:
    using Backend::Backend;
};

class OtherBackend : public MivRemoteFileData
{
public:
    using MivRemoteFileData::MivRemoteFileData;
    bool checkSameConnectionAs(const MivRemoteFileData&) const override { return true; }
};

TEST(MivUrlFileDataTest, ReconnectionHandsThePasswordToItemsOfTheSameConnection)
{
    const auto sender = MivUrlFileData::createWithURL<Backend>(url("ftp://u:new%40pw@h/a"));
    const auto descriptor = std::make_shared<MivConnectionDescriptor>();
    sender->setDescriptor(descriptor);
    const auto sibling = MivUrlFileData::createWithURL<SecureBackend>(url("ftp://u:old@h/b/c"));
    const auto otherHost = MivUrlFileData::createWithURL<Backend>(url("ftp://u:old@k/b"));
    const auto otherClass = MivUrlFileData::createWithURL<OtherBackend>(url("ftp://u:old@h/b"));

    sender->reconnect();
    EXPECT_EQ(sibling->fullSavingKey(), QStringLiteral("ftp://u:new%40pw@h/b/c"));
    EXPECT_EQ(sibling->descriptor(), descriptor) << "the same descriptor object";
    EXPECT_EQ(sibling->name(), QStringLiteral("c"));
    EXPECT_EQ(otherHost->fullSavingKey(), QStringLiteral("ftp://u:old@k/b"));
    EXPECT_EQ(otherClass->fullSavingKey(), QStringLiteral("ftp://u:old@h/b"));
    EXPECT_FALSE(otherClass->descriptor());
    EXPECT_EQ(sender->fullSavingKey(), QStringLiteral("ftp://u:new%40pw@h/a"));

    // Items that are gone are not told: no crash, no observer left behind.
    std::weak_ptr<SecureBackend> weak = sibling;
    const_cast<std::shared_ptr<SecureBackend>&>(sibling).reset();
    EXPECT_TRUE(weak.expired());
    sender->reconnect();
}

TEST(MivUrlFileDataTest, AnUnnamedServerRootShowsItsOwnersName)
{
    const auto root = MivUrlFileData::createWithURL<MivRemoteFileData>(url("ftp://h"));
    EXPECT_EQ(root->name(), QStringLiteral(""));
    auto place = std::make_shared<MivNetworkFileData>(std::make_shared<MivServiceData>());
    place->setName(QStringLiteral("My Server"));
    root->assignFileOwner(place);
    EXPECT_EQ(root->name(), QStringLiteral("My Server"));
    EXPECT_EQ(root->displayName(), QStringLiteral(""));

    root->assignFileOwner(MivNetworkRootData::sharedInstance());
    EXPECT_EQ(root->name(), QStringLiteral("")) << "never the network root's name";
}

TEST(MivUrlFileDataTest, DescriptorsTravelToParentsAndPlaces)
{
    ScopedHooks hooks;
    Factory factory;
    const auto item = MivUrlFileData::createWithURL<MivRemoteFileData>(url("sftp://h/a/b"));
    const auto service = std::make_shared<MivServiceData>();
    const auto place = std::make_shared<MivNetworkFileData>(service);
    item->assignFileOwner(place);

    item->updateDescriptor(nullptr);
    EXPECT_FALSE(item->descriptor());
    const QVariantMap values{{QStringLiteral("passive"), true}};
    item->updateDescriptor(&values);
    ASSERT_TRUE(item->descriptor());
    EXPECT_EQ(item->descriptor()->toMap(), values);
    EXPECT_EQ(service->descriptor(), item->descriptor()) << "the place shares the very object";

    const auto parent = std::dynamic_pointer_cast<MivRemoteFileData>(item->parent());
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->descriptor(), item->descriptor());
}

class Opener : public MivFileDataOpener
{
public:
    void openFile(const MivFileDataPtr& file, qint32 forOperation) override
    {
        opened = file;
        operation = forOperation;
    }
    void openFileFor(qint32) override {}
    MivFileDataPtr opened;
    qint32 operation = -1;
};

class Connection : public MivRemoteFileData
{
public:
    using MivRemoteFileData::MivRemoteFileData;
    bool active() const override { return up; }
    int connect(bool interactive, plat::Error*) override
    {
        asked.append(interactive);
        if (status == 0)
            up = true;
        return status;
    }
    bool exists() const override { ++existsAsked; return true; }
    int status = 0;
    bool up = false;
    QList<bool> asked;
    mutable int existsAsked = 0;
};

TEST(MivUrlFileDataTest, ActivatingConnectsUnderTheNetworkRoot)
{
    ScopedHooks hooks;
    const auto item = MivUrlFileData::createWithURL<Connection>(url("ftp://h/a"));
    EXPECT_TRUE(item->activate());
    EXPECT_EQ(item->asked, QList<bool>{false}) << "activation connects without asking the user";
    EXPECT_EQ(item->fileOwner(), MivNetworkRootData::sharedInstance());
    EXPECT_TRUE(item->activate());
    EXPECT_EQ(item->asked.size(), 1) << "an active item does not connect again";

    const auto failing = MivUrlFileData::createWithURL<Connection>(url("ftp://h/b"));
    failing->status = 2;
    EXPECT_FALSE(failing->openRemoteFile(true));
    EXPECT_FALSE(failing->activate());
}

TEST(MivUrlFileDataTest, OpeningAFileGoesToTheRegisteredOpener)
{
    auto opener = std::make_shared<Opener>();
    MivFileDataHelpers::registerFileDataOpener(opener);
    const auto folder = MivUrlFileData::createWithURL<Connection>(url("ftp://h/a"));
    EXPECT_FALSE(folder->doOpen()) << "a folder is entered";
    EXPECT_FALSE(opener->opened);

    const auto file = MivUrlFileData::createWithURL<Connection>(url("ftp://h/a.txt"));
    file->setFolder(false);
    EXPECT_TRUE(file->doOpen());
    EXPECT_EQ(opener->opened, file);
    EXPECT_EQ(opener->operation, MivFileDataOpener::kOperationOpen);

    const auto dead = MivUrlFileData::createWithURL<Connection>(url("ftp://h/dead"));
    dead->status = 2;
    opener->opened.reset();
    EXPECT_FALSE(dead->doOpen());
    EXPECT_EQ(dead->existsAsked, 0) << "a folder that cannot connect is not asked whether it exists";
    EXPECT_EQ(opener->opened, dead);
    MivFileDataHelpers::registerFileDataOpener(nullptr);
}

// Links in a real folder, described to a URL item the way the local item
// will: folder flag through the item's own resource value (links followed),
// link flag, link target and mode from lstat and readlink. The folder-size
// marker, the size text and the permission text must tell a link to a folder
// from a folder and from a link to a file.
TEST(MivUrlFileDataTest, ALinkToAFolderShowsTheLinkMarkerAndAnLPermission)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    {
        QFile file(dir.filePath(QStringLiteral("file.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("twelve bytes");
    }
    const auto native = [&dir](const char* name) { return plat::Path::toNative(dir.filePath(QString::fromUtf8(name))); };
    ASSERT_EQ(::symlink("folder", native("link-to-folder").constData()), 0);
    ASSERT_EQ(::symlink("link-to-folder", native("link-to-link").constData()), 0);
    ASSERT_EQ(::symlink("file.txt", native("link-to-file").constData()), 0);

    struct Case
    {
        const char* name;
        qint64 sizeAfterMarking;
        const char* sizeText;
        char firstPermChar;
    };
    const Case cases[] = {
        {"link-to-folder", MivFileData::kSizeLinkToFolder, "<LNK>", 'l'},
        {"link-to-link", MivFileData::kSizeLinkToFolder, "<LNK>", 'l'},
        {"folder", MivFileData::kSizeFolderNotCounted, "<DIR>", 'd'},
        {"link-to-file", MivFileData::kSizeNewItem, "", 'l'},
        {"file.txt", MivFileData::kSizeNewItem, "", '-'},
    };
    MivFileSizeFormatter sizes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromUtf8(c.name));
        const QUrl fileUrl(plat::Path::toFileUrl(path));
        const auto item = MivUrlFileData::createWithURL<MivUrlFileData>(fileUrl, false);
        struct stat info {};
        ASSERT_EQ(::lstat(plat::Path::toNative(path).constData(), &info), 0);
        item->setFolder(item->WSSResourceValueForKey(QStringLiteral("NSURLIsDirectoryKey"), fileUrl).toBool());
        item->setPosix(qint64(info.st_mode & 07777));
        if (S_ISLNK(info.st_mode)) {
            QByteArray target(4096, '\0');
            const ssize_t length = ::readlink(plat::Path::toNative(path).constData(), target.data(), size_t(target.size()));
            ASSERT_GT(length, 0);
            target.truncate(length);
            item->setLink(true);
            item->setLinkPath(plat::Path::fromNative(target));
        }

        item->updateFolderSizeState();
        EXPECT_EQ(item->size(), c.sizeAfterMarking);
        EXPECT_EQ(sizes.stringForObjectValue(QVariant::fromValue(item->size())), QString::fromUtf8(c.sizeText));
        const PermsDataPtr perms = item->perms();
        ASSERT_TRUE(perms);
        for (qint64 format : {1, 2}) {
            const QString text = MivPermsFormatter::formatPerms(*perms, format);
            ASSERT_FALSE(text.isEmpty());
            EXPECT_EQ(text.left(1).toStdString(), std::string(1, c.firstPermChar)) << text.toStdString();
        }
        EXPECT_EQ(MivPermsFormatter::processPermissions(perms.get()).left(1).toStdString(), std::string(1, c.firstPermChar));
        EXPECT_TRUE(item->shortInfo().startsWith(QString::fromUtf8(c.sizeText) + QLatin1Char(' ')))
            << item->shortInfo().toStdString();
    }
}


// An item kept as its path keeps it as folder and last part, the folder
// shared with the items made before it from the same folder: whatever the
// spelling, the path it answers is exactly the one it was made from, and
// equality and hashing follow that path alone.
TEST(MivUrlFileDataTest, AKeptPathIsAnsweredAsGiven)
{
    const QList<QString> paths = {
        QStringLiteral("/tmp/folder/plain.txt"),
        QStringLiteral("/tmp/folder/with space, #hash and ?query.tar.gz"),
        plat::Path::fromNative(QByteArray("/tmp/folder/caf\xE9 \xFF.txt")),
        plat::Path::fromNative(QByteArray("/tmp/caf\xE9/na\xEFve")),
        QStringLiteral("/tmp/folder/trailing/"),
        QStringLiteral("/tmp/folder//double"),
        QStringLiteral("/tmp/folder/.hidden"),
        QStringLiteral("/top"),
        QStringLiteral("/"),
    };
    QList<std::shared_ptr<MivUrlFileData>> made;
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const auto item = MivUrlFileData::createWithPath<MivUrlFileData>(path, false);
        EXPECT_EQ(item->pathKey(), path);
        EXPECT_EQ(item->sourcePath(), path);
        EXPECT_EQ(item->name(), plat::PathString::lastPathComponent(path));
        EXPECT_EQ(item->fileURL().toString(QUrl::FullyEncoded), plat::Path::toFileUrl(path));
        EXPECT_EQ(item->hidden(), plat::PathString::lastPathComponent(path).startsWith(QLatin1Char('.')));
        made.append(item);
    }
    // Made again in another order, so no folder text is shared with the first.
    for (qsizetype i = paths.size() - 1; i >= 0; --i) {
        SCOPED_TRACE(paths[i].toStdString());
        const auto again = MivUrlFileData::createWithPath<MivUrlFileData>(paths[i], false);
        for (qsizetype j = 0; j < paths.size(); ++j) {
            EXPECT_EQ(again->isEqual(made[j].get()), i == j) << paths[j].toStdString();
            EXPECT_EQ(made[j]->isEqual(again.get()), i == j) << paths[j].toStdString();
        }
        EXPECT_EQ(again->hash(), made[i]->hash());
    }
    // A path that follows the name is kept whole before the name changes.
    made[1]->setName(QStringLiteral("renamed.txt"));
    EXPECT_EQ(made[1]->name(), QStringLiteral("renamed.txt"));
    EXPECT_EQ(made[1]->pathKey(), paths[1]);
    EXPECT_EQ(made[1]->fileURL().toString(QUrl::FullyEncoded), plat::Path::toFileUrl(paths[1]));
    const auto sameAsRenamed = MivUrlFileData::createWithPath<MivUrlFileData>(paths[1], false);
    EXPECT_TRUE(sameAsRenamed->isEqual(made[1].get()));
    EXPECT_EQ(sameAsRenamed->hash(), made[1]->hash());
    // A new path drops the old parts.
    made[0]->setFileURL(plat::Path::toFileQUrl(QStringLiteral("/elsewhere/other.md")));
    EXPECT_EQ(made[0]->pathKey(), QStringLiteral("/elsewhere/other.md"));
    EXPECT_EQ(made[0]->name(), QStringLiteral("other.md"));
    EXPECT_EQ(made[0]->extenssion(), QStringLiteral("md"));
}

// Readers of a listed item's path never see it change while another thread
// renames the item (the path is kept whole before the name changes).
TEST(MivUrlFileDataTest, APathFollowingTheNameHoldsWhileTheNameChanges)
{
    const QString path = QStringLiteral("/tmp/folder/first.txt");
    for (int round = 0; round < 50; ++round) {
        const auto item = MivUrlFileData::createWithPath<MivUrlFileData>(path, false);
        std::atomic<bool> wrong{false};
        std::thread reader([&] {
            for (int i = 0; i < 200; ++i) {
                if (item->pathKey() != path || item->sourcePath() != path)
                    wrong = true;
            }
        });
        for (int i = 0; i < 20; ++i)
            item->setName(QStringLiteral("name-%1").arg(i));
        reader.join();
        EXPECT_FALSE(wrong.load());
        EXPECT_EQ(item->pathKey(), path);
        EXPECT_EQ(item->fileURL().toString(QUrl::FullyEncoded), plat::Path::toFileUrl(path));
    }
}

TEST(MivUrlFileDataTest, AnItemMadeFromItsPathIsTheItemOfItsFileURL)
{
    const QList<QString> paths = {
        QStringLiteral("/tmp/plain.txt"),
        QStringLiteral("/tmp/with space, #hash and ?query%.tar.gz"),
        plat::Path::fromNative(QByteArray("/tmp/caf\xE9/na\xEFve")),
        QStringLiteral("/"),
    };
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const QUrl fileURL = plat::Path::toFileQUrl(path);
        const auto fromPath = MivUrlFileData::createWithPath<MivUrlFileData>(path);
        const auto fromURL = MivUrlFileData::createWithURL<MivUrlFileData>(fileURL);
        EXPECT_TRUE(fromPath->isEqual(fromURL.get()));
        EXPECT_TRUE(fromURL->isEqual(fromPath.get()));
        EXPECT_EQ(fromPath->hash(), fromURL->hash());
        for (const auto& item : {fromPath, fromURL}) {
            EXPECT_EQ(item->pathKey(), path);
            EXPECT_EQ(item->sourcePath(), path);
            EXPECT_EQ(item->name(), plat::PathString::lastPathComponent(path));
            EXPECT_EQ(item->fileURL(), fileURL);
            EXPECT_EQ(item->fileURL().toString(QUrl::FullyEncoded), plat::Path::toFileUrl(path));
            EXPECT_EQ(item->fileURL(), fileURL) << "the URL built on first request is kept";
            EXPECT_TRUE(item->description().contains(plat::Path::toFileUrl(path)));
        }
        EXPECT_EQ(fromPath->extenssion(), fromURL->extenssion());
        EXPECT_EQ(fromPath->displayName(), fromURL->displayName());
    }

    // A text that spells the escapes of "é" names the same file as "é".
    const auto spelled = MivUrlFileData::createWithPath<MivUrlFileData>(QStringLiteral("/tmp/") + QChar(0xDCC3) + QChar(0xDCA9), false);
    const auto decoded = MivUrlFileData::createWithPath<MivUrlFileData>(QStringLiteral("/tmp/") + QChar(0x00E9), false);
    EXPECT_TRUE(spelled->isEqual(decoded.get()));
    EXPECT_EQ(spelled->pathKey(), decoded->pathKey());

    const auto relative = MivUrlFileData::createWithPath<MivUrlFileData>(QStringLiteral("rel/x"), false);
    EXPECT_EQ(relative->pathKey(), plat::Path::fromFileUrl(plat::Path::toFileUrl(QStringLiteral("rel/x"))))
        << "a relative path is taken as its file URL takes it";
}

TEST(MivUrlFileDataTest, OtherSpellingsOfFileURLsAreKeptAsGiven)
{
    const auto plain = MivUrlFileData::createWithPath<MivUrlFileData>(QStringLiteral("/tmp/x"), false);
    for (const char* text : {"file://localhost/tmp/x", "file:///tmp/x?q=1", "file:///tmp/x#top"}) {
        SCOPED_TRACE(text);
        const QUrl given = url(text);
        const auto item = MivUrlFileData::createWithURL<MivUrlFileData>(given, false);
        EXPECT_EQ(item->fileURL(), given);
        EXPECT_EQ(item->fileURL().toString(QUrl::FullyEncoded), given.toString(QUrl::FullyEncoded));
        EXPECT_EQ(item->pathKey(), QStringLiteral("/tmp/x"));
        EXPECT_EQ(item->name(), QStringLiteral("x"));
        EXPECT_FALSE(item->isEqual(plain.get())) << "items compare by their URL text";
        EXPECT_FALSE(plain->isEqual(item.get()));
        EXPECT_TRUE(item->isEqual(MivUrlFileData::createWithURL<MivUrlFileData>(given, false).get()));
    }
}

TEST(MivUrlFileDataTest, ANewURLReplacesThePathAndTheName)
{
    const auto item = MivUrlFileData::createWithPath<MivUrlFileData>(QStringLiteral("/tmp/a.txt"));
    ASSERT_EQ(item->fileURL(), plat::Path::toFileQUrl(QStringLiteral("/tmp/a.txt")));
    item->setFileURL(url("sftp://h/home/b.md"));
    EXPECT_EQ(item->name(), QStringLiteral("b.md"));
    EXPECT_EQ(item->pathKey(), QStringLiteral("sftp://h/home/b.md"));
    EXPECT_EQ(item->fileURL(), url("sftp://h/home/b.md"));
    item->setFileURL(plat::Path::toFileQUrl(QStringLiteral("/tmp/c")));
    EXPECT_EQ(item->name(), QStringLiteral("c"));
    EXPECT_EQ(item->pathKey(), QStringLiteral("/tmp/c"));
    EXPECT_EQ(item->fileURL(), plat::Path::toFileQUrl(QStringLiteral("/tmp/c")));
    EXPECT_TRUE(item->isEqual(MivUrlFileData::createWithPath<MivUrlFileData>(QStringLiteral("/tmp/c"), false).get()));
}

} // namespace
