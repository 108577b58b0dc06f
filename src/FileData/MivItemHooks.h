#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QByteArray>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class IMivCalculateSizeDelegate;

// Where classes built above the item bases (the item factory, the drive
// volumes, the local folder-size calculator, the search results, the
// password store) plug themselves in at start-up. Until a hook is set, each call
// answers the neutral value its comment names. Setting again replaces a hook;
// an empty function clears it.
class MivItemHooks
{
public:
    MivItemHooks() = delete;

    // The factory's item for a URL; null when none.
    using MakeInstanceForURL = std::function<MivFileDataPtr(const QUrl& url, bool withRefresh)>;
    // The topmost item above an item (the factory's rootData); null when none.
    using RootData = std::function<MivFileDataPtr(const MivFileDataPtr& item)>;
    // The drive volumes' description of the volume whose root the URL is;
    // empty when the URL is no volume.
    using DriveVolumeDescription = std::function<QVariantMap(const QUrl& url)>;
    // For a mounted network share: the URL of its local mount item; nullopt
    // for every other kind.
    using MountedShareBaseURL = std::function<std::optional<QUrl>(const MivFileData& item)>;
    // The local folder-size calculator: total bytes below the folder URL; the
    // space allocated on disk goes to allocatedSize.
    using FastFolderSizeAtURL = std::function<quint64(const QUrl& url, const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                                      quint64* allocatedSize)>;
    // For a folder of search results: the folder the result item came from
    // (possibly null); nullopt when the folder is no search-results folder.
    using RealParentForData = std::function<std::optional<MivFileDataPtr>(const MivFileDataPtr& folder, const MivFileDataPtr& item)>;
    // Whether the volume that holds the URL is a local one (not a network
    // file system); nullopt when no volume is known for it.
    using IsLocalVolumeForURL = std::function<std::optional<bool>(const QUrl& url)>;
    // The password store: keeps the password of the URL for its server,
    // account, path, port and protocol.
    using UpdatePasswordForURL = std::function<void(const QUrl& url)>;

    static void setMakeInstanceForURL(MakeInstanceForURL hook);
    static void setRootData(RootData hook);
    static void setDriveVolumeDescription(DriveVolumeDescription hook);
    static void setMountedShareBaseURL(MountedShareBaseURL hook);
    static void setFastFolderSizeAtURL(FastFolderSizeAtURL hook);
    static void setRealParentForData(RealParentForData hook);
    static void setIsLocalVolumeForURL(IsLocalVolumeForURL hook);
    static void setUpdatePasswordForURL(UpdatePasswordForURL hook);

    // The calls, answering neutrally without a hook.
    static MivFileDataPtr makeInstanceForURL(const QUrl& url, bool withRefresh);
    static MivFileDataPtr rootData(const MivFileDataPtr& item);
    static QVariantMap driveVolumeDescription(const QUrl& url);
    static std::optional<QUrl> mountedShareBaseURL(const MivFileData& item);
    // Without a calculator: 0, and allocatedSize untouched.
    static quint64 fastFolderSizeAtURL(const QUrl& url, const std::shared_ptr<IMivCalculateSizeDelegate>& delegate,
                                       quint64* allocatedSize);
    static bool hasFastFolderSizeAtURL();
    static std::optional<MivFileDataPtr> realParentForData(const MivFileDataPtr& folder, const MivFileDataPtr& item);
    static std::optional<bool> isLocalVolumeForURL(const QUrl& url);
    // Without a store the password is not kept.
    static void updatePasswordForURL(const QUrl& url);
};
