#pragma once

#include "FileData/Local/MivWatcherDelegate.h"
#include "platform/FileSystemEvent.h"
#include "platform/SerialQueue.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// Watches a set of unrelated paths (files or folders) for one delegate. Each
// registration names a path and the object, the watchable, that the
// delegate gets back with every change of that path. Changes come from the
// process's inotify hub (a file is watched through its folder, and only its
// own changes pass) and reach the delegate on the watcher's serial queue
// "file-system-watcher", never on the hub's thread.
//
// A change queued for a registration that has since been removed or
// replaced is dropped, and none reaches the delegate once the watcher is
// closed.
class MivWatcher : public std::enable_shared_from_this<MivWatcher>
{
public:
    static std::shared_ptr<MivWatcher> create(const std::weak_ptr<MivWatcherDelegate>& delegate);
    ~MivWatcher();

    MivWatcher(const MivWatcher&) = delete;
    MivWatcher& operator=(const MivWatcher&) = delete;

    // The registration's number (> 0), or -1 for a null watchable, an empty
    // path or a path that cannot be watched. A path already registered
    // answers its number and keeps its first watchable.
    int registerWatchable(const MivFileDataPtr& watchable, const QString& path, quint32 filterFlags);
    void unregisterWatchableForPath(const QString& path);
    void unregisterWatchable(int descriptor);
    void unregisterAllWatchables();

    bool closed() const { return _closed.load(); }
    // Forgets the delegate, then every registration. Whatever the value: a
    // closed watcher is never opened again.
    void setClosed(bool closed);

    std::shared_ptr<MivWatcherDelegate> delegate() const;

private:
    explicit MivWatcher(const std::weak_ptr<MivWatcherDelegate>& delegate);
    int doRegisterWatchable(const MivFileDataPtr& watchable, const QString& path, quint32 filterFlags);
    void deliver(int descriptor, const MivFileDataPtr& watchable, quint32 filterFlags, const plat::FileSystemEventBatch& batch);

    struct Registration
    {
        MivFileDataPtr watchable;
        QString path;
        quint32 filterFlags = 0;
    };

    mutable std::mutex _lock;
    QHash<QString, int> _pathToFD;
    QHash<int, Registration> _fdToWatchable;
    std::weak_ptr<MivWatcherDelegate> _delegate;
    std::atomic<bool> _closed{false};
    const plat::SerialQueuePtr _queue;
};

using MivWatcherPtr = std::shared_ptr<MivWatcher>;
