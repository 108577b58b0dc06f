#include "FileData/Transfer/MivStreamPump.h"

#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"

std::shared_ptr<MivStreamPump> MivStreamPump::create(std::shared_ptr<MivFileOutputStreamHandler> output,
                                                     std::shared_ptr<MivFileInputStreamHandler> input)
{
    return std::shared_ptr<MivStreamPump>(new MivStreamPump(std::move(output), std::move(input)));
}

MivStreamPump::MivStreamPump(std::shared_ptr<MivFileOutputStreamHandler> output,
                             std::shared_ptr<MivFileInputStreamHandler> input)
    : m_output(std::move(output))
    , m_input(std::move(input))
{
}

bool MivStreamPump::drain()
{
    const bool drained = m_input->handle();
    if (m_chunkObserver && !m_chunkObserver(drained))
        return false;
    return drained;
}

bool MivStreamPump::run()
{
    m_output->setOperationDelegate(shared_from_this());
    const bool pumped = m_output->handle();
    // The last chunk may still wait in the pair when the source's notices
    // stopped early; draining an empty pair costs one read.
    const bool drained = drain();
    return pumped && drained;
}

bool MivStreamPump::finish(const MivFileDataPtr& source, bool result)
{
    if (auto upload = m_input->delegate()) {
        upload->processFinishWithSource(source, result);
        // The target side may still fail at the end, when it puts what it
        // wrote in place.
        plat::Error error;
        if (result && !m_input->lastError() && !upload->fillLastError(&error) && error) {
            m_finishError = error;
            result = false;
        }
    }
    m_output->close();
    m_input->close();
    return result;
}

plat::Error MivStreamPump::lastError() const
{
    if (const plat::Error error = m_output->lastError())
        return error;
    const plat::Error error = m_input->lastError();
    return error ? error : m_finishError;
}

std::shared_ptr<IOperationProgressProvider> MivStreamPump::progressProvider()
{
    const auto observer = m_observer.lock();
    return observer ? observer->progressProvider() : nullptr;
}

bool MivStreamPump::handler(const std::shared_ptr<MivFileStreamHandler>& handler, int didChunkProcessed)
{
    if (!drain())
        return false;
    const auto observer = m_observer.lock();
    return !observer || observer->handler(handler, didChunkProcessed);
}
