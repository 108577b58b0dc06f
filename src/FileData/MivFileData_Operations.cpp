#include "FileData/MivFileData.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/Transfer/MivRunloopOperation.h"
#include "platform/OperationQueue.h"

#include <QCoreApplication>

bool MivFileData::performOperation(const std::shared_ptr<MivRunloopOperation>& operation, plat::Error* errorRes)
{
    if (!operation) {
        plat::Error::assign(errorRes, MivErrorPresenter::makeFileOperationErrorWithCode(
                                          -1, QCoreApplication::translate("MivFileData", "There is no operation to run.")));
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
