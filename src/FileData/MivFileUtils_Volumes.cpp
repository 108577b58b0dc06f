#include "FileData/MivFileUtils.h"

#include "FileData/Local/SLDisk.h"
#include "FileData/Local/SLDiskManager.h"
#include "FileData/Local/SLSystemCommand.h"
#include "FileData/Local/SLVolume.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/IMivUrlFile.h"
#include "FileData/MivFileData.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivItemHooks.h"
#include "platform/ConcurrentQueue.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Qos.h"

#include <QCoreApplication>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace {

// The lists of one rebuild, published whole so readers never see half of one.
struct VolumeLists
{
    QList<MivFileDataPtr> items;
    QHash<QString, SLVolumePtr> byURL; // the URL's text
    QMultiHash<dev_t, SLVolumePtr> byDevice;
};

struct VolumeState
{
    std::mutex rebuildMutex; // one rebuild at a time
    std::atomic<std::shared_ptr<const VolumeLists>> lists;
    std::mutex managerMutex;
    std::shared_ptr<SLDiskManager> manager;
};

VolumeState& state()
{
    static VolumeState instance;
    return instance;
}

QString userName()
{
    if (const passwd* entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

bool isBelow(const QString& path, const QString& folder)
{
    return path.startsWith(folder) && path.size() > folder.size() && path.at(folder.size()) == QLatin1Char('/');
}

// The places where a mount is a drive the user sees.
bool isDrivePlace(const SLVolume& volume)
{
    if (volume.isRoot() || !volume.isLocal())
        return true;
    if (SLVolume::isPseudoFileSystem(volume.fileSystemType()))
        return false;
    const QString& path = volume.path();
    const QString user = userName();
    return path == QLatin1String("/") || path == QLatin1String("/home") || isBelow(path, QStringLiteral("/mnt"))
           || (!user.isEmpty() && (isBelow(path, QStringLiteral("/media/") + user) || isBelow(path, QStringLiteral("/run/media/") + user)));
}

// The system's own exclusions, all case-sensitive substring tests.
bool passesFilters(const SLVolume& volume, const QUrl& url)
{
    if (!url.isValid() || url.path().isEmpty())
        return false;
    if (!volume.roles().isEmpty() && !volume.roles().contains(QStringLiteral("System")))
        return false;
    const QString urlPath = url.path();
    if (urlPath.contains(QLatin1String("/private/var")) || urlPath.contains(QLatin1String("com.apple.TimeMachine.localsnapshots"))
        || volume.path().contains(QLatin1String("timemachine")))
        return false;
    if (volume.type() == SLVolume::DiskImages && urlPath.contains(QLatin1String("/System/Library/AssetsV2")))
        return false;
    return isDrivePlace(volume);
}

MivIconDescriptorPtr iconFor(const SLVolume& volume)
{
    switch (volume.type()) {
    case SLVolume::Network:
        return MivIconDescriptor::make(QStringLiteral("folder-remote"));
    case SLVolume::CDs:
    case SLVolume::DVDs:
    case SLVolume::Blurays:
        return MivIconDescriptor::make(QStringLiteral("media-optical"));
    case SLVolume::DiskImages:
    case SLVolume::RamDisks:
        return MivIconDescriptor::make(QStringLiteral("media-flash"), {}, {});
    default:
        return MivIconDescriptor::make(volume.isInternalHardDrive() || volume.isRoot() ? QStringLiteral("drive-harddisk")
                                                                                        : QStringLiteral("drive-removable-media"));
    }
}

std::shared_ptr<const VolumeLists> rebuild()
{
    auto lists = std::make_shared<VolumeLists>();
    const auto manager = MivFileUtils::diskManager();
    for (const SLVolumePtr& volume : SLVolume::allVolumesWithDiskManager(manager->diskImageManager())) {
        QUrl url = volume->type() == SLVolume::Network ? volume->hostURL() : plat::Path::toFileQUrl(volume->path());
        MIV_LOG_INFO(QStringLiteral("DRIVE VOLUME TYPE: %1 (%2), URL: %3, ROLES: %4")
                         .arg(volume->type())
                         .arg(volume->volumeTypeName(), url.toString(QUrl::RemovePassword), QStringList(volume->roles().values()).join(QLatin1Char(','))));
        lists->byDevice.insert(volume->device(), volume);
        if (!passesFilters(*volume, url))
            continue;
        // Until a mounted-share item kind exists, a network volume is shown
        // as its local mount folder; its host URL is not even made into an
        // item, which would try to reach the server.
        if (volume->type() == SLVolume::Network)
            url = plat::Path::toFileQUrl(volume->path());
        const MivFileDataPtr item = MivItemHooks::makeInstanceForURL(url, true);
        if (!item)
            continue;
        item->setIcon(iconFor(*volume));
        lists->items.append(item);
        MIV_LOG_INFO(QStringLiteral("--> VOLUME ADDED - url: %1, path: %2, name: %3").arg(url.path(), volume->path(), volume->name()));
        lists->byURL.insert(url.toString(), volume);
        // A network volume is also found by the URL that mounts it.
        if (volume->type() == SLVolume::Network && volume->hostURL().isValid())
            lists->byURL.insert(volume->hostURL().toString(), volume);
    }
    return lists;
}

QString urlKey(const QUrl& url)
{
    // "/media/u/stick/" and "/media/u/stick" name one volume.
    if (url.isLocalFile()) {
        QString path = plat::Path::fromFileUrl(url);
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        return plat::Path::toFileQUrl(path).toString();
    }
    return url.toString();
}

plat::Error unmountFailure(const QString& name, const QString& inform)
{
    return MivErrorPresenter::makeFileOperationErrorWithCode(
        -100, QCoreApplication::translate("MivFileUtils", "Failed to unmount %1.").arg(name), inform);
}

// A volume without a disk of its own: a network mount, a GVfs share, a FUSE
// or memory file system.
void unmountWithoutDisk(const SLVolumePtr& volume, MivFileUtils::UnmountHandler handler)
{
    MivExec::runAsync(
        [volume, handler = std::move(handler)] {
            QList<std::pair<QString, QStringList>> commands;
            if (volume->fileSystemType() == QLatin1String("fuse.gvfsd-fuse"))
                commands = {{QStringLiteral("gio"), {QStringLiteral("mount"), QStringLiteral("-u"), volume->hostURL().toString()}}};
            else if (volume->fileSystemType().startsWith(QLatin1String("fuse")))
                commands = {{QStringLiteral("fusermount3"), {QStringLiteral("-u"), volume->path()}}, {QStringLiteral("umount"), {volume->path()}}};
            else
                commands = {{QStringLiteral("umount"), {volume->path()}}};
            QStringList outputs;
            bool done = false;
            try {
                for (const auto& [program, arguments] : commands) {
                    const SLSystemCommand command = SLSystemCommand::run(program, arguments);
                    done = command.succeeded;
                    if (done)
                        break;
                    outputs.append(command.output);
                }
            } catch (const std::exception& exception) {
                outputs.append(QString::fromUtf8(exception.what()));
            }
            if (handler)
                handler(done, done ? plat::Error() : unmountFailure(volume->name(), outputs.join(QLatin1Char('\n'))));
        },
        plat::ConcurrentQueue::global(plat::Qos::Utility));
}

} // namespace

QList<MivFileDataPtr> MivFileUtils::driveVolumes(bool reload)
{
    VolumeState& s = state();
    std::lock_guard lock(s.rebuildMutex);
    if (const auto current = s.lists.load(); current && !reload)
        return current->items;
    auto lists = rebuild();
    s.lists.store(lists);
    return lists->items;
}

SLVolumePtr MivFileUtils::driveVolumeDescription(const QUrl& url)
{
    const auto lists = state().lists.load();
    return lists && url.isValid() ? lists->byURL.value(urlKey(url)) : nullptr;
}

QMultiHash<dev_t, SLVolumePtr> MivFileUtils::driveVolumeSystemNumberMapping()
{
    auto lists = state().lists.load();
    if (!lists || lists->byDevice.isEmpty()) {
        driveVolumes(true);
        lists = state().lists.load();
    }
    return lists ? lists->byDevice : QMultiHash<dev_t, SLVolumePtr>();
}

SLVolumePtr MivFileUtils::volumeForURL(const QUrl& url)
{
    if (!url.isValid() || !url.isLocalFile())
        return nullptr;
    const QString path = plat::Path::fromFileUrl(url);
    struct stat info = {};
    if (::stat(plat::Path::toNative(path).constData(), &info) != 0)
        return nullptr;
    // Bind mounts and GVfs shares share a device: the deepest mount path
    // that holds the path is the volume.
    SLVolumePtr best;
    const auto mapping = driveVolumeSystemNumberMapping();
    for (auto it = mapping.constFind(info.st_dev); it != mapping.cend() && it.key() == info.st_dev; ++it) {
        const SLVolumePtr& volume = it.value();
        const bool holds = volume->path() == QLatin1String("/") || path == volume->path() || isBelow(path, volume->path());
        if (holds && (!best || volume->path().size() > best->path().size()))
            best = volume;
    }
    return best ? best : (mapping.contains(info.st_dev) ? mapping.value(info.st_dev) : nullptr);
}

std::shared_ptr<SLDiskManager> MivFileUtils::diskManager()
{
    VolumeState& s = state();
    std::lock_guard lock(s.managerMutex);
    if (!s.manager) {
        s.manager = SLDiskManager::create();
        s.manager->refresh();
        s.manager->startMonitoring();
    }
    return s.manager;
}

std::shared_ptr<SLDisk> MivFileUtils::diskForVolume(const SLVolumePtr& volume)
{
    if (!volume || volume->diskID().isEmpty())
        return nullptr;
    return diskManager()->diskForDiskID(volume->diskID());
}

bool MivFileUtils::isVolumeRemovable(const QUrl& url)
{
    const SLVolumePtr volume = driveVolumeDescription(url);
    return volume && !volume->isRoot();
}

void MivFileUtils::unmountMediaAt(const QUrl& url, UnmountHandler handler)
{
    MIV_LOG_DEBUG(QStringLiteral("Umount media at: %1").arg(url.toString(QUrl::RemovePassword)));
    const SLVolumePtr volume = driveVolumeDescription(url);
    if (!volume) {
        if (handler)
            handler(false, unmountFailure(url.toString(QUrl::RemovePassword),
                                          QCoreApplication::translate("MivFileUtils", "No drive is listed at this location.")));
        return;
    }
    const SLDiskPtr disk = volume->isLocal() ? diskForVolume(volume) : nullptr;
    if (!disk) {
        unmountWithoutDisk(volume, std::move(handler));
        return;
    }
    diskManager()->unmountAndMaybeEject(disk, [handler = std::move(handler), disk, volume](bool success, const SLDiskPtr&, const plat::Error& error) {
        if (!handler)
            return;
        const QString name = disk->name().isEmpty() ? volume->name() : disk->name();
        handler(success, success ? plat::Error() : unmountFailure(name, error.localizedDescription()));
    });
}

void MivFileUtils::unmountMediaAt(const QUrl& url)
{
    if (!driveVolumeDescription(url))
        return;
    unmountMediaAt(url, [](bool success, const plat::Error& error) {
        if (!success)
            MivErrorPresenter::presentAsyncError(error, false);
    });
}

void MivFileUtils::registerVolumeHooks()
{
    MivItemHooks::setDriveVolumeDescription([](const QUrl& url) {
        const SLVolumePtr volume = driveVolumeDescription(url);
        return volume ? volume->description() : QVariantMap();
    });
    MivItemHooks::setMountedShareBaseURL([](const MivFileData& item) -> std::optional<QUrl> {
        const auto* urlItem = dynamic_cast<const IMivUrlFile*>(&item);
        const QUrl url = urlItem ? urlItem->fileURL() : QUrl();
        if (!url.isValid() || url.isLocalFile())
            return std::nullopt;
        const SLVolumePtr volume = driveVolumeDescription(url);
        if (!volume || volume->type() != SLVolume::Network)
            return std::nullopt;
        return plat::Path::toFileQUrl(volume->path());
    });
    MivItemHooks::setIsLocalVolumeForURL([](const QUrl& url) -> std::optional<bool> {
        const SLVolumePtr volume = volumeForURL(url);
        return volume ? std::optional<bool>(volume->isLocal()) : std::nullopt;
    });
}

void MivFileUtils::resetVolumesForTesting()
{
    VolumeState& s = state();
    std::lock_guard rebuildLock(s.rebuildMutex);
    s.lists.store(nullptr);
    std::lock_guard lock(s.managerMutex);
    s.manager.reset();
}
