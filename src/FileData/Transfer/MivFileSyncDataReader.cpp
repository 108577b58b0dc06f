#include "FileData/Transfer/MivFileSyncDataReader.h"

#include "FileData/IMivCopyFile.h"
#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileStreamHandler.h"
#include "FileData/Transfer/MivTransferClock.h"

#include <QCoreApplication>

MivFileSyncDataReader::MivFileSyncDataReader(const MivFileDataPtr& file, qint64 bufferSize,
                                             const MivCopyContextPtr& context)
{
    auto* copyFile = dynamic_cast<IMivCopyFile*>(file.get());
    auto delegate = copyFile ? copyFile->createDownloadDelegate() : nullptr;
    if (!delegate || bufferSize <= 0)
        return;
    if (!delegate->open(quint64(bufferSize), context)) {
        plat::Error error;
        if (!delegate->fillLastError(&error))
            m_lastError = error;
        delegate->close();
        return;
    }
    m_delegate = std::move(delegate);
    m_bufferSize = bufferSize;
    m_buffer.resize(size_t(bufferSize) + 10);
}

MivFileSyncDataReader::~MivFileSyncDataReader()
{
    close();
}

std::optional<QByteArray> MivFileSyncDataReader::read()
{
    std::lock_guard lock(m_mutex);
    if (!m_delegate || m_buffer.empty())
        return std::nullopt;
    const auto clock = MivTransferClock::shared();
    const double start = clock->now();
    qint64 n = m_delegate->handleDataBuffer(m_buffer.data(), 0, m_bufferSize);
    while (m_delegate->checkResult(n)) {
        // A delegate that never gives a real answer must not hold the
        // caller for ever.
        if (clock->now() - start >= MivFileStreamHandler::kDefaultTimeout) {
            m_lastError = MivErrorPresenter::makeFileOperationErrorWithCode(
                -1, QCoreApplication::translate("MivFileStreamHandler", "The transfer stopped responding."));
            return std::nullopt;
        }
        n = m_delegate->handleDataBuffer(m_buffer.data(), 0, m_bufferSize);
    }
    plat::Error error;
    if (!m_delegate->fillLastError(&error))
        m_lastError = error;
    if (n >= 1)
        return QByteArray(m_buffer.data(), qsizetype(n));
    return std::nullopt;
}

void MivFileSyncDataReader::close()
{
    std::shared_ptr<IMivStreamHandlerDelegate> delegate;
    {
        std::lock_guard lock(m_mutex);
        delegate = std::exchange(m_delegate, nullptr);
        m_buffer.clear();
        m_buffer.shrink_to_fit();
    }
    if (delegate)
        delegate->close();
}

bool MivFileSyncDataReader::closed() const
{
    std::lock_guard lock(m_mutex);
    return !m_delegate || m_buffer.empty();
}

plat::Error MivFileSyncDataReader::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void MivFileSyncDataReader::setLastError(const plat::Error& error)
{
    std::lock_guard lock(m_mutex);
    m_lastError = error;
}
