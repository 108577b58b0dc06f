#include "app/operations/MivFileOperationData.h"

#include "FileData/IMivPluginFileData.h"
#include "FileData/IMivRootFile.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivUrlFileData.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/IMivOperationDelegate.h"
#include "app/operations/IMivOperationViewContext.h"
#include "app/operations/MivOperationText.h"
#include "app/plugins/IMivArchivePlugin.h"
#include "app/settings/MivContext.h"
#include "platform/Error.h"
#include "platform/Log.h"

namespace {

QString describe(const MivFileDataPtr& item) { return item ? item->description() : QStringLiteral("(null)"); }

// A size marker (negative) counts nothing.
quint64 knownSize(qint64 size) { return size > 0 ? quint64(size) : 0; }

MivFileDataPtr defaultRemoteRoot(const MivFileDataPtr& sourceCtx)
{
    const MivFileDataPtr copy = MivFileDataManager::createCopyOfRootFor(sourceCtx);
    auto* root = dynamic_cast<IMivRootFile*>(copy.get());
    return root ? root->rootFile() : nullptr;
}

std::mutex& remoteRootMakerMutex()
{
    static std::mutex mutex;
    return mutex;
}

MivFileOperationData::RemoteRootMaker& remoteRootMaker()
{
    static MivFileOperationData::RemoteRootMaker maker = defaultRemoteRoot;
    return maker;
}

} // namespace

MivFileOperationData::RemoteRootMaker MivFileOperationData::setRemoteRootMaker(RemoteRootMaker maker)
{
    std::lock_guard lock(remoteRootMakerMutex());
    if (!maker)
        maker = defaultRemoteRoot;
    std::swap(remoteRootMaker(), maker);
    return maker;
}

// --- Walking ---

void MivFileOperationData::reportCurrentPath(const QString& path, int stage)
{
    if (const auto receiver = asyncDelegate())
        receiver->didReceiveCurrentPath(path, 0, quint64(size()), 0, stage, shared_from_this());
}

bool MivFileOperationData::nextSource(bool clear)
{
    MIV_LOG_DEBUG(QStringLiteral("Next file operation source - clear: %1").arg(MivOperationText::boolText(clear)));
    nextArchSource();
    if (!archiveProcssing())
        ++m_currentSourceIndex;
    setOverwriteDestCtx(nullptr);
    const bool done = finished();
    setDoAfterError(false);
    if (clear)
        setDestName(QString());
    else
        reportCurrentPath(destPathBySourceComponent(), kStageRunning);
    MIV_LOG_DEBUG(QStringLiteral("Current file operation source: %1, path: %2")
                      .arg(describe(currentSource()), MivOperationText::loggablePath(sourcePath())));
    if (const auto owner = delegate())
        owner->processCurrentFile();
    return !done;
}

bool MivFileOperationData::skipSource(const MivFileDataPtr& source, const QString& currentPath)
{
    if (!asyncDelegate())
        return true;
    qint64 sourceSize = 0;
    if (source) {
        sourceSize = source->size();
        // Folders and items without a known size are measured first.
        if (sourceSize <= 0)
            sourceSize = source->exists() ? qint64(calculateSizeForData(source)) : 0;
    }
    const qint64 newTotal = addToTotal(std::max<qint64>(sourceSize, 0));
    MIV_LOG_DEBUG(QStringLiteral("== COMPLETE SKIP - TOTAL VALUE: %1 - source size: %2").arg(newTotal).arg(sourceSize));
    reportCurrentPath(currentPath, kStageComplete);
    return true;
}

bool MivFileOperationData::startProcessArchive(const MivFileDataPtr& archive,
                                               const std::shared_ptr<IMivArchivePlugin>& withPlugin, plat::Error* error)
{
    if (!archive) {
        plat::Error::assign(error, MivErrorPresenter::makeFileOperationErrorWithCode(
                                       -43, MivOperationText::localized("The archive is missing.")));
        return false;
    }
    if (!archive->refreshed())
        archive->refresh();
    plat::Error listError;
    const QList<MivFileDataPtr> entries =
        archive->listElements(true, MivFileUtils::virtualSortDescriptor(), MivFileCallback(), &listError);
    if (listError) {
        MIV_LOG_ERROR(QStringLiteral("Archive listing failed: %1").arg(listError.description()));
        plat::Error::assign(error, listError);
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_archSource = entries;
        m_plugin = withPlugin;
        m_archRoot = archive;
        m_currentArchIndex = 0;
    }
    if (const auto owner = delegate())
        owner->processCurrentFile();
    return true;
}

