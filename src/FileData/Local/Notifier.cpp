#include "FileData/Local/Notifier.h"

#include "FileData/Local/MivEventData.h"
#include "FileData/Local/NotifierDelegate.h"
#include "platform/InotifyHub.h"
#include "platform/Log.h"

#include <QSet>

#include <chrono>
#include <cmath>

namespace {

const QString kEventQueueLabel = QStringLiteral("com.quorvex.file-system-event-queue");

struct FlagText
{
    quint32 bit;
    const char* text;
};

// In the order the lines are written: the own-event line first.
constexpr FlagText kFlagTexts[] = {
    {0x80000, "This is current process own event"},
    {0x1, "Recursive scanning of directory required"},
    {0x2, "Buffering problem: events dropped user-side"},
    {0x4, "Buffering problem: events dropped kernel-side"},
    {0x8, "Event IDs have wrapped"},
    {0x10, "All historical events have been processed"},
    {0x20, "Root path has changed"},
    {0x40, "A new volume was mounted at this path"},
    {0x80, "A volume was unmounted from this path"},
    {0x100, "Item created"},
    {0x200, "Item removed"},
    {0x400, "Item metadata modified"},
    {0x800, "Item renamed"},
    {0x1000, "Item modified"},
    {0x2000, "Item Finder Info modified"},
    {0x4000, "Item changed ownership"},
    {0x8000, "Item extended attributes modified"},
    {0x10000, "Item is a file"},
    {0x20000, "Item is a directory"},
    {0x40000, "Item is a symbolic link"},
    {0x100000, "Item is hardlink"},
    {0x200000, "Item is last hardlink"},
    {0x400000, "Item is cloned"},
};

std::chrono::milliseconds toMilliseconds(double seconds)
{
    if (!(seconds > 0)) // also NaN
        return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(static_cast<qint64>(std::ceil(std::min(seconds, 86400.0) * 1000)));
}

} // namespace

Notifier::Notifier(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path, const std::any& clientInfo,
                   quint32 flags, double latency)
    : _flags(flags)
    , _latency(latency)
    , _info(clientInfo)
    , _delegate(delegate)
    , _paths{MivEventData::standarizedPath(path)}
{
}

NotifierPtr Notifier::create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                             const std::any& clientInfo)
{
    return create(delegate, path, clientInfo, kDefaultFlags);
}

NotifierPtr Notifier::create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                             const std::any& clientInfo, quint32 flags)
{
    return create(delegate, path, clientInfo, flags, kDefaultLatency);
}

NotifierPtr Notifier::create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                             const std::any& clientInfo, quint32 flags, const QString& fileCheckSum)
{
    NotifierPtr notifier = create(delegate, path, clientInfo, flags);
    notifier->setCheckSum(fileCheckSum);
    return notifier;
}

NotifierPtr Notifier::create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                             const std::any& clientInfo, quint32 flags, double latency)
{
    return NotifierPtr(new Notifier(delegate, path, clientInfo, flags, latency));
}

NotifierPtr Notifier::createOverWatchedFolders(const std::weak_ptr<NotifierDelegate>& delegate,
                                               const std::any& clientInfo, quint32 flags)
{
    NotifierPtr notifier(new Notifier(delegate, QStringLiteral("/"), clientInfo, flags, 0));
    notifier->_overWatchedFolders = true;
    return notifier;
}

Notifier::~Notifier()
{
    // The hub's sinks hold this notifier weakly; the watch itself must go.
    if (_watchId)
        plat::InotifyHub::shared().removeWatch(_watchId);
    if (_observerId)
        plat::InotifyHub::shared().removeObserver(_observerId);
}

void Notifier::start()
{
    std::lock_guard monitor(_monitor);
    if (_running)
        return;
    const QString self = description();
    MIV_LOG_DEBUG(QStringLiteral("Creating stream for %1").arg(self));
    const quint64 generation = ++_generation;
    const std::weak_ptr<Notifier> weakSelf = weak_from_this();
    plat::InotifyHub& hub = plat::InotifyHub::shared();
    if (_overWatchedFolders) {
        _observerId = hub.addObserver([weakSelf, generation](plat::FileSystemEventBatch batch) {
            if (const NotifierPtr notifier = weakSelf.lock())
                notifier->deliverIfCurrent(generation, batch);
        });
    } else {
        {
            // Made before the watch, so the first batch finds it.
            std::lock_guard lock(_fieldLock);
            if (!_eventQueue)
                _eventQueue = plat::SerialQueue::create(kEventQueueLabel);
        }
        // A refused watch leaves a running notifier that delivers nothing.
        _watchId = hub.addWatch(paths().value(0), toMilliseconds(latency()),
                                [weakSelf, generation](plat::FileSystemEventBatch batch) {
                                    if (const NotifierPtr notifier = weakSelf.lock())
                                        notifier->queueBatch(generation, std::move(batch));
                                });
    }
    MIV_LOG_DEBUG(QStringLiteral("Stream created for %1").arg(self));
    MIV_LOG_DEBUG(QStringLiteral("Starting events stream for %1").arg(self));
    _running = true;
}

