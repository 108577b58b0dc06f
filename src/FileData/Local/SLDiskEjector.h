#pragma once

#include "FileData/Local/SLDiskManager.h"

#include <QList>

#include <memory>

// Unmounts every mounted partition of a disk in turn, then the disk itself
// when it is mounted, then ejects it. The first failure ends the run.
class SLDiskEjector : public std::enable_shared_from_this<SLDiskEjector>
{
public:
    SLDiskEjector(SLDiskPtr disk, const std::shared_ptr<SLDiskManager>& manager, SLDiskManager::EjectHandler handler);

    void unmountNext();

private:
    void finish(bool success, const SLDiskPtr& failedDisk, const plat::Error& error);

    SLDiskPtr m_disk;
    std::weak_ptr<SLDiskManager> m_manager;
    SLDiskManager::EjectHandler m_handler;
    QList<SLDiskPtr> m_queue;
};
