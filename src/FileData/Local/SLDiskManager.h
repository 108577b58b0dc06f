#pragma once

#include "FileData/Local/SLDisk.h"
#include "platform/Error.h"

#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <mutex>

class SLDiskImageManager;
namespace plat {
class DeviceChangeMonitor;
class SerialQueue;
}
class SLDiskEjector;

inline constexpr const char* kSLDiskManagerUnmountedVolumesDidChangeNotification =
    "SLDiskManagerUnmountedVolumesDidChangeNotification";

// The machine's disks and their partitions as a tree, read from sysfs,
// udev's database and the mount table. It unmounts, ejects, mounts and
// unlocks them through udisksctl (umount where udisksctl cannot).
//
// The tree changes on the main thread only. Every handler is called exactly
// once, with NO and an error on every failure path, so a command always
// reports.
class SLDiskManager : public std::enable_shared_from_this<SLDiskManager>
{
public:
    // Success flag and, on failure, the error in the program's domain.
    using Handler = std::function<void(bool success, const plat::Error& error)>;
    // The same with the disk that failed.
    using EjectHandler = std::function<void(bool success, const SLDiskPtr& failedDisk, const plat::Error& error)>;
    // The tool's exit and what it printed.
    using UnlockHandler = std::function<void(bool success, const QString& output)>;

    static std::shared_ptr<SLDiskManager> create();
    ~SLDiskManager();

    QList<SLDiskPtr> disks() const;
    const std::shared_ptr<SLDiskImageManager>& diskImageManager() const { return m_diskImageManager; }

    // Reads the system again and brings the tree up to date; on the main
    // thread. refreshAsync reads on the manager's serial queue and applies on
    // the main thread.
    void refresh();
    void refreshAsync();
    // Refreshes by itself from now on, whenever a block device comes or
    // goes or the mount table changes.
    void startMonitoring();
    // One change: mode 0 appeared, 1 disappeared, 2 changed.
    void diskChangedWithDescription(const SLDiskDescription& description, int mode);
    // The descriptions of every block device now.
    static QList<SLDiskDescription> readDescriptions(const SLDiskImageManager* images);

    QString diskIDForPath(const QString& path) const;
    SLDiskPtr diskForDiskID(const QString& diskID) const;
    SLDiskPtr diskForPath(const QString& path) const;
    QList<SLDiskPtr> unmountedDisks() const;

    // Mounts a file system at udisks' default place. An encrypted container
    // is unlocked first (unlockDisk); asking for its passphrase is the
    // caller's. The handler runs on a background thread.
    void mount(const SLDiskPtr& disk, Handler handler);
    static bool canUnlock(const SLDisk& disk);
    // The passphrase reaches udisksctl on its standard input, never on its
    // command line. The handler runs on the main thread.
    void unlockDisk(const SLDiskPtr& disk, const QByteArray& passphrase, UnlockHandler handler);

    // The handlers run on a background thread.
    void unmountDisk(const SLDiskPtr& disk, Handler handler);
    void ejectDisk(const SLDiskPtr& disk, Handler handler);
    void unmountAndMaybeEject(const SLDiskPtr& disk, EjectHandler handler);

private:
    SLDiskManager();
    void apply(const QList<SLDiskDescription>& descriptions);
    SLDiskPtr findLocked(const QString& diskID) const;
    void startEjector(const SLDiskPtr& disk, EjectHandler handler);

    std::shared_ptr<SLDiskImageManager> m_diskImageManager;
    std::shared_ptr<plat::SerialQueue> m_changeQueue; // "com.quorvex.mivo.disk-change-handler"
    std::mutex m_applyMutex;    // one tree update at a time
    mutable std::mutex m_mutex; // guards the containers below
    QList<SLDiskPtr> m_disks;
    QHash<QString, SLDiskDescription> m_pendingDisks;
    QHash<QString, SLDiskDescription> m_known;
    QList<std::shared_ptr<SLDiskEjector>> m_ejectors;
    std::unique_ptr<plat::DeviceChangeMonitor> m_monitor;

    friend class SLDiskEjector;
};
