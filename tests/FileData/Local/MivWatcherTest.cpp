#include "FileData/Local/MivFileSystemWatcher.h"
#include "LocalTestFolder.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using localtest::LocalFolderTest;

class RecordingWatcherDelegate : public MivWatcherDelegate
{
public:
    struct Seen
    {
        QString path;
        quint32 flags;
        MivFileDataPtr watched;
    };

    void handleEvent(const MivWatcherEvent& event, const MivFileDataPtr& watched) override
    {
        std::lock_guard lock(m_mutex);
        m_seen.push_back({event.path, event.flags, watched});
        m_cv.notify_all();
    }

    // Waits for an event of the path that carries the flag.
    bool waitFor(const QString& path, quint32 flag)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, 60s, [&] {
            return std::any_of(m_seen.begin(), m_seen.end(),
                               [&](const Seen& seen) { return seen.path == path && (seen.flags & flag); });
        });
    }

    std::vector<Seen> seen() const
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Seen> m_seen;
};

class WatcherTest : public LocalFolderTest
{
protected:
    void TearDown() override
    {
        MivFileSystemWatcher::sharedInstance().closeWatcher(m_watcher);
        LocalFolderTest::TearDown();
    }
    MivWatcherPtr makeWatcher()
    {
        m_watcher = MivFileSystemWatcher::sharedInstance().createWatcherForDelegate(m_delegate);
        return m_watcher;
    }

    std::shared_ptr<RecordingWatcherDelegate> m_delegate = std::make_shared<RecordingWatcherDelegate>();
    MivWatcherPtr m_watcher;
};

TEST_F(WatcherTest, AFileWatcherSeesModifyRenameAndDeleteOfThatFileOnly)
{
    write(path(QStringLiteral("watched")), "1");
    write(path(QStringLiteral("sibling")), "1");
    const auto watcher = makeWatcher();
    const auto watchable = item(path(QStringLiteral("watched")));
    ASSERT_GT(watcher->registerWatchable(watchable, path(QStringLiteral("watched")), MivWatcherEvent::All), 0);

    // Sibling changes first: events arrive in order, so once the watched
    // file's own change is seen, a sibling's would have been seen before it.
    write(path(QStringLiteral("sibling")), "2");
    ::rename(plat::Path::toNative(path(QStringLiteral("sibling"))).constData(), plat::Path::toNative(path(QStringLiteral("sibling2"))).constData());
    write(path(QStringLiteral("watched")), "2");
    ASSERT_TRUE(m_delegate->waitFor(path(QStringLiteral("watched")), MivWatcherEvent::Write));

    ::rename(plat::Path::toNative(path(QStringLiteral("watched"))).constData(), plat::Path::toNative(path(QStringLiteral("moved"))).constData());
    ASSERT_TRUE(m_delegate->waitFor(path(QStringLiteral("watched")), MivWatcherEvent::Rename));
    write(path(QStringLiteral("watched")), "again");
    remove(path(QStringLiteral("watched")));
    ASSERT_TRUE(m_delegate->waitFor(path(QStringLiteral("watched")), MivWatcherEvent::Delete));

    for (const auto& seen : m_delegate->seen()) {
        EXPECT_EQ(seen.path, path(QStringLiteral("watched")));
        EXPECT_EQ(seen.watched, watchable);
        EXPECT_NE(seen.flags, 0u);
    }
}

TEST_F(WatcherTest, RegisteringAPathTwiceKeepsTheFirstWatchable)
{
    makeFolder(path(QStringLiteral("folder")));
    const auto watcher = makeWatcher();
    const auto first = item(path(QStringLiteral("folder")));
    const auto second = item(path(QStringLiteral("folder")), false);
    const int descriptor = watcher->registerWatchable(first, path(QStringLiteral("folder")), MivWatcherEvent::All);
    ASSERT_GT(descriptor, 0);
    EXPECT_EQ(watcher->registerWatchable(second, path(QStringLiteral("folder")), MivWatcherEvent::All), descriptor);

    write(path(QStringLiteral("folder/new")), "x");
    ASSERT_TRUE(m_delegate->waitFor(path(QStringLiteral("folder")), MivWatcherEvent::Write));
    for (const auto& seen : m_delegate->seen())
        EXPECT_EQ(seen.watched, first);
}

TEST_F(WatcherTest, BadRegistrationsAnswerMinusOneAndUnknownRemovalsChangeNothing)
{
    const auto watcher = makeWatcher();
    EXPECT_EQ(watcher->registerWatchable(nullptr, path(QStringLiteral("x")), MivWatcherEvent::All), -1);
    EXPECT_EQ(watcher->registerWatchable(item(m_dir.path()), QString(), MivWatcherEvent::All), -1);
    watcher->unregisterWatchableForPath(path(QStringLiteral("never")));
    watcher->unregisterWatchable(0);
    watcher->unregisterWatchable(-5);
    EXPECT_EQ(MivFileSystemWatcher::sharedInstance().createWatcherForDelegate(nullptr), nullptr);
}

TEST_F(WatcherTest, NothingReachesTheDelegateAfterUnregisterOrClose)
{
    makeFolder(path(QStringLiteral("a")));
    makeFolder(path(QStringLiteral("b")));
    makeFolder(path(QStringLiteral("c")));
    const auto watcher = makeWatcher();
    ASSERT_GT(watcher->registerWatchable(item(path(QStringLiteral("a"))), path(QStringLiteral("a")), MivWatcherEvent::All), 0);
    ASSERT_GT(watcher->registerWatchable(item(path(QStringLiteral("c"))), path(QStringLiteral("c")), MivWatcherEvent::All), 0);
    watcher->unregisterWatchableForPath(path(QStringLiteral("a")));
    write(path(QStringLiteral("a/x")), "x");
    // c's change comes after a's: once it is seen, a's would have been.
    write(path(QStringLiteral("c/x")), "x");
    ASSERT_TRUE(m_delegate->waitFor(path(QStringLiteral("c")), MivWatcherEvent::Write));
    for (const auto& seen : m_delegate->seen())
        EXPECT_EQ(seen.path, path(QStringLiteral("c")));

    const int before = MivFileSystemWatcher::sharedInstance().watcherCount();
    MivFileSystemWatcher::sharedInstance().closeWatcher(watcher);
    MivFileSystemWatcher::sharedInstance().closeWatcher(watcher);
    EXPECT_EQ(MivFileSystemWatcher::sharedInstance().watcherCount(), before - 1);
    EXPECT_TRUE(watcher->closed());
    EXPECT_EQ(watcher->delegate(), nullptr);
    EXPECT_EQ(watcher->registerWatchable(item(path(QStringLiteral("b"))), path(QStringLiteral("b")), MivWatcherEvent::All), -1);
}

} // namespace
