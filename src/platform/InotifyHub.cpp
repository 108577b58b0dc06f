#include "platform/InotifyHub.h"

#include "platform/InotifyDecoder.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/TaskGuard.h"
#include "platform/ThreadInfo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

const QString kThreadLabel = QStringLiteral("com.quorvex.inotify-hub");

std::atomic<quint64> g_lastEventId{0};

quint64 nextEventId()
{
    return g_lastEventId.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool isFolder(const QString& path)
{
    struct stat st;
    const QByteArray native = Path::toNative(path);
    return Path::isNameable(path) && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

InotifyHub& InotifyHub::shared()
{
    // Never destroyed: its thread reads for the life of the process.
    static InotifyHub* const hub = new InotifyHub;
    return *hub;
}

InotifyHub::InotifyHub() = default;

bool InotifyHub::ensureStartedLocked()
{
    if (m_started)
        return !m_failed;
    m_started = true;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_fd < 0 || m_wakeFd < 0) {
        MIV_LOG_ERROR(QStringLiteral("File-system events are not available: %1").arg(errnoText(errno)));
        m_failed = true;
        return false;
    }
    std::thread([this] { run(); }).detach();
    return true;
}

InotifyHub::WatchId InotifyHub::addWatch(const QString& path, std::chrono::milliseconds latency, Sink sink)
{
    const QString standardized = PathString::standardizingPath(path);
    if (standardized.isEmpty() || !standardized.startsWith(QLatin1Char('/'))) {
        MIV_LOG_WARN(QStringLiteral("Not watching \"%1\": not an absolute path").arg(path));
        return 0;
    }
    // Decided before the lock: stat may take long on a network mount.
    const bool folderPath = isFolder(standardized);
    const QString folder = folderPath ? standardized : PathString::deletingLastPathComponent(standardized);

    std::lock_guard lock(m_mutex);
    if (!ensureStartedLocked())
        return 0;
    Folder& entry = m_folders[folder];
    if (entry.wd < 0) {
        const QByteArray native = Path::toNative(folder);
        const int wd = Path::isNameable(folder) ? ::inotify_add_watch(m_fd, native.constData(), InotifyDecoder::watchMask())
                                                 : (errno = EINVAL, -1);
        if (wd < 0) {
            MIV_LOG_WARN(QStringLiteral("Cannot watch \"%1\": %2").arg(folder, errnoText(errno)));
            if (entry.watches.empty())
                m_folders.erase(folder);
            return 0;
        }
        entry.wd = wd;
        // The same folder under another name (a link) shares the kernel watch.
        m_wdFolders[wd].push_back(folder);
    }
    const WatchId id = m_nextId++;
    entry.watches.push_back(id);
    Watch& watch = m_watches[id];
    watch.folder = folder;
    watch.onlyPath = folderPath ? QString() : standardized;
    watch.latency = latency;
    watch.sink = std::move(sink);
    return id;
}

void InotifyHub::removeWatch(WatchId id)
{
    Sink discarded; // released after the lock: it may own anything
    std::lock_guard lock(m_mutex);
    const auto it = m_watches.find(id);
    if (it == m_watches.end())
        return;
    discarded = std::move(it->second.sink);
    const QString folder = it->second.folder;
    m_watches.erase(it);
    const auto folderIt = m_folders.find(folder);
    if (folderIt == m_folders.end())
        return;
    std::erase(folderIt->second.watches, id);
    if (!folderIt->second.watches.empty())
        return;
    const int wd = folderIt->second.wd;
    m_folders.erase(folderIt);
    if (wd < 0)
        return;
    auto& names = m_wdFolders[wd];
    std::erase(names, folder);
    if (names.empty()) {
        m_wdFolders.erase(wd);
        // The IN_IGNORED that follows finds no folder and is dropped.
        ::inotify_rm_watch(m_fd, wd);
    }
}

InotifyHub::ObserverId InotifyHub::addObserver(Sink observer)
{
    std::lock_guard lock(m_mutex);
    const ObserverId id = m_nextId++;
    m_observers.emplace(id, std::move(observer));
    return id;
}

void InotifyHub::removeObserver(ObserverId id)
{
    Sink discarded;
    std::lock_guard lock(m_mutex);
    const auto it = m_observers.find(id);
    if (it == m_observers.end())
        return;
    discarded = std::move(it->second);
    m_observers.erase(it);
}

int InotifyHub::kernelWatchFor(const QString& folderPath) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_folders.find(PathString::standardizingPath(folderPath));
    return it == m_folders.end() ? -1 : it->second.wd;
}

void InotifyHub::forgetKernelWatchLocked(int wd)
{
    const auto it = m_wdFolders.find(wd);
    if (it == m_wdFolders.end())
        return;
    for (const QString& folder : it->second) {
        const auto folderIt = m_folders.find(folder);
        if (folderIt != m_folders.end())
            folderIt->second.wd = -1;
    }
    m_wdFolders.erase(it);
}

