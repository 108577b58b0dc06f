#pragma once

#include "FileData/Local/SLSystemRoots.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <shared_mutex>

// Which mounted volumes and block devices come from disk-image files. On
// this system those are loop devices: sysfs names each one's backing file,
// and the mount table names the device a volume is mounted from.
class SLDiskImageManager : public std::enable_shared_from_this<SLDiskImageManager>
{
public:
    // Reads the loop devices again on the shared background queue; the
    // completion, when given, then runs on the main queue, even when the read
    // found nothing.
    void reloadInfo(std::function<void()> completion = {});
    // The same read on the calling thread.
    void reloadInfoNow();

    // The image file of the volume mounted at the path; null when none.
    QString diskImageForVolume(const QString& mountPath) const;
    // The image file of a device name ("loop0", "loop0p1"); null when none.
    QString diskImageForDiskID(const QString& diskID) const;

    // An image path with a browser's unfinished-download folder cut off
    // ("/x/a.dmg.download/a.dmg" -> "/x/a.dmg").
    static QString cleanImagePath(const QString& path);

private:
    mutable std::shared_mutex m_lock;
    QHash<QString, QString> m_imageByDevice;     // device name -> image file
    QHash<QString, QString> m_imageByMountPoint; // mount point -> image file
};
