#include "app/operations/MivAsyncAction.h"

#include "FileData/MivErrorPresenter.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/MivExecFileOperation.h"
#include "app/operations/MivFileOperationData.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "app/operations/MivOperationText.h"
#include "platform/Error.h"
#include "platform/Log.h"

std::shared_ptr<MivAsyncAction> MivAsyncAction::create(const std::weak_ptr<MivFileOperationData>& operation)
{
    return std::shared_ptr<MivAsyncAction>(new MivAsyncAction(operation));
}

MivAsyncAction::~MivAsyncAction() { MIV_LOG_DEBUG(QStringLiteral("dealloc: %1").arg(description())); }

QString MivAsyncAction::description() const
{
    const auto record = operation();
    return QStringLiteral("ACTION %1 for operation: %2")
        .arg(reinterpret_cast<quintptr>(this))
        .arg(record ? record->description() : QStringLiteral("(none)"));
}

bool MivAsyncAction::execute()
{
    MIV_LOG_DEBUG(QStringLiteral("Execute action: %1").arg(description()));
    if (!prepareOperation())
        return false;
    const auto record = operation();
    if (!record || record->sourcePath().isEmpty())
        return false;
    return executeOperation();
}

bool MivAsyncAction::prepareOperation()
{
    const auto record = operation();
    return record && record->prepareFileOperation();
}

bool MivAsyncAction::executeOperation()
{
    const auto record = operation();
    if (!record)
        return false;
    const int kind = record->operation();
    // Overwriting a source with itself would destroy it: the copy gets a new
    // name instead, for this and every later source.
    if (record->option() == MivFileOperationData::kOptionOverwrite
        && (kind == MivFileOperationData::kCopy || kind == MivFileOperationData::kMove)
        && record->sourcePath() == record->destPathBySourceComponent())
        record->setOption(MivFileOperationData::kOptionRename);

    const quint32 flags = record->resolveFlagsForOverwriteOption();
    if (record->destPath().isEmpty() && kind != MivFileOperationData::kMoveToTrash) {
        const QString message = MivOperationText::localized("Failed to begin asynchronous operation: unknown destination path");
        MIV_LOG_ERROR(QStringLiteral("File Operation error: %1").arg(message));
        MivErrorPresenter::presentErrorWithCode(kNoDestinationStatus, message);
        return false;
    }
    const qint32 status = MivExecFileOperation(record, flags, shared_from_this(), kStatusChangeInterval);
    if (const plat::Error error = record->errorForStatus(status)) {
        MivErrorPresenter::presentError(error);
        return false;
    }
    return true;
}

void MivAsyncAction::doOnFileOperation(const QString& path, quint32 stage, qint32 error,
                                       const std::optional<QVariantMap>& status,
                                       const std::shared_ptr<MivFileProcessingData>&)
{
    const auto record = operation();
    if (!record)
        return;
    const auto delegate = record->asyncDelegate();
    const QString message = status ? status->value(QLatin1String(kFSOperationMessageKey)).toString() : QString();
    QString shownPath;
    if (path.isEmpty() && !message.isEmpty())
        shownPath = message;
    else if (record->operation() == MivFileOperationData::kDecompress && !path.isEmpty())
        shownPath = path;
    else
        shownPath = record->destPathBySourceComponent();

    const bool ok = record->progressOperation(shownPath, stage, error, status);
    MIV_LOG_DEBUG(QStringLiteral("[%1] Status updated - finish: %2, stage: %3, progress: %4")
                      .arg(record->uuid(), MivOperationText::boolText(ok))
                      .arg(stage)
                      .arg(status ? QStringLiteral("yes") : QStringLiteral("no")));
    // A failed step reports stage 3 too: the delegate's answer decides
    // whether it is complete or repeated; a running report never completes.
    if (ok && stage == MivFileOperationData::kStageComplete && delegate) {
        MIV_LOG_DEBUG(QStringLiteral("[%1] Async operation completed").arg(record->uuid()));
        delegate->didAsyncOperationComplete(record);
    }
}
