#include "FileData/Local/SLDiskManager.h"

#include "FileData/Local/SLDiskEjector.h"
#include "FileData/Local/SLDiskImageManager.h"
#include "FileData/Local/SLSystemCommand.h"
#include "FileData/Local/SLSystemRoots.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "platform/BlockDevices.h"
#include "platform/ConcurrentQueue.h"
#include "platform/DeviceChangeMonitor.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/NotificationCenter.h"
#include "platform/Path.h"
#include "platform/Qos.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QSet>

#include <sys/stat.h>

#include <exception>

namespace {

QString tr(const char* text) { return QCoreApplication::translate("SLDiskManager", text); }

QString displayName(const SLDisk& disk)
{
    const QString name = disk.name();
    return name.isEmpty() ? disk.diskID() : name;
}

plat::Error unmountError(const SLDisk& disk, const QString& inform)
{
    return MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("Failed to unmount %1.").arg(displayName(disk)), inform);
}

plat::Error ejectError(const SLDisk& disk, const QString& inform)
{
    return MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("Failed to eject %1.").arg(displayName(disk)), inform);
}

// Runs a command on a background thread and calls the handler there, once,
// whatever happens in between.
void runInBackground(std::function<std::pair<bool, plat::Error>()> work, SLDiskManager::Handler handler)
{
    MivExec::runAsync(
        [work = std::move(work), handler = std::move(handler)] {
            std::pair<bool, plat::Error> result;
            try {
                result = work();
            } catch (const std::exception& exception) {
                result = {false, MivErrorPresenter::makeErrorWithException(exception)};
            }
            if (handler)
                handler(result.first, result.second);
        },
        plat::ConcurrentQueue::global(plat::Qos::Utility));
}

// The first tool that succeeds; otherwise every tool's answer, one a line.
std::pair<bool, QString> runFirstThatWorks(const QList<std::pair<QString, QStringList>>& commands)
{
    QStringList outputs;
    for (const auto& [program, arguments] : commands) {
        const SLSystemCommand command = SLSystemCommand::run(program, arguments);
        if (command.succeeded)
            return {true, {}};
        if (!command.output.isEmpty())
            outputs.append(command.output);
    }
    return {false, outputs.join(QLatin1Char('\n'))};
}

} // namespace

std::shared_ptr<SLDiskManager> SLDiskManager::create()
{
    return std::shared_ptr<SLDiskManager>(new SLDiskManager());
}

SLDiskManager::SLDiskManager()
    : m_diskImageManager(std::make_shared<SLDiskImageManager>()),
      m_changeQueue(plat::SerialQueue::create(QStringLiteral("com.quorvex.mivo.disk-change-handler")))
{
}

SLDiskManager::~SLDiskManager() = default;

QList<SLDiskPtr> SLDiskManager::disks() const
{
    std::lock_guard lock(m_mutex);
    return m_disks;
}

QList<SLDiskDescription> SLDiskManager::readDescriptions(const SLDiskImageManager* images)
{
    const SLSystemRoots roots = SLSystemRoots::current();
    QHash<dev_t, QString> mountPoints;
    if (const auto entries = plat::MountTable::read(roots.procRoot)) {
        // The first mount of a device is where its whole file system shows;
        // later ones are bind mounts of parts of it.
        for (const plat::MountEntry& entry : *entries) {
            if (entry.root == QLatin1String("/") && !mountPoints.contains(entry.device))
                mountPoints.insert(entry.device, entry.mountPoint);
        }
    }
    QList<SLDiskDescription> descriptions;
    for (const plat::BlockDevice& device : plat::BlockDevices::read(roots.sysRoot, roots.udevDataRoot)) {
        SLDiskDescription description;
        description.diskID = device.name;
        description.parentID = device.parentName;
        description.whole = device.isWhole();
        description.volumePath = mountPoints.value(device.device);
        description.volumeUsage = device.property("ID_FS_USAGE");
        description.volumeKind = device.property("ID_FS_TYPE");
        description.mountable = description.volumeUsage == QLatin1String("filesystem") || !description.volumePath.isEmpty();
        description.ejectable = device.removable || !device.backingFile.isEmpty() || device.name.startsWith(QLatin1String("sr"));
        description.volumeName = device.property("ID_FS_LABEL");
        description.vendor = device.vendor;
        description.model = device.model;
        description.volumeUUID = device.property("ID_FS_UUID");
        description.diskImage = images ? images->diskImageForDiskID(device.name) : SLDiskImageManager::cleanImagePath(device.backingFile);
        descriptions.append(std::move(description));
    }
    return descriptions;
}

