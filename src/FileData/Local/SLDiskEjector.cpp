#include "FileData/Local/SLDiskEjector.h"

#include "FileData/MivErrorPresenter.h"

#include <QCoreApplication>

SLDiskEjector::SLDiskEjector(SLDiskPtr disk, const std::shared_ptr<SLDiskManager>& manager, SLDiskManager::EjectHandler handler)
    : m_disk(std::move(disk)), m_manager(manager), m_handler(std::move(handler))
{
    for (const SLDiskPtr& child : m_disk->children()) {
        if (child->mounted())
            m_queue.append(child);
    }
    if (m_disk->mounted())
        m_queue.append(m_disk);
}

void SLDiskEjector::unmountNext()
{
    const auto manager = m_manager.lock();
    if (!manager) {
        finish(false, m_disk,
               MivErrorPresenter::makeFileOperationErrorWithCode(
                   -100, QCoreApplication::translate("SLDiskManager", "The disk list is gone.")));
        return;
    }
    if (m_queue.isEmpty()) {
        manager->ejectDisk(m_disk, [self = shared_from_this()](bool success, const plat::Error& error) {
            self->finish(success, success ? nullptr : self->m_disk, error);
        });
        return;
    }
    const SLDiskPtr next = m_queue.takeFirst();
    manager->unmountDisk(next, [self = shared_from_this(), next](bool success, const plat::Error& error) {
        if (success)
            self->unmountNext();
        else
            self->finish(false, next, error);
    });
}

void SLDiskEjector::finish(bool success, const SLDiskPtr& failedDisk, const plat::Error& error)
{
    if (m_handler)
        m_handler(success, failedDisk, error);
    if (const auto manager = m_manager.lock()) {
        std::lock_guard lock(manager->m_mutex);
        manager->m_ejectors.removeOne(shared_from_this());
    }
}
