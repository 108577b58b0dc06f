#include "FileData/Local/SLDisk.h"

#include <QFileInfo>

#include <algorithm>

QList<SLDiskPtr> SLDisk::children() const
{
    std::lock_guard lock(m_mutex);
    return m_children;
}

QString SLDisk::name() const
{
    std::lock_guard lock(m_mutex);
    return m_description.volumeName;
}

QString SLDisk::deviceName() const
{
    std::lock_guard lock(m_mutex);
    return m_deviceName;
}

QString SLDisk::volumePath() const
{
    std::lock_guard lock(m_mutex);
    return m_description.volumePath;
}

bool SLDisk::mountable() const
{
    std::lock_guard lock(m_mutex);
    return m_description.mountable;
}

bool SLDisk::ejectable() const
{
    std::lock_guard lock(m_mutex);
    return m_description.ejectable;
}

bool SLDisk::whole() const
{
    std::lock_guard lock(m_mutex);
    return m_description.whole;
}

bool SLDisk::isDiskImage() const
{
    std::lock_guard lock(m_mutex);
    return m_isDiskImage;
}

QString SLDisk::diskImage() const
{
    std::lock_guard lock(m_mutex);
    return m_description.diskImage;
}

QString SLDisk::volumeKind() const
{
    std::lock_guard lock(m_mutex);
    return m_description.volumeKind;
}

bool SLDisk::encrypted() const
{
    std::lock_guard lock(m_mutex);
    return m_description.volumeUsage.contains(QLatin1String("crypt"), Qt::CaseInsensitive);
}

QString SLDisk::volumeUUID() const
{
    std::lock_guard lock(m_mutex);
    return m_description.volumeUUID;
}

bool SLDisk::containsStartupDisk() const
{
    const QList<SLDiskPtr> list = children();
    return std::any_of(list.cbegin(), list.cend(), [](const SLDiskPtr& child) { return child->isStartupDisk(); });
}

void SLDisk::update(const SLDiskDescription& description)
{
    const QString vendor = description.vendor.trimmed();
    const QString model = description.model.trimmed();
    QString deviceName = vendor.isEmpty() ? model : vendor + QLatin1Char(' ') + model;
    const bool isImage = !description.diskImage.isEmpty();
    if (isImage && description.whole)
        deviceName = QFileInfo(description.diskImage).fileName();
    std::lock_guard lock(m_mutex);
    m_description = description;
    m_deviceName = deviceName;
    // Once an image, always an image: the node keeps what it was made from.
    m_isDiskImage = m_isDiskImage || isImage;
}

void SLDisk::appendChild(SLDiskPtr child)
{
    std::lock_guard lock(m_mutex);
    m_children.append(std::move(child));
}

bool SLDisk::removeChild(const QString& diskID)
{
    std::lock_guard lock(m_mutex);
    for (qsizetype i = m_children.size() - 1; i >= 0; --i) {
        if (m_children[i]->diskID() == diskID) {
            m_children.removeAt(i);
            return true;
        }
    }
    return false;
}
