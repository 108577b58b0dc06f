#include "FileData/Transfer/MivOperationUploader.h"

#include "FileData/Transfer/IMivUploadOperation.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivLoaderInputStream.h"
#include "FileData/Transfer/MivRunloopOperation.h"
#include "platform/Wait.h"

#include <limits>

MivOperationUploader::MivOperationUploader(MivFileDataPtr data, quint64 bufferSize)
    : MivOperationLoader(std::move(data), true, bufferSize)
{
}

void MivOperationUploader::setTarget(const MivFileDataPtr& target)
{
    m_datalen.store(target ? std::max<qint64>(target->size(), 0) : 0);
    MivOperationLoader::setTarget(target);
}

void MivOperationUploader::runAsynch()
{
    const auto operation = createRunloopOperation();
    setCurrentOperation(operation);
    if (!m_data || !operation) {
        // Nothing will ever take the bytes: fail the transfer now rather
        // than leave the pump and close waiting.
        endRequest(noOperationError());
        return;
    }
    auto self = std::static_pointer_cast<MivOperationUploader>(shared_from_this());
    if (auto* upload = dynamic_cast<IMivUploadOperation*>(operation.get())) {
        upload->setInputStream(MivLoaderInputStream::create(self));
        upload->setLength(quint64(m_datalen.load()));
        upload->setLoader(std::weak_ptr<IMivUploaderProtocol>(self));
        upload->setFileName(m_data->name());
    }
    plat::Error error;
    m_data->performOperation(operation, &error);
    endRequest(error);
}

void MivOperationUploader::endRequest(const plat::Error& error)
{
    std::lock_guard lock(m_mutex);
    m_error = error;
    if (error)
        m_lastWriteLength.store(std::numeric_limits<quint64>::max());
    m_done = true;
    m_running = false;
    notifyLocked();
}

qint64 MivOperationUploader::handleDataBuffer(char* buffer, qint64 offset, qint64 length)
{
    std::unique_lock lock(m_mutex);
    if (!m_closing && !m_done) {
        if (!m_operationBuffer)
            m_operationBuffer.emplace();
        m_operationBuffer->append(buffer + offset, length - offset);
        notifyLocked();
    }
    // Back-pressure: the pump waits while more than a chunk is in transit.
    plat::waitUntil(lock, m_cond, [this] {
        return m_closing || m_done || !m_operationBuffer || quint64(m_operationBuffer->size()) <= m_bufferSize;
    });
    return length - offset;
}

std::optional<QByteArray> MivOperationUploader::handleDataChunk(const std::shared_ptr<plat::Stream>&, quint64 maxLength)
{
    m_lastWriteLength.store(0);
    std::unique_lock lock(m_mutex);
    plat::waitUntil(lock, m_cond, [this] { return m_operationBuffer.has_value() || m_done; });
    std::optional<QByteArray> taken;
    if (m_operationBuffer) {
        if (quint64(m_operationBuffer->size()) > maxLength) {
            taken = m_operationBuffer->left(qsizetype(maxLength));
            // A new buffer for the rest: the request keeps what it took.
            m_operationBuffer = m_operationBuffer->mid(qsizetype(maxLength));
        } else {
            taken = std::move(*m_operationBuffer);
            m_operationBuffer.reset();
        }
        m_lastWriteLength.store(quint64(taken->size()));
    }
    notifyLocked();
    return taken;
}

void MivOperationUploader::close()
{
    std::unique_lock lock(m_mutex);
    m_closing = true;
    // The body stream still takes what waits in transit, then reports its
    // end, and the request ends.
    m_done = true;
    notifyLocked();
    plat::waitUntil(lock, m_cond, [this] { return !m_running; });
}

bool MivOperationUploader::fillLastError(plat::Error* error)
{
    if (!error)
        return true;
    std::lock_guard lock(m_mutex);
    *error = m_error ? m_error : remError();
    return false;
}
