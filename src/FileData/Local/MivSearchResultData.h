#pragma once

#include "FileData/Local/MivWatcher.h"
#include "FileData/MivSimpleFileData.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <mutex>

// A virtual folder whose children are a fixed list of found items, in the
// order given. It watches the real folder of each local item once and drops
// the items that have gone when that folder changes, then tells the panels
// that show it to refresh.
class MivSearchResultData : public MivSimpleFileData, public MivWatcherDelegate
{
public:
    MivSearchResultData();
    ~MivSearchResultData() override;

    void close() override;
    bool folder() const override { return true; }
    bool isFolder() const override { return true; }

    // Replaces the list; null (an empty list) empties the folder. Only
    // local items are watched.
    void loadElements(const std::optional<QList<MivFileDataPtr>>& elements);
    void refresh() override;
    QList<MivFileDataPtr> elements() const { return safeElements(); }
    QList<MivFileDataPtr> safeElements() const;
    void resolveExtension() override {}

    // The items as given, whatever the listing parameters; never fails.
    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override;

    void handleEvent(const MivWatcherEvent& event, const MivFileDataPtr& watched) override;

    // Whether a result item's folder is watched now; for tests.
    bool watchesParentPath(const QString& pathKey) const;

protected:
    void didCreate() override;
    void registerWatcher(const MivFileDataPtr& item);
    void unregisterWatcherIfNeeded(const MivFileDataPtr& item);

private:
    MivWatcherPtr watcher() const;
    void removeElement(const MivFileDataPtr& item);

    mutable std::mutex _watcherMutex;
    MivWatcherPtr _watcher;
    mutable std::recursive_mutex _watchedDirectoriesMonitor;
    QHash<QString, QList<MivFileDataPtr>> _watchedDirectories;
    mutable std::recursive_mutex _elementsMonitor;
    QList<MivFileDataPtr> _elements;
};
