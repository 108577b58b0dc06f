#pragma once

#include "platform/FileSystemEvent.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <thread>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>

namespace plat {

// The process's one inotify descriptor and the one thread that reads it.
//
// Watches are reference-counted per folder: any number of watches of the
// same folder share one kernel watch, which goes when the last of them is
// removed. A watch reports changes of its folder and of the folder's direct
// children (inotify is not recursive); a watch of something that is not a
// folder (or not there yet) watches the folder above it and reports only
// events of its own path, so a file that an editor replaces by a rename is
// still followed.
//
// Each watch collects its events for its latency after the first one of a
// batch, merging events of one path (their flags OR-ed, the first id kept),
// and then hands the batch to its sink on the hub's thread. Observers see
// every event of every watched folder at once, before any watch's batch that
// holds it is handed on. Sinks and observers are called without the hub's
// lock, so they may add and remove watches; they should be quick (post work
// elsewhere). A call already under way when its watch or observer is removed
// may still finish.
//
// A queue overflow (events lost in the kernel) becomes a rescan event (0x1)
// on every watch's path. A watched folder that is deleted or moved away is
// reported on its own path (removed or renamed, folder, root changed 0x20),
// and its watch ends; so does one whose kernel watch vanishes otherwise
// (root changed). The hub never follows a moved folder to its new place.
class InotifyHub
{
public:
    using WatchId = quint64;
    using ObserverId = quint64;
    using Sink = std::function<void(FileSystemEventBatch batch)>;

    // The process's hub; its thread starts with the first watch and lives as
    // long as the process.
    static InotifyHub& shared();

    // Answers 0 when the kernel refuses the watch (the reason is logged):
    // such a watch delivers nothing, as one that never sees a change.
    // Changes made before the call are never reported.
    WatchId addWatch(const QString& path, std::chrono::milliseconds latency, Sink sink);
    // Events still collected for the watch are dropped.
    void removeWatch(WatchId id);

    ObserverId addObserver(Sink observer);
    void removeObserver(ObserverId id);

    // What the reader does with the bytes it reads from the descriptor: decode
    // the records, report them to the observers (on the calling thread) and
    // add them to the watches' batches. Tests feed synthetic records through
    // it (a queue overflow cannot be caused unprivileged).
    void processRecords(const QByteArray& bytes);

    // The kernel watch number behind a folder's watch, -1 when none; for tests.
    int kernelWatchFor(const QString& folderPath) const;

    InotifyHub(const InotifyHub&) = delete;
    InotifyHub& operator=(const InotifyHub&) = delete;

private:
    using Clock = std::chrono::steady_clock;

    struct Watch
    {
        QString folder;    // key of the folder entry
        QString onlyPath;  // null for a folder watch
        std::chrono::milliseconds latency{0};
        Sink sink;
        FileSystemEventBatch pending;
        QHash<QString, std::size_t> pendingIndex;
        Clock::time_point deadline;
    };

    struct Folder
    {
        int wd = -1;
        std::vector<WatchId> watches;
    };

    InotifyHub();
    ~InotifyHub() = default;

    bool ensureStartedLocked();
    void run();
    // With the lock held: the events for the record, added to the batches.
    void routeLocked(const struct InotifyRecord& record, FileSystemEventBatch& seen);
    void addToFolderLocked(const QString& folder, const FileSystemEvent& event);
    void addToWatchLocked(Watch& watch, FileSystemEvent event);
    void forgetKernelWatchLocked(int wd);
    void deliverDue();
    int pollTimeoutMs();
    void wakeReader();

    mutable std::mutex m_mutex;
    int m_fd = -1;
    int m_wakeFd = -1;
    bool m_started = false;
    bool m_failed = false;
    std::atomic<std::thread::id> m_reader{};
    WatchId m_nextId = 1;
    std::map<WatchId, Watch> m_watches;
    std::map<QString, Folder> m_folders;
    std::unordered_map<int, std::vector<QString>> m_wdFolders;
    std::map<ObserverId, Sink> m_observers;
};

} // namespace plat
