#include "platform/InotifyDecoder.h"
#include "platform/InotifyHub.h"
#include "platform/Path.h"

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
using plat::FileSystemEvent;
using plat::FileSystemEventBatch;
using plat::InotifyHub;
using plat::Path;

// Collects what a sink or observer receives; waits by predicate. A call
// under way when its watch is removed may still finish, so the sink keeps
// its recorder alive.
class Recorder : public std::enable_shared_from_this<Recorder>
{
public:
    InotifyHub::Sink sink()
    {
        return [self = shared_from_this()](FileSystemEventBatch batch) {
            std::lock_guard lock(self->m_mutex);
            self->m_batches.push_back(std::move(batch));
            self->m_cv.notify_all();
        };
    }

    // Waits (generously) until some event has the path and all the flags.
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

    std::vector<FileSystemEventBatch> batches() const
    {
        std::lock_guard lock(m_mutex);
        return m_batches;
    }

    std::vector<FileSystemEvent> events() const
    {
        std::vector<FileSystemEvent> all;
        for (const auto& batch : batches())
            all.insert(all.end(), batch.begin(), batch.end());
        return all;
    }

private:
    bool findLocked(const QString& path, quint32 flags) const
    {
        for (const auto& batch : m_batches) {
            for (const auto& event : batch) {
                if (event.path == path && (event.flags & flags) == flags)
                    return true;
            }
        }
        return false;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<FileSystemEventBatch> m_batches;
};

void writeFile(const QString& path, const QByteArray& bytes, int flags = O_WRONLY | O_CREAT | O_TRUNC)
{
    const int fd = Path::open(path, flags | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
    ::close(fd);
}

class InotifyHubTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
    }

    void TearDown() override
    {
        for (const auto id : m_ids)
            InotifyHub::shared().removeWatch(id);
    }

    InotifyHub::WatchId watch(const QString& path, Recorder& recorder, std::chrono::milliseconds latency = 0ms)
    {
        const auto id = InotifyHub::shared().addWatch(path, latency, recorder.sink());
        m_ids.push_back(id);
        return id;
    }

    QString path(const QString& name) const { return m_root + QLatin1Char('/') + name; }

    Recorder& newRecorder() { return *m_recorders.emplace_back(std::make_shared<Recorder>()); }

    QTemporaryDir m_temp;
    std::vector<std::shared_ptr<Recorder>> m_recorders;
    QString m_root;
    std::vector<InotifyHub::WatchId> m_ids;
};

TEST_F(InotifyHubTest, ReportsChangesOfTheFolderAndItsChildren)
{
    ASSERT_EQ(Path::mkdir(path("deeper"), 0755), 0);
    Recorder& recorder = newRecorder();
    ASSERT_NE(watch(m_root, recorder), 0u);

    writeFile(path("a.txt"), "one");
    EXPECT_TRUE(recorder.waitFor(path("a.txt"), 0x10100)); // created, file
    EXPECT_TRUE(recorder.waitFor(path("a.txt"), 0x11000)); // modified
    ASSERT_EQ(::chmod(Path::toNative(path("a.txt")).constData(), 0600), 0);
    EXPECT_TRUE(recorder.waitFor(path("a.txt"), 0x10400)); // attributes
    ASSERT_EQ(::rename(Path::toNative(path("a.txt")).constData(), Path::toNative(path("b.txt")).constData()), 0);
    EXPECT_TRUE(recorder.waitFor(path("a.txt"), 0x10800));
    EXPECT_TRUE(recorder.waitFor(path("b.txt"), 0x10800));
    ASSERT_EQ(::unlink(Path::toNative(path("b.txt")).constData()), 0);
    EXPECT_TRUE(recorder.waitFor(path("b.txt"), 0x10200));
    ASSERT_EQ(Path::mkdir(path("sub"), 0755), 0);
    EXPECT_TRUE(recorder.waitFor(path("sub"), 0x20100));
    // A name that is not UTF-8 comes back through the path codec.
    const QString latin1 = Path::fromNative(QByteArray(m_temp.path().toUtf8() + "/caf\xE9.txt"));
    writeFile(latin1, "x");
    EXPECT_TRUE(recorder.waitFor(latin1, 0x10100));

    // Not recursive: a change two levels down is not this watch's. The
    // kernel keeps the order of one descriptor, so a later change that
    // arrives proves the earlier one was not delivered.
    writeFile(path("deeper/hidden.txt"), "x");
    writeFile(path("fence"), "x");
    ASSERT_TRUE(recorder.waitFor(path("fence"), 0x100));
    EXPECT_FALSE(recorder.has(path("deeper/hidden.txt")));
    for (const auto& event : recorder.events())
        EXPECT_GT(event.eventId, 0u);
}