void SLDiskManager::refresh()
{
    m_diskImageManager->reloadInfoNow();
    apply(readDescriptions(m_diskImageManager.get()));
}

void SLDiskManager::refreshAsync()
{
    std::weak_ptr<SLDiskManager> weak = weak_from_this();
    m_changeQueue->async([weak] {
        const auto self = weak.lock();
        if (!self)
            return;
        self->m_diskImageManager->reloadInfoNow();
        auto descriptions = readDescriptions(self->m_diskImageManager.get());
        MivExec::runAsyncOnMainThread([weak, descriptions = std::move(descriptions)] {
            if (const auto manager = weak.lock())
                manager->apply(descriptions);
        });
    });
}

void SLDiskManager::startMonitoring()
{
    std::weak_ptr<SLDiskManager> weak = weak_from_this();
    auto monitor = plat::DeviceChangeMonitor::start(SLSystemRoots::current().procRoot, [weak] {
        if (const auto self = weak.lock())
            self->refreshAsync();
    });
    std::lock_guard lock(m_mutex);
    m_monitor = std::move(monitor);
}

void SLDiskManager::apply(const QList<SLDiskDescription>& descriptions)
{
    std::lock_guard applying(m_applyMutex);
    QHash<QString, SLDiskDescription> known;
    {
        std::lock_guard lock(m_mutex);
        known = m_known;
    }
    QSet<QString> present;
    for (const SLDiskDescription& description : descriptions) {
        present.insert(description.diskID);
        const auto old = known.constFind(description.diskID);
        if (old == known.cend()) {
            MIV_LOG_DEBUG(QStringLiteral("DISK MOUNTED %1").arg(description.diskID));
            diskChangedWithDescription(description, 0);
        } else if (!(*old == description)) {
            diskChangedWithDescription(description, 2);
        }
    }
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (!present.contains(it.key())) {
            MIV_LOG_DEBUG(QStringLiteral("DISK UNMOUNTED %1").arg(it.key()));
            diskChangedWithDescription(it.value(), 1);
        }
    }
}

SLDiskPtr SLDiskManager::findLocked(const QString& diskID) const
{
    for (const SLDiskPtr& disk : m_disks) {
        if (disk->diskID() == diskID)
            return disk;
        for (const SLDiskPtr& child : disk->children()) {
            if (child->diskID() == diskID)
                return child;
        }
    }
    return nullptr;
}

