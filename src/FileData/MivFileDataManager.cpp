#include "FileData/MivFileDataManager.h"

#include "FileData/IMivCloneable.h"
#include "FileData/IMivFileDataPropertiesProvider.h"
#include "FileData/IMivFileHandlingPlugin.h"
#include "FileData/IMivRootFile.h"
#include "FileData/Local/MivFolderSizeCalculator.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/Local/MivSearchResultData.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivRemoteFileData.h"
#include "FileData/MivRemoteTypes.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/RootFileData/MivBonjourData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <unordered_set>

namespace {

QString text(const char* literal) { return QString::fromLatin1(literal); }

// The plug-ins of the settings that turn keys into items, in their order.
QList<std::shared_ptr<IMivFileHandlingPlugin>> fileHandlingPlugins()
{
    QList<std::shared_ptr<IMivFileHandlingPlugin>> result;
    const auto provider = MivFileDataHelpers::fileDataPropertiesProvider();
    if (!provider)
        return result;
    for (const auto& plugin : provider->plugins()) {
        if (auto handling = std::dynamic_pointer_cast<IMivFileHandlingPlugin>(plugin))
            result.append(std::move(handling));
    }
    return result;
}

// The first plug-in that claims the key answers for it, nil included (its
// error is not passed on); nullopt when none claims it.
std::optional<MivFileDataPtr> pluginInstanceForKey(const QString& key)
{
    for (const auto& plugin : fileHandlingPlugins()) {
        if (!plugin->checkInstanceForPath(key))
            continue;
        plat::Error ignored;
        return plugin->instanceForKey(key, &ignored);
    }
    return std::nullopt;
}

// A network place for the connection a URL names. Places are made from
// service data, which the remote connections build from a URL; until they
// can, no place results.
MivFileDataPtr networkPlaceForURL(const QUrl&, bool) { return nullptr; }

// Walks up the parent chain from the item (included) and answers the first
// item the stop test accepts, else the topmost one. An item that is its own
// parent, or any other loop in the chain, ends the walk.
template <class Stop>
MivFileDataPtr walkUp(const MivFileDataPtr& item, Stop stop)
{
    std::unordered_set<const MivFileData*> seen;
    MivFileDataPtr current = item;
    while (current) {
        if (stop(current))
            return current;
        seen.insert(current.get());
        MivFileDataPtr parent = current->parent();
        if (!parent || seen.count(parent.get()))
            return current;
        current = std::move(parent);
    }
    return current;
}

using RemoteMaker = MivFileDataPtr (*)(const QUrl& url, bool withRefresh);

// The scheme table of remote items, compared exactly and in order. A row
// without a maker is a back-end that is not built yet: it answers null
// rather than a plain remote item that would pretend to be that server.
struct SchemeRow
{
    const char* scheme;
    RemoteMaker make;
};

const SchemeRow kSchemeTable[] = {
    {ksSmbRemoteType, nullptr},
    {ksAfpRemoteType, nullptr},
    {ksFtpsRemoteType, nullptr},
    {ksFtpRemoteType, nullptr},
    {ksSshRemoteType, nullptr},
    {ksHttpRemoteType, nullptr},
    {ksWDavServiceType, nullptr},
    {ksHttpsRemoteType, nullptr},
    {ksWDavsServiceType, nullptr},
};

} // namespace

void MivFileDataManager::registerHooks()
{
    MivItemHooks::setMakeInstanceForURL([](const QUrl& url, bool withRefresh) { return makeInstanceForURL(url, withRefresh); });
    MivItemHooks::setRootData([](const MivFileDataPtr& item) { return rootData(item); });
    MivItemHooks::setFastFolderSizeAtURL(&MivFolderSizeCalculator::fastFolderSizeAtURL);
    // A result shown in a search-result folder has no real parent there.
    MivItemHooks::setRealParentForData(
        [](const MivFileDataPtr& folder, const MivFileDataPtr&) -> std::optional<MivFileDataPtr> {
            if (dynamic_cast<const MivSearchResultData*>(folder.get()))
                return MivFileDataPtr();
            return std::nullopt;
        });
}

