#include "FileData/Transfer/MivOperationDownloader.h"

#include "FileData/Transfer/IMivDownloadOperation.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivRunloopOperation.h"
#include "platform/Wait.h"

#include <cstring>

MivOperationDownloader::MivOperationDownloader(MivFileDataPtr data, quint64 bufferSize)
    : MivOperationLoader(std::move(data), false, bufferSize)
{
}

void MivOperationDownloader::runAsynch()
{
    const auto operation = createRunloopOperation();
    setCurrentOperation(operation);
    plat::Error error;
    if (!m_data || !operation) {
        // Without a request no data will come: end the transfer with an error.
        error = noOperationError();
    } else {
        auto self = std::static_pointer_cast<MivOperationDownloader>(shared_from_this());
        if (auto* download = dynamic_cast<IMivDownloadOperation*>(operation.get()))
            download->setLoader(std::weak_ptr<IMivDownloaderProtocol>(self));
        m_data->performOperation(operation, &error);
    }
    std::lock_guard lock(m_mutex);
    m_error = error;
    m_done = true;
    m_running = false;
    notifyLocked();
}

void MivOperationDownloader::handleDataChunk(const QByteArray& data)
{
    std::lock_guard lock(m_mutex);
    if (!m_operationBuffer)
        m_operationBuffer.emplace();
    m_operationBuffer->append(data);
    notifyLocked();
}

qint64 MivOperationDownloader::handleDataBuffer(char* buffer, qint64, qint64 length)
{
    std::unique_lock lock(m_mutex);
    qint64 n = 0;
    if (m_operationBuffer) {
        n = std::min<qint64>(length, m_operationBuffer->size());
        std::memcpy(buffer, m_operationBuffer->constData(), size_t(n));
        if (n == m_operationBuffer->size())
            m_operationBuffer.reset();
        else
            m_operationBuffer = m_operationBuffer->mid(n);
    }
    if (n == 0) {
        // Nothing yet: wait for data or the end, so the pump does not spin.
        plat::waitUntil(lock, m_cond, [this] { return m_operationBuffer.has_value() || m_done; });
    }
    return n;
}

bool MivOperationDownloader::checkResult(qint64 result)
{
    if (result != 0)
        return false;
    std::lock_guard lock(m_mutex);
    return !m_done || m_operationBuffer.has_value();
}

void MivOperationDownloader::close()
{
    std::lock_guard lock(m_mutex);
    m_done = true;
    notifyLocked();
}

void MivOperationDownloader::flush()
{
    std::lock_guard lock(m_mutex);
    notifyLocked();
}

bool MivOperationDownloader::fillLastError(plat::Error* error)
{
    if (!error)
        return true;
    std::lock_guard lock(m_mutex);
    *error = m_error ? m_error : remError();
    return false;
}
