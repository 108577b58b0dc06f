#include "FileData/Extensions/MivOperationFileData.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivRunloopOperation.h"
#include "platform/OperationQueue.h"

#include <QCoreApplication>

namespace MivOperationFileData {

bool performOperation(const MivFileData&, const std::shared_ptr<MivRunloopOperation>& operation, plat::Error* errorRes)
{
    if (!operation) {
        plat::Error::assign(errorRes, MivErrorPresenter::makeFileOperationErrorWithCode(
                                          -1, QCoreApplication::translate("MivOperationFileData", "There is no operation to run.")));
        return false;
    }
    const auto queue = MivExec::createBackgroundOperationQueueWithName(QStringLiteral("run-loop-operation-queue"));
    queue->addOperation(operation);
    operation->waitUntilFinished();
    const plat::Error error = operation->error();
    if (!error)
        return true;
    if (errorRes)
        *errorRes = error;
    else
        MivErrorPresenter::presentError(error);
    return false;
}

} // namespace MivOperationFileData
