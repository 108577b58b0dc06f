#include "FileData/Local/MivWatcher.h"

#include "platform/InotifyHub.h"
#include "platform/Log.h"

#include <chrono>

namespace {

using namespace plat::FileSystemEventFlag;

// The hub's flags as filter flags of the watched path: its own changes keep
// their kind; any change of an entry inside a watched folder is a write to
// that folder.
quint32 filterFlagsOf(const plat::FileSystemEvent& event, const QString& watchedPath)
{
    if (event.path != watchedPath || (event.flags & MustScanSubDirs))
        return MivWatcherEvent::Write;
    quint32 flags = 0;
    if (event.flags & ItemRemoved)
        flags |= MivWatcherEvent::Delete;
    if (event.flags & ItemRenamed)
        flags |= MivWatcherEvent::Rename;
    if (event.flags & (ItemModified | ItemCreated))
        flags |= MivWatcherEvent::Write | MivWatcherEvent::Extend;
    if (event.flags & ItemInodeMetaMod)
        flags |= MivWatcherEvent::Attributes;
    if (event.flags & Unmount)
        flags |= MivWatcherEvent::Revoke;
    return flags;
}

} // namespace

std::shared_ptr<MivWatcher> MivWatcher::create(const std::weak_ptr<MivWatcherDelegate>& delegate)
{
    return std::shared_ptr<MivWatcher>(new MivWatcher(delegate));
}

MivWatcher::MivWatcher(const std::weak_ptr<MivWatcherDelegate>& delegate)
    : _delegate(delegate)
    , _queue(plat::SerialQueue::create(QStringLiteral("file-system-watcher"), plat::Qos::Utility))
{
}

MivWatcher::~MivWatcher() { unregisterAllWatchables(); }

int MivWatcher::registerWatchable(const MivFileDataPtr& watchable, const QString& path, quint32 filterFlags)
{
    if (!watchable || path.isEmpty() || _closed)
        return -1;
    return doRegisterWatchable(watchable, path, filterFlags);
}

int MivWatcher::doRegisterWatchable(const MivFileDataPtr& watchable, const QString& path, quint32 filterFlags)
{
    std::lock_guard lock(_lock);
    if (const auto found = _pathToFD.constFind(path); found != _pathToFD.constEnd())
        return *found;
    // The hub may call the sink before addWatch returns: the sink finds its
    // registration by number, and one it cannot find yet is dropped like any
    // change made before the watch began.
    auto number = std::make_shared<std::atomic<int>>(0);
    const std::weak_ptr<MivWatcher> weakSelf = weak_from_this();
    const auto id = plat::InotifyHub::shared().addWatch(
        path, std::chrono::milliseconds(0), [weakSelf, number, watchable, filterFlags](plat::FileSystemEventBatch batch) {
            if (const auto self = weakSelf.lock())
                self->deliver(number->load(), watchable, filterFlags, batch);
        });
    if (id == 0 || id > quint64(std::numeric_limits<int>::max())) {
        if (id)
            plat::InotifyHub::shared().removeWatch(id);
        return -1;
    }
    const int descriptor = int(id);
    number->store(descriptor);
    _pathToFD.insert(path, descriptor);
    _fdToWatchable.insert(descriptor, Registration{watchable, path, filterFlags});
    return descriptor;
}

void MivWatcher::deliver(int descriptor, const MivFileDataPtr& watchable, quint32 filterFlags,
                         const plat::FileSystemEventBatch& batch)
{
    QString path;
    {
        std::lock_guard lock(_lock);
        const auto found = _fdToWatchable.constFind(descriptor);
        if (found == _fdToWatchable.constEnd() || found->watchable != watchable)
            return;
        path = found->path;
    }
    std::vector<MivWatcherEvent> events;
    for (const plat::FileSystemEvent& event : batch) {
        if (const quint32 flags = filterFlagsOf(event, path) & filterFlags)
            events.push_back(MivWatcherEvent{path, flags});
    }
    if (events.empty())
        return;
    const std::weak_ptr<MivWatcher> weakSelf = weak_from_this();
    _queue->async([weakSelf, descriptor, watchable, events = std::move(events)] {
        const auto self = weakSelf.lock();
        if (!self)
            return;
        for (const MivWatcherEvent& event : events) {
            // Tested again on the queue: the path may have been unregistered
            // or the watcher closed since the hub reported the change.
            {
                std::lock_guard lock(self->_lock);
                const auto found = self->_fdToWatchable.constFind(descriptor);
                if (found == self->_fdToWatchable.constEnd() || found->watchable != watchable)
                    return;
            }
            const auto delegate = self->delegate();
            if (!delegate || self->_closed)
                return;
            delegate->handleEvent(event, watchable);
        }
    });
}

void MivWatcher::unregisterWatchableForPath(const QString& path)
{
    if (path.isEmpty())
        return;
    int descriptor = 0;
    {
        std::lock_guard lock(_lock);
        descriptor = _pathToFD.value(path, 0);
    }
    if (descriptor > 0)
        unregisterWatchable(descriptor);
}

void MivWatcher::unregisterWatchable(int descriptor)
{
    if (descriptor < 1)
        return;
    Registration removed;
    {
        std::lock_guard lock(_lock);
        const auto found = _fdToWatchable.find(descriptor);
        if (found == _fdToWatchable.end())
            return;
        removed = std::move(*found);
        _fdToWatchable.erase(found);
        _pathToFD.remove(removed.path);
    }
    // Outside the lock: the hub may be calling this watch's sink, which
    // takes it.
    plat::InotifyHub::shared().removeWatch(plat::InotifyHub::WatchId(descriptor));
}

void MivWatcher::unregisterAllWatchables()
{
    QList<QString> paths;
    {
        std::lock_guard lock(_lock);
        paths = _pathToFD.keys();
    }
    for (const QString& path : paths)
        unregisterWatchableForPath(path);
}

void MivWatcher::setClosed(bool closed)
{
    MIV_LOG_DEBUG(QStringLiteral("Closing watcher: 0x%1").arg(reinterpret_cast<quintptr>(this), 0, 16));
    {
        std::lock_guard lock(_lock);
        _delegate.reset();
    }
    // Once closed, always closed: a closed watcher has no delegate to tell.
    (void)closed;
    _closed = true;
    unregisterAllWatchables();
}

std::shared_ptr<MivWatcherDelegate> MivWatcher::delegate() const
{
    std::lock_guard lock(_lock);
    return _delegate.lock();
}
