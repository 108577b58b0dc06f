#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

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
//
// It also holds the waiting copy, pack and unpack calls that features use
// when they must have the result before going on. Packing and unpacking work
// here on local items, as zip archives (libzip); other archive kinds and
// remote items answer as the archive plug-ins do when they have nothing for
// the name: no.
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

    // Packs the item (a folder with everything in it, the folder itself
    // being the archive's top entry) into a new archive of that name in the
    // destination folder. False when no archive can be made for the name.
    static bool compressFile(const MivFileDataPtr& file, const MivFileDataPtr& dest, const QString& name);
    // Unpacks the archive into the destination folder; the unpacked top
    // folder of the archive (or the child named as the archive without its
    // extension), refreshed; null when nothing was unpacked.
    static MivFileDataPtr decompressFile(const MivFileDataPtr& file, const MivFileDataPtr& dest);

    // --- Zip archives of local files ---

    // One entry tree of an archive: `path` (a file, a link or a folder with
    // everything in it) stored under `entryName`; a null path stores an
    // empty folder entry.
    struct ZipSource
    {
        QString entryName;
        QString path;
    };
    // Writes a new archive (an existing file of that name is replaced only
    // once the archive is complete). Links are stored as links, modes kept.
    static bool packZip(const QList<ZipSource>& sources, const QString& zipPath, plat::Error* error);

    // Unpacks every entry into the folder, which should be empty. Archives
    // come from shared folders: an entry with an absolute name, a "." or
    // ".." component, an empty component, or a link that points outside the
    // folder (or an entry reached through such a link) refuses the whole
    // archive before anything is written. Answers the top-level names.
    static std::optional<QStringList> unpackZip(const QString& zipPath, const QString& folder, plat::Error* error);

private:
    struct Watch;

    MivFileManager() = default;
    template <class T>
    friend class plat::NoDestructor;

    mutable std::mutex m_lock;
    double m_latency = 1.0;
    std::map<const IMivFileWatcherContextDelegate*, std::shared_ptr<Watch>> m_watches;
};
