#include "FileData/Transfer/MivOperationLoader.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/Transfer/MivRunloopOperation.h"
#include "platform/Wait.h"

#include <QCoreApplication>

MivOperationLoader::MivOperationLoader(MivFileDataPtr data, bool out, quint64 bufferSize)
    : MivFileLoader(std::move(data), out)
    , m_bufferSize(bufferSize)
{
}

bool MivOperationLoader::open(quint64 bufferSize, const MivCopyContextPtr&)
{
    if (!m_data)
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (m_bufferSize == 0 || m_bufferSize > bufferSize)
            m_bufferSize = bufferSize;
        m_done = false;
        m_running = true;
    }
    auto self = std::static_pointer_cast<MivOperationLoader>(shared_from_this());
    MivExec::runAsync([self] { self->runAsynch(); }, m_loaderQueue);
    return true;
}

void MivOperationLoader::processCancelOperation()
{
    if (auto operation = currentOperation(); operation && !operation->isCancelled())
        operation->cancel();
}

bool MivOperationLoader::done() const
{
    std::lock_guard lock(m_mutex);
    return m_done;
}

void MivOperationLoader::setDone(bool done)
{
    std::lock_guard lock(m_mutex);
    m_done = done;
    notifyLocked();
}

std::optional<QByteArray> MivOperationLoader::operationBuffer() const
{
    std::lock_guard lock(m_mutex);
    return m_operationBuffer;
}

std::shared_ptr<MivRunloopOperation> MivOperationLoader::currentOperation() const
{
    std::lock_guard lock(m_mutex);
    return m_currentOperation;
}

quint64 MivOperationLoader::transitBufferSize() const
{
    std::lock_guard lock(m_mutex);
    return m_bufferSize;
}

void MivOperationLoader::setCurrentOperation(const std::shared_ptr<MivRunloopOperation>& operation)
{
    std::lock_guard lock(m_mutex);
    m_currentOperation = operation;
}

void MivOperationLoader::notifyLocked()
{
    m_cond.notify_all();
    plat::wakeMainWaiters();
}

plat::Error MivOperationLoader::noOperationError()
{
    return MivErrorPresenter::makeFileOperationErrorWithCode(
        -1, QCoreApplication::translate("MivOperationLoader", "There is no operation to run the transfer."));
}