void SLDiskManager::diskChangedWithDescription(const SLDiskDescription& description, int mode)
{
    if (description.diskID.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (mode == 1) {
            m_known.remove(description.diskID);
            for (qsizetype i = m_disks.size() - 1; i >= 0; --i) {
                if (m_disks[i]->diskID() == description.diskID) {
                    m_disks.removeAt(i);
                    break;
                }
                if (m_disks[i]->removeChild(description.diskID))
                    break;
            }
        } else if (const SLDiskPtr found = findLocked(description.diskID)) {
            m_known.insert(description.diskID, description);
            found->update(description);
        } else if (mode == 2) {
            return;
        } else if (!description.whole) {
            m_known.insert(description.diskID, description);
            SLDiskPtr parent;
            for (const SLDiskPtr& disk : std::as_const(m_disks)) {
                if (disk->diskID() == description.parentID)
                    parent = disk;
            }
            if (parent) {
                auto node = std::make_shared<SLDisk>(description.diskID);
                node->update(description);
                node->setParent(parent);
                parent->appendChild(node);
            } else {
                if (m_pendingDisks.contains(description.diskID))
                    MIV_LOG_INFO(QStringLiteral("Replacing existing pending disk for %1?").arg(description.diskID));
                m_pendingDisks.insert(description.diskID, description);
            }
        } else {
            m_known.insert(description.diskID, description);
            auto node = std::make_shared<SLDisk>(description.diskID);
            node->update(description);
            for (auto it = m_pendingDisks.begin(); it != m_pendingDisks.end();) {
                if (it->parentID != description.diskID) {
                    ++it;
                    continue;
                }
                auto child = std::make_shared<SLDisk>(it->diskID);
                child->update(*it);
                child->setParent(node);
                node->appendChild(child);
                it = m_pendingDisks.erase(it);
            }
            m_disks.append(node);
        }
    }
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(kSLDiskManagerUnmountedVolumesDidChangeNotification));
}

QString SLDiskManager::diskIDForPath(const QString& path) const
{
    struct stat info = {};
    if (::stat(plat::Path::toNative(path).constData(), &info) != 0)
        return {};
    const SLSystemRoots roots = SLSystemRoots::current();
    const auto entries = plat::MountTable::read(roots.procRoot);
    if (!entries)
        return {};
    for (const plat::MountEntry& entry : *entries) {
        if (entry.device == info.st_dev && entry.source.startsWith(QLatin1String("/dev/")))
            return entry.source.section(QLatin1Char('/'), -1);
    }
    return {};
}

SLDiskPtr SLDiskManager::diskForDiskID(const QString& diskID) const
{
    std::lock_guard lock(m_mutex);
    return findLocked(diskID);
}

SLDiskPtr SLDiskManager::diskForPath(const QString& path) const
{
    const QString diskID = diskIDForPath(path);
    return diskID.isEmpty() ? nullptr : diskForDiskID(diskID);
}

QList<SLDiskPtr> SLDiskManager::unmountedDisks() const
{
    QList<SLDiskPtr> result;
    for (const SLDiskPtr& disk : disks()) {
        if (disk->mountable() && !disk->mounted())
            result.append(disk);
        for (const SLDiskPtr& child : disk->children()) {
            if (child->mountable() && !child->mounted())
                result.append(child);
        }
    }
    return result;
}

void SLDiskManager::mount(const SLDiskPtr& disk, Handler handler)
{
    if (!disk) {
        if (handler)
            handler(false, MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("There is no disk to mount.")));
        return;
    }
    runInBackground(
        [disk]() -> std::pair<bool, plat::Error> {
            const SLSystemCommand command = SLSystemCommand::run(
                QStringLiteral("udisksctl"), {QStringLiteral("mount"), QStringLiteral("--no-user-interaction"), QStringLiteral("-b"), disk->devicePath()});
            if (command.succeeded)
                return {true, {}};
            return {false, MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("Failed to mount %1").arg(disk->diskID()), command.output)};
        },
        std::move(handler));
}

bool SLDiskManager::canUnlock(const SLDisk& disk)
{
    return disk.volumeKind() == QLatin1String("crypto_LUKS") || disk.volumeKind() == QLatin1String("BitLocker");
}

void SLDiskManager::unlockDisk(const SLDiskPtr& disk, const QByteArray& passphrase, UnlockHandler handler)
{
    const QString device = disk->devicePath();
    MivExec::runAsync(
        [device, passphrase, handler = std::move(handler)] {
            // udisksctl reads the key file to its end: the passphrase exactly,
            // without a line break, through the pipe.
            SLSystemCommand command;
            try {
                command = SLSystemCommand::run(QStringLiteral("udisksctl"),
                                               {QStringLiteral("unlock"), QStringLiteral("--no-user-interaction"), QStringLiteral("-b"), device,
                                                QStringLiteral("--key-file"), QStringLiteral("/dev/stdin")},
                                               passphrase);
            } catch (const std::exception& exception) {
                command.output = QString::fromUtf8(exception.what());
            }
            MivExec::runAsyncOnMainThread([handler, command] {
                if (handler)
                    handler(command.succeeded, command.output);
            });
        },
        plat::ConcurrentQueue::global(plat::Qos::Utility));
}

