#include "app/operations/MivCopyFileStreamProcessor.h"

#include "FileData/IMivCopyFile.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"
#include "FileData/Transfer/MivStream.h"
#include "FileData/Transfer/MivStreamPump.h"
#include "app/operations/ICopyFileProcessorCallback.h"
#include "app/operations/MivFileOperationStatusKeys.h"
#include "platform/InputStream.h"
#include "platform/Log.h"
#include "platform/OutputStream.h"

#include <QCoreApplication>

#include <exception>

namespace {

QString describe(const MivFileDataPtr& item) { return item ? item->description() : QStringLiteral("(null)"); }

QString describeHandler(const void* handler)
{
    return handler ? QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(handler), 0, 16) : QStringLiteral("(null)");
}

// Either the caller takes the error, or the user sees it.
void deliverError(const plat::Error& error, plat::Error* out)
{
    if (out)
        *out = error;
    else
        MivErrorPresenter::presentError(error);
}

} // namespace

std::shared_ptr<MivCopyFileStreamProcessor> MivCopyFileStreamProcessor::create(
    const std::weak_ptr<ICopyFileProcessorCallback>& callback)
{
    return std::shared_ptr<MivCopyFileStreamProcessor>(new MivCopyFileStreamProcessor(callback));
}

MivCopyFileStreamProcessor::MivCopyFileStreamProcessor(const std::weak_ptr<ICopyFileProcessorCallback>& callback)
    : m_callback(callback)
{
}

std::shared_ptr<MivFileOutputStreamHandler> MivCopyFileStreamProcessor::downloader() const
{
    std::lock_guard lock(m_mutex);
    return m_downloader;
}

std::shared_ptr<MivFileInputStreamHandler> MivCopyFileStreamProcessor::uploader() const
{
    std::lock_guard lock(m_mutex);
    return m_uploader;
}

quint64 MivCopyFileStreamProcessor::calculateBufferSizeFor(const MivFileDataPtr& item)
{
    if (!item || item->folder())
        return kMinBufferSize;
    const qint64 size = item->size();
    if (size <= qint64(kMinBufferSize))
        return kMinBufferSize;
    if (size < qint64(kMaxBufferSize))
        return quint64(size) + kSmallFileBufferSlack;
    return kMaxBufferSize;
}

void MivCopyFileStreamProcessor::initializeForSource(const MivFileDataPtr& source, const MivFileDataPtr& dest,
                                                     const MivCopyContextPtr& srcContext,
                                                     const MivCopyContextPtr& destContext)
{
    MIV_LOG_DEBUG(QStringLiteral("Init source: %1, dest: %2").arg(describe(source), describe(dest)));
    m_cancelled.store(false);
    const quint64 n = calculateBufferSizeFor(source);
    std::shared_ptr<plat::OutputStream> output;
    std::shared_ptr<plat::InputStream> input;
    MivFileStreamHandler::createStreamPairWithBufferSize(2 * n, &output, &input);

    auto* sourceFile = dynamic_cast<IMivCopyFile*>(source.get());
    auto* destFile = dynamic_cast<IMivCopyFile*>(dest.get());
    std::shared_ptr<MivFileOutputStreamHandler> down;
    std::shared_ptr<MivFileInputStreamHandler> up;
    if (sourceFile && destFile && source->exists()) {
        down = std::dynamic_pointer_cast<MivFileOutputStreamHandler>(sourceFile->openStream(output, n, dest, srcContext));
        if (down)
            up = std::dynamic_pointer_cast<MivFileInputStreamHandler>(destFile->openStream(input, n, source, destContext));
    }
    MIV_LOG_DEBUG(QStringLiteral("Opened uploader: %1 and downloader: %2").arg(describeHandler(up.get()), describeHandler(down.get())));
    std::lock_guard lock(m_mutex);
    m_downloader = std::move(down);
    m_uploader = std::move(up);
    m_pump = (m_downloader && m_uploader) ? MivStreamPump::create(m_downloader, m_uploader) : nullptr;
}

qint64 MivCopyFileStreamProcessor::copy(const MivFileDataPtr& source, const MivFileDataPtr& to,
                                        const MivCopyContextPtr& srcContext, const MivCopyContextPtr& destContext,
                                        quint64 flags, plat::Error* error)
{
    MIV_LOG_DEBUG(QStringLiteral("[%1] COPY FILES STARTED").arg(describe(source)));
    qint64 result = kResultFailed;
    try {
        initializeForSource(source, to, srcContext, destContext);
        if (!m_pump) {
            MIV_LOG_DEBUG(QStringLiteral("COPY FILES --> Error - downloader or uploader NULL"));
            // A side that opened alone still holds its delegate open.
            closeResources();
            return kResultFailed;
        }
        MIV_LOG_DEBUG(QStringLiteral("COPY FILES --> Downloader: %1, Uploader: %2")
                          .arg(describeHandler(m_downloader.get()), describeHandler(m_uploader.get())));
        result = transfer(source, error);
    } catch (const std::exception& exception) {
        MIV_LOG_WARN(QStringLiteral("COPY FILES EXCEPTION: %1").arg(QString::fromLocal8Bit(exception.what())));
        closeResources();
        if (error)
            *error = MivErrorPresenter::makeErrorWithException(exception);
        else
            MivErrorPresenter::presentException(exception);
        return kResultFailed;
    } catch (...) {
        MIV_LOG_WARN(QStringLiteral("COPY FILES EXCEPTION: %1").arg(QStringLiteral("unknown exception")));
        closeResources();
        deliverError(MivErrorPresenter::makeFileOperationErrorWithCode(
                         -1, QCoreApplication::translate("MivCopyFileStreamProcessor", "The copy failed unexpectedly.")),
                     error);
        return kResultFailed;
    }

    if (result >= 0 && (flags & kCopyAttributesFlag) && to) {
        if (auto* destFile = dynamic_cast<IMivCopyFile*>(to.get())) {
            plat::Error attributesError;
            if (!destFile->copyAttributes(source, (flags & kCopyPermissionsFlag) != 0, destContext, &attributesError)
                || attributesError)
                MIV_LOG_WARN(QStringLiteral("COPY FILES --> Warn when copy attrs: %1").arg(attributesError.description()));
        }
    }
    MIV_LOG_DEBUG(QStringLiteral("[%1] COPY FILES FINISHED").arg(describe(source)));
    return result;
}

