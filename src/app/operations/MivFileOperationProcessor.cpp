#include "app/operations/MivFileOperationProcessor.h"

#include "FileData/IMivCopyFile.h"
#include "FileData/IMivLinkSupport.h"
#include "FileData/IMivRemovable.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileUtils.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "app/operations/MivCopyFileStreamProcessor.h"
#include "app/operations/MivFileOperationData.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "app/operations/MivFileProcessingData.h"
#include "app/operations/MivOperationText.h"
#include "platform/ConcurrentQueue.h"
#include "platform/Error.h"
#include "platform/LocalFileOperation.h"
#include "platform/Log.h"
#include "platform/PathString.h"
#include "platform/RunLoop.h"

#include <QDateTime>

#include <exception>

using MivOperationText::localized;
using MivOperationText::loggablePath;

namespace {

constexpr int kUserInitiatedQos = 25;

std::mutex& answererMutex()
{
    static std::mutex mutex;
    return mutex;
}

MivFileOperationProcessor::OverwriteAnswerer& answererSlot()
{
    static MivFileOperationProcessor::OverwriteAnswerer answerer;
    return answerer;
}

MivFileOperationProcessor::OverwriteAnswerer currentAnswerer()
{
    std::lock_guard lock(answererMutex());
    return answererSlot();
}

double secondsNow() { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

QString joinPath(const QString& folder, const QString& name)
{
    return plat::PathString::appendingPathComponent(folder, name);
}

} // namespace

MivFileOperationProcessor::OverwriteAnswerer MivFileOperationProcessor::setOverwriteAnswerer(OverwriteAnswerer answerer)
{
    std::lock_guard lock(answererMutex());
    std::swap(answererSlot(), answerer);
    return answerer;
}

std::shared_ptr<MivFileOperationProcessor> MivFileOperationProcessor::create(const std::shared_ptr<MivFileOperationData>& operation)
{
    std::shared_ptr<MivFileOperationProcessor> processor(new MivFileOperationProcessor(operation));
    processor->m_copyProcessor = MivCopyFileStreamProcessor::create(processor);
    return processor;
}

MivFileOperationProcessor::MivFileOperationProcessor(const std::shared_ptr<MivFileOperationData>& operation)
    : m_merge(operation && operation->mergeFolders()),
      m_processorQueue(MivExec::createConcurrentDispatchQueueWithNameQos(kQueueLabel, kUserInitiatedQos)),
      m_operation(operation), m_currentPath(QStringLiteral(""))
{
}

MivFileOperationProcessor::~MivFileOperationProcessor() = default;

MivFileDataPtr MivFileOperationProcessor::currentSource() const
{
    std::lock_guard lock(m_mutex);
    return m_currentSource;
}

QString MivFileOperationProcessor::currentPath() const
{
    std::lock_guard lock(m_mutex);
    return m_currentPath;
}

qint32 MivFileOperationProcessor::processWithCallback(const std::shared_ptr<IMivFileOperationCallback>& callback,
                                                      quint32 flags)
{
    m_callback = callback;
    m_flags = flags;
    MIV_LOG_DEBUG(QStringLiteral("----->>> Execute FILE OPERATION PROCESSOR with flags: %1").arg(flags));
    // The queued run keeps the processor alive until it has reported.
    auto self = shared_from_this();
    m_processorQueue->async([self] {
        if (!self->m_cancelled.load())
            self->runAsynch();
    });
    return 0;
}

void MivFileOperationProcessor::cancel()
{
    MIV_LOG_DEBUG(QStringLiteral("----->>> Cancel FILE OPERATION PROCESSOR"));
    m_cancelled.store(true);
    m_copyProcessor->cancel();
}

void MivFileOperationProcessor::runAsynch()
{
    callback(MivFileOperationData::kStagePreparing, 0);
    bool result = true;
    try {
        const auto record = operation();
        if (record && !record->archiveProcssing() && record->operation() == MivFileOperationData::kDecompress) {
            // Unpacking belongs to the archive plug-ins' own runs.
            MivErrorPresenter::presentAsyncError(MivErrorPresenter::makeFileOperationErrorWithCode(-36, localized("Failed to begin asynchronous operation: UNKNOWN operation type")), false);
            result = false;
        } else {
            result = processForSource(record ? record->currentSource() : nullptr);
        }
    } catch (const std::exception& exception) {
        MIV_LOG_ERROR(QStringLiteral("[processor] Error: %1").arg(QString::fromUtf8(exception.what())));
        MivErrorPresenter::presentAsyncError(MivErrorPresenter::makeErrorWithException(exception), false);
    }
    if (result)
        cleanMovedSourceFiles();
    MIV_LOG_DEBUG(QStringLiteral("----->>> Execute FILE OPERATION PROCESSOR done with result: %1 - reexecute by override: %2")
                      .arg(MivOperationText::boolText(result), MivOperationText::boolText(m_reexecuteByOverride)));
    if (!m_reexecuteByOverride) {
        QVariantMap dictionary;
        dictionary.insert(QLatin1String(kFSOperationThroughputKey), 0.0);
        dictionary.insert(QLatin1String(kFSOperationBytesCompleteKey), 0.0);
        dictionary.insert(QLatin1String(kFSOperationTotalBytesKey), double(m_currentLength));
        dictionary.insert(QLatin1String(kFSOperationMessageKey), currentPath());
        // A cancelled run ends like a cancelled local step.
        localReportStatus(MivFileOperationData::kStageComplete, m_cancelled.load() ? kStatusCancelled : 0, dictionary);
    }
}

bool MivFileOperationProcessor::processForSource(const MivFileDataPtr& source)
{
    const auto record = operation();
    if (!source || !record)
        return false;
    plat::Error error;
    const bool result = processItem(source, record->dest(), record->destName(), source, &error);
    if (error)
        MivErrorPresenter::presentAsyncError(error, false);
    return result;
}

bool MivFileOperationProcessor::processItem(MivFileDataPtr source, const MivFileDataPtr& destFolder, QString name,
                                            const MivFileDataPtr& rootSource, plat::Error* error)
{
    const auto record = operation();
    if (m_cancelled.load() || !record || !destFolder)
        return false;
    source->refresh();
    if (name.isNull())
        name = plat::PathString::lastPathComponent(source->sourcePath());
    // A name from a listing or a server that is no single name would put the
    // copy beside or above the target: the item is left out, the rest goes on.
    if (plat::LocalFileOperation::isHostileName(name)) {
        MIV_LOG_WARN(QStringLiteral("Skipping an item with a name that is no single name: %1 in %2")
                         .arg(loggablePath(name), loggablePath(source->sourcePath())));
        MivErrorPresenter::presentAsyncError(
            MivErrorPresenter::errorFromStatus(kStatusBadName,
                                               localized("The name \"%@\" cannot be used in the destination folder")
                                                   .replace(QLatin1String("%@"), name)),
            false);
        return true;
    }

    const QString relativePath = relativePathForSource(&source, destFolder, rootSource);
    {
        std::lock_guard lock(m_mutex);
        m_currentPath = joinPath(destFolder->realPath(), name);
        m_currentSource = source;
    }
    const bool isFolder = source->folder();
    const MivFileDataPtr destItem = destFolder->createChild(name, isFolder);
    const bool destExists = destItem && record->destExists(destItem);
    MIV_LOG_DEBUG(QStringLiteral("<==> PROCESS PATH: %1 (%2)")
                      .arg(loggablePath(currentPath()), isFolder ? QStringLiteral("FOLDER") : QStringLiteral("FILE")));

    m_reexecuteByOverride = false;
    bool result = false;
    if (processOverride(source, destItem, destFolder, name, rootSource, destExists, error, &result))
        return result;

    writeContexts(source, destFolder, destItem);
    const bool bothLocal = !record->compressOperation() && source->isLocalFile() && destFolder->isLocalFile();
    const bool delegate = record->mergeFolders() ? !(destExists && isFolder) : !(destExists && m_merge && isFolder);

    if (!relativePath.isNull()) {
        processSymlink(source, relativePath, destFolder, name, destExists, error);
        return true;
    }
    if (delegate && bothLocal)
        return processLocalOperation(source, destFolder, name, error);
    if (isFolder) {
        bool folderResult = true;
        if (processFolder(source, destItem, destFolder, name, destExists, rootSource, &folderResult, error))
            return folderResult;
        return true;
    }
    return processFile(source, destItem, error);
}

void MivFileOperationProcessor::writeContexts(const MivFileDataPtr& source, const MivFileDataPtr& destFolder,
                                              const MivFileDataPtr& destItem)
{
    const auto record = operation();
    std::lock_guard lock(m_mutex);
    const MivCopyContextPtr sourceContext = record->sourceContext();
    const MivCopyContextPtr destContext = record->destContext();
    const QString objectKey = QLatin1String(MivFileOperationData::kContextObjectKey);
    if (sourceContext)
        sourceContext->setValue(objectKey, QVariant::fromValue(source));
    if (destContext) {
        destContext->setValue(objectKey, QVariant::fromValue(destFolder));
        if (!destContext->value(QStringLiteral("destination")).isValid())
            destContext->setValue(QStringLiteral("destination"), QVariant::fromValue(destItem));
    }
    if (record->localAction()) {
        if (sourceContext)
            sourceContext->setValue(QStringLiteral("local"), QStringLiteral("local"));
        if (destContext)
            destContext->setValue(QStringLiteral("local"), QStringLiteral("local"));
    }
}

QString MivFileOperationProcessor::relativePathForSource(MivFileDataPtr* source, const MivFileDataPtr& destFolder,
                                                         const MivFileDataPtr& rootSource)
{
    const auto linkSupport = std::dynamic_pointer_cast<IMivLinkSupport>(*source);
    if (!(*source)->link() || !linkSupport)
        return QString();
    const MivFileDataPtr target = linkSupport->resolveLink();
    if (!target)
        return QString();
    if (!std::dynamic_pointer_cast<IMivLinkSupport>(destFolder)) {
        *source = target;
        return QString();
    }
    const auto record = operation();
    const QString rootPath = rootSource->realPath();
    const QString destBase = joinPath(record->dest()->realPath(), plat::PathString::lastPathComponent(rootPath));
    const QString relDest = MivFileUtils::relativePathFor(QString(), destFolder->realPath(), destBase);
    const QString relPath = MivFileUtils::relativePathFor(relDest, target->realPath(), rootPath);
    MIV_LOG_DEBUG(QStringLiteral("Dest base: %1, relative dest: %2, relative Path: %3")
                      .arg(loggablePath(destBase), loggablePath(relDest), loggablePath(relPath)));
    if (relPath.isNull()) {
        // Outside the copied tree: the copy gets what the link points to.
        *source = target;
        return QString();
    }
    return relPath;
}

bool MivFileOperationProcessor::processSymlink(const MivFileDataPtr& source, const QString& relativePath,
                                               const MivFileDataPtr& destFolder, const QString& name, bool destExists,
                                               plat::Error* error)
{
    const auto record = operation();
    if (destExists) {
        const auto existing = std::dynamic_pointer_cast<IMivRemovable>(destFolder->createChild(name, false));
        if (existing && existing->remove()) {
            if (error)
                *error = plat::Error();
            return false;
        }
    }
    const auto linkSupport = std::dynamic_pointer_cast<IMivLinkSupport>(destFolder);
    MIV_LOG_DEBUG(QStringLiteral("Create symlink for relative path: %1").arg(loggablePath(relativePath)));
    plat::Error linkError;
    const MivFileDataPtr link =
        linkSupport->createSymbolicLinkWithName(name, relativePath, source, record->destContext(), &linkError);
    if (linkError) {
        if (error)
            *error = linkError;
        return false;
    }
    if (const auto copyable = std::dynamic_pointer_cast<IMivCopyFile>(link); copyable && record->copyAttributes()) {
        plat::Error attributesError;
        if (!copyable->copyAttributes(source, record->copyFilePermissions(), record->destContext(), &attributesError))
            MIV_LOG_WARN(QStringLiteral("Warn when copy attrs: %1").arg(attributesError.localizedDescription()));
    }
    m_processed.append(source);
    return true;
}

bool MivFileOperationProcessor::processOverride(const MivFileDataPtr& source, const MivFileDataPtr& destItem,
                                                const MivFileDataPtr& destFolder, const QString& name,
                                                const MivFileDataPtr& rootSource, bool destExists, plat::Error* error,
                                                bool* result)
{
    const auto record = operation();
    const bool isFolder = source->folder();
    if (!destExists || (isFolder && m_merge) || (m_flags & kOverwriteFlag))
        return false;
    MIV_LOG_DEBUG(QStringLiteral("Override for source - merge: %1, exist: %2, flags: %3, dest: %4")
                      .arg(MivOperationText::boolText(m_merge), MivOperationText::boolText(destExists))
                      .arg(m_flags)
                      .arg(loggablePath(currentPath())));
    record->setOverwriteDestCtx(destItem);
    if (!m_merge) {
        // The controller settles the conflict by the option and runs the
        // step again.
        callback(MivFileOperationData::kStageRunning, kStatusDuplicate);
        m_reexecuteByOverride = true;
        *result = false;
        return true;
    }
    switch (record->option()) {
    case MivFileOperationData::kOptionAsk: {
        const qint64 previousOption = record->option();
        const bool previousMerge = record->mergeFolders();
        const OverwriteAnswerer answerer = currentAnswerer();
        MIV_LOG_DEBUG(QStringLiteral("Showing overwrite dialog for path: %1").arg(loggablePath(currentPath())));
        const std::optional<OverwriteAnswer> answer = answerer ? answerer(record, currentPath()) : std::nullopt;
        // No answer, or "ask" again, would put the same question forever:
        // it stops the step as a cancel does.
        if (!answer || answer->option == MivFileOperationData::kOptionAsk || answer->option <= 0) {
            MIV_LOG_INFO(QStringLiteral("Overwrite question without an answer for %1: cancelled").arg(loggablePath(currentPath())));
            cancel();
            *result = false;
            return true;
        }
        MIV_LOG_DEBUG(QStringLiteral("Overwrite dialog closed with option: %1").arg(answer->option));
        record->setOption(answer->option);
        if (!previousMerge)
            record->setMergeFolders(answer->merge);
        *result = processItem(source, destFolder, name, rootSource, error);
        if (!answer->forAll) {
            record->setOption(previousOption);
            record->setMergeFolders(previousMerge);
        }
        return true;
    }
    case MivFileOperationData::kOptionOverwrite:
        return false;
    case MivFileOperationData::kOptionOverwriteOlder: {
        const QDateTime destDate = destItem->modificationDate();
        const QDateTime sourceDate = source->modificationDate();
        if (destDate.isValid() && sourceDate.isValid() && destDate >= sourceDate) {
            MIV_LOG_DEBUG(QStringLiteral("Skip overwriting for path: %1 because file is newer than copied").arg(loggablePath(currentPath())));
            *result = true;
            notifySkipComplete(source);
            return true;
        }
        record->setDoAfterError(true);
        return false;
    }
    case MivFileOperationData::kOptionSkip:
        *result = true;
        notifySkipComplete(source);
        return true;
    case MivFileOperationData::kOptionRename:
        *result = processItem(source, destFolder, record->resolveNameForOverwriteRename(name), rootSource, error);
        return true;
    default:
        return false;
    }
}

void MivFileOperationProcessor::notifySkipComplete(const MivFileDataPtr& source)
{
    if (const auto record = operation())
        record->skipSource(source, currentPath());
}

bool MivFileOperationProcessor::processFolder(const MivFileDataPtr& source, const MivFileDataPtr& destItem,
                                              const MivFileDataPtr& destFolder, const QString& name, bool destExists,
                                              const MivFileDataPtr& rootSource, bool* result, plat::Error* error)
{
    const auto record = operation();
    MivFileDataPtr newFolder;
    plat::Error folderError;
    if (destExists) {
        MIV_LOG_DEBUG(QStringLiteral("Destination folder exists - doesn't create folder: %1").arg(loggablePath(currentPath())));
        newFolder = destItem;
    } else {
        try {
            if (const auto maker = std::dynamic_pointer_cast<IMivCopyFile>(destFolder))
                newFolder = maker->makeFolderWithName(name, record->destContext(), &folderError);
            else
                newFolder = destFolder->makeFolderWithName(name, &folderError);
            if (const auto copyable = std::dynamic_pointer_cast<IMivCopyFile>(newFolder); copyable && record->copyAttributes()) {
                plat::Error attributesError;
                if (!copyable->copyAttributes(source, record->copyFilePermissions(), record->destContext(), &attributesError))
                    MIV_LOG_WARN(QStringLiteral("Warn when copy attrs: %1").arg(attributesError.localizedDescription()));
            }
        } catch (const std::exception& exception) {
            MIV_LOG_ERROR(QStringLiteral("Error: %1").arg(QString::fromUtf8(exception.what())));
            folderError = MivErrorPresenter::makeErrorWithException(exception);
        }
        if (!newFolder && !folderError)
            folderError = MivErrorPresenter::makeFileOperationErrorWithCode(-34, localized("Cannot create folder %@").replace(QLatin1String("%@"), name));
    }
    *result = processResult(folderError, error);
    if (!*result)
        return true;
    if (record->recursive()) {
        plat::Error childError;
        bool childResult = true;
        if (processChildren(source, rootSource, newFolder, &childError, &childResult)) {
            *result = childResult && processResult(childError, error);
            return true;
        }
    }
    m_processed.append(source);
    return false;
}

bool MivFileOperationProcessor::processChildren(const MivFileDataPtr& sourceFolder, const MivFileDataPtr& rootSource,
                                                const MivFileDataPtr& destFolder, plat::Error* error, bool* result)
{
    plat::Error listError;
    const QList<MivFileDataPtr> children =
        sourceFolder->listElements(true, MivFileUtils::virtualSortDescriptor(), MivFileCallback(), &listError);
    if (!processResult(listError, error)) {
        *result = true;
        return true;
    }
    plat::Error pending;
    for (const MivFileDataPtr& child : children) {
        if (m_cancelled.load()) {
            MIV_LOG_DEBUG(QStringLiteral("process files cancelled on file: %1").arg(loggablePath(child->sourcePath())));
            *result = false;
            return true;
        }
        plat::Error childError;
        if (processItem(child, destFolder, QString(), rootSource, &childError)) {
            if (childError)
                pending = childError;
            continue;
        }
        *result = processResult(childError ? childError : pending, error);
        return true;
    }
    return false;
}

bool MivFileOperationProcessor::processResult(const plat::Error& found, plat::Error* error)
{
    if (!found)
        return true;
    if (error)
        *error = found;
    else
        MivErrorPresenter::presentAsyncError(found, false);
    return false;
}

bool MivFileOperationProcessor::processFile(const MivFileDataPtr& source, const MivFileDataPtr& destItem, plat::Error* error)
{
    const auto record = operation();
    MIV_LOG_INFO(QStringLiteral("Copy '%1' to '%2'").arg(loggablePath(source->realPath()), loggablePath(destItem->realPath())));
    // Whether the destination was there before this copy: a failed move may
    // remove only what it made itself, never a file the user already had.
    const bool existedBefore = destItem->exists();
    quint64 copyFlags = 0;
    if (record->copyAttributes())
        copyFlags |= MivCopyFileStreamProcessor::kCopyAttributesFlag;
    if (record->copyFilePermissions())
        copyFlags |= MivCopyFileStreamProcessor::kCopyPermissionsFlag;
    plat::Error copyError;
    const qint64 length =
        m_copyProcessor->copy(source, destItem, record->sourceContext(), record->destContext(), copyFlags, &copyError);
    if (length >= 0) {
        m_currentLength += quint64(length);
        callback(MivFileOperationData::kStageRunning, 0);
    }
    if (copyError && error)
        *error = copyError;
    if (record->operation() == MivFileOperationData::kMove) {
        destItem->refresh();
        if (length >= 0 && destItem->exists())
            removeProcessedSource(source);
        else if (!existedBefore && destItem->exists())
            removeProcessedSource(destItem);
    }
    return length >= 0;
}

bool MivFileOperationProcessor::processLocalOperation(const MivFileDataPtr& source, const MivFileDataPtr& destFolder,
                                                      const QString& name, plat::Error* error)
{
    const auto record = operation();
    MIV_LOG_DEBUG(QStringLiteral("Perform local files operation for source: %1").arg(loggablePath(source->realPath())));
    const auto data = std::make_shared<MivFileProcessingData>(source, destFolder, name, record);
    // The sub-tree's reports come on this worker's run loop, which the
    // worker turns until the final one: no other thread waits or is waited
    // for, and the record's cancel reaches the operation through fileOp.
    const quint32 flags = record->resolveFlagsForOverwriteOption();
    if (!record->prepareFileOperation())
        return processResult(record->errorForStatus(-50), error);
    // The entry itself, not what a link points to: links stay links.
    const qint32 status = record->performFileOperationForSource(source->sourcePath(), destFolder->realPath(), name, flags,
                                                                shared_from_this(), 0.25, data);
    if (!processResult(record->errorForStatus(status), error))
        return false;
    plat::RunLoop::current()->runUntil([&data] { return data->complete(); }, plat::RunLoop::Clock::time_point::max());
    record->releaseFileOperation();
    if (data->status() == kStatusCancelled)
        m_cancelled.store(true);
    if (data->status() == 0 && record->operation() == MivFileOperationData::kMove)
        return true;
    // The error was reported to the delegate through the record already.
    return data->status() == 0;
}

void MivFileOperationProcessor::doOnFileOperation(const QString& path, quint32 stage, qint32 error,
                                                  const std::optional<QVariantMap>& status,
                                                  const std::shared_ptr<MivFileProcessingData>& data)
{
    const auto record = operation();
    const QString shown = !path.isEmpty() || !data ? path : joinPath(data->dest()->realPath(), data->destName());
    if (record)
        record->progressOperation(shown, stage, error, status);
    if (stage == MivFileOperationData::kStageComplete && data) {
        data->setStatus(error);
        data->setComplete();
    }
}

void MivFileOperationProcessor::removeProcessedSource(const MivFileDataPtr& item)
{
    MIV_LOG_INFO(QStringLiteral("Removing processed source: %1").arg(loggablePath(item->realPath())));
    const auto removable = std::dynamic_pointer_cast<IMivRemovable>(item);
    if (!removable)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_currentPath = localized("DELETING: %@").replace(QLatin1String("%@"), item->name());
    }
    callback(MivFileOperationData::kStageRunning, 0);
    removable->remove();
}