void MivFileOperationData::nextArchSource()
{
    std::shared_ptr<IMivArchivePlugin> archivePlugin;
    MivFileDataPtr archive;
    {
        std::lock_guard lock(m_mutex);
        if (!m_archSource)
            return;
        ++m_currentArchIndex;
        if (m_currentArchIndex < m_archSource->size())
            return;
        archivePlugin = m_plugin.lock();
        archive = m_archRoot;
    }
    if (archivePlugin && archive) {
        closeContext(sourceContext());
        if (dynamic_cast<IMivPluginFileData*>(archive.get()))
            archivePlugin->closeFileData(archive, nullptr);
    }
    std::optional<QList<MivFileDataPtr>> entries;
    {
        std::lock_guard lock(m_mutex);
        std::swap(entries, m_archSource);
        m_plugin.reset();
        std::swap(archive, m_archRoot);
    }
}

// --- Sizes ---

quint64 MivFileOperationData::calculateSizeForOperationData()
{
    quint64 sum = 0;
    for (const MivFileDataPtr& item : source()) {
        // A cancel meanwhile finished the record: stop at the next source.
        if (finished())
            break;
        ++m_itemsCount;
        if (item && item->activate() && item->exists())
            sum += calculateSizeForData(item);
    }
    return sum;
}

quint64 MivFileOperationData::calculateSizeForData(const MivFileDataPtr& item)
{
    if (!item)
        return 0;
    const auto self = shared_from_this();
    if (!archiveProcssing() && operation() == kDecompress) {
        const auto context = MivContext::context();
        const auto archivePlugin = context ? context->resolveArchivePlugin(item) : nullptr;
        const MivFileDataPtr root = archivePlugin ? archivePlugin->goInside(item) : nullptr;
        if (!root)
            return 0;
        const quint64 size = root->calculateSizeWithDelegate(self);
        if (dynamic_cast<IMivPluginFileData*>(root.get()))
            archivePlugin->closeFileData(root, nullptr);
        return size;
    }
    return item->calculateSizeWithDelegate(self);
}

void MivFileOperationData::sizeCalculatedForItem(const QString&, quint64, quint64, bool)
{
    ++m_itemsCount;
    // The view reads the count current when the block runs, so one block in
    // the main queue serves every report that comes before it runs: a large
    // folder does not flood the main thread. The record is held weakly so a
    // late report never keeps a closed operation alive.
    if (m_subjectUpdatePending.exchange(true))
        return;
    const std::weak_ptr<MivFileOperationData> weak = weak_from_this();
    MivExec::runOnMainThreadAsync([weak] {
        const auto self = weak.lock();
        if (!self)
            return;
        self->m_subjectUpdatePending.store(false);
        if (const auto view = self->viewContext())
            view->setSubjectString(MivOperationText::format(self->operationNameForPrepare(),
                                                            {QString::number(self->itemsCount())}));
    });
}

void MivFileOperationData::copyDataFromContextToRemoteSources()
{
    const MivFileDataPtr context = sourceCtx();
    if (!context || !MivFileUtils::isNetworkFile(context))
        return;
    RemoteRootMaker maker;
    {
        std::lock_guard lock(remoteRootMakerMutex());
        maker = remoteRootMaker();
    }
    const MivFileDataPtr root = maker(context);
    if (!root)
        return;
    QList<MivFileDataPtr> moved;
    for (const MivFileDataPtr& item : source()) {
        MivFileDataPtr replacement;
        if (MivFileUtils::isNetworkFile(item))
            replacement = MivFileDataManager::moveData(root, item->savingKey());
        if (!replacement) {
            moved.append(item);
            continue;
        }
        if (auto* urlItem = dynamic_cast<MivUrlFileData*>(replacement.get()))
            urlItem->setFolder(item->folder());
        moved.append(replacement);
    }
    MIV_LOG_DEBUG(QStringLiteral("Sources moved to a copy of their root: %1").arg(describe(root)));
    setSource(moved);
}
