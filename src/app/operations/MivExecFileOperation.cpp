#include "app/operations/MivExecFileOperation.h"

#include "app/operations/MivFileOperationData.h"
#include "app/operations/MivFileOperationProcessor.h"
#include "platform/Log.h"

qint32 MivExecFileOperation(const std::shared_ptr<MivFileOperationData>& operation, quint32 flags,
                            const std::shared_ptr<IMivFileOperationCallback>& callback, double changeInterval)
{
    if (!operation)
        return 0;
    MIV_LOG_DEBUG(QStringLiteral("[%1] EXECUTE with flags: %2, with change interval: %3")
                      .arg(operation->uuid())
                      .arg(flags)
                      .arg(changeInterval));
    if (operation->localSystemOperation()) {
        // The local operation keeps links as links and handles every kind
        // of entry whole.
        return operation->performFileOperationForSource(operation->sourcePath(), operation->destPath(),
                                                         operation->destName(), flags, callback, changeInterval, nullptr);
    }
    if (operation->copyOrMoveOperation() || operation->compressOperation()) {
        const auto processor = MivFileOperationProcessor::create(operation);
        operation->setProcessor(processor);
        processor->setChangeInterval(changeInterval);
        return processor->processWithCallback(callback, flags);
    }
    return 0;
}
