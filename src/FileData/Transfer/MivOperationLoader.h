#pragma once

#include "FileData/Transfer/IMivLoaderProtocol.h"
#include "FileData/Transfer/IMivStreamHandlerDelegateCancel.h"
#include "FileData/Transfer/MivFileLoader.h"

#include <QByteArray>

#include <condition_variable>
#include <optional>

// Bridges the pump's synchronous chunk calls to a request that runs by
// itself on a run loop (see the two subclasses). The request runs on the
// loader's queue from open on; one mutex guards the bytes in transit and the
// flags, and every wait is a predicate wait on one condition.
class MivOperationLoader : public MivFileLoader, public virtual IMivLoaderProtocol, public IMivStreamHandlerDelegateCancel
{
public:
    // bufferSize: the largest chunk the loader holds back; 0 takes the
    // pump's chunk size at open.
    MivOperationLoader(MivFileDataPtr data, bool out, quint64 bufferSize = 0);

    bool open(quint64 bufferSize, const MivCopyContextPtr& context) override;
    std::shared_ptr<MivRunloopOperation> createRunloopOperation() override { return nullptr; }
    std::shared_ptr<IOperationProgressProvider> progressProvider() const override
    {
        return MivFileLoader::progressProvider();
    }
    void processCancelOperation() override;

    bool done() const;
    void setDone(bool done);
    std::optional<QByteArray> operationBuffer() const;
    std::shared_ptr<MivRunloopOperation> currentOperation() const;
    // The largest chunk held back (the pump's preference stays bufferSize()).
    quint64 transitBufferSize() const;

protected:
    // Runs on the loader's queue: makes and performs the request.
    virtual void runAsynch() {}
    // The error for a transfer that has no request to run.
    static plat::Error noOperationError();
    void setCurrentOperation(const std::shared_ptr<MivRunloopOperation>& operation);
    // Every change under m_mutex that a waiter may look for notifies it.
    void notifyLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    quint64 m_bufferSize = 0;
    bool m_done = false;
    // Absent: no transit buffer.
    std::optional<QByteArray> m_operationBuffer;
    plat::Error m_error;
    // The request was started on the queue and has not yet ended.
    bool m_running = false;

private:
    std::shared_ptr<MivRunloopOperation> m_currentOperation;
};