void SLDiskManager::unmountDisk(const SLDiskPtr& disk, Handler handler)
{
    if (!disk) {
        if (handler)
            handler(false, MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("There is no disk to unmount.")));
        return;
    }
    runInBackground(
        [disk]() -> std::pair<bool, plat::Error> {
            const QString mountPoint = disk->volumePath();
            if (mountPoint.isEmpty())
                return {false, unmountError(*disk, tr("It is not mounted."))};
            const auto [done, output] = runFirstThatWorks({
                {QStringLiteral("udisksctl"), {QStringLiteral("unmount"), QStringLiteral("--no-user-interaction"), QStringLiteral("-b"), disk->devicePath()}},
                {QStringLiteral("umount"), {mountPoint}},
            });
            return {done, done ? plat::Error() : unmountError(*disk, output)};
        },
        std::move(handler));
}

void SLDiskManager::ejectDisk(const SLDiskPtr& disk, Handler handler)
{
    if (!disk) {
        if (handler)
            handler(false, MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("There is no disk to eject.")));
        return;
    }
    runInBackground(
        [disk]() -> std::pair<bool, plat::Error> {
            QList<std::pair<QString, QStringList>> commands;
            const QString device = disk->devicePath();
            if (disk->isDiskImage()) {
                commands = {{QStringLiteral("udisksctl"), {QStringLiteral("loop-delete"), QStringLiteral("--no-user-interaction"), QStringLiteral("-b"), device}},
                            {QStringLiteral("losetup"), {QStringLiteral("-d"), device}}};
            } else if (disk->ejectable()) {
                commands = {{QStringLiteral("udisksctl"), {QStringLiteral("power-off"), QStringLiteral("--no-user-interaction"), QStringLiteral("-b"), device}},
                            {QStringLiteral("eject"), {device}}};
            } else {
                // A fixed disk has nothing to eject: unmounted is all it gets.
                return {true, {}};
            }
            const auto [done, output] = runFirstThatWorks(commands);
            return {done, done ? plat::Error() : ejectError(*disk, output)};
        },
        std::move(handler));
}

void SLDiskManager::unmountAndMaybeEject(const SLDiskPtr& disk, EjectHandler handler)
{
    auto report = [&handler](bool success, const SLDiskPtr& failed, const plat::Error& error) {
        if (handler)
            handler(success, failed, error);
    };
    if (!disk) {
        report(false, nullptr, MivErrorPresenter::makeFileOperationErrorWithCode(-100, tr("There is no disk to unmount.")));
        return;
    }
    if (!disk->children().isEmpty()) {
        startEjector(disk, std::move(handler));
        return;
    }
    if (!disk->mounted()) {
        report(false, disk, unmountError(*disk, tr("It is not mounted.")));
        return;
    }
    const SLDiskPtr parent = disk->parent();
    bool siblingMounted = false;
    if (parent) {
        for (const SLDiskPtr& child : parent->children())
            siblingMounted = siblingMounted || (child != disk && child->mounted());
    }
    if (siblingMounted) {
        unmountDisk(disk, [handler = std::move(handler)](bool success, const plat::Error& error) {
            if (handler)
                handler(success, nullptr, error);
        });
        return;
    }
    startEjector(parent ? parent : disk, std::move(handler));
}

void SLDiskManager::startEjector(const SLDiskPtr& disk, EjectHandler handler)
{
    auto ejector = std::make_shared<SLDiskEjector>(disk, shared_from_this(), std::move(handler));
    {
        std::lock_guard lock(m_mutex);
        m_ejectors.append(ejector);
    }
    ejector->unmountNext();
}
