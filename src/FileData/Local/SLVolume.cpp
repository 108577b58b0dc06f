#include "FileData/Local/SLVolume.h"

#include "FileData/Local/SLDiskImageManager.h"
#include "FileData/Local/SLSystemRoots.h"
#include "platform/BlockDevices.h"
#include "platform/FileSystemStatus.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/Path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

// How long a network or FUSE file system may take to tell its sizes.
constexpr std::chrono::milliseconds kRemoteStatusTimeout{2000};

const char* const kGvfsFileSystem = "fuse.gvfsd-fuse";

const QSet<QString>& networkFileSystems()
{
    static const QSet<QString> types{
        QStringLiteral("nfs"),      QStringLiteral("nfs4"),       QStringLiteral("cifs"),
        QStringLiteral("smb3"),     QStringLiteral("smbfs"),      QStringLiteral("ncpfs"),
        QStringLiteral("afs"),      QStringLiteral("ceph"),       QStringLiteral("glusterfs"),
        QStringLiteral("9p"),       QStringLiteral("davfs"),      QStringLiteral("fuse.sshfs"),
        QStringLiteral("sshfs"),    QStringLiteral("fuse.rclone"), QStringLiteral("fuse.glusterfs"),
    };
    return types;
}

const QSet<QString>& pseudoFileSystems()
{
    static const QSet<QString> types{
        QStringLiteral("proc"),       QStringLiteral("sysfs"),        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),     QStringLiteral("tmpfs"),        QStringLiteral("ramfs"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),      QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),    QStringLiteral("tracefs"),      QStringLiteral("pstore"),
        QStringLiteral("bpf"),        QStringLiteral("configfs"),     QStringLiteral("fusectl"),
        QStringLiteral("mqueue"),     QStringLiteral("hugetlbfs"),    QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),    QStringLiteral("selinuxfs"),
        QStringLiteral("nsfs"),       QStringLiteral("rpc_pipefs"),   QStringLiteral("nfsd"),
        QStringLiteral("squashfs"),   QStringLiteral("fuse.portal"),  QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("overlay"),    QStringLiteral("vmhgfs"),       QStringLiteral("fuse.vmhgfs-fuse"),
    };
    return types;
}

QString lastComponent(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

// "host", "[v6]" or "host:port" as URL parts.
void setHostAndPort(QUrl* url, const QString& host, const QString& port)
{
    QString bare = host;
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    url->setHost(bare);
    bool ok = false;
    const int number = port.toInt(&ok);
    if (ok && number > 0 && number < 65536)
        url->setPort(number);
}

} // namespace

// Fills a volume step by step; the only writer of its fields.
class SLVolumeBuilder
{
public:
    SLVolumeBuilder(QHash<dev_t, plat::BlockDevice> devices, QStringList memoryMounts, const SLDiskImageManager* images)
        : m_devices(std::move(devices)), m_memoryMounts(std::move(memoryMounts)), m_images(images)
    {
    }

    SLVolumePtr fromMount(const plat::MountEntry& entry) const
    {
        auto volume = std::make_shared<SLVolume>();
        volume->m_path = entry.mountPoint;
        volume->m_fsType = entry.fsType;
        volume->m_device = entry.device;
        volume->m_local = !SLVolume::isNetworkFileSystem(entry.fsType);
        volume->m_root = entry.mountPoint == QLatin1String("/");
        if (entry.source.startsWith(QLatin1String("/dev/")))
            volume->m_diskID = lastComponent(entry.source);
        readSizes(volume.get());
        detectType(volume.get(), entry);
        const auto device = m_devices.constFind(entry.device);
        if (volume->m_local && device != m_devices.cend())
            applyDiskDescription(volume.get(), *device);
        const QString label = device != m_devices.cend() ? device->property("ID_FS_LABEL") : QString();
        volume->m_name = !label.isEmpty() ? label : volume->m_root ? QStringLiteral("/") : lastComponent(volume->m_path);
        return volume;
    }

