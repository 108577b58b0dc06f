#include "FileData/Local/MivSearchResultData.h"

#include "FileData/Local/MivFileSystemWatcher.h"
#include "FileData/Local/MivOsxFileData.h"
#include "platform/Log.h"

#include <QCoreApplication>

MivSearchResultData::MivSearchResultData()
{
    setName(QCoreApplication::translate("MivSearchResultData", "Search result"));
}

MivSearchResultData::~MivSearchResultData()
{
    // No shared pointer to this object is left, so the watcher cannot call
    // back; only the watcher and the lists are released.
    MivFileSystemWatcher::sharedInstance().closeWatcher(watcher());
}

void MivSearchResultData::didCreate()
{
    MivSimpleFileData::didCreate();
    const auto self = std::dynamic_pointer_cast<MivWatcherDelegate>(selfPtr());
    std::lock_guard lock(_watcherMutex);
    _watcher = MivFileSystemWatcher::sharedInstance().createWatcherForDelegate(self);
}

MivWatcherPtr MivSearchResultData::watcher() const
{
    std::lock_guard lock(_watcherMutex);
    return _watcher;
}

void MivSearchResultData::close()
{
    MivFileSystemWatcher::sharedInstance().closeWatcher(watcher());
    setWatchedDelegates({});
    for (const MivFileDataPtr& item : safeElements())
        item->close();
    {
        std::lock_guard lock(_watchedDirectoriesMonitor);
        _watchedDirectories.clear();
    }
    {
        std::lock_guard lock(_elementsMonitor);
        _elements.clear();
    }
    std::lock_guard lock(_watcherMutex);
    _watcher.reset();
}

void MivSearchResultData::loadElements(const std::optional<QList<MivFileDataPtr>>& elements)
{
    {
        std::lock_guard lock(_elementsMonitor);
        _elements.clear();
        if (!elements)
            return;
        _elements.append(*elements);
    }
    for (const MivFileDataPtr& item : *elements) {
        if (dynamic_cast<MivOsxFileData*>(item.get()))
            registerWatcher(item);
    }
}

void MivSearchResultData::refresh()
{
    for (const MivFileDataPtr& item : safeElements()) {
        item->activate();
        if (item->exists()) {
            item->refresh();
        } else {
            removeElement(item);
            unregisterWatcherIfNeeded(item);
        }
    }
}

QList<MivFileDataPtr> MivSearchResultData::safeElements() const
{
    std::lock_guard lock(_elementsMonitor);
    return _elements;
}

void MivSearchResultData::removeElement(const MivFileDataPtr& item)
{
    std::lock_guard lock(_elementsMonitor);
    _elements.removeAll(item);
}

void MivSearchResultData::registerWatcher(const MivFileDataPtr& item)
{
    const MivFileDataPtr parent = item ? item->parent() : nullptr;
    const QString key = parent ? parent->pathKey() : QString();
    if (key.isEmpty())
        return;
    std::lock_guard lock(_watchedDirectoriesMonitor);
    auto found = _watchedDirectories.find(key);
    if (found == _watchedDirectories.end()) {
        const MivWatcherPtr current = watcher();
        if (!current)
            return;
        found = _watchedDirectories.insert(key, {});
        current->registerWatchable(parent, parent->sourcePath(), MivWatcherEvent::All);
    }
    if (!found->contains(item))
        found->append(item);
}

void MivSearchResultData::unregisterWatcherIfNeeded(const MivFileDataPtr& item)
{
    const MivFileDataPtr parent = item ? item->parent() : nullptr;
    const QString key = parent ? parent->pathKey() : QString();
    if (key.isEmpty())
        return;
    std::lock_guard lock(_watchedDirectoriesMonitor);
    const auto found = _watchedDirectories.find(key);
    if (found == _watchedDirectories.end())
        return;
    found->removeAll(item);
    if (!found->isEmpty())
        return;
    MIV_LOG_INFO(QStringLiteral("Remove watchable: %1").arg(key));
    _watchedDirectories.erase(found);
    if (const MivWatcherPtr current = watcher())
        current->unregisterWatchableForPath(parent->sourcePath());
}

bool MivSearchResultData::listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams&,
                                              const MivFileCallback&, plat::Error*)
{
    array.append(safeElements());
    return true;
}

void MivSearchResultData::handleEvent(const MivWatcherEvent&, const MivFileDataPtr& watched)
{
    if (!dynamic_cast<MivOsxFileData*>(watched.get()))
        return;
    QList<MivFileDataPtr> items;
    {
        std::lock_guard lock(_watchedDirectoriesMonitor);
        items = _watchedDirectories.value(watched->pathKey());
    }
    QList<MivFileDataPtr> gone;
    for (const MivFileDataPtr& item : items) {
        // The event says the folder changed, not which entry.
        if (item->exists()) {
            item->refresh();
        } else {
            removeElement(item);
            gone.append(item);
        }
    }
    for (const MivFileDataPtr& item : gone)
        unregisterWatcherIfNeeded(item);
    refreshContextView(nullptr);
}

bool MivSearchResultData::watchesParentPath(const QString& pathKey) const
{
    std::lock_guard lock(_watchedDirectoriesMonitor);
    return _watchedDirectories.contains(pathKey);
}
