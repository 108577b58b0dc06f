#pragma once

#include "FileData/Local/StripedLRUCache.h"
#include "FileData/Local/MivOsxFileAttributes.h"
#include "FileData/Local/Notifier.h"
#include "FileData/Local/NotifierDelegate.h"
#include "FileData/MivFileDataTypes.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <mutex>

// The one process-wide cache of local items, keyed by prepared path (the
// path percent-encoded as URL paths allow, without a trailing "/").
//
// Linux gives no unprivileged watch of the whole file system, so an entry is
// checked on every lookup by one statx of its path: when the inode, status
// change time, modification time or size differ from the item's snapshot, or
// nothing is there any more, the entry is dropped and the caller gets a
// fresh item (or nothing). The statx of a lookup that creates an item is
// handed to the new item, so it is not read twice. File-system events of
// every folder that a notifier of the process watches drop entries as well:
// the cache hears them through a notifier over watched folders, before the
// folder's own notifiers hand them to a panel.
class MivOsxFileDataCache : public NotifierDelegate, public std::enable_shared_from_this<MivOsxFileDataCache>
{
public:
    static constexpr quint32 kNotifierFlags = 0xD7;

    static constexpr std::size_t kCapacity = 200000;
    // Event flags (the watcher's mapping of inotify events).
    static constexpr quint32 kInvalidateWithParentsMask = 0x5300;  // created, removed, modified, owner changed
    static constexpr quint32 kInvalidatePathMask = 0xAC00;         // inode metadata, renamed, info, xattrs

    MivOsxFileDataCache();
    ~MivOsxFileDataCache() override;

    // A reference: every listed entry goes through the cache, and copying
    // the pointer from many threads at once made them fight over its count.
    static const std::shared_ptr<MivOsxFileDataCache>& sharedInstance();
    // Empties the shared cache, so a test starts from nothing.
    static void resetForTesting();

    // The key of a path.
    static QString preparedPath(const QString& path);
    // The key of a path given as the kernel's bytes.
    static QString preparedNativePath(const QByteArray& path);

    // The cached item under the URL's prepared path, or null; a blocked item
    // is unblocked before it is returned.
    MivFileDataPtr getEntryForURL(const QUrl& url);
    // The cached item, or else a new unrefreshed item stored under that key.
    // Null for a URL that is no local file URL.
    MivFileDataPtr getOrCreateEntryForURL(const QUrl& url);
    // The same for an entry whose status was read already (a listing reads
    // every entry once), by its path as the kernel's bytes: the read
    // validates a cached item and goes to a new one.
    MivFileDataPtr getOrCreateEntryForNativePath(const QByteArray& path, const MivOsxFileAttributesPtr& current);
    // Stores the item under its URL's prepared path; false without a local
    // file URL.
    bool putEntry(const MivFileDataPtr& item);
    // Drops the entries under the item's real path (when it differs) and
    // its path key, each with its parent folders; true when either was cached.
    bool invalidate(const MivFileDataPtr& item);
    void invalidatePaths(const QStringList& paths);
    bool invalidatePath(const QString& path);
    // Drops the entry of the path and, with parents, those of every folder
    // above it up to "/". Answers whether the path itself was cached.
    bool invalidatePath(const QString& path, bool withParent);

    // Key-level operations (nothing happens with an empty key or a null value).
    void put(const MivFileDataPtr& value, const QString& forKey);
    MivFileDataPtr getForKey(const QString& key);
    // Every lookup counts as a use: the touch flag is ignored.
    MivFileDataPtr getForKey(const QString& key, bool withTouch);
    MivFileDataPtr removeForKey(const QString& key);
    // Lookup then insert; not atomic: two threads may both compute, and the
    // entry stored first wins (the later caller still gets its own value).
    MivFileDataPtr computeIfAbsentForKey(const QString& key, const std::function<MivFileDataPtr()>& computeBlock);
    // Empties the cache and starts a new notifier (once the cache is owned
    // by a shared pointer).
    void clear();

    // A file-system event: created, removed, modified or owner changed drop
    // the path with its parents; metadata, rename, info or xattr changes drop
    // the path only; anything else changes nothing.
    void handleEvent(quint32 flags, const QString& path);
    void handleEvent(const MivEventData& event, Notifier& notifier) override;

    // The notifier the cache listens to; null before the first clear.
    NotifierPtr notifier() const;

    std::size_t size() const;

    // The one place where new local items are made (for the cache and for
    // links just created); unrefreshed unless asked.
    static MivFileDataPtr makeFreshItem(const QUrl& url, bool withRefresh);
    // The same from an absolute path, which needs no URL built or decoded.
    static MivFileDataPtr makeFreshItemForPath(const QString& path, bool withRefresh);

private:
    // The entry under the key when it is still current; a stale one is
    // dropped. The status read made for the check (or the one given) goes
    // to *fresh.
    MivFileDataPtr validatedLookup(const QString& key, MivOsxFileAttributesPtr* fresh,
                                   const MivOsxFileAttributesPtr& given = nullptr);

    void restartNotifier();

    StripedLRUCache<QString, MivFileDataPtr> _ncache;
    // Held while a notifier is replaced, so two clears never leave one running.
    mutable std::mutex _notifierLock;
    NotifierPtr _notfifier;
};
