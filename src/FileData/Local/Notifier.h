#pragma once

#include "platform/FileSystemEvent.h"
#include "platform/SerialQueue.h"

#include <QString>
#include <QStringList>

#include <any>
#include <atomic>
#include <memory>
#include <mutex>

class MivEventData;
class NotifierDelegate;

class Notifier;
using NotifierPtr = std::shared_ptr<Notifier>;

// One stream of file-system events over one path, handed to a delegate.
//
// A notifier is stopped or running. While it runs, the process's inotify hub
// watches its path: the folder and its direct children (a file path: that
// file). Changes are collected for the latency after the first of a batch
// and delivered on the notifier's own serial queue; only changes made after
// start are ever reported. stop drops whatever is still pending or queued.
class Notifier : public std::enable_shared_from_this<Notifier>
{
public:
    static constexpr quint32 kDefaultFlags = 0xF7;
    static constexpr double kDefaultLatency = 1.0;

    static NotifierPtr create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                              const std::any& clientInfo);
    static NotifierPtr create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                              const std::any& clientInfo, quint32 flags);
    static NotifierPtr create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                              const std::any& clientInfo, quint32 flags, const QString& fileCheckSum);
    // Latency in seconds: how long changes are collected before a batch is
    // delivered.
    static NotifierPtr create(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path,
                              const std::any& clientInfo, quint32 flags, double latency);

    // A notifier over every folder that any notifier of the process watches
    // (inotify cannot watch a whole disk). Its path is "/". It hears each
    // event at once on the hub's thread, before the batch holding it reaches
    // the notifiers of that folder, so a cache that forgets entries here is
    // up to date when a panel refreshes. Its delegate must be quick.
    static NotifierPtr createOverWatchedFolders(const std::weak_ptr<NotifierDelegate>& delegate,
                                                const std::any& clientInfo, quint32 flags);

    ~Notifier();

    void start();
    void stop();
    bool isRunning() const;

    // What the stream hands over, on the event queue: drops the batch when
    // disabled, delivers each event identifier once.
    void deliverEvents(const plat::FileSystemEventBatch& batch);

    void processEvent(const MivEventData& event);
    bool shouldHandleEvent(const MivEventData& event) const;
    void handleEvent(const MivEventData& event);
    // Per-event logging hook; does nothing.
    void logEvent(const MivEventData& event);
    // Appends one line per set flag (" * text\n", the own-event line first,
    // then the others upward) and writes the buffer to the debug log.
    static void logEvent(quint32 flags, QString& buffer);

    std::shared_ptr<NotifierDelegate> delegate() const;
    void setDelegate(const std::weak_ptr<NotifierDelegate>& delegate);
    std::any info() const;
    void setInfo(const std::any& info);
    QStringList paths() const;
    void setPaths(const QStringList& paths);
    QString checkSum() const;
    void setCheckSum(const QString& checkSum);

    bool filtered() const { return _filtered.load(); }
    void setFiltered(bool filtered) { _filtered.store(filtered); }
    bool disabled() const { return _disabled.load(); }
    void setDisabled(bool disabled) { _disabled.store(disabled); }
    bool debug() const { return _debug.load(); }
    void setDebug(bool debug) { _debug.store(debug); }

    quint32 flags() const { return _flags; }
    // Takes effect at the next start.
    double latency() const;
    void setLatency(double seconds);

    QString description() const;

    // The queue events arrive on while running; null while stopped.
    plat::SerialQueuePtr eventQueue() const;

private:
    Notifier(const std::weak_ptr<NotifierDelegate>& delegate, const QString& path, const std::any& clientInfo,
             quint32 flags, double latency);

    void queueBatch(quint64 generation, plat::FileSystemEventBatch batch);
    void deliverIfCurrent(quint64 generation, const plat::FileSystemEventBatch& batch);

    const quint32 _flags;
    bool _overWatchedFolders = false;

    // Serialises start and stop.
    mutable std::recursive_mutex _monitor;
    bool _running = false;
    quint64 _watchId = 0;    // hub watch, 0 when none
    quint64 _observerId = 0; // hub observer of a notifier over every folder
    // Batches carry the generation they were made in; a stop moves it on, so
    // batches still queued are dropped.
    std::atomic<quint64> _generation{0};

    std::atomic<bool> _disabled{false};
    std::atomic<bool> _filtered{true};
    std::atomic<bool> _debug{true};

    mutable std::mutex _fieldLock;
    double _latency;
    plat::SerialQueuePtr _eventQueue;
    std::any _info;
    std::weak_ptr<NotifierDelegate> _delegate;
    QStringList _paths;
    QString _checkSum;
};
