#include "FileData/Transfer/MivFileStreamHandler.h"

#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/Transfer/IMivStreamHandlerDelegateCancel.h"
#include "FileData/Transfer/IMivStreamHandlerDelegateProgress.h"
#include "FileData/Transfer/IMivStreamHandlerOperationDelegate.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/Transfer/MivStream.h"
#include "FileData/Transfer/MivTransferClock.h"
#include "platform/BoundStreamPair.h"

#include <QCoreApplication>

#include <algorithm>
#include <stdexcept>

namespace {
// Chunk size when a caller asks for none.
constexpr quint64 kFallbackBufferSize = 65536;
} // namespace

void MivFileStreamHandler::createStreamPairWithBufferSize(quint64 bufferSize, std::shared_ptr<plat::OutputStream>* output,
                                                          std::shared_ptr<plat::InputStream>* input)
{
    plat::BoundStreamPair::create(std::min(bufferSize, kMaxPairBufferSize), output, input);
}

MivFileStreamHandler::MivFileStreamHandler(std::shared_ptr<IMivStreamHandlerDelegate> delegate)
    : m_delegate(std::move(delegate))
    , m_delegateToClose(m_delegate)
{
}

MivFileStreamHandler::~MivFileStreamHandler() = default;

void MivFileStreamHandler::initWithStream(const std::shared_ptr<plat::Stream>& stream, quint64 bufferSize)
{
    m_stream = createStream(stream);
    m_timeout = kDefaultTimeout;
    m_time = 0;
    m_lastTime = 0;
    m_length = 0;
    initializeBufferSize(bufferSize);
}

void MivFileStreamHandler::initializeBufferSize(quint64 bufferSize)
{
    if (bufferSize == 0)
        bufferSize = kFallbackBufferSize;
    m_nativeBufferSize = bufferSize;
    m_transferBufferSize = bufferSize;
    // A preference of 0 would make every download step look like the end of
    // the data, so only a positive preference narrows the chunk.
    const qint64 preferred = m_delegate ? m_delegate->bufferSize() : -1;
    if (preferred > 0 && quint64(preferred) < bufferSize)
        m_transferBufferSize = quint64(preferred);
}

std::shared_ptr<MivStream> MivFileStreamHandler::createStream(const std::shared_ptr<plat::Stream>&)
{
    throw std::logic_error("You must override createStream in a subclass");
}

int MivFileStreamHandler::process()
{
    throw std::logic_error("You must override process in a subclass");
}

void MivFileStreamHandler::setDataLength(qint64 dataLength)
{
    m_dataLength = dataLength > 0 ? quint64(dataLength) : 0;
}

void MivFileStreamHandler::setTransferBufferSize(quint64 size)
{
    std::lock_guard lock(m_monitor);
    m_transferBufferSize = size > 0 ? size : m_nativeBufferSize;
    // The buffer must hold the larger chunk when a caller widens it after open.
    if (!m_buffer.empty() && m_buffer.size() < m_transferBufferSize)
        m_buffer.resize(m_nativeBufferSize + m_transferBufferSize);
}

plat::Error MivFileStreamHandler::lastError() const
{
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

void MivFileStreamHandler::setLastError(const plat::Error& error)
{
    std::lock_guard lock(m_errorMutex);
    m_lastError = error;
}

std::shared_ptr<IMivStreamHandlerOperationDelegate> MivFileStreamHandler::operationDelegate() const
{
    std::lock_guard lock(m_observerMutex);
    return m_operationDelegate.lock();
}

void MivFileStreamHandler::setOperationDelegate(const std::shared_ptr<IMivStreamHandlerOperationDelegate>& operationDelegate)
{
    {
        std::lock_guard lock(m_observerMutex);
        m_operationDelegate = operationDelegate;
    }
    auto* progressTaker = dynamic_cast<IMivStreamHandlerDelegateProgress*>(m_delegate.get());
    if (progressTaker && operationDelegate)
        progressTaker->setProgressProvider(operationDelegate->progressProvider());
}

double MivFileStreamHandler::now()
{
    return MivTransferClock::shared()->now();
}

bool MivFileStreamHandler::stalled()
{
    if (m_timeout <= 0 || m_time - m_lastTime < m_timeout)
        return false;
    setLastError(MivErrorPresenter::makeFileOperationErrorWithCode(
        -1, QCoreApplication::translate("MivFileStreamHandler", "The transfer stopped responding.")));
    return true;
}

bool MivFileStreamHandler::open(const MivCopyContextPtr& context)
{
    if (!m_stream || !m_stream->openToFileTransfer(true))
        return false;
    if (!m_delegate || !m_delegate->open(m_transferBufferSize, context))
        return false;
    processInit();
    return true;
}

void MivFileStreamHandler::processInit()
{
    std::lock_guard lock(m_monitor);
    m_buffer.assign(m_nativeBufferSize + m_transferBufferSize, 0);
    m_stream->setMaxLength(m_dataLength);
    // The stall clock starts now, so a first transient answer is not a stall.
    m_lastTime = now();
}

void MivFileStreamHandler::close()
{
    {
        std::lock_guard lock(m_monitor);
        if (m_stream)
            m_stream->close();
    }
    processClose();
}

void MivFileStreamHandler::processClose()
{
    std::shared_ptr<IMivStreamHandlerDelegate> delegate;
    {
        std::lock_guard lock(m_monitor);
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        // The delegate is closed once, however often the handler is.
        delegate = std::exchange(m_delegateToClose, nullptr);
    }
    if (delegate)
        delegate->close();
}

void MivFileStreamHandler::cancel()
{
    if (auto* cancellable = dynamic_cast<IMivStreamHandlerDelegateCancel*>(m_delegate.get()))
        cancellable->processCancelOperation();
    std::lock_guard lock(m_monitor);
    if (m_stream)
        m_stream->close();
}

bool MivFileStreamHandler::handle()
{
    const auto observer = operationDelegate();
    const double start = now();
    const quint64 startLength = m_length.load();
    quint64 previous = startLength;
    {
        // Time spent waiting for this run (the target side waits for the
        // source between runs) is no stall of this side.
        std::lock_guard lock(m_monitor);
        m_lastTime = start;
    }
    int status = kStatusContinue;
    while (status == kStatusContinue) {
        {
            std::lock_guard lock(m_monitor);
            status = process();
        }
        // Notices follow the bytes this handler moved, not the stream's
        // current length, which stands still while the size is unknown.
        const quint64 current = m_length.load();
        if (current == previous)
            continue;
        previous = current;
        double elapsed = now() - start;
        if (elapsed <= 0)
            elapsed = 0.01;
        m_throughput.store(float(double(current - startLength) / elapsed));
        if (observer && !observer->handler(shared_from_this(), status))
            status = kStatusFailed;
    }
    return handleFinish(status == kStatusFinished);
}

bool MivFileStreamHandler::handleFinish(bool ok)
{
    if (lastError())
        return ok;
    plat::Error error;
    if (m_delegate && !m_delegate->fillLastError(&error) && error) {
        setLastError(error);
        return false;
    }
    return ok;
}
