#include "FileData/Transfer/MivFileInputStreamHandler.h"

#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/Transfer/MivFileInputStream.h"
#include "platform/InputStream.h"

#include <QCoreApplication>

std::shared_ptr<MivFileInputStreamHandler> MivFileInputStreamHandler::create(
    const std::shared_ptr<plat::InputStream>& stream, std::shared_ptr<IMivStreamHandlerDelegate> delegate,
    quint64 bufferSize)
{
    std::shared_ptr<MivFileInputStreamHandler> handler(new MivFileInputStreamHandler(std::move(delegate)));
    handler->initWithStream(stream, bufferSize);
    return handler;
}

std::shared_ptr<MivStream> MivFileInputStreamHandler::createStream(const std::shared_ptr<plat::Stream>& stream)
{
    return std::make_shared<MivFileInputStream>(std::dynamic_pointer_cast<plat::InputStream>(stream));
}

int MivFileInputStreamHandler::process()
{
    auto* input = static_cast<MivFileInputStream*>(m_stream.get());
    if (input->closed())
        return kStatusFailed;
    const qint64 count = input->readBytes(m_buffer.data(), m_transferBufferSize);
    if (count == 0)
        return kStatusFinished;
    if (count < 0) {
        plat::Error error = input->streamError();
        if (!error)
            error = MivErrorPresenter::makeFileOperationErrorWithCode(
                -1, QCoreApplication::translate("MivFileStreamHandler", "Failed reading from input stream"));
        setLastError(error);
        return kStatusFailed;
    }
    qint64 offset = 0;
    while (offset < count) {
        const qint64 taken = m_delegate->handleDataBuffer(m_buffer.data(), offset, count);
        m_time = now();
        // A transient answer takes nothing, whatever its value; an answer of
        // 0 is no progress either, so it keeps the stall clock running.
        if (m_delegate->checkResult(taken)) {
            if (stalled())
                return kStatusFailed;
            continue;
        }
        if (taken < 0)
            return kStatusFailed;
        if (taken == 0) {
            if (stalled())
                return kStatusFailed;
            continue;
        }
        m_lastTime = m_time;
        offset += std::min(taken, count - offset);
    }
    m_length += quint64(count);
    input->setCurrentLength(m_length.load());
    return kStatusContinue;
}