void Notifier::stop()
{
    std::lock_guard monitor(_monitor);
    if (!_running)
        return;
    const bool wasDisabled = _disabled.exchange(true);
    plat::InotifyHub& hub = plat::InotifyHub::shared();
    // Pending events are dropped with the watch; queued batches are dropped
    // when they find a newer generation.
    if (_watchId)
        hub.removeWatch(_watchId);
    if (_observerId)
        hub.removeObserver(_observerId);
    _watchId = 0;
    _observerId = 0;
    ++_generation;
    {
        std::lock_guard lock(_fieldLock);
        _eventQueue.reset();
    }
    _running = false;
    _disabled.store(wasDisabled);
}

bool Notifier::isRunning() const
{
    std::lock_guard monitor(_monitor);
    return _running;
}

void Notifier::queueBatch(quint64 generation, plat::FileSystemEventBatch batch)
{
    const plat::SerialQueuePtr queue = eventQueue();
    if (!queue || generation != _generation.load())
        return;
    queue->async([weakSelf = weak_from_this(), generation, batch = std::move(batch)] {
        if (const NotifierPtr notifier = weakSelf.lock())
            notifier->deliverIfCurrent(generation, batch);
    });
}

void Notifier::deliverIfCurrent(quint64 generation, const plat::FileSystemEventBatch& batch)
{
    if (generation == _generation.load())
        deliverEvents(batch);
}

void Notifier::deliverEvents(const plat::FileSystemEventBatch& batch)
{
    if (batch.empty() || disabled())
        return;
    QSet<quint64> seen;
    for (const plat::FileSystemEvent& record : batch) {
        if (seen.contains(record.eventId))
            continue;
        seen.insert(record.eventId);
        // The kernel gives no file identifier with an event: inode 0.
        processEvent(MivEventData(QVariantMap{{QStringLiteral("path"), record.path}}, record.eventId, record.flags));
    }
}

void Notifier::processEvent(const MivEventData& event)
{
    if (shouldHandleEvent(event))
        handleEvent(event);
}

bool Notifier::shouldHandleEvent(const MivEventData& event) const
{
    if (!filtered())
        return true;
    const QStringList watched = paths();
    return std::any_of(watched.cbegin(), watched.cend(),
                       [&](const QString& path) { return event.pathIsSubpathOf(path); });
}

void Notifier::handleEvent(const MivEventData& event)
{
    logEvent(event);
    const std::shared_ptr<NotifierDelegate> target = delegate();
    if (target && !disabled())
        target->handleEvent(event, *this);
}

void Notifier::logEvent(const MivEventData&) {}

void Notifier::logEvent(quint32 flags, QString& buffer)
{
    for (const FlagText& entry : kFlagTexts) {
        if (flags & entry.bit)
            buffer += QStringLiteral(" * ") + QLatin1String(entry.text) + QLatin1Char('\n');
    }
    MIV_LOG_DEBUG(buffer);
}

std::shared_ptr<NotifierDelegate> Notifier::delegate() const
{
    std::lock_guard lock(_fieldLock);
    return _delegate.lock();
}

void Notifier::setDelegate(const std::weak_ptr<NotifierDelegate>& delegate)
{
    std::lock_guard lock(_fieldLock);
    _delegate = delegate;
}

std::any Notifier::info() const
{
    std::lock_guard lock(_fieldLock);
    return _info;
}

void Notifier::setInfo(const std::any& info)
{
    std::any previous;
    std::lock_guard lock(_fieldLock);
    previous = std::exchange(_info, info); // destroyed after the lock
}

QStringList Notifier::paths() const
{
    std::lock_guard lock(_fieldLock);
    return _paths;
}

void Notifier::setPaths(const QStringList& paths)
{
    std::lock_guard lock(_fieldLock);
    _paths = paths;
}

QString Notifier::checkSum() const
{
    std::lock_guard lock(_fieldLock);
    return _checkSum;
}

void Notifier::setCheckSum(const QString& checkSum)
{
    std::lock_guard lock(_fieldLock);
    _checkSum = checkSum;
}

double Notifier::latency() const
{
    std::lock_guard lock(_fieldLock);
    return _latency;
}

void Notifier::setLatency(double seconds)
{
    std::lock_guard lock(_fieldLock);
    _latency = seconds;
}

plat::SerialQueuePtr Notifier::eventQueue() const
{
    std::lock_guard lock(_fieldLock);
    return _eventQueue;
}

QString Notifier::description() const
{
    return QStringLiteral("<Notifier: %1>").arg(paths().join(QStringLiteral(", ")));
}