    SLVolumePtr fromGvfsFolder(const plat::MountEntry& gvfs, const QString& folderName) const
    {
        auto volume = std::make_shared<SLVolume>();
        volume->m_path = gvfs.mountPoint + QLatin1Char('/') + folderName;
        volume->m_fsType = gvfs.fsType;
        volume->m_device = gvfs.device;
        volume->m_local = false;
        volume->m_type = SLVolume::Network;
        volume->m_hostURL = SLVolume::hostURLForGvfsFolder(folderName);
        readSizes(volume.get());
        const QString share = volume->m_hostURL.path().section(QLatin1Char('/'), 1, 1);
        volume->m_name = !share.isEmpty() ? share : !volume->m_hostURL.host().isEmpty() ? volume->m_hostURL.host() : folderName;
        return volume;
    }

private:
    // Network and FUSE file systems answer through a server or a process
    // that may be gone: those are asked with a deadline.
    static void readSizes(SLVolume* volume)
    {
        const bool mayHang = !volume->m_local || volume->m_fsType.startsWith(QLatin1String("fuse"));
        const auto status = mayHang ? plat::FileSystemStatus::readWithin(volume->m_path, kRemoteStatusTimeout)
                                    : plat::FileSystemStatus::read(volume->m_path);
        if (!status)
            return;
        volume->m_totalSize = status->totalSize;
        volume->m_freeSize = status->freeSize;
        volume->m_availableSize = status->availableSize;
    }

    void detectType(SLVolume* volume, const plat::MountEntry& entry) const
    {
        if (!volume->m_local) {
            volume->m_type = SLVolume::Network;
            volume->m_hostURL = SLVolume::hostURLForMount(entry);
            return;
        }
        volume->m_type = volume->m_root ? SLVolume::StartupDisk : volume->isiPod() ? SLVolume::IPods : SLVolume::Volumes;
        const QString image = m_images ? m_images->diskImageForVolume(volume->m_path) : QString();
        if (!image.isEmpty()) {
            volume->m_imagePath = image;
            volume->m_type = SLVolume::DiskImages;
        }
    }

    void applyDiskDescription(SLVolume* volume, const plat::BlockDevice& device) const
    {
        if (volume->m_type == SLVolume::Volumes) {
            volume->m_internal = !device.removable;
            volume->m_type = SLVolume::HardDrives;
        }
        if (volume->m_type == SLVolume::DiskImages && isInMemory(volume->m_imagePath))
            volume->m_type = SLVolume::RamDisks;
        // The medium in an optical drive decides over everything else.
        if (device.property("ID_CDROM_MEDIA_DVD") == QLatin1String("1"))
            volume->m_type = SLVolume::DVDs;
        else if (device.property("ID_CDROM_MEDIA_CD") == QLatin1String("1"))
            volume->m_type = SLVolume::CDs;
        else if (device.property("ID_CDROM_MEDIA_BD") == QLatin1String("1"))
            volume->m_type = SLVolume::Blurays;
        volume->m_volumeUUID = device.property("ID_FS_UUID");
        volume->m_encrypted = device.property("DM_UUID").startsWith(QLatin1String("CRYPT-"));
        volume->m_serialNumber = device.property("ID_SERIAL_SHORT");
        volume->m_vendorName = device.vendor;
    }

    // An image file kept in memory (a tmpfs) makes a RAM disk.
    bool isInMemory(const QString& imagePath) const
    {
        return std::any_of(m_memoryMounts.cbegin(), m_memoryMounts.cend(), [&](const QString& mountPoint) {
            return imagePath.startsWith(mountPoint.endsWith(QLatin1Char('/')) ? mountPoint : mountPoint + QLatin1Char('/'));
        });
    }

    const QHash<dev_t, plat::BlockDevice> m_devices;
    const QStringList m_memoryMounts;
    const SLDiskImageManager* m_images;
};