qint64 MivCopyFileStreamProcessor::transfer(const MivFileDataPtr& source, plat::Error* error)
{
    if (m_cancelled.load()) {
        MIV_LOG_DEBUG(QStringLiteral("COPY FILES --> Cancelled"));
        closeResources();
        return kResultCancelled;
    }
    report(2, 0);
    MIV_LOG_INFO(QStringLiteral("COPY FILES --> START COPYING SOURCE: %1").arg(describe(source)));
    const std::shared_ptr<MivStreamPump> pump = m_pump;
    pump->setObserver(weak_from_this());
    bool ok = pump->run();

    plat::Error failure;
    // What the source announced is what a complete copy holds: a source that
    // ends early without an error (a cut body, a closed connection) is no
    // complete copy, and a move would delete the rest of it.
    const quint64 announced = m_downloader->dataLength();
    const quint64 passed = m_downloader->length();
    if (ok && announced > 0 && passed < announced) {
        ok = false;
        failure = MivErrorPresenter::makeFileOperationErrorWithCode(
            -1, QCoreApplication::translate("MivCopyFileStreamProcessor", "The source ended after %1 of its %2 bytes.")
                    .arg(passed)
                    .arg(announced));
    }
    // The destination side keeps what it wrote only on success.
    ok = pump->finish(source, ok);
    if (!failure && !ok)
        failure = pump->lastError();
    if (!ok && !failure && m_cancelled.load())
        MIV_LOG_DEBUG(QStringLiteral("File operation processing cancelled"));
    closeResources();
    if (!ok) {
        if (failure) {
            MIV_LOG_ERROR(QStringLiteral("COPY FILES --> Downloader handle error: %1").arg(failure.description()));
            deliverError(failure, error);
        }
        return kResultFailed;
    }
    MIV_LOG_DEBUG(QStringLiteral("COPY FILES --> Downloader handle success: %1").arg(describe(source)));
    return qint64(passed);
}

void MivCopyFileStreamProcessor::closeResources()
{
    MIV_LOG_DEBUG(QStringLiteral("COPY FILES --> Closing resources"));
    std::shared_ptr<MivFileOutputStreamHandler> down;
    std::shared_ptr<MivFileInputStreamHandler> up;
    std::shared_ptr<MivStreamPump> pump;
    {
        std::lock_guard lock(m_mutex);
        down = std::move(m_downloader);
        up = std::move(m_uploader);
        pump = std::move(m_pump);
    }
    // Closing twice is harmless: each handler closes its delegate once. An
    // upload end closed without a successful finish discards what it wrote.
    if (down) {
        down->close();
        down->setOperationDelegate(nullptr);
    }
    if (up)
        up->close();
}

void MivCopyFileStreamProcessor::cancel()
{
    m_cancelled.store(true);
    std::shared_ptr<MivFileOutputStreamHandler> down;
    std::shared_ptr<MivFileInputStreamHandler> up;
    {
        std::lock_guard lock(m_mutex);
        down = m_downloader;
        up = m_uploader;
    }
    if (down)
        down->cancel();
    if (up)
        up->cancel();
}

QVariantMap MivCopyFileStreamProcessor::statusDictionaryForLength(quint64 length, const QString& message) const
{
    const auto down = downloader();
    float throughput = 0;
    quint64 total = 0;
    quint64 current = 0;
    if (down) {
        throughput = down->throughput();
        total = down->dataLength();
        current = down->length();
    }
    QVariantMap status;
    status.insert(QString::fromLatin1(kFSOperationThroughputKey), QVariant::fromValue(throughput));
    status.insert(QString::fromLatin1(kFSOperationTotalBytesKey), QVariant::fromValue(total));
    status.insert(QString::fromLatin1(kFSOperationBytesCompleteKey), QVariant::fromValue(length + current));
    status.insert(QString::fromLatin1(kFSOperationMessageKey), message);
    return status;
}

std::shared_ptr<IOperationProgressProvider> MivCopyFileStreamProcessor::progressProvider() { return m_callback.lock(); }

bool MivCopyFileStreamProcessor::handler(const std::shared_ptr<MivFileStreamHandler>&, int)
{
    // The pump has drained this chunk into the destination already.
    if (m_cancelled.load())
        return false;
    report(2, 0);
    return true;
}

void MivCopyFileStreamProcessor::report(quint64 stage, qint64 status)
{
    if (const auto receiver = m_callback.lock())
        receiver->callback(stage, status);
}
