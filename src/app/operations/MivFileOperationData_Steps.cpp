// The step side of the operation record: the local file operation of one
// source, the overwrite flags, and the turning of status reports into the
// delegate's progress and error calls.
#include "app/operations/MivFileOperationData.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/IMivFileOperationCallback.h"
#include "app/operations/IMivOperationStep.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "app/operations/MivOperationText.h"
#include "platform/Error.h"
#include "platform/LocalFileOperation.h"
#include "platform/Log.h"
#include "platform/PathString.h"
#include "platform/RunLoop.h"

#include <algorithm>

using MivOperationText::localized;

namespace {

constexpr qint32 kStatusAccessDenied = -5000;
constexpr qint32 kStatusCancelled = -128;
constexpr qint32 kStatusDuplicate = -48;
constexpr qint32 kStatusNotFound = -43;

const char* const kAccessDeniedText = "Insufficient access privileges for operation";
const char* const kCancelledText = "Operation cancelled by user";
const char* const kNotFoundText = "Source file not found";

// The record's handle on the local file operation of the current step.
class LocalOperationStep : public IMivOperationStep
{
public:
    explicit LocalOperationStep(std::shared_ptr<plat::LocalFileOperation> operation) : m_operation(std::move(operation)) {}
    void cancel() override { m_operation->cancel(); }
    const std::shared_ptr<plat::LocalFileOperation>& operation() const { return m_operation; }

private:
    std::shared_ptr<plat::LocalFileOperation> m_operation;
};

} // namespace

bool MivFileOperationData::prepareFileOperation()
{
    releaseFileOperation();
    auto operation = plat::LocalFileOperation::create();
    const qint32 status = operation->scheduleWithRunLoop(plat::RunLoop::current());
    if (status != 0) {
        MIV_LOG_WARN(QStringLiteral("Failed to schedule operation: %1").arg(status));
        return false;
    }
    setFileOp(std::make_shared<LocalOperationStep>(std::move(operation)));
    return true;
}

void MivFileOperationData::releaseFileOperation() { setFileOp(nullptr); }

qint32 MivFileOperationData::performFileOperationForSource(const QString& source, const QString& destPath,
                                                           const QString& destName, quint32 flags,
                                                           const std::shared_ptr<IMivFileOperationCallback>& callback,
                                                           double statusChangeInterval,
                                                           const std::shared_ptr<MivFileProcessingData>& processingData)
{
    const auto step = std::dynamic_pointer_cast<LocalOperationStep>(fileOp());
    if (!step)
        return -50;
    // The operation holds the callback until its final report, so the
    // receiver of a step outlives a dropped action.
    const auto report = [callback, processingData](const QString& path, quint32 stage, qint32 status,
                                                   const QVariantMap& dictionary) {
        if (callback)
            callback->doOnFileOperation(path, stage, status, dictionary, processingData);
    };
    const auto& operation = step->operation();
    qint32 status = 0;
    switch (this->operation()) {
    case kCopy:
        MIV_LOG_DEBUG(QStringLiteral("----->>> Execute local copy: %1 to %2 with flags: %3").arg(source, destPath).arg(flags));
        status = operation->copyObject(source, destPath, destName, flags, report, statusChangeInterval);
        break;
    case kMove:
        MIV_LOG_DEBUG(QStringLiteral("----->>> Execute local move: %1 to %2 with flags: %3").arg(source, destPath).arg(flags));
        status = operation->moveObject(source, destPath, destName, flags, report, statusChangeInterval);
        break;
    case kMoveToTrash:
        MIV_LOG_DEBUG(QStringLiteral("----->>> Execute move to trash: %1 with flags: %2").arg(source).arg(flags));
        status = operation->moveObjectToTrash(source, flags, report, statusChangeInterval);
        MIV_LOG_DEBUG(QStringLiteral("move to trash status: %1").arg(status));
        break;
    default:
        MIV_LOG_ERROR(QStringLiteral("Failed to begin asynchronous operation: UNKNOWN operation type"));
        return 0;
    }
    return status;
}