void InotifyHub::addToWatchLocked(Watch& watch, FileSystemEvent event)
{
    if (!watch.onlyPath.isNull()) {
        if (event.flags & (FileSystemEventFlag::MustScanSubDirs | FileSystemEventFlag::RootChanged))
            event = FileSystemEvent{watch.onlyPath, event.flags & (FileSystemEventFlag::MustScanSubDirs | FileSystemEventFlag::RootChanged), event.eventId};
        else if (event.path != watch.onlyPath)
            return;
    }
    if (watch.pending.empty())
        watch.deadline = Clock::now() + watch.latency;
    const auto found = watch.pendingIndex.constFind(event.path);
    if (found != watch.pendingIndex.cend()) {
        watch.pending[*found].flags |= event.flags;
        return;
    }
    watch.pendingIndex.insert(event.path, watch.pending.size());
    watch.pending.push_back(std::move(event));
}

void InotifyHub::addToFolderLocked(const QString& folder, const FileSystemEvent& event)
{
    const auto it = m_folders.find(folder);
    if (it == m_folders.end())
        return;
    for (const WatchId id : it->second.watches) {
        const auto watchIt = m_watches.find(id);
        if (watchIt != m_watches.end())
            addToWatchLocked(watchIt->second, event);
    }
}

void InotifyHub::routeLocked(const InotifyRecord& record, FileSystemEventBatch& observed)
{
    namespace F = FileSystemEventFlag;
    if (record.mask & IN_Q_OVERFLOW) {
        // Nothing tells which folders lost events: every watch rescans.
        MIV_LOG_WARN(QStringLiteral("File-system event queue overflowed: every watched folder is rescanned"));
        for (const auto& [folder, entry] : m_folders) {
            const FileSystemEvent event{folder, F::MustScanSubDirs, nextEventId()};
            observed.push_back(event);
            addToFolderLocked(folder, event);
        }
        return;
    }
    const auto it = m_wdFolders.find(record.wd);
    if (it == m_wdFolders.end())
        return; // a watch already removed, or a stray number
    const std::vector<QString> folders = it->second;

    quint32 flags = InotifyDecoder::eventFlags(record.mask);
    const bool selfGone = record.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED);
    if (selfGone)
        flags |= F::RootChanged | F::ItemIsDir;
    if (flags == 0)
        return;
    const QString name = record.name.isEmpty() ? QString() : Path::fromNative(record.name);
    for (const QString& folder : folders) {
        const QString path = name.isNull() ? folder : PathString::appendingPathComponent(folder, name);
        const FileSystemEvent event{path, flags, nextEventId()};
        observed.push_back(event);
        addToFolderLocked(folder, event);
    }
    if (selfGone) {
        if (record.mask & IN_MOVE_SELF) {
            // The kernel watch would follow the folder to a place whose name
            // we do not know, and its events would carry the old name.
            ::inotify_rm_watch(m_fd, record.wd);
        }
        forgetKernelWatchLocked(record.wd);
    }
}

void InotifyHub::processRecords(const QByteArray& bytes)
{
    const std::vector<InotifyRecord> records = InotifyDecoder::decode(bytes);
    FileSystemEventBatch observed;
    std::vector<Sink> observers;
    {
        std::lock_guard lock(m_mutex);
        for (const InotifyRecord& record : records)
            routeLocked(record, observed);
        if (!observed.empty()) {
            observers.reserve(m_observers.size());
            for (const auto& [id, observer] : m_observers)
                observers.push_back(observer);
        }
    }
    for (const Sink& observer : observers)
        detail::runGuarded([&] { observer(observed); }, kThreadLabel);
    // The reader hands batches on after each read; records fed from another
    // thread need it to look at the deadlines again.
    if (!observed.empty() && std::this_thread::get_id() != m_reader.load())
        wakeReader();
}

void InotifyHub::wakeReader()
{
    int fd;
    {
        std::lock_guard lock(m_mutex);
        fd = m_wakeFd;
    }
    if (fd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    }
}

int InotifyHub::pollTimeoutMs()
{
    std::lock_guard lock(m_mutex);
    std::optional<Clock::time_point> next;
    for (const auto& [id, watch] : m_watches) {
        if (!watch.pending.empty() && (!next || watch.deadline < *next))
            next = watch.deadline;
    }
    if (!next)
        return -1;
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
    return remaining <= 0 ? 0 : static_cast<int>(std::min<long long>(remaining, 60'000));
}

void InotifyHub::deliverDue()
{
    std::vector<std::pair<Sink, FileSystemEventBatch>> due;
    {
        std::lock_guard lock(m_mutex);
        const Clock::time_point now = Clock::now();
        for (auto& [id, watch] : m_watches) {
            if (watch.pending.empty() || watch.deadline > now)
                continue;
            due.emplace_back(watch.sink, std::move(watch.pending));
            watch.pending = {};
            watch.pendingIndex.clear();
        }
    }
    for (auto& entry : due)
        detail::runGuarded([&entry] { entry.first(std::move(entry.second)); }, kThreadLabel);
}

void InotifyHub::run()
{
    setCurrentThreadLabel(kThreadLabel);
    m_reader.store(std::this_thread::get_id());
    // Large enough for many records of the longest name; the kernel never
    // splits a record across reads.
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, pollTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            MIV_LOG_ERROR(QStringLiteral("Waiting for file-system events failed: %1").arg(errnoText(errno)));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            quint64 count;
            [[maybe_unused]] const ssize_t drained = ::read(m_wakeFd, &count, sizeof count);
        }
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            for (;;) {
                const ssize_t got = ::read(m_fd, buffer.data(), static_cast<size_t>(buffer.size()));
                if (got <= 0)
                    break;
                processRecords(QByteArray(buffer.constData(), got));
            }
        }
        deliverDue();
    }
}

} // namespace plat
