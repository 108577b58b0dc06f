#include "FileData/Local/MivFileSystemWatcher.h"

MivFileSystemWatcher& MivFileSystemWatcher::sharedInstance()
{
    static MivFileSystemWatcher instance;
    return instance;
}

MivWatcherPtr MivFileSystemWatcher::createWatcherForDelegate(const std::shared_ptr<MivWatcherDelegate>& delegate)
{
    if (!delegate)
        return nullptr;
    auto watcher = MivWatcher::create(delegate);
    std::lock_guard lock(_monitor);
    _watchedDataArray.append(watcher);
    return watcher;
}

void MivFileSystemWatcher::closeWatcher(const MivWatcherPtr& watcher)
{
    if (!watcher)
        return;
    watcher->setClosed(true);
    std::lock_guard lock(_monitor);
    _watchedDataArray.removeAll(watcher);
}

void MivFileSystemWatcher::closeAllWatchers()
{
    QList<MivWatcherPtr> watchers;
    {
        std::lock_guard lock(_monitor);
        watchers = std::exchange(_watchedDataArray, {});
    }
    for (const MivWatcherPtr& watcher : watchers)
        watcher->setClosed(true);
}

int MivFileSystemWatcher::watcherCount() const
{
    std::lock_guard lock(_monitor);
    return int(_watchedDataArray.size());
}
