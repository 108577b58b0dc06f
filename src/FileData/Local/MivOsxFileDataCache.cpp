#include "FileData/Local/MivOsxFileDataCache.h"

#include "FileData/IMivUrlFile.h"
#include "FileData/Local/MivEventData.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/Local/MivWatchdog.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivUrlFileData.h"
#include "FileData/MivUtils.h"
#include "platform/Path.h"
#include "platform/PathString.h"

namespace {

// The entry path a key stands for: the key is the percent-encoding of the
// path's bytes, so decoding gives the bytes back exactly.
QByteArray nativePathOfKey(const QString& key)
{
    return plat::Path::percentDecode(key.toLatin1());
}

// The key of a URL; empty for anything but a local file URL.
QString keyOfURL(const QUrl& url)
{
    return MivOsxFileDataCache::preparedPath(plat::Path::fromFileUrl(url));
}

} // namespace

MivOsxFileDataCache::MivOsxFileDataCache() : _ncache(kCapacity) {}

MivOsxFileDataCache::~MivOsxFileDataCache()
{
    if (_notfifier)
        MivWatchdog::sharedInstance().unregisterNotifier(_notfifier);
}

const std::shared_ptr<MivOsxFileDataCache>& MivOsxFileDataCache::sharedInstance()
{
    // Lives as long as the process; items in it may outlive static
    // destruction order otherwise.
    static const auto instance = [] {
        auto cache = std::make_shared<MivOsxFileDataCache>();
        cache->clear(); // starts the notifier, which needs the shared pointer
        return cache;
    }();
    return instance;
}

void MivOsxFileDataCache::resetForTesting() { sharedInstance()->clear(); }

QString MivOsxFileDataCache::preparedPath(const QString& path)
{
    if (path.isEmpty())
        return QString();
    // "/tmp/x/" and "/tmp/x" are one entry.
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return MivUtils::sanitizedString(trimmed);
}

QString MivOsxFileDataCache::preparedNativePath(const QByteArray& path)
{
    // The key preparedPath gives for the decoded path, made from the bytes
    // without decoding them first (the codec gives the same bytes back).
    qsizetype length = path.size();
    while (length > 1 && path.at(length - 1) == '/')
        --length;
    return MivUtils::sanitizedNative(length == path.size() ? path : path.first(length));
}

MivFileDataPtr MivOsxFileDataCache::validatedLookup(const QString& key, MivOsxFileAttributesPtr* fresh,
                                                    const MivOsxFileAttributesPtr& given)
{
    if (key.isEmpty())
        return nullptr;
    MivFileDataPtr item = _ncache.objectForKey(key);
    if (!item && !fresh)
        return nullptr;
    MivOsxFileAttributesPtr current = given ? given : MivOsxFileAttributes::read(nativePathOfKey(key));
    if (fresh)
        *fresh = current;
    if (!item)
        return nullptr;
    bool stale = !current->valid();
    if (!stale) {
        if (const auto* local = dynamic_cast<const MivOsxFileData*>(item.get())) {
            // An item that has read nothing yet cannot hold old attributes.
            const MivOsxFileAttributesPtr known = local->attributes();
            stale = known && known->valid() && !known->sameVersionAs(*current);
        }
    }
    if (!stale)
        return item;
    // Only this very entry goes: another thread may have put a fresh one.
    MivFileDataPtr removed = _ncache.removeObjectForKey(key);
    if (removed && removed != item)
        _ncache.setObject(std::move(removed), key);
    return nullptr;
}

MivFileDataPtr MivOsxFileDataCache::getEntryForURL(const QUrl& url)
{
    MivFileDataPtr item = validatedLookup(keyOfURL(url), nullptr);
    if (item && item->blocked())
        item->setBlocked(false);
    return item;
}

MivFileDataPtr MivOsxFileDataCache::getOrCreateEntryForNativePath(const QByteArray& path,
                                                                  const MivOsxFileAttributesPtr& current)
{
    if (!path.startsWith('/') || !current)
        return nullptr;
    const QString key = preparedNativePath(path);
    if (MivFileDataPtr item = validatedLookup(key, nullptr, current))
        return item;
    // Made from the path: no URL is built from the bytes only to be parsed
    // back into the same path.
    auto made = MivUrlFileData::createWithPath<MivOsxFileData>(plat::Path::fromNative(path), false);
    if (current->valid())
        made->adoptAttributes(current);
    _ncache.setObject(made, key);
    return made;
}

MivFileDataPtr MivOsxFileDataCache::getOrCreateEntryForURL(const QUrl& url)
{
    const QString key = keyOfURL(url);
    if (key.isEmpty())
        return nullptr;
    MivOsxFileAttributesPtr fresh;
    if (MivFileDataPtr item = validatedLookup(key, &fresh))
        return item;
    MivFileDataPtr made = MivFileDataManager::makeFreshInstanceForURL(url, false);
    if (!made)
        return nullptr;
    if (auto* local = dynamic_cast<MivOsxFileData*>(made.get()); local && fresh && fresh->valid())
        local->adoptAttributes(fresh);
    _ncache.setObject(made, key);
    // When another thread stored its item first, that one is kept; the
    // caller still gets the item it asked to be made.
    return made;
}