TEST_F(InotifyHubTest, WatchesOfOneFolderShareOneKernelWatch)
{
    Recorder& first = newRecorder();
    Recorder& second = newRecorder();
    const auto firstId = watch(m_root, first);
    watch(m_root + QStringLiteral("/"), second); // the same folder, written otherwise
    const int wd = InotifyHub::shared().kernelWatchFor(m_root);
    ASSERT_GE(wd, 0);

    InotifyHub::shared().removeWatch(firstId);
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(m_root), wd);
    writeFile(path("after"), "x");
    EXPECT_TRUE(second.waitFor(path("after"), 0x100));

    for (const auto id : m_ids)
        InotifyHub::shared().removeWatch(id);
    m_ids.clear();
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(m_root), -1);
}

TEST_F(InotifyHubTest, AFolderWatchedUnderTwoNamesReportsUnderEach)
{
    ASSERT_EQ(Path::mkdir(path("real"), 0755), 0);
    ASSERT_EQ(::symlink(Path::toNative(path("real")).constData(), Path::toNative(path("link")).constData()), 0);
    Recorder& real = newRecorder();
    Recorder& link = newRecorder();
    const auto realId = watch(path("real"), real);
    watch(path("link"), link);
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(path("real")), InotifyHub::shared().kernelWatchFor(path("link")));

    writeFile(path("real/x"), "x");
    EXPECT_TRUE(real.waitFor(path("real/x"), 0x100));
    EXPECT_TRUE(link.waitFor(path("link/x"), 0x100));

    // The shared kernel watch stays while one name still uses it.
    InotifyHub::shared().removeWatch(realId);
    writeFile(path("real/y"), "x");
    EXPECT_TRUE(link.waitFor(path("link/y"), 0x100));
}

TEST_F(InotifyHubTest, QueueOverflowIsARescanOfEveryWatch)
{
    ASSERT_EQ(Path::mkdir(path("one"), 0755), 0);
    ASSERT_EQ(Path::mkdir(path("two"), 0755), 0);
    Recorder& one = newRecorder();
    Recorder& two = newRecorder();
    Recorder& file = newRecorder();
    watch(path("one"), one);
    watch(path("two"), two);
    watch(path("one/file.txt"), file);

    InotifyHub::shared().processRecords(plat::InotifyDecoder::encode({{-1, IN_Q_OVERFLOW, 0, {}}}));
    EXPECT_TRUE(one.waitFor(path("one"), 0x1));
    EXPECT_TRUE(two.waitFor(path("two"), 0x1));
    EXPECT_TRUE(file.waitFor(path("one/file.txt"), 0x1));
    EXPECT_EQ(one.events().front().flags, 0x1u);
}

TEST_F(InotifyHubTest, EventsOfOnePathInABatchAreMerged)
{
    Recorder& recorder = newRecorder();
    watch(m_root, recorder);
    const int wd = InotifyHub::shared().kernelWatchFor(m_root);
    InotifyHub::shared().processRecords(plat::InotifyDecoder::encode({
        {wd, IN_CREATE, 0, QByteArray("x")},
        {wd, IN_CREATE, 0, QByteArray("y")},
        {wd, IN_DELETE, 0, QByteArray("x")},
    }));
    ASSERT_TRUE(recorder.waitFor(path("x"), 0x10300));
    const auto batch = recorder.batches().front();
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[0].path, path("x"));
    EXPECT_EQ(batch[0].flags, 0x10300u);
    EXPECT_EQ(batch[1].path, path("y"));
    EXPECT_LT(batch[0].eventId, batch[1].eventId);
}

TEST_F(InotifyHubTest, DeletedOrMovedWatchedFolderIsReportedAndItsWatchEnds)
{
    ASSERT_EQ(Path::mkdir(path("gone"), 0755), 0);
    ASSERT_EQ(Path::mkdir(path("moved"), 0755), 0);
    Recorder& gone = newRecorder();
    Recorder& moved = newRecorder();
    Recorder& parent = newRecorder();
    watch(path("gone"), gone);
    watch(path("moved"), moved);
    watch(m_root, parent);

    ASSERT_EQ(::rmdir(Path::toNative(path("gone")).constData()), 0);
    EXPECT_TRUE(gone.waitFor(path("gone"), 0x20220)); // removed, folder, root changed
    ASSERT_EQ(::rename(Path::toNative(path("moved")).constData(), Path::toNative(path("elsewhere")).constData()), 0);
    EXPECT_TRUE(moved.waitFor(path("moved"), 0x20820)); // renamed, folder, root changed
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(path("gone")), -1);
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(path("moved")), -1);

    // The reader goes on; the moved folder's later changes are not reported
    // under its old name.
    writeFile(path("elsewhere/late.txt"), "x");
    writeFile(path("fence"), "x");
    ASSERT_TRUE(parent.waitFor(path("fence"), 0x100));
    EXPECT_FALSE(moved.has(path("moved/late.txt")));
}

