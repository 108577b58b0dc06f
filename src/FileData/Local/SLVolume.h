#pragma once

#include <QSet>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <sys/types.h>

#include <memory>
#include <optional>

namespace plat {
struct BlockDevice;
struct MountEntry;
} // namespace plat

class SLDiskImageManager;
class SLVolume;
using SLVolumePtr = std::shared_ptr<const SLVolume>;

// One mounted file system (or one share folder of the GVfs mount) as the
// user sees it: mount path, name, kind, sizes and where it comes from. A
// snapshot taken when the list is built; never changed afterwards.
class SLVolume
{
public:
    enum Type : qint64 {
        StartupDisk = 0,
        Volumes = 1,
        IPods = 2,
        Network = 3,
        Ftp = 4,
        Samba = 5,
        Afp = 6,
        Sftp = 7,
        WebDav = 8,
        DiskImages = 9,
        CDs = 10,
        DVDs = 11,
        HardDrives = 12,
        RamDisks = 13,
        Blurays = 14,
    };

    // Every mounted volume from the current system roots, sorted with
    // compare(); empty when the mount table cannot be read. Network mounts
    // are sized with a deadline, so a dead server costs at most that long.
    static QList<SLVolumePtr> allVolumesWithDiskManager(const std::shared_ptr<SLDiskImageManager>& images);

    // The URL that mounts a network file system again, from its mount-table
    // source: NFS "server:/export" -> "nfs://server/export", CIFS
    // "//server/share" -> "smb://server/share/". Invalid for anything else.
    static QUrl hostURLForMount(const plat::MountEntry& entry);
    // The URL of a share folder of the GVfs mount, from its name
    // ("smb-share:server=h,share=s,user=u" -> "smb://u@h/s/"). Invalid when
    // the name names no server.
    static QUrl hostURLForGvfsFolder(const QString& folderName);
    // Network file systems of the mount table (NFS, CIFS, sshfs, …).
    static bool isNetworkFileSystem(const QString& fsType);
    // File systems of the kernel and of memory (proc, sysfs, tmpfs, cgroup,
    // …) and the GVfs mount itself: never a drive.
    static bool isPseudoFileSystem(const QString& fsType);

    // The display name of a type code; empty outside the table.
    static QString typeName(qint64 type);
    QString volumeTypeName() const { return typeName(m_type); }

    // By type, then by name without regard to case; never 0 for two types.
    int compare(const SLVolume& other) const;

    const QString& path() const { return m_path; }
    const QString& name() const { return m_name; }
    bool isLocal() const { return m_local; }
    bool isRoot() const { return m_root; }
    const QUrl& hostURL() const { return m_hostURL; }
    bool isInternalHardDrive() const { return m_internal; }
    const QString& diskImagePath() const { return m_imagePath; }
    const QString& diskID() const { return m_diskID; }
    qint64 freeSize() const { return m_freeSize; }
    qint64 availableSize() const { return m_availableSize; }
    qint64 totalSize() const { return m_totalSize; }
    qint64 type() const { return m_type; }
    // Always empty here: the system has no volume roles.
    const QSet<QString>& roles() const { return m_roles; }
    const QString& volumeUUID() const { return m_volumeUUID; }
    bool isEncrypted() const { return m_encrypted; }
    const QString& serialNumber() const { return m_serialNumber; }
    const QString& vendorName() const { return m_vendorName; }
    const QString& fileSystemType() const { return m_fsType; }
    // The device the volume's files report as st_dev.
    dev_t device() const { return m_device; }
    bool isiPod() const;

    // The fields as a map, for the item hooks.
    QVariantMap description() const;

private:
    friend class SLVolumeBuilder;

    QString m_path;
    QString m_name;
    bool m_local = true;
    bool m_root = false;
    QUrl m_hostURL;
    bool m_internal = false;
    QString m_imagePath;
    QString m_diskID;
    qint64 m_freeSize = 0;
    qint64 m_availableSize = 0;
    qint64 m_totalSize = 0;
    qint64 m_type = Volumes;
    QSet<QString> m_roles;
    QString m_volumeUUID;
    bool m_encrypted = false;
    QString m_serialNumber;
    QString m_vendorName;
    QString m_fsType;
    dev_t m_device = 0;
};
