#include "FileData/IMivFileWatcherContextDelegate.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/NetFileData/MivNetworkNotifications.h"
#include "FileData/RootFileData/MivNetworkRootData.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

struct CountingWatcher : IMivFileWatcherContextDelegate
{
    bool isActiveDelegate() const override { return true; }
    void contextContentChanged(const QList<MivFileDataPtr>&) override { ++changes; }
    void refreshContextWithSelectionOf(const MivFileDataPtr&) override {}
    std::atomic<int> changes = 0;
};

std::shared_ptr<MivNetworkFileData> makePlace(const QString& address)
{
    auto service = std::make_shared<MivServiceData>();
    service->setPath(address);
    return service->createNetworkFileData();
}

QList<MivFileDataPtr> listing(MivNetworkRootData& root)
{
    QList<MivFileDataPtr> children;
    EXPECT_TRUE(root.listElementsToArray(children, MivListFilesParams(std::nullopt, false), {}, nullptr));
    return children;
}

TEST(NetworkRoot, PlacesComeAndGoWithTheirNotice)
{
    auto root = MivFileData::makeItem<MivNetworkRootData>();
    auto watcher = std::make_shared<CountingWatcher>();
    root->addWatchedDelegate(watcher);
    QList<const void*> removed;
    QList<MivFileDataPtr> carried;
    const auto token = plat::NotificationCenter::defaultCenter().observe(
        QString::fromLatin1(ksRemoteFileRemovedNotification), nullptr, [&](const plat::Notification& n) {
            removed << n.object;
            carried << n.userInfo.value(QStringLiteral("item")).value<MivFileDataPtr>();
        });

    auto first = makePlace(QStringLiteral("smb://one/"));
    auto second = makePlace(QStringLiteral("ftp://two/"));
    root->addNetworkFile(first);
    root->addNetworkFile(second);
    root->addNetworkFile(first);  // listed once
    EXPECT_EQ(listing(*root), (QList<MivFileDataPtr>{first, second}));
    EXPECT_EQ(first->parent(), std::static_pointer_cast<MivFileData>(root));
    EXPECT_EQ(watcher->changes.load(), 2);

    EXPECT_TRUE(root->removeNetworkFile(first));
    EXPECT_FALSE(root->removeNetworkFile(first));
    EXPECT_FALSE(root->removeNetworkFile(nullptr));
    EXPECT_EQ(listing(*root), (QList<MivFileDataPtr>{second}));
    EXPECT_EQ(watcher->changes.load(), 3);
    // One notice for the one removal, carrying the place itself.
    EXPECT_EQ(removed, (QList<const void*>{first.get()}));
    EXPECT_EQ(carried, (QList<MivFileDataPtr>{first}));
    // A listed place holds its root as its parent: the test's own root goes
    // only once its places are removed.
    EXPECT_TRUE(root->removeNetworkFile(second));
}

TEST(NetworkRoot, ConcurrentAddsKeepEveryPlace)
{
    auto root = MivFileData::makeItem<MivNetworkRootData>();
    constexpr int kThreads = 4;
    constexpr int kEach = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&root, t] {
            for (int i = 0; i < kEach; ++i)
                root->addNetworkFile(makePlace(QStringLiteral("smb://h%1/%2").arg(t).arg(i)));
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(root->networkFiles().size(), kThreads * kEach);
    for (const auto& place : root->networkFiles())
        root->removeNetworkFile(place);
}

TEST(NetworkPlace, CopiesShareTheServiceAndKeepTheirOwnFlags)
{
    auto place = makePlace(QStringLiteral("sftp://host/"));
    EXPECT_FALSE(place->hidden());
    EXPECT_TRUE(place->interactive());
    auto copy = place->serviceData()->createNetworkFileData();
    EXPECT_NE(copy, place);
    EXPECT_EQ(copy->serviceData(), place->serviceData());
    EXPECT_EQ(copy->parent(), nullptr);
    copy->setInteractive(false);
    copy->setHidden(true);
    EXPECT_TRUE(place->interactive());
    EXPECT_FALSE(place->hidden());
    EXPECT_TRUE(copy->hidden());
}

} // namespace
