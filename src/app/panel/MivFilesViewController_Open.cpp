#include "app/panel/MivFilesViewController.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivMaxConcurrentTasksQueue.h"
#include "FileData/MivUpFolderData.h"
#include "app/operations/MivRemoteFileTooLargeException.h"
#include "app/panel/MivFilesTableNotifications.h"
#include "platform/Log.h"
#include "platform/OperationQueue.h"

#include <QMutex>

// Opening an item: a folder is shown in the panel, the ".." row shows the
// parent with the folder left focused, any other file opens with its
// application. Keys arrive on the GUI thread; the work runs on the panel's
// queues.

namespace {

QMutex g_openerLock;
MivFilesViewController::FileOpener g_opener;

bool openWithApplication(const MivFileDataPtr& file)
{
    MivFilesViewController::FileOpener opener;
    {
        QMutexLocker locker(&g_openerLock);
        opener = g_opener;
    }
    return opener ? opener(file) : file->doOpen();
}

} // namespace

void MivFilesViewController::setFileOpener(FileOpener opener)
{
    QMutexLocker locker(&g_openerLock);
    g_opener = std::move(opener);
}

void MivFilesViewController::openFileForContext(const MivFileDataPtr& item)
{
    if (!item)
        return;
    cancelLoadingData();
    // Only the latest request waits: a quicker second Return replaces the first.
    m_dispatchnsqueue->cancelAllOperations();
    m_dispatchnsqueue->addOperationWithBlock([weak = weak_from_this(), item] {
        if (auto panel = weak.lock())
            panel->openFile(moveContextUp(item), false);
    });
}

void MivFilesViewController::openFile(const MivFileDataPtr& item, bool inside)
{
    if (!item)
        return;
    MivPopulateData request;
    request.data = item;
    request.navigation = inside;
    if (item->isUpFolderData()) {
        if (const MivFileDataPtr shown = context())
            request.selectionObject = shown;
    }
    m_populateConcurrentQueue->runAsync([weak = weak_from_this(), request] {
        if (auto panel = weak.lock())
            panel->processOpenContext(request);
    });
}

void MivFilesViewController::openFolderForContext(const MivFileDataPtr& item)
{
    if (item && item->folder())
        openFile(item, false);
}

void MivFilesViewController::goUp()
{
    const MivFileDataPtr shown = context();
    const MivFileDataPtr parent = shown ? shown->parent() : nullptr;
    if (parent)
        openFileForContext(MivFileData::makeItem<MivUpFolderData>(parent));
}

void MivFilesViewController::processOpenContext(const MivPopulateData& request)
{
    postNotification(ksFilesTableStartOperationNotification);
    try {
        const bool up = request.data->isUpFolderData();
        const MivFileDataPtr target = up ? static_cast<const MivUpFolderData&>(*request.data).wrapped() : request.data;
        if (up) {
            const auto* select = std::get_if<MivFileDataPtr>(&request.selectionObject);
            populateWithSelection(target, select ? *select : nullptr);
        } else if (MivFileUtils::isActiveExistDirectory(target)) {
            populateWithSelection(target, nullptr);
        } else if (!target->folder()) {
            openWithApplication(target);
        } else {
            // A folder that is gone: its nearest existing ancestor is shown.
            if (const MivFileDataPtr existing = goUpData(target))
                populateWithSelection(existing, nullptr);
        }
    } catch (const MivRemoteFileTooLargeException&) {
        // The user declined to fetch the file: the opening just ends.
    } catch (const std::exception& e) {
        MIV_LOG_ERROR(QStringLiteral("Opening failed: %1").arg(QString::fromUtf8(e.what())));
    }
    postNotification(ksFilesTableStopOperationNotification);
}

void MivFilesViewController::populateWithSelection(const MivFileDataPtr& item, const MivFileDataPtr& select)
{
    // The side's tab container will divert locked tabs here; until it
    // offers that, the panel lists the folder itself.
    if (select)
        populateTableData(item, MivSelectTarget(select));
    else
        populateTableData(item);
}

MivFileDataPtr MivFilesViewController::moveContextUp(const MivFileDataPtr& item)
{
    if (!item || !item->isUpFolderData())
        return item;
    const MivFileDataPtr wrapped = static_cast<const MivUpFolderData&>(*item).wrapped();
    if (!wrapped->refreshed())
        wrapped->refresh();
    const MivFileDataPtr existing = goUpData(wrapped);
    if (existing && existing != wrapped)
        return MivFileData::makeItem<MivUpFolderData>(existing);
    return item;
}

MivFileDataPtr MivFilesViewController::goUpData(const MivFileDataPtr& item)
{
    MivFileDataPtr current = item;
    while (current) {
        if (current->exists())
            return current;
        if (MivFileDataPtr parent = current->parent()) {
            current = parent;
            continue;
        }
        const QString key = current->savingKey();
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return nullptr;
        const QString above = key.left(slash);
        if (above == key)
            return nullptr;
        current = MivFileDataManager::makeInstanceForString(above, true);
    }
    return nullptr;
}
