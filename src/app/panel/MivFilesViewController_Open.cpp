#include "app/panel/MivFilesViewController.h"

#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivMaxConcurrentTasksQueue.h"
#include "FileData/MivUpFolderData.h"
#include "app/panel/IMivFilesTabContainer.h"

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
            populate(target, std::nullopt, request.selectionObject);
        } else if (MivFileUtils::isActiveExistDirectory(target)) {
            populate(target, std::nullopt, {});
        } else if (!target->folder()) {
            openWithApplication(target);
        } else {
            // A folder that is gone: its nearest existing ancestor is shown.
            if (const MivFileDataPtr existing = goUpData(target))
                populate(existing, std::nullopt, {});
        }
    } catch (const MivRemoteFileTooLargeException&) {
        // The user declined to fetch the file: the opening just ends.
    } catch (const std::exception& e) {
        MIV_LOG_ERROR(QStringLiteral("Opening failed: %1").arg(QString::fromUtf8(e.what())));
    }
    postNotification(ksFilesTableStopOperationNotification);
}

void MivFilesViewController::populate(const MivFileDataPtr& item, const std::optional<QVariantMap>& dataContext,
                                      const MivSelectTarget& selection)
{
    if (!item && !dataContext)
        return;
    if (!sideContainer()) {
        // Outside a side there is no lock to honour and no saved location
        // to resolve: the panel lists the folder itself.
        if (item)
            populateTableData(item, selection);
        return;
    }
    // Waits for the GUI thread, holding nothing: the container lists the
    // folder (or a new tab does) through the populate requests.
    MivExec::runOnMainThread([&] {
        if (const auto container = sideContainer())
            container->changeFilesPanel(this, item, selection, dataContext);
    });
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