quint32 MivFileOperationData::resolveFlagsForOverwriteOption()
{
    quint32 flags = 0;
    switch (option()) {
    case kOptionRename:
        if (doAfterError()) {
            const QString name = destName().isNull() ? plat::PathString::lastPathComponent(sourcePath()) : destName();
            setDestName(resolveNameForOverwriteRename(name));
        }
        break;
    case kOptionOverwriteOlder:
        flags = doAfterError() ? plat::LocalFileOperation::kOverwrite : 0;
        break;
    case kOptionOverwrite:
        flags = plat::LocalFileOperation::kOverwrite;
        break;
    default:
        break;
    }
    setDoAfterError(false);
    return flags;
}

bool MivFileOperationData::progressOperation(const QString& path, quint32 stage, qint32 error,
                                             const std::optional<QVariantMap>& status)
{
    const QString message = convertStatusError(path, error);
    bool result = true;
    double bytes = 0;
    if (error == 0) {
        if (status)
            bytes = updateProgress(path, asyncDelegate(), stage, *status);
    } else {
        result = processError(path, asyncDelegate(), error, message, &stage);
    }
    MIV_LOG_DEBUG(QStringLiteral("[%1] Operation progress - bytes: %2, path: %3, stage: %4")
                      .arg(uuid())
                      .arg(bytes)
                      .arg(MivOperationText::loggablePath(path))
                      .arg(stage));
    return result;
}

double MivFileOperationData::updateProgress(const QString& path, const std::shared_ptr<IMivAsyncActionDelegate>& delegate,
                                            quint32 stage, const QVariantMap& status)
{
    const double throughput = getDictValue(status, kFSOperationThroughputKey);
    const double totalBytes = getDictValue(status, kFSOperationTotalBytesKey);
    const double bytesComplete = getDictValue(status, kFSOperationBytesCompleteKey);
    if (!delegate || path.isEmpty())
        return totalBytes;
    const double bytesTotal = size() > 0 ? double(size()) : totalBytes;
    double bytesCompleted = 0;
    if (stage == kStageComplete)
        addToTotal(qint64(totalBytes));
    else
        bytesCompleted = std::max(0.0, bytesComplete);
    delegate->didReceiveCurrentPath(path, quint64(bytesCompleted), quint64(std::max(0.0, bytesTotal)),
                                    std::max(0.0, throughput), int(stage), shared_from_this());
    return totalBytes;
}

bool MivFileOperationData::processError(const QString& path, const std::shared_ptr<IMivAsyncActionDelegate>& delegate,
                                        qint32 error, const QString& errorMessage, quint32* stage)
{
    setDoAfterError(true);
    bool result = true;
    if (delegate) {
        const plat::Error reported = MivErrorPresenter::errorFromStatus(error, errorMessage);
        result = delegate->didReceiveOperationError(reported, errorMessage, shared_from_this(), path);
    }
    if (result && stage)
        *stage = kStageComplete;
    setOverwriteDestCtx(nullptr);
    return result;
}

QString MivFileOperationData::convertStatusError(const QString& path, qint32 error)
{
    switch (error) {
    case kStatusAccessDenied:
        return localized(kAccessDeniedText);
    case kStatusCancelled:
        return localized(kCancelledText);
    case kStatusNotFound:
        return localized(kNotFoundText);
    case kStatusDuplicate:
        if (!overwriteDestCtx()) {
            setOverwriteDestCtx(operation() == kDecompress
                                    ? MivFileDataManager::makeInstanceForString(path, true)
                                    : prepareOverwriteContext());
        }
        return localized("File with name : %@ already exists in destination folder").replace(QLatin1String("%@"), path);
    default:
        return QString();
    }
}

plat::Error MivFileOperationData::errorForStatus(qint32 status) const
{
    if (status == 0)
        return plat::Error();
    QString detail;
    if (status == kStatusAccessDenied)
        detail = localized(kAccessDeniedText);
    else if (status == kStatusNotFound)
        detail = localized(kNotFoundText);
    const QString message = localized("Failed to begin asynchronous operation: Failure code: %d. %@")
                                .replace(QLatin1String("%d"), QString::number(status))
                                .replace(QLatin1String("%@"), detail);
    MIV_LOG_ERROR(QStringLiteral("File Operation error: %1").arg(message));
    return MivErrorPresenter::errorFromStatus(status, message);
}

double MivFileOperationData::getDictValue(const std::optional<QVariantMap>& dict, const char* key)
{
    if (!dict)
        return 0;
    const auto found = dict->constFind(QLatin1String(key));
    return found == dict->constEnd() ? 0 : found->toDouble();
}
