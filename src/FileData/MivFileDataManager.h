#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>

class MivFileDataDescriptor;

// Names of the roots a location may be written as.
inline constexpr const char* ksMivNetworkDataName = "NETWORK";
inline constexpr const char* ksMivBonjourDataName = "BONJOUR";
inline constexpr const char* ksMivSambaNetworkDataName = "SAMBA";

// Keys of a saved location (one dictionary per tab).
inline constexpr const char* kMivLocationPathKey = "path";
inline constexpr const char* kMivLocationRootKey = "root";
inline constexpr const char* kMivLocationContextKey = "context";
inline constexpr const char* kMivLocationRemoteDescKey = "remote-desc";

// The item factory: turns path strings, URLs and saved tab locations into
// items and back, connects remote items (asking the user for credentials
// through the registered GUI handler), walks items to their roots and
// rebases saved paths onto a root. Class operations only and no state of its
// own; local items come from the local item cache unless a fresh item is
// asked for. Every operation may be called on any thread; connecting waits
// for the back-end and for the user, so it never runs on the main thread.
class MivFileDataManager
{
public:
    MivFileDataManager() = delete;

    // Connection statuses of connectRemoteFile.
    static constexpr int kConnected = 0;
    static constexpr int kCredentialsAsked = 1;
    static constexpr int kConnectFailed = 2;

    // Plugs the factory into the item bases (URL parents, activation of
    // remote items). The application's start-up calls it once; tests call it
    // in their fixtures.
    static void registerHooks();

    // --- Connecting ---

    // 0 connected, 1 credentials were asked for (whatever the renewed
    // attempt gave: its failure has been presented), 2 failed (an error of
    // the first attempt is presented) or the user cancelled the first
    // prompt. Not a remote item: 2.
    static int connectRemoteFile(const MivFileDataPtr& item);

    // --- Items for strings and URLs ---

    // One item per URL or path, in order; a location for which no item
    // results is left out.
    static QList<MivFileDataPtr> makeInstancesForUrls(const QList<QUrl>& urls, bool withRefresh);
    // Each path is standardised first (tilde, "." and ".." steps).
    static QList<MivFileDataPtr> makeInstancesForPaths(const QStringList& paths, bool withRefresh);

    static MivFileDataPtr makeInstanceForURL(const QUrl& url, bool withRefresh);
    // The local item of a file URL: from the cache (made there when missing)
    // when useCache, else a new one; refreshed when asked. Null for a URL
    // that names no local path.
    static MivFileDataPtr makeLocalInstanceForURL(const QUrl& url, bool withRefresh, bool useCache);
    static MivFileDataPtr makeFreshInstanceForURL(const QUrl& url, bool withRefresh);
    // Null for no URL or one without a scheme; file URLs give local items,
    // a plug-in that claims the URL's text answers for it, any other URL goes
    // to remoteFileDataForURL.
    static MivFileDataPtr makeInstanceForURL(const QUrl& url, bool withRefresh, bool useCache);
    static MivFileDataPtr makeFreshInstanceForString(const QString& string, bool withRefresh);
    static MivFileDataPtr makeInstanceForString(const QString& string, bool withRefresh);
    // "NETWORK" and "BONJOUR" give the shared roots, "/…" and "file://…"
    // local items, a string a plug-in claims its item; any other string is a
    // network place for the connection it names (null while none can be
    // made from it).
    static MivFileDataPtr makeInstanceForString(const QString& string, bool withRefresh, bool useCache);
    // By scheme: "file" local; smb, afp, ftps, ftp, ssh, http(s) and the
    // WebDAV service types their back-end's item (null while that back-end
    // is not built); any other scheme a plain remote item.
    static MivFileDataPtr remoteFileDataForURL(const QUrl& url, bool withRefresh);

    // --- New items for existing ones ---

    // A new item for the same location, or null (also when only the same
    // object could be had).
    static MivFileDataPtr cloneData(const MivFileDataPtr& item);
    // A remote item anew on a connection of its own (connected), the item
    // itself when it is not remote, null when the new one cannot connect.
    static MivFileDataPtr duplicateRemote(const MivFileDataPtr& item);
    // A new network place for the place at the top of the item's tree, or null.
    static MivFileDataPtr createCopyOfRootFor(const MivFileDataPtr& item);

    // --- Roots ---

    // The root to save with a tab: the root file of the first item up the
    // parent chain (the item included) that stands for a root, else the
    // topmost item.
    static MivFileDataPtr savingRootForData(const MivFileDataPtr& item);
    static MivFileDataPtr rootFileForNetworkData(const MivFileDataPtr& item);
    // The topmost item up the parent chain, or the network place on the way.
    static MivFileDataPtr rootData(const MivFileDataPtr& item);
    // The topmost item up the parent chain.
    static MivFileDataPtr rootForData(const MivFileDataPtr& item);

    // --- Rebasing saved paths ---

    // The saved path key made again below the root: null when the key lies
    // outside the root's key.
    static MivFileDataPtr moveData(const MivFileDataPtr& root, const QString& pathKey);
    // The same against a reference key; the root when the key lies outside.
    static MivFileDataPtr moveData(const MivFileDataPtr& root, const QString& pathKey, const QString& refKey);
    static MivFileDataPtr moveData(const MivFileDataPtr& root, const QString& pathKey, const QString& refKey,
                                   bool notRelativeNull);
    // The path relative to the base, user names and passwords removed from
    // both; null when either is missing or the path is not below the base.
    static QString resolvedRelativePathFrom(const QString& path, const QString& usingBase);
    // Makes each component (percent escapes removed) as a child folder of
    // the one before; empty components are skipped. A component that cannot
    // be made, or that names no single child ("." or "..", a "/" or NUL
    // inside), ends the walk at the deepest item reached.
    static MivFileDataPtr buildPathComponents(const QStringList& components, const MivFileDataPtr& onBase);

    // --- Trash ---

    // YES for a local item on a local volume that is not inside a mounted
    // network share.
    static bool checkMoveToTrash(const MivFileDataPtr& item);

    // --- Saved locations ---

    static QVariantMap remoteDataDescriptorFor(const MivFileDataPtr& item, bool withPassword, const QString& tabContext);
    // Writes "path" (the item's saving key, with the password only when
    // withPassword), "context" when a tab context is given and, for the
    // context "NETWORK", the saving root's key as "root" and its connection
    // descriptor as "remote-desc". A null item or context writes nothing for it.
    static void updateRemoteDataDescriptor(QVariantMap& descriptor, const MivFileDataPtr& item, bool withPassword,
                                           const QString& tabContext);
    // The root item named by the entry's "path" and "root" keys.
    static MivFileDataPtr rootDataForEntry(const QVariantMap& entry);
    static std::shared_ptr<MivFileDataDescriptor> fileDataDescriptorForEntry(const QVariantMap& entry);
};