bool SLVolume::isNetworkFileSystem(const QString& fsType) { return networkFileSystems().contains(fsType); }

bool SLVolume::isPseudoFileSystem(const QString& fsType) { return pseudoFileSystems().contains(fsType); }

bool SLVolume::isiPod() const { return QFileInfo(m_path + QStringLiteral("/iPod_Control")).isDir(); }

QUrl SLVolume::hostURLForMount(const plat::MountEntry& entry)
{
    const QString& source = entry.source;
    QUrl url;
    if (entry.fsType.startsWith(QLatin1String("nfs"))) {
        // "server:/export", "[fe80::1]:/export"
        const qsizetype colon = source.indexOf(QLatin1String(":/"));
        if (colon <= 0)
            return {};
        url.setScheme(QStringLiteral("nfs"));
        setHostAndPort(&url, source.first(colon), plat::MountTable::option(entry.superOptions, QLatin1StringView("port")));
        url.setPath(source.mid(colon + 1));
    } else if (entry.fsType == QLatin1String("cifs") || entry.fsType == QLatin1String("smb3")) {
        // "//server/share[/folder]"
        if (!source.startsWith(QLatin1String("//")))
            return {};
        const qsizetype slash = source.indexOf(QLatin1Char('/'), 2);
        if (slash <= 2)
            return {};
        url.setScheme(QStringLiteral("smb"));
        const QString port = plat::MountTable::option(entry.superOptions, QLatin1StringView("port"));
        setHostAndPort(&url, source.mid(2, slash - 2), port == QLatin1String("445") ? QString() : port);
        QString user = plat::MountTable::option(entry.superOptions, QLatin1StringView("username"));
        const QString domain = plat::MountTable::option(entry.superOptions, QLatin1StringView("domain"));
        if (!user.isEmpty() && !domain.isEmpty())
            user = domain + QLatin1Char(';') + user;
        if (!user.isEmpty())
            url.setUserName(user);
        QString path = source.mid(slash);
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        url.setPath(path);
    } else {
        return {};
    }
    return url.isValid() && !url.host().isEmpty() ? url : QUrl();
}

QUrl SLVolume::hostURLForGvfsFolder(const QString& folderName)
{
    // "<kind>:key=value,key=value" with the values percent-encoded.
    const qsizetype colon = folderName.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return {};
    const QString kind = folderName.first(colon);
    QHash<QString, QString> keys;
    for (const QString& pair : folderName.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0)
            keys.insert(pair.first(equals), QString::fromUtf8(plat::Path::percentDecode(pair.mid(equals + 1).toUtf8())));
    }
    QString host = keys.value(QStringLiteral("server"), keys.value(QStringLiteral("host")));
    if (host.isEmpty())
        return {};
    QUrl url;
    QString path = QStringLiteral("/");
    if (kind == QLatin1String("smb-share")) {
        url.setScheme(QStringLiteral("smb"));
        if (keys.value(QStringLiteral("share")).isEmpty())
            return {};
        path += keys.value(QStringLiteral("share")) + QLatin1Char('/');
    } else if (kind == QLatin1String("smb-server")) {
        url.setScheme(QStringLiteral("smb"));
    } else if (kind == QLatin1String("afp-volume")) {
        url.setScheme(QStringLiteral("afp"));
        path += keys.value(QStringLiteral("volume")) + QLatin1Char('/');
    } else if (kind == QLatin1String("dav")) {
        url.setScheme(keys.value(QStringLiteral("ssl")) == QLatin1String("true") ? QStringLiteral("davs") : QStringLiteral("dav"));
        const QString prefix = keys.value(QStringLiteral("prefix"));
        if (!prefix.isEmpty())
            path = prefix.endsWith(QLatin1Char('/')) ? prefix : prefix + QLatin1Char('/');
    } else {
        url.setScheme(kind);
    }
    QString user = keys.value(QStringLiteral("user"));
    const QString domain = keys.value(QStringLiteral("domain"));
    if (!user.isEmpty() && !domain.isEmpty())
        user = domain + QLatin1Char(';') + user;
    if (!user.isEmpty())
        url.setUserName(user);
    setHostAndPort(&url, host, keys.value(QStringLiteral("port")));
    url.setPath(path);
    // A folder kind that is no URL scheme ("|ftp") leaves the scheme empty.
    return url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty() ? url : QUrl();
}

