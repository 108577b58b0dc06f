#pragma once

#include "FileData/MivFileDataTypes.h"
#include "FileData/Transfer/IMivStreamHandlerOperationDelegate.h"

#include <QString>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <mutex>

class ICopyFileProcessorCallback;
class MivFileInputStreamHandler;
class MivFileOutputStreamHandler;
class MivStreamPump;

namespace plat {
class Error;
}

// Copies the bytes of one item to one destination item of any kind: the
// source's download handler and the destination's upload handler over one
// bound pair, driven by the transfer layer's pump, then the attributes.
//
// Threads: copy() runs wholly on the calling thread (the processor's
// worker). cancel() may come from any thread: it only sets the flag and
// cancels both handlers, which stop at their next step.
class MivCopyFileStreamProcessor : public IMivStreamHandlerOperationDelegate,
                                   public std::enable_shared_from_this<MivCopyFileStreamProcessor>
{
public:
    // Copy flags.
    static constexpr quint64 kCopyAttributesFlag = 1;
    static constexpr quint64 kCopyPermissionsFlag = 2;

    // Results besides the copied length (0 or more).
    static constexpr qint64 kResultFailed = -1;
    static constexpr qint64 kResultCancelled = -2;

    // Buffer sizes.
    static constexpr quint64 kMinBufferSize = 2048;
    static constexpr quint64 kMaxBufferSize = 65536;
    static constexpr quint64 kSmallFileBufferSlack = 20;

    static std::shared_ptr<MivCopyFileStreamProcessor> create(const std::weak_ptr<ICopyFileProcessorCallback>& callback);

    // Copies one file. Answers the bytes copied, kResultFailed (with *error
    // set when the copier knows why; a side that could not open has shown
    // its own error) or kResultCancelled when cancelled before the transfer.
    // A source that ends before the length it announced fails: the
    // destination side is told to abandon what it wrote.
    qint64 copy(const MivFileDataPtr& source, const MivFileDataPtr& to, const MivCopyContextPtr& srcContext,
                const MivCopyContextPtr& destContext, quint64 flags, plat::Error* error);
    void cancel();

    // The throughput, this file's size and the bytes done (length: bytes of
    // the earlier files of this run) with the message, under the status keys.
    QVariantMap statusDictionaryForLength(quint64 length, const QString& message) const;

    // Buffer size n for one copy; the pair holds 2 × n.
    static quint64 calculateBufferSizeFor(const MivFileDataPtr& item);

    bool cancelled() const { return m_cancelled.load(); }
    std::shared_ptr<ICopyFileProcessorCallback> callback() const { return m_callback.lock(); }
    std::shared_ptr<MivFileOutputStreamHandler> downloader() const;
    std::shared_ptr<MivFileInputStreamHandler> uploader() const;

    std::shared_ptr<IOperationProgressProvider> progressProvider() override;
    bool handler(const std::shared_ptr<MivFileStreamHandler>& handler, int didChunkProcessed) override;

private:
    explicit MivCopyFileStreamProcessor(const std::weak_ptr<ICopyFileProcessorCallback>& callback);

    void initializeForSource(const MivFileDataPtr& source, const MivFileDataPtr& dest, const MivCopyContextPtr& srcContext,
                             const MivCopyContextPtr& destContext);
    qint64 transfer(const MivFileDataPtr& source, plat::Error* error);
    void closeResources();
    void report(quint64 stage, qint64 status);

    std::weak_ptr<ICopyFileProcessorCallback> m_callback;
    std::atomic<bool> m_cancelled{false};
    // Guards the handler pointers only: cancel() reads them from another
    // thread while copy() sets and drops them.
    mutable std::mutex m_mutex;
    std::shared_ptr<MivFileOutputStreamHandler> m_downloader;
    std::shared_ptr<MivFileInputStreamHandler> m_uploader;
    std::shared_ptr<MivStreamPump> m_pump;
};
