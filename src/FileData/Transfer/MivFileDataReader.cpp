#include "FileData/Transfer/MivFileDataReader.h"

#include "FileData/Transfer/DataLoader.h"
#include "FileData/IMivCopyFile.h"
#include "FileData/MivExec.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"
#include "FileData/MivMaxConcurrentTasksQueue.h"
#include "FileData/Transfer/MivStream.h"
#include "FileData/Transfer/MivStreamPump.h"
#include "platform/InputStream.h"
#include "platform/Log.h"
#include "platform/OutputStream.h"
#include "platform/Wait.h"

#include <thread>

std::shared_ptr<MivFileDataReader> MivFileDataReader::create(const MivFileDataPtr& file, quint64 bufferSize,
                                                             const MivCopyContextPtr& context)
{
    std::shared_ptr<MivFileDataReader> reader(new MivFileDataReader());
    reader->m_fileName = file ? file->name() : QString();
    reader->m_readerQueue = MivExec::createConcurrentDispatchQueueWithNameAndMaxConcurrency(
        "com.quorvex.stream-reader", 4 * std::max(1u, std::thread::hardware_concurrency()));

    auto* copyFile = dynamic_cast<IMivCopyFile*>(file.get());
    std::shared_ptr<plat::OutputStream> writeEnd;
    std::shared_ptr<plat::InputStream> readEnd;
    MivFileStreamHandler::createStreamPairWithBufferSize(bufferSize + 4, &writeEnd, &readEnd);
    auto download = copyFile ? copyFile->createDownloadDelegate() : nullptr;
    if (!download) {
        reader->close();
        return reader;
    }
    reader->m_outh = MivFileOutputStreamHandler::create(writeEnd, download, bufferSize);
    // The reader's chunk stands, whatever the delegate prefers.
    reader->m_outh->setTransferBufferSize(bufferSize);
    reader->m_outh->setDataLength(file->size());
    reader->m_outh->stream()->updateLocalForData(file);
    if (!reader->m_outh->open(context)) {
        plat::Error error;
        if (!download->fillLastError(&error))
            reader->m_lastError = error;
        reader->close();
        return reader;
    }
    reader->m_handler = std::make_shared<DataLoader>();
    reader->m_inh = MivFileInputStreamHandler::create(readEnd, reader->m_handler, bufferSize);
    reader->m_inh->setTransferBufferSize(bufferSize);
    if (!reader->m_inh->open(nullptr)) {
        reader->close();
        return reader;
    }
    reader->m_pump = MivStreamPump::create(reader->m_outh, reader->m_inh);
    std::weak_ptr<MivFileDataReader> weak = reader;
    reader->m_pump->setChunkObserver([weak](bool drained) {
        if (auto self = weak.lock()) {
            if (!drained)
                MIV_LOG_DEBUG(QStringLiteral("Reader of %1 failed to collect: %2")
                                  .arg(self->m_fileName, self->m_inh->lastError().description()));
            std::lock_guard lock(self->m_mutex);
            self->m_cond.notify_all();
            plat::wakeMainWaiters();
        }
        return true;
    });
    return reader;
}

MivFileDataReader::~MivFileDataReader()
{
    close();
}

std::optional<QByteArray> MivFileDataReader::read()
{
    if (m_handler) {
        QByteArray bytes = m_handler->takeBuffer();
        if (!bytes.isEmpty())
            return bytes;
    }
    std::unique_lock lock(m_mutex);
    if (m_closed) {
        if (!m_lastError && m_outh)
            m_lastError = m_outh->lastError();
        return std::nullopt;
    }
    if (!m_started) {
        m_started = true;
        auto self = shared_from_this();
        MivExec::runAsync([self] { self->readAsync(); }, m_readerQueue);
    }
    // A predicate wait: a notice that came before we got here is not lost.
    plat::waitUntil(lock, m_cond, [this] { return m_closed || !m_handler->isEmpty(); });
    return m_handler->takeBuffer();
}

void MivFileDataReader::readAsync()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
    }
    if (!m_pump->run()) {
        std::lock_guard lock(m_mutex);
        m_lastError = m_pump->lastError();
    }
    close();
}

void MivFileDataReader::close()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_closed = true;
    }
    if (m_outh)
        m_outh->close();
    if (m_inh)
        m_inh->close();
    std::lock_guard lock(m_mutex);
    m_cond.notify_all();
    plat::wakeMainWaiters();
}

bool MivFileDataReader::closed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

plat::Error MivFileDataReader::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void MivFileDataReader::setLastError(const plat::Error& error)
{
    std::lock_guard lock(m_mutex);
    m_lastError = error;
}
