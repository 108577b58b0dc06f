#include "FileData/Local/MivEventData.h"
#include "FileData/Local/MivWatchdog.h"
#include "FileData/Local/Notifier.h"
#include "FileData/Local/NotifierDelegate.h"
#include "FileData/Local/WatchedFile.h"
#include "platform/InotifyDecoder.h"
#include "platform/InotifyHub.h"
#include "platform/Path.h"
#include "platform/ThreadInfo.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <condition_variable>
#include <mutex>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using plat::Path;

// Short enough that no test waits long, long enough to batch a burst.
constexpr double kTestLatency = 0.02;

class RecordingDelegate : public NotifierDelegate
{
public:
    void handleEvent(const MivEventData& event, Notifier&) override
    {
        std::unique_lock lock(m_mutex);
        m_events.push_back(event);
        m_threadLabels.push_back(plat::currentThreadLabel());
        m_cv.notify_all();
        if (m_holdFirst && m_events.size() == 1)
            m_cv.wait(lock, [&] { return m_released; });
    }

    bool waitFor(const QString& path, quint32 flags)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, 60s, [&] { return findLocked(path, flags); });
    }

    bool has(const QString& path) const
    {
        std::lock_guard lock(m_mutex);
        return findLocked(path, 0);
    }

    std::vector<MivEventData> events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    QStringList threadLabels() const
    {
        std::lock_guard lock(m_mutex);
        return m_threadLabels;
    }

    // The first event's delivery waits for release(): keeps a serial queue busy.
    void holdFirst() { m_holdFirst = true; }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_cv.notify_all();
    }

private:
    bool findLocked(const QString& path, quint32 flags) const
    {
        return std::any_of(m_events.begin(), m_events.end(),
                           [&](const MivEventData& e) { return e.path() == path && (e.flags() & flags) == flags; });
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<MivEventData> m_events;
    QStringList m_threadLabels;
    bool m_holdFirst = false;
    bool m_released = false;
};

// Sees an event as soon as the hub reads it, which is before any batch
// holding it is handed to a notifier.
class HubObserver
{
public:
    HubObserver()
        : m_state(std::make_shared<State>())
        , m_id(plat::InotifyHub::shared().addObserver([state = m_state](plat::FileSystemEventBatch batch) {
            std::lock_guard lock(state->mutex);
            for (auto& event : batch)
                state->paths.append(event.path);
            state->cv.notify_all();
        }))
    {
    }
    ~HubObserver() { plat::InotifyHub::shared().removeObserver(m_id); }

    bool waitFor(const QString& path)
    {
        std::unique_lock lock(m_state->mutex);
        return m_state->cv.wait_for(lock, 60s, [&] { return m_state->paths.contains(path); });
    }

private:
    // Shared with the observer: a call under way at removal may still finish.
    struct State
    {
        std::mutex mutex;
        std::condition_variable cv;
        QStringList paths;
    };
    const std::shared_ptr<State> m_state;
    const plat::InotifyHub::ObserverId m_id;
};

void writeFile(const QString& path, const QByteArray& bytes = "x", int flags = O_WRONLY | O_CREAT | O_TRUNC)
{
    const int fd = Path::open(path, flags | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
    ::close(fd);
}

plat::FileSystemEventBatch batchOf(std::initializer_list<std::pair<const char*, quint64>> entries, quint32 flags = 0x10100)
{
    plat::FileSystemEventBatch batch;
    for (const auto& [path, id] : entries)
        batch.push_back({QString::fromUtf8(path), flags, id});
    return batch;
}

class NotifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
    }

    void TearDown() override
    {
        for (const auto& notifier : m_notifiers)
            MivWatchdog::sharedInstance().unregisterNotifier(notifier);
    }

    NotifierPtr watch(const QString& path, double latency = kTestLatency)
    {
        auto notifier = Notifier::create(m_delegate, path, std::any(), Notifier::kDefaultFlags, latency);
        MivWatchdog::sharedInstance().registerNotifier(notifier);
        m_notifiers.push_back(notifier);
        return notifier;
    }

    QString path(const QString& name) const { return m_root + QLatin1Char('/') + name; }

    QTemporaryDir m_temp;
    QString m_root;
    std::shared_ptr<RecordingDelegate> m_delegate = std::make_shared<RecordingDelegate>();
    std::vector<NotifierPtr> m_notifiers;
};

