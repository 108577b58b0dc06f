#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <mutex>

class SLDisk;
using SLDiskPtr = std::shared_ptr<SLDisk>;

// What the system tells about one block device: its sysfs entry, udev's
// properties and the mount table, gathered in one read.
struct SLDiskDescription
{
    QString diskID;       // "sdb", "sdb1", "loop0"
    QString parentID;     // the whole disk of a partition; empty for a whole disk
    bool whole = true;
    bool mountable = false;
    bool ejectable = false;
    QString volumeName;
    QString vendor;
    QString model;
    QString volumePath;   // mount point; empty while unmounted
    QString volumeKind;   // "ext4", "vfat", "crypto_LUKS", …
    QString volumeUsage;  // udev's "filesystem", "crypto", …
    QString volumeUUID;
    QString diskImage;    // the backing file of a loop device

    bool operator==(const SLDiskDescription&) const = default;
};

// One node of the disk tree: a whole disk holding its partitions. Changed
// only on the main thread; its fields are read under its own lock, so other
// threads may read a node they were handed.
class SLDisk
{
public:
    explicit SLDisk(QString diskID) : m_diskID(std::move(diskID)) {}

    const QString& diskID() const { return m_diskID; }
    SLDiskPtr parent() const { return m_parent.lock(); }
    QList<SLDiskPtr> children() const;

    QString name() const;
    QString deviceName() const;
    QString volumePath() const;
    bool mountable() const;
    bool ejectable() const;
    bool whole() const;
    bool isDiskImage() const;
    QString diskImage() const;
    QString volumeKind() const;
    bool encrypted() const;
    QString volumeUUID() const;

    bool mounted() const { return !volumePath().isEmpty(); }
    bool isStartupDisk() const { return volumePath() == QLatin1String("/"); }
    bool containsStartupDisk() const;
    // "/dev/<diskID>"
    QString devicePath() const { return QStringLiteral("/dev/") + m_diskID; }

private:
    friend class SLDiskManager;

    void update(const SLDiskDescription& description);
    void setParent(const SLDiskPtr& parent) { m_parent = parent; }
    void appendChild(SLDiskPtr child);
    bool removeChild(const QString& diskID);

    const QString m_diskID;
    std::weak_ptr<SLDisk> m_parent;
    mutable std::mutex m_mutex;
    QList<SLDiskPtr> m_children;
    SLDiskDescription m_description;
    QString m_deviceName;
    bool m_isDiskImage = false;
};
