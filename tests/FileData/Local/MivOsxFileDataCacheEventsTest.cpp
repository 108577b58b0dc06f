#include "LocalTestFolder.h"

#include "FileData/Local/MivEventData.h"
#include "FileData/Local/MivWatchdog.h"
#include "FileData/Local/Notifier.h"
#include "FileData/Local/NotifierDelegate.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include <sys/stat.h>

using localtest::LocalFolderTest;

namespace {

using namespace std::chrono_literals;

// Stands for a panel watching its folder.
class PanelDelegate : public NotifierDelegate
{
public:
    void handleEvent(const MivEventData& event, Notifier&) override
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
        m_cv.notify_all();
    }

    bool waitFor(const QString& path, quint32 flags)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, 60s, [&] {
            return std::any_of(m_events.begin(), m_events.end(),
                               [&](const MivEventData& e) { return e.path() == path && (e.flags() & flags) == flags; });
        });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<MivEventData> m_events;
};

class MivOsxFileDataCacheEventsTest : public LocalFolderTest
{
protected:
    void TearDown() override
    {
        if (m_notifier)
            MivWatchdog::sharedInstance().unregisterNotifier(m_notifier);
        LocalFolderTest::TearDown();
    }

    void watchFolder(const QString& folder)
    {
        m_notifier = Notifier::create(m_panel, folder, std::any(), Notifier::kDefaultFlags, 0.0);
        MivWatchdog::sharedInstance().registerNotifier(m_notifier);
    }

    void cache(const QString& path) { m_cache->put(item(path, false), MivOsxFileDataCache::preparedPath(path)); }

    bool isCached(const QString& path) const
    {
        // Looked up without the status check, which would drop entries itself.
        const QString key = MivOsxFileDataCache::preparedPath(path);
        const MivFileDataPtr entry = m_cache->removeForKey(key);
        if (entry)
            m_cache->put(entry, key);
        return entry != nullptr;
    }

    std::shared_ptr<MivOsxFileDataCache> m_cache = MivOsxFileDataCache::sharedInstance();
    std::shared_ptr<PanelDelegate> m_panel = std::make_shared<PanelDelegate>();
    NotifierPtr m_notifier;
};

TEST_F(MivOsxFileDataCacheEventsTest, ListensToEveryWatchedFolderAfterEachClear)
{
    const NotifierPtr before = m_cache->notifier();
    ASSERT_TRUE(before);
    EXPECT_TRUE(before->isRunning());
    EXPECT_EQ(before->paths(), QStringList{QStringLiteral("/")});
    EXPECT_FALSE(before->filtered());
    EXPECT_FALSE(before->debug());
    EXPECT_EQ(before->flags(), 0xD7u);
    m_cache->clear();
    EXPECT_NE(m_cache->notifier(), before);
    EXPECT_FALSE(before->isRunning());
    EXPECT_EQ(MivWatchdog::sharedInstance().notifiers().count(before), 0);
    EXPECT_EQ(MivWatchdog::sharedInstance().notifiers().count(m_cache->notifier()), 1);
}

TEST_F(MivOsxFileDataCacheEventsTest, AChangeInAWatchedFolderDropsItsEntryBeforeThePanelHears)
{
    const QString folder = path(QStringLiteral("shown"));
    makeFolder(folder);
    const QString file = folder + QStringLiteral("/f.txt");
    write(file, "one");
    watchFolder(folder);
    cache(file);
    cache(folder);

    write(file, "changed"); // modified: the path and every folder above it
    ASSERT_TRUE(m_panel->waitFor(file, 0x1000));
    EXPECT_FALSE(isCached(file));
    EXPECT_FALSE(isCached(folder));
}

TEST_F(MivOsxFileDataCacheEventsTest, AnAttributeChangeDropsOnlyItsPath)
{
    const QString folder = path(QStringLiteral("shown"));
    makeFolder(folder);
    const QString file = folder + QStringLiteral("/f.txt");
    write(file, "one");
    watchFolder(folder);
    cache(file);
    cache(folder);

    ASSERT_EQ(::chmod(plat::Path::toNative(file).constData(), 0600), 0);
    ASSERT_TRUE(m_panel->waitFor(file, 0x400));
    EXPECT_FALSE(isCached(file));
    EXPECT_TRUE(isCached(folder));
}

} // namespace
