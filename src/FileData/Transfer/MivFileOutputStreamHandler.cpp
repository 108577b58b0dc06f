#include "FileData/Transfer/MivFileOutputStreamHandler.h"

#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/Transfer/MivFileOutputStream.h"
#include "platform/Log.h"
#include "platform/OutputStream.h"

#include <QCoreApplication>

std::shared_ptr<MivFileOutputStreamHandler> MivFileOutputStreamHandler::create(
    const std::shared_ptr<plat::OutputStream>& stream, std::shared_ptr<IMivStreamHandlerDelegate> delegate,
    quint64 bufferSize)
{
    std::shared_ptr<MivFileOutputStreamHandler> handler(new MivFileOutputStreamHandler(std::move(delegate)));
    handler->initWithStream(stream, bufferSize);
    return handler;
}

std::shared_ptr<MivStream> MivFileOutputStreamHandler::createStream(const std::shared_ptr<plat::Stream>& stream)
{
    return std::make_shared<MivFileOutputStream>(std::dynamic_pointer_cast<plat::OutputStream>(stream));
}

namespace {

// The stream's own error, or one of ours when the stream has none (a full
// pair reports no error of its own).
plat::Error streamFailure(const MivStream& stream, const char* what)
{
    const plat::Error error = stream.streamError();
    if (error)
        return error;
    return MivErrorPresenter::makeFileOperationErrorWithCode(-1, QCoreApplication::translate("MivFileStreamHandler", what));
}

} // namespace

int MivFileOutputStreamHandler::process()
{
    auto* output = static_cast<MivFileOutputStream*>(m_stream.get());
    if (output->closed())
        return kStatusFailed;
    m_time = now();
    const qint64 n = m_delegate->handleDataBuffer(m_buffer.data(), 0, qint64(m_transferBufferSize));
    if (m_delegate->checkResult(n))
        return stalled() ? kStatusFailed : kStatusContinue;
    m_lastTime = m_time;
    if (n > 0) {
        if (!output->writeBytes(m_buffer.data(), quint64(n))) {
            setLastError(streamFailure(*output, "Failed writing to output stream"));
            MIV_LOG_ERROR(QStringLiteral("Failed writing to output stream (status = %1)").arg(int(output->streamStatus())));
            return kStatusFailed;
        }
        m_length += quint64(n);
        output->setCurrentLength(m_length.load());
        return kStatusContinue;
    }
    if (n == 0) {
        if (output->flush())
            return kStatusFinished;
        setLastError(streamFailure(*output, "Failed flushing output stream"));
        MIV_LOG_ERROR(QStringLiteral("Failed flushing output stream (status = %1)").arg(int(output->streamStatus())));
        return kStatusFailed;
    }
    return kStatusFailed;
}
