#pragma once

#include "FileData/Local/MivWatcher.h"

#include <QList>

#include <memory>
#include <mutex>

// The process-wide maker of per-path watchers, which keeps the live ones.
class MivFileSystemWatcher
{
public:
    static MivFileSystemWatcher& sharedInstance();

    // Null for a null delegate.
    MivWatcherPtr createWatcherForDelegate(const std::shared_ptr<MivWatcherDelegate>& delegate);
    // Closes the watcher and forgets it; null is ignored.
    void closeWatcher(const MivWatcherPtr& watcher);
    void closeAllWatchers();
    // The number of live watchers, for tests.
    int watcherCount() const;

private:
    MivFileSystemWatcher() = default;

    mutable std::mutex _monitor;
    QList<MivWatcherPtr> _watchedDataArray;
};