TEST_F(NotifierTest, ChangesReachTheDelegateOnTheEventQueue)
{
    watch(m_root);
    writeFile(path("a.txt"));
    ASSERT_TRUE(m_delegate->waitFor(path("a.txt"), 0x10100));
    ASSERT_EQ(::chmod(Path::toNative(path("a.txt")).constData(), 0600), 0);
    ASSERT_TRUE(m_delegate->waitFor(path("a.txt"), 0x400));
    writeFile(path("a.txt"), "more", O_WRONLY | O_APPEND);
    ASSERT_TRUE(m_delegate->waitFor(path("a.txt"), 0x1000));
    ASSERT_EQ(::rename(Path::toNative(path("a.txt")).constData(), Path::toNative(path("b.txt")).constData()), 0);
    ASSERT_TRUE(m_delegate->waitFor(path("b.txt"), 0x800));
    ASSERT_EQ(::unlink(Path::toNative(path("b.txt")).constData()), 0);
    ASSERT_TRUE(m_delegate->waitFor(path("b.txt"), 0x200));
    ASSERT_EQ(Path::mkdir(path("folder"), 0755), 0);
    ASSERT_TRUE(m_delegate->waitFor(path("folder"), 0x20100));

    bool created = false, modified = false, renamed = false, removed = false;
    for (const MivEventData& event : m_delegate->events()) {
        EXPECT_EQ(event.inode(), 0); // the kernel names no file identifier
        created |= event.isCreated() && event.isFileEvent();
        modified |= event.isModified();
        renamed |= event.isRenamed();
        removed |= event.isRemoved();
    }
    EXPECT_TRUE(created && modified && renamed && removed);
    for (const QString& label : m_delegate->threadLabels())
        EXPECT_EQ(label, QStringLiteral("com.quorvex.file-system-event-queue"));
}

TEST_F(NotifierTest, FilteringKeepsTheFolderAndItsDirectChildren)
{
    auto notifier = Notifier::create(m_delegate, QStringLiteral("/Volumes/Data/Docs/"), std::any());
    EXPECT_EQ(notifier->paths(), QStringList{QStringLiteral("/Volumes/Data/Docs")});
    const auto batch = batchOf({{"/Volumes/Data/Docs", 1},
                                {"/Volumes/Data/Docs/x.txt", 2},
                                {"/Volumes/Data/Docs/sub/x.txt", 3},
                                {"/Volumes/Data/Docsier/x.txt", 4}, // a sibling whose name begins alike
                                {"/Volumes/Data/Docsier", 5}});
    notifier->deliverEvents(batch);
    auto paths = [&] {
        QStringList result;
        for (const auto& event : m_delegate->events())
            result.append(event.path());
        return result;
    };
    EXPECT_EQ(paths(), (QStringList{QStringLiteral("/Volumes/Data/Docs"), QStringLiteral("/Volumes/Data/Docs/x.txt")}));

    notifier->setFiltered(false);
    notifier->deliverEvents(batch);
    EXPECT_EQ(paths().size(), 7);
}

TEST_F(NotifierTest, ABatchDeliversEachEventIdentifierOnce)
{
    auto notifier = Notifier::create(m_delegate, QStringLiteral("/w"), std::any());
    notifier->deliverEvents(batchOf({{"/w/a", 9}, {"/w/b", 9}, {"/w/c", 10}}));
    const auto events = m_delegate->events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].path(), QStringLiteral("/w/a"));
    EXPECT_EQ(events[1].eventId(), 10u);
}

TEST_F(NotifierTest, DisabledOrWithoutDelegateDeliversNothing)
{
    auto notifier = Notifier::create(m_delegate, QStringLiteral("/w"), std::any());
    notifier->setDisabled(true);
    notifier->deliverEvents(batchOf({{"/w/a", 1}}));
    notifier->setDisabled(false);
    notifier->setDelegate({});
    notifier->deliverEvents(batchOf({{"/w/a", 2}}));
    EXPECT_TRUE(m_delegate->events().empty());
}

TEST_F(NotifierTest, StopDropsQueuedAndPendingEventsAndKeepsDisabled)
{
    m_delegate->holdFirst();
    auto notifier = watch(m_root, 0);
    writeFile(path("first"));
    ASSERT_TRUE(m_delegate->waitFor(path("first"), 0x100)); // the queue is now held inside the delegate
    HubObserver observer;
    writeFile(path("queued"));
    ASSERT_TRUE(observer.waitFor(path("queued")));

    notifier->setDisabled(true);
    notifier->stop();
    EXPECT_TRUE(notifier->disabled());
    EXPECT_FALSE(notifier->isRunning());
    EXPECT_EQ(notifier->eventQueue(), nullptr);
    notifier->setDisabled(false);
    m_delegate->release();

    // Changes while stopped are never reported either; a restarted notifier
    // begins at its start.
    writeFile(path("while-stopped"));
    notifier->start();
    writeFile(path("fence"));
    ASSERT_TRUE(m_delegate->waitFor(path("fence"), 0x100));
    EXPECT_FALSE(m_delegate->has(path("queued")));
    EXPECT_FALSE(m_delegate->has(path("while-stopped")));
}

TEST_F(NotifierTest, StopDropsEventsStillCollected)
{
    auto held = watch(m_root, 3600); // collects for an hour

    HubObserver observer;
    writeFile(path("pending"));
    ASSERT_TRUE(observer.waitFor(path("pending")));
    held->stop();
    held->setLatency(0);
    held->start();
    writeFile(path("after"));
    ASSERT_TRUE(m_delegate->waitFor(path("after"), 0x100));
    EXPECT_FALSE(m_delegate->has(path("pending")));
}

TEST_F(NotifierTest, StopOfAStoppedNotifierChangesNothing)
{
    auto notifier = Notifier::create(m_delegate, m_root, std::any());
    notifier->setDisabled(true);
    notifier->stop();
    EXPECT_TRUE(notifier->disabled());
    notifier->setDisabled(false);
    notifier->stop();
    EXPECT_FALSE(notifier->disabled());
}