MivFileDataPtr MivOsxFileDataCache::makeFreshItem(const QUrl& url, bool withRefresh)
{
    return MivUrlFileData::createWithURL<MivOsxFileData>(url, withRefresh);
}

MivFileDataPtr MivOsxFileDataCache::makeFreshItemForPath(const QString& path, bool withRefresh)
{
    return MivUrlFileData::createWithPath<MivOsxFileData>(path, withRefresh);
}

bool MivOsxFileDataCache::putEntry(const MivFileDataPtr& item)
{
    QString key;
    if (const auto* local = dynamic_cast<const MivOsxFileData*>(item.get()))
        key = preparedPath(local->sourcePath());  // without building its URL
    else if (const auto* urlItem = dynamic_cast<const IMivUrlFile*>(item.get()))
        key = keyOfURL(urlItem->fileURL());
    if (key.isEmpty())
        return false;
    _ncache.setObject(item, key);
    return true;
}

bool MivOsxFileDataCache::invalidate(const MivFileDataPtr& item)
{
    if (!item)
        return false;
    const QString pathKey = item->pathKey();
    const QString realPath = item->realPath();
    bool cached = false;
    if (!realPath.isEmpty() && realPath != pathKey)
        cached = invalidatePath(realPath, true);
    return invalidatePath(pathKey, true) || cached;
}

void MivOsxFileDataCache::invalidatePaths(const QStringList& paths)
{
    for (const QString& path : paths)
        invalidatePath(path);
}

bool MivOsxFileDataCache::invalidatePath(const QString& path) { return invalidatePath(path, true); }

bool MivOsxFileDataCache::invalidatePath(const QString& path, bool withParent)
{
    const MivFileDataPtr removed = removeForKey(preparedPath(path));
    if (!removed)
        return false;
    if (withParent) {
        QString current = removed->pathKey();
        for (;;) {
            const QString above = plat::PathString::deletingLastPathComponent(current);
            if (above.isEmpty() || above == current)
                break;
            removeForKey(preparedPath(above));
            current = above;
        }
    }
    return true;
}

void MivOsxFileDataCache::put(const MivFileDataPtr& value, const QString& forKey)
{
    if (!value || forKey.isEmpty())
        return;
    _ncache.setObject(value, forKey);
}

MivFileDataPtr MivOsxFileDataCache::getForKey(const QString& key) { return validatedLookup(key, nullptr); }

MivFileDataPtr MivOsxFileDataCache::getForKey(const QString& key, bool) { return getForKey(key); }

MivFileDataPtr MivOsxFileDataCache::removeForKey(const QString& key)
{
    if (key.isEmpty())
        return nullptr;
    return _ncache.removeObjectForKey(key);
}

MivFileDataPtr MivOsxFileDataCache::computeIfAbsentForKey(const QString& key,
                                                          const std::function<MivFileDataPtr()>& computeBlock)
{
    if (key.isEmpty())
        return nullptr;
    if (MivFileDataPtr item = getForKey(key))
        return item;
    if (!computeBlock)
        return nullptr;
    MivFileDataPtr made = computeBlock();
    put(made, key);
    return made;
}

void MivOsxFileDataCache::clear()
{
    _ncache.removeAllObjects();
    restartNotifier();
}

void MivOsxFileDataCache::restartNotifier()
{
    const std::weak_ptr<MivOsxFileDataCache> self = weak_from_this();
    if (self.expired())
        return; // not owned by a shared pointer yet
    NotifierPtr fresh = Notifier::createOverWatchedFolders(self, std::any(), kNotifierFlags);
    fresh->setDebug(false);
    fresh->setFiltered(false);
    // Events never take this lock, and the watchdog takes none of ours.
    std::lock_guard lock(_notifierLock);
    if (_notfifier)
        MivWatchdog::sharedInstance().unregisterNotifier(_notfifier);
    _notfifier = fresh;
    MivWatchdog::sharedInstance().registerNotifier(fresh);
}

NotifierPtr MivOsxFileDataCache::notifier() const
{
    std::lock_guard lock(_notifierLock);
    return _notfifier;
}

void MivOsxFileDataCache::handleEvent(const MivEventData& event, Notifier&)
{
    handleEvent(event.flags(), event.path());
}

void MivOsxFileDataCache::handleEvent(quint32 flags, const QString& path)
{
    if (flags & kInvalidateWithParentsMask)
        invalidatePath(path, true);
    else if (flags & kInvalidatePathMask)
        invalidatePath(path, false);
}

std::size_t MivOsxFileDataCache::size() const { return _ncache.size(); }