TEST_F(InotifyHubTest, AWatchVanishingWithoutNoticeIsARootChange)
{
    ASSERT_EQ(Path::mkdir(path("d"), 0755), 0);
    Recorder& recorder = newRecorder();
    watch(path("d"), recorder);
    const int wd = InotifyHub::shared().kernelWatchFor(path("d"));
    InotifyHub::shared().processRecords(plat::InotifyDecoder::encode({{wd, IN_IGNORED, 0, {}}}));
    EXPECT_TRUE(recorder.waitFor(path("d"), 0x20));
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(path("d")), -1);
}

TEST_F(InotifyHubTest, AFileWatchFollowsItsPathOnly)
{
    writeFile(path("doc.txt"), "v1");
    Recorder& recorder = newRecorder();
    Recorder& folder = newRecorder();
    watch(path("doc.txt"), recorder);
    watch(m_root, folder);

    writeFile(path("other.txt"), "x");
    // An editor's save: a new file renamed over the old one.
    writeFile(path("doc.txt.tmp"), "v2");
    ASSERT_EQ(::rename(Path::toNative(path("doc.txt.tmp")).constData(), Path::toNative(path("doc.txt")).constData()), 0);
    EXPECT_TRUE(recorder.waitFor(path("doc.txt"), 0x800));
    writeFile(path("doc.txt"), "v3", O_WRONLY | O_APPEND);
    EXPECT_TRUE(recorder.waitFor(path("doc.txt"), 0x1000));
    ASSERT_TRUE(folder.waitFor(path("other.txt"), 0x100));
    for (const auto& event : recorder.events())
        EXPECT_EQ(event.path, path("doc.txt"));
}

TEST_F(InotifyHubTest, ObserversSeeEveryWatchedFolderBeforeItsWatches)
{
    ASSERT_EQ(Path::mkdir(path("p"), 0755), 0);
    struct Shared
    {
        std::mutex mutex;
        std::vector<quint64> observed;
        bool orderKept = true;
    };
    auto shared = std::make_shared<Shared>();
    const auto observer = InotifyHub::shared().addObserver([shared](FileSystemEventBatch batch) {
        std::lock_guard lock(shared->mutex);
        for (const auto& event : batch)
            shared->observed.push_back(event.eventId);
    });
    Recorder& recorder = newRecorder();
    watch(path("p"), recorder);
    m_ids.push_back(InotifyHub::shared().addWatch(path("p"), 0ms, [shared](FileSystemEventBatch batch) {
        std::lock_guard lock(shared->mutex);
        for (const auto& event : batch) {
            const auto& seen = shared->observed;
            shared->orderKept = shared->orderKept && std::find(seen.begin(), seen.end(), event.eventId) != seen.end();
        }
    }));

    writeFile(path("p/one"), "x");
    writeFile(path("p/two"), "x");
    ASSERT_TRUE(recorder.waitFor(path("p/two"), 0x100));
    InotifyHub::shared().removeObserver(observer);
    std::lock_guard lock(shared->mutex);
    EXPECT_TRUE(shared->orderKept);
    EXPECT_GE(shared->observed.size(), 2u);
}

TEST_F(InotifyHubTest, ASinkMayRemoveItsOwnWatch)
{
    std::mutex mutex;
    std::condition_variable cv;
    bool removed = false;
    InotifyHub::WatchId id = 0;
    {
        std::lock_guard lock(mutex);
        id = InotifyHub::shared().addWatch(m_root, 0ms, [&](FileSystemEventBatch) {
            std::lock_guard lock(mutex);
            InotifyHub::shared().removeWatch(id);
            removed = true;
            cv.notify_all();
        });
    }
    writeFile(path("x"), "x");
    std::unique_lock lock(mutex);
    EXPECT_TRUE(cv.wait_for(lock, 60s, [&] { return removed; }));
    EXPECT_EQ(InotifyHub::shared().kernelWatchFor(m_root), -1);
}

TEST_F(InotifyHubTest, RefusedWatchesAnswerZero)
{
    Recorder& recorder = newRecorder();
    EXPECT_EQ(InotifyHub::shared().addWatch(QStringLiteral("relative/path"), 0ms, recorder.sink()), 0u);
    EXPECT_EQ(InotifyHub::shared().addWatch(path("missing/deeper/x"), 0ms, recorder.sink()), 0u);
}

} // namespace
