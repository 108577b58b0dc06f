#include "FileData/Local/SLDiskImageManager.h"

#include "FileData/MivExec.h"
#include "platform/BlockDevices.h"
#include "platform/ConcurrentQueue.h"
#include "platform/Qos.h"
#include "platform/MountTable.h"

#include <mutex>

QString SLDiskImageManager::cleanImagePath(const QString& path)
{
    const qsizetype at = path.indexOf(QLatin1String(".download"));
    return at < 0 ? path : path.first(at);
}

void SLDiskImageManager::reloadInfoNow()
{
    const SLSystemRoots roots = SLSystemRoots::current();
    const QList<plat::BlockDevice> devices = plat::BlockDevices::read(roots.sysRoot, roots.udevDataRoot);
    QHash<QString, QString> byDevice;
    for (const plat::BlockDevice& device : devices) {
        // A partition of a partitioned image comes from its loop device's file.
        if (!device.backingFile.isEmpty())
            byDevice.insert(device.name, cleanImagePath(device.backingFile));
    }
    QHash<QString, QString> byDevicePartitions = byDevice;
    for (const plat::BlockDevice& device : devices) {
        if (!device.isWhole() && byDevice.contains(device.parentName))
            byDevicePartitions.insert(device.name, byDevice.value(device.parentName));
    }
    QHash<QString, QString> byMountPoint;
    if (const auto entries = plat::MountTable::read(roots.procRoot)) {
        for (const plat::MountEntry& entry : *entries) {
            if (!entry.source.startsWith(QLatin1String("/dev/")))
                continue;
            const QString image = byDevicePartitions.value(entry.source.mid(5));
            if (!image.isEmpty())
                byMountPoint.insert(entry.mountPoint, image);
        }
    }
    std::unique_lock lock(m_lock);
    m_imageByDevice = std::move(byDevicePartitions);
    m_imageByMountPoint = std::move(byMountPoint);
}

void SLDiskImageManager::reloadInfo(std::function<void()> completion)
{
    MivExec::runAsync(
        [self = shared_from_this(), completion = std::move(completion)] {
            self->reloadInfoNow();
            if (completion)
                MivExec::runAsyncOnMainThread(completion);
        },
        plat::ConcurrentQueue::global(plat::Qos::Default));
}

QString SLDiskImageManager::diskImageForVolume(const QString& mountPath) const
{
    std::shared_lock lock(m_lock);
    return m_imageByMountPoint.value(mountPath);
}

QString SLDiskImageManager::diskImageForDiskID(const QString& diskID) const
{
    std::shared_lock lock(m_lock);
    return m_imageByDevice.value(diskID);
}
