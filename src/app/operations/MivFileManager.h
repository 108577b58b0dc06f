#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QList>

#include <map>
#include <memory>
#include <mutex>

class IMivFileWatcherContextDelegate;
class Notifier;
namespace plat {
template <class T>
class NoDestructor;
}

// The file-operation front end. This part holds the watch services the
// panels use while they show a folder, and the checks that decide whether a
// command has anything to work on.
//
// Watches are kept per watcher (one panel watches one folder at a time): a
// local folder gets a file-system event stream whose changes reach the
// watcher as contextContentChanged with an empty list; any other item keeps
// the watcher in its watchedDelegates and tells it itself. Callable from any
// thread; watchers are held weakly.
class MivFileManager
{
public:
    static MivFileManager& sharedInstance();

    void addWatchedFileContext(const MivFileDataPtr& folder,
                               const std::shared_ptr<IMivFileWatcherContextDelegate>& delegate);
    void removeWatchedFileContext(const MivFileDataPtr& folder,
                                  const std::shared_ptr<IMivFileWatcherContextDelegate>& delegate);
    // YES stops the watcher's event stream (a file operation works in the
    // folder), NO starts it again.
    void setWatchingState(bool disabled, const std::shared_ptr<IMivFileWatcherContextDelegate>& delegate);

    // NO for no items, or for only the ".." row.
    static bool checkContextForOperation(const QList<MivFileDataPtr>& items);

    // Seconds a folder's changes are collected before the watcher hears of
    // them; applies to watches made afterwards.
    void setWatchLatency(double seconds);
    // The folder a watcher's event stream follows; null when it has none.
    MivFileDataPtr watchedFolderFor(const IMivFileWatcherContextDelegate* delegate) const;

private:
    struct Watch;

    MivFileManager() = default;
    template <class T>
    friend class plat::NoDestructor;

    mutable std::mutex m_lock;
    double m_latency = 1.0;
    std::map<const IMivFileWatcherContextDelegate*, std::shared_ptr<Watch>> m_watches;
};
