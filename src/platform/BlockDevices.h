#pragma once

#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QString>

#include <sys/types.h>

namespace plat {

// One block device of /sys/class/block with the properties udev recorded
// for it.
struct BlockDevice
{
    QString name;        // "sda", "sda1", "loop0", "nvme0n1p2"
    QString parentName;  // the whole disk of a partition; empty for a whole disk
    dev_t device = 0;
    qint64 size = 0;     // bytes
    bool removable = false;
    bool readOnly = false;
    QString vendor;      // trimmed; empty when sysfs has none
    QString model;
    QString backingFile; // the image file of a loop device
    QMap<QString, QString> properties; // udev "E:" entries: ID_FS_TYPE, ID_FS_LABEL, …

    bool isWhole() const { return parentName.isEmpty(); }
    QString property(const char* key) const { return properties.value(QLatin1String(key)); }
};

// Reads the block devices from sysfs and udev's database. Both roots are
// parameters so tests read recorded trees. udev's database is read as files
// (what libudev itself reads), so the same code serves fixtures and the
// running system.
class BlockDevices
{
public:
    BlockDevices() = delete;

    static QString defaultSysRoot() { return QStringLiteral("/sys"); }
    static QString defaultUdevDataRoot() { return QStringLiteral("/run/udev/data"); }

    // Every device under "<sysRoot>/class/block", whole disks before their
    // partitions, each group sorted by name. Unreadable entries are skipped.
    static QList<BlockDevice> read(const QString& sysRoot, const QString& udevDataRoot);
    // The "E:KEY=value" lines of a udev database record.
    static QMap<QString, QString> parseUdevRecord(QByteArrayView text);
    // "8:17\n" -> makedev(8, 17); false for anything else.
    static bool parseDeviceNumber(QByteArrayView text, dev_t* device);
};

} // namespace plat