TEST_F(NotifierTest, RegisteringTwiceListsTwiceAndRunsOneStream)
{
    auto notifier = Notifier::create(m_delegate, m_root, std::any(), Notifier::kDefaultFlags, kTestLatency);
    auto& watchdog = MivWatchdog::sharedInstance();
    watchdog.registerNotifier(notifier);
    watchdog.registerNotifier(notifier);
    EXPECT_EQ(watchdog.notifiers().count(notifier), 2);
    EXPECT_TRUE(notifier->isRunning());

    writeFile(path("once"));
    ASSERT_TRUE(m_delegate->waitFor(path("once"), 0x100));
    writeFile(path("fence"));
    ASSERT_TRUE(m_delegate->waitFor(path("fence"), 0x100));
    int seen = 0;
    for (const auto& event : m_delegate->events())
        seen += event.path() == path("once") && event.isCreated();
    EXPECT_EQ(seen, 1);

    watchdog.unregisterNotifier(notifier);
    EXPECT_EQ(watchdog.notifiers().count(notifier), 0);
    EXPECT_FALSE(notifier->isRunning());
    EXPECT_EQ(plat::InotifyHub::shared().kernelWatchFor(m_root), -1);
}

TEST_F(NotifierTest, OverflowIsARescanOfTheWatchedFolder)
{
    watch(m_root, 0);
    plat::InotifyHub::shared().processRecords(plat::InotifyDecoder::encode({{-1, IN_Q_OVERFLOW, 0, {}}}));
    ASSERT_TRUE(m_delegate->waitFor(m_root, 0x1));
    QString buffer;
    Notifier::logEvent(0x1, buffer);
    EXPECT_EQ(buffer, QStringLiteral(" * Recursive scanning of directory required\n"));
}

TEST_F(NotifierTest, ADeletedWatchedFolderIsReported)
{
    ASSERT_EQ(Path::mkdir(path("doomed"), 0755), 0);
    auto notifier = watch(path("doomed"), 0);
    ASSERT_EQ(::rmdir(Path::toNative(path("doomed")).constData()), 0);
    ASSERT_TRUE(m_delegate->waitFor(path("doomed"), 0x20200));
    EXPECT_TRUE(notifier->isRunning()); // running, delivering nothing more
    notifier->stop();
    notifier->start(); // the folder is gone: a notifier that delivers nothing
    EXPECT_TRUE(notifier->isRunning());
}

TEST_F(NotifierTest, ANotifierOverWatchedFoldersHearsEventsFirst)
{
    // Records which changes the notifier over every folder has heard.
    struct Log
    {
        std::mutex mutex;
        QStringList paths;
    };
    struct LogDelegate : NotifierDelegate
    {
        void handleEvent(const MivEventData& event, Notifier&) override
        {
            std::lock_guard lock(log->mutex);
            log->paths.append(event.path());
        }
        std::shared_ptr<Log> log = std::make_shared<Log>();
    };
    auto everything = std::make_shared<LogDelegate>();
    auto cache = Notifier::createOverWatchedFolders(everything, std::any(), 0xD7);
    cache->setFiltered(false);
    cache->setDebug(false);
    EXPECT_EQ(cache->paths(), QStringList{QStringLiteral("/")});
    MivWatchdog::sharedInstance().registerNotifier(cache);
    m_notifiers.push_back(cache);
    ASSERT_EQ(Path::mkdir(path("panel"), 0755), 0);
    watch(path("panel"), 0);

    writeFile(path("panel/new.txt"));
    ASSERT_TRUE(m_delegate->waitFor(path("panel/new.txt"), 0x100));
    // Heard on the hub's thread before the folder's batch was handed on.
    std::lock_guard lock(everything->log->mutex);
    EXPECT_TRUE(everything->log->paths.contains(path("panel/new.txt")));
}

TEST_F(NotifierTest, LogEventWritesOneLinePerFlagOwnEventFirst)
{
    QString buffer = QStringLiteral("Event:\n");
    Notifier::logEvent(0x80100, buffer);
    EXPECT_EQ(buffer, QStringLiteral("Event:\n * This is current process own event\n * Item created\n"));
    buffer.clear();
    Notifier::logEvent(0x20A00, buffer);
    EXPECT_EQ(buffer, QStringLiteral(" * Item removed\n * Item renamed\n * Item is a directory\n"));
}

TEST_F(NotifierTest, WatchedFileRecordHangsOnANotifier)
{
    auto record = std::make_shared<WatchedFile>();
    auto notifier = Notifier::create(m_delegate, m_root + QStringLiteral("/"), record);
    record->setNotifier(notifier);
    record->setPath(m_root + QStringLiteral("/"));
    EXPECT_EQ(std::any_cast<std::shared_ptr<WatchedFile>>(notifier->info()), record);
    EXPECT_EQ(record->notifier(), notifier);
    notifier.reset();
    EXPECT_EQ(record->notifier(), nullptr); // held weakly
}

} // namespace