QList<MivFileDataPtr> MivFileDataManager::makeInstancesForUrls(const QList<QUrl>& urls, bool withRefresh)
{
    QList<MivFileDataPtr> items;
    for (const QUrl& url : urls) {
        if (auto item = makeInstanceForURL(url, withRefresh))
            items.append(std::move(item));
    }
    return items;
}

QList<MivFileDataPtr> MivFileDataManager::makeInstancesForPaths(const QStringList& paths, bool withRefresh)
{
    QList<MivFileDataPtr> items;
    for (const QString& path : paths) {
        if (auto item = makeInstanceForString(plat::PathString::standardizingPath(path), withRefresh))
            items.append(std::move(item));
    }
    return items;
}

MivFileDataPtr MivFileDataManager::makeInstanceForURL(const QUrl& url, bool withRefresh)
{
    return makeInstanceForURL(url, withRefresh, true);
}

MivFileDataPtr MivFileDataManager::makeFreshInstanceForURL(const QUrl& url, bool withRefresh)
{
    return makeInstanceForURL(url, withRefresh, false);
}

MivFileDataPtr MivFileDataManager::makeInstanceForURL(const QUrl& url, bool withRefresh, bool useCache)
{
    // A text that did not parse, or a relative reference, locates nothing.
    if (url.isEmpty() || !url.isValid() || url.scheme().isEmpty())
        return nullptr;
    if (url.scheme() == QLatin1String("file"))
        return makeLocalInstanceForURL(url, withRefresh, useCache);
    if (const auto claimed = pluginInstanceForKey(url.toString(QUrl::FullyEncoded)))
        return *claimed;
    return remoteFileDataForURL(url, withRefresh);
}

MivFileDataPtr MivFileDataManager::makeFreshInstanceForString(const QString& string, bool withRefresh)
{
    return makeInstanceForString(string, withRefresh, false);
}

MivFileDataPtr MivFileDataManager::makeInstanceForString(const QString& string, bool withRefresh)
{
    return makeInstanceForString(string, withRefresh, true);
}

MivFileDataPtr MivFileDataManager::makeInstanceForString(const QString& string, bool withRefresh, bool useCache)
{
    if (string == text(ksMivNetworkDataName))
        return MivNetworkRootData::sharedInstance();
    if (string == text(ksMivBonjourDataName))
        return MivBonjourData::sharedInstance();
    if (string.startsWith(QLatin1Char('/')))
        return makeInstanceForURL(plat::Path::toFileQUrl(string), withRefresh, useCache);
    if (string.startsWith(QLatin1String("file://")))
        return makeInstanceForURL(QUrl(string, QUrl::StrictMode), withRefresh, useCache);
    if (const auto claimed = pluginInstanceForKey(string))
        return *claimed;
    const QUrl url(string, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return nullptr;
    const MivFileDataPtr place = networkPlaceForURL(url, withRefresh);
    if (!place)
        return nullptr;
    if (!place->parent())
        place->setParent(MivNetworkRootData::sharedInstance());
    if (withRefresh)
        place->refresh();
    return place;
}

MivFileDataPtr MivFileDataManager::remoteFileDataForURL(const QUrl& url, bool withRefresh)
{
    if (url.isEmpty() || !url.isValid())
        return nullptr;
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("file"))
        return makeLocalInstanceForURL(url, withRefresh, true);
    for (const SchemeRow& row : kSchemeTable) {
        if (scheme == QLatin1String(row.scheme))
            return row.make ? row.make(url, withRefresh) : nullptr;
    }
    return MivUrlFileData::createWithURL<MivRemoteFileData>(url, withRefresh);
}

MivFileDataPtr MivFileDataManager::cloneData(const MivFileDataPtr& item)
{
    if (!item)
        return nullptr;
    MivFileDataPtr result = duplicateRemote(item);
    if (!result || result == item) {
        const auto* urlItem = dynamic_cast<const IMivUrlFile*>(item.get());
        const QUrl url = urlItem ? urlItem->fileURL() : QUrl();
        if (url.isLocalFile()) {
            const QString path = plat::Path::fromFileUrl(url);
            if (!path.isNull())
                result = makeInstanceForString(path, true, false);
        }
    }
    return result == item ? nullptr : result;
}