void MivFileOperationProcessor::cleanMovedSourceFiles()
{
    const auto record = operation();
    if (!record || record->operation() != MivFileOperationData::kMove)
        return;
    for (const MivFileDataPtr& item : std::as_const(m_processed)) {
        // A folder still holding skipped or failed items stays with them.
        if (item->folder() && !item->link()) {
            plat::Error listError;
            item->refresh();
            if (!item->listElements(true, MivFileCallback(), &listError).isEmpty() || listError) {
                MIV_LOG_INFO(QStringLiteral("Keeping moved source folder with items left: %1").arg(loggablePath(item->realPath())));
                continue;
            }
        }
        removeProcessedSource(item);
    }
}

bool MivFileOperationProcessor::checkProcessStatus(quint64 stage, qint64 status)
{
    const double now = secondsNow();
    if (stage == MivFileOperationData::kStageRunning && status == 0 && now - m_lastEventTime <= m_changeInterval)
        return false;
    m_lastEventTime = now;
    return true;
}

void MivFileOperationProcessor::callback(quint64 stage, qint64 status)
{
    if (!checkProcessStatus(stage, status))
        return;
    localReportStatus(stage, status, m_copyProcessor->statusDictionaryForLength(m_currentLength, currentPath()));
}

void MivFileOperationProcessor::updateStatusWithMessage(const QString& message, quint64 bytesCompleted)
{
    if (!checkProcessStatus(MivFileOperationData::kStageRunning, 0))
        return;
    QVariantMap dictionary;
    dictionary.insert(QLatin1String(kFSOperationThroughputKey), 0.0);
    dictionary.insert(QLatin1String(kFSOperationTotalBytesKey), 0.0);
    dictionary.insert(QLatin1String(kFSOperationBytesCompleteKey), double(bytesCompleted));
    dictionary.insert(QLatin1String(kFSOperationMessageKey), message);
    localReportStatus(MivFileOperationData::kStageRunning, 0, dictionary);
}

void MivFileOperationProcessor::progress(const QVariant& progress, const QVariant& total, const QVariant& throughput,
                                         const QVariant& message)
{
    if (!checkProcessStatus(MivFileOperationData::kStageRunning, 0))
        return;
    QVariantMap dictionary;
    dictionary.insert(QLatin1String(kFSOperationThroughputKey), throughput.toDouble());
    dictionary.insert(QLatin1String(kFSOperationTotalBytesKey), total.toDouble());
    dictionary.insert(QLatin1String(kFSOperationBytesCompleteKey), progress.toDouble());
    dictionary.insert(QLatin1String(kFSOperationMessageKey), message.toString());
    localReportStatus(MivFileOperationData::kStageRunning, 0, dictionary);
}

void MivFileOperationProcessor::localReportStatus(quint64 stage, qint64 status, const QVariantMap& dictionary)
{
    if (const auto receiver = m_callback.lock())
        receiver->doOnFileOperation(QString(), quint32(stage), qint32(status), dictionary, nullptr);
}