QString SLVolume::typeName(qint64 type)
{
    // Built once; the texts go through the "Labels" translation context.
    static const QStringList names = [] {
        const char* const texts[] = {"Startup Disk", "Volumes", "iPods", "Network", "FTP", "Samba", "AFP", "SFTP",
                                     "WebDAV", "Disk Images", "CDs", "DVDs", "Hard Drives", "RAM Disks", "Blurays"};
        QStringList list;
        for (const char* text : texts)
            list.append(QCoreApplication::translate("Labels", text));
        return list;
    }();
    return type >= 0 && type < names.size() ? names.at(int(type)) : QString(QLatin1String(""));
}

int SLVolume::compare(const SLVolume& other) const
{
    if (m_type != other.m_type)
        return m_type < other.m_type ? -1 : 1;
    const int byName = m_name.compare(other.m_name, Qt::CaseInsensitive);
    return byName < 0 ? -1 : byName > 0 ? 1 : 0;
}

QVariantMap SLVolume::description() const
{
    return {
        {QStringLiteral("path"), m_path},
        {QStringLiteral("name"), m_name},
        {QStringLiteral("type"), m_type},
        {QStringLiteral("typeName"), volumeTypeName()},
        {QStringLiteral("hostURL"), m_hostURL},
        {QStringLiteral("isLocal"), m_local},
        {QStringLiteral("isRoot"), m_root},
        {QStringLiteral("diskID"), m_diskID},
        {QStringLiteral("diskImagePath"), m_imagePath},
        {QStringLiteral("totalSize"), m_totalSize},
        {QStringLiteral("freeSize"), m_freeSize},
        {QStringLiteral("availableSize"), m_availableSize},
    };
}

QList<SLVolumePtr> SLVolume::allVolumesWithDiskManager(const std::shared_ptr<SLDiskImageManager>& images)
{
    const SLSystemRoots roots = SLSystemRoots::current();
    const auto entries = plat::MountTable::read(roots.procRoot);
    if (!entries)
        return {};
    QHash<dev_t, plat::BlockDevice> devices;
    for (plat::BlockDevice& device : plat::BlockDevices::read(roots.sysRoot, roots.udevDataRoot))
        devices.insert(device.device, std::move(device));
    QStringList memoryMounts;
    for (const plat::MountEntry& entry : *entries) {
        if (entry.fsType == QLatin1String("tmpfs") || entry.fsType == QLatin1String("ramfs"))
            memoryMounts.append(entry.mountPoint);
    }
    const SLVolumeBuilder builder(std::move(devices), std::move(memoryMounts), images.get());
    QList<SLVolumePtr> volumes;
    for (const plat::MountEntry& entry : *entries) {
        if (entry.fsType == QLatin1String(kGvfsFileSystem)) {
            // Each folder of the GVfs mount is one share; the mount itself is
            // no volume, and other users' GVfs mounts are theirs.
            if (plat::MountTable::option(entry.superOptions, QLatin1StringView("user_id")) != QString::number(::geteuid()))
                continue;
            const QStringList folders = QDir(entry.mountPoint).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString& folder : folders)
                volumes.append(builder.fromGvfsFolder(entry, folder));
            continue;
        }
        if (entry.fsType == QLatin1String("vmhgfs") || entry.mountPoint == QLatin1String("/dev"))
            continue;
        volumes.append(builder.fromMount(entry));
    }
    std::stable_sort(volumes.begin(), volumes.end(), [](const SLVolumePtr& a, const SLVolumePtr& b) { return a->compare(*b) < 0; });
    return volumes;
}