MivFileDataPtr MivFileDataManager::duplicateRemote(const MivFileDataPtr& item)
{
    if (!item)
        return nullptr;
    MivFileDataPtr data = item;
    if (auto* root = dynamic_cast<IMivRootFile*>(data.get()))
        data = root->rootFile();
    if (!data)
        return nullptr;
    if (auto* cloneable = dynamic_cast<IMivCloneable*>(data.get()))
        return cloneable->cloneData();
    const auto remote = std::dynamic_pointer_cast<MivRemoteFileData>(data);
    if (!remote)
        return data;
    const MivFileDataPtr made = makeInstanceForURL(remote->fileURL(), false);
    const auto copy = std::dynamic_pointer_cast<MivRemoteFileData>(made);
    if (copy)
        copy->setDescriptor(remote->descriptor());
    if (!copy || !copy->openRemoteFile(true))
        return nullptr;
    return copy;
}

MivFileDataPtr MivFileDataManager::createCopyOfRootFor(const MivFileDataPtr& item)
{
    const MivFileDataPtr root = rootData(item);
    MIV_LOG_DEBUG(QStringLiteral("Root for data %1: %2").arg(item ? item->description() : QStringLiteral("(null)"),
                                                             root ? root->description() : QStringLiteral("(null)")));
    const auto place = std::dynamic_pointer_cast<MivNetworkFileData>(root);
    if (!place)
        return nullptr;
    const MivServiceDataPtr serviceData = place->serviceData();
    MIV_LOG_DEBUG(QStringLiteral("Service for data: %1").arg(serviceData ? serviceData->path() : QStringLiteral("(null)")));
    if (!serviceData)
        return nullptr;
    return serviceData->createNetworkFileData();
}

MivFileDataPtr MivFileDataManager::savingRootForData(const MivFileDataPtr& item)
{
    const MivFileDataPtr found = walkUp(item, [](const MivFileDataPtr& data) {
        return dynamic_cast<IMivRootFile*>(data.get()) != nullptr;
    });
    if (auto* root = dynamic_cast<IMivRootFile*>(found.get()))
        return root->rootFile();
    return found;
}

MivFileDataPtr MivFileDataManager::rootFileForNetworkData(const MivFileDataPtr& item)
{
    const MivFileDataPtr root = rootData(item);
    if (auto* rootFile = dynamic_cast<IMivRootFile*>(root.get()))
        return rootFile->rootFile();
    return nullptr;
}

MivFileDataPtr MivFileDataManager::rootData(const MivFileDataPtr& item)
{
    return walkUp(item, [](const MivFileDataPtr& data) { return dynamic_cast<MivNetworkFileData*>(data.get()) != nullptr; });
}

MivFileDataPtr MivFileDataManager::rootForData(const MivFileDataPtr& item)
{
    return walkUp(item, [](const MivFileDataPtr&) { return false; });
}

MivFileDataPtr MivFileDataManager::makeLocalInstanceForURL(const QUrl& url, bool withRefresh, bool useCache)
{
    // One URL per local path, whichever way it was written ("/tmp/x",
    // "file:///tmp/x", "file://localhost/tmp/x/"), so the cache hands out one
    // item for it. A file URL of another host names no local path.
    const QString path = plat::Path::fromFileUrl(url);
    if (path.isEmpty() || !path.startsWith(QLatin1Char('/')))
        return nullptr;
    const QString canonical = plat::PathString::strippingTrailingSlashes(path);
    // The cache makes a missing entry through makeFreshInstanceForURL and
    // keeps it, so a second call for the same path answers the same item.
    // A fresh item is made from the path: it builds its URL only when asked.
    MivFileDataPtr item = useCache
                              ? MivOsxFileDataCache::sharedInstance()->getOrCreateEntryForURL(plat::Path::toFileQUrl(canonical))
                              : MivOsxFileDataCache::makeFreshItemForPath(canonical, false);
    if (item && withRefresh)
        item->refresh();
    return item;
}
