#include "platform/BlockDevices.h"

#include "platform/Path.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <sys/sysmacros.h>

#include <algorithm>

namespace plat {

namespace {

// Sysfs attributes are small; more than this is not an attribute.
constexpr qint64 kAttributeLimit = 4096;

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kAttributeLimit);
}

QString readText(const QString& path)
{
    return QString::fromUtf8(readSmallFile(path)).trimmed();
}

} // namespace

bool BlockDevices::parseDeviceNumber(QByteArrayView text, dev_t* device)
{
    const QByteArrayView trimmed = text.trimmed();
    const qsizetype colon = trimmed.indexOf(':');
    if (colon <= 0)
        return false;
    bool okMajor = false;
    bool okMinor = false;
    const uint major = trimmed.first(colon).toUInt(&okMajor);
    const uint minor = trimmed.sliced(colon + 1).toUInt(&okMinor);
    if (!okMajor || !okMinor)
        return false;
    *device = makedev(major, minor);
    return true;
}

QMap<QString, QString> BlockDevices::parseUdevRecord(QByteArrayView text)
{
    QMap<QString, QString> properties;
    for (const QByteArray& line : QByteArray(text.data(), text.size()).split('\n')) {
        if (!line.startsWith("E:"))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals <= 2)
            continue;
        properties.insert(QString::fromUtf8(line.mid(2, equals - 2)), QString::fromUtf8(line.mid(equals + 1)));
    }
    return properties;
}

QList<BlockDevice> BlockDevices::read(const QString& sysRoot, const QString& udevDataRoot)
{
    const QString classFolder = sysRoot + QStringLiteral("/class/block");
    const QStringList names = QDir(classFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    QList<BlockDevice> devices;
    for (const QString& name : names) {
        const QString folder = classFolder + QLatin1Char('/') + name;
        BlockDevice device;
        device.name = name;
        if (!parseDeviceNumber(readSmallFile(folder + QStringLiteral("/dev")), &device.device))
            continue;
        bool sizeOk = false;
        // sysfs counts 512-byte sectors whatever the device's block size.
        device.size = readText(folder + QStringLiteral("/size")).toLongLong(&sizeOk) * 512;
        if (!sizeOk)
            device.size = 0;
        device.removable = readText(folder + QStringLiteral("/removable")) == QLatin1String("1");
        device.readOnly = readText(folder + QStringLiteral("/ro")) == QLatin1String("1");
        device.backingFile = Path::fromNative(readSmallFile(folder + QStringLiteral("/loop/backing_file")).trimmed());
        device.vendor = readText(folder + QStringLiteral("/device/vendor"));
        device.model = readText(folder + QStringLiteral("/device/model"));
        device.properties = parseUdevRecord(readSmallFile(udevDataRoot + QStringLiteral("/b%1:%2").arg(major(device.device)).arg(minor(device.device))));
        devices.append(std::move(device));
    }
    // A partition's folder sits inside its disk's folder in sysfs
    // (/sys/class/block/sda/sda1), which names the parent without guessing
    // from the device name.
    QHash<QString, qsizetype> indexByName;
    for (qsizetype i = 0; i < devices.size(); ++i)
        indexByName.insert(devices[i].name, i);
    for (const BlockDevice& whole : std::as_const(devices)) {
        const QString folder = classFolder + QLatin1Char('/') + whole.name;
        for (const QString& child : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const auto found = indexByName.constFind(child);
            if (found == indexByName.cend() || !QFile::exists(folder + QLatin1Char('/') + child + QStringLiteral("/partition")))
                continue;
            BlockDevice& partition = devices[*found];
            partition.parentName = whole.name;
            // The disk carries vendor, model and the removable flag for its partitions.
            partition.vendor = whole.vendor;
            partition.model = whole.model;
            partition.removable = whole.removable;
        }
    }
    std::stable_sort(devices.begin(), devices.end(),
                     [](const BlockDevice& a, const BlockDevice& b) { return a.isWhole() && !b.isWhole(); });
    return devices;
}

} // namespace plat
