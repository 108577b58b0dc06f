#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class IMivStreamHandlerOperationDelegate;

namespace plat {
class Stream;
class InputStream;
class OutputStream;
}

// Drives one transfer delegate against one end of a bound stream pair: the
// output handler asks the source's download delegate for chunks and writes
// them into the pair; the input handler reads the pair and hands the bytes
// to the target's upload delegate.
//
// Use: create, set dataLength, give the delegate its target, mark the
// stream with updateLocalForData, open(), then handle() (once for the
// source end, on every chunk notice for the target end), close().
//
// Every step runs under the handler's monitor, as do close and cancel, so a
// cancel from another thread waits for the running step and the next step
// fails. Chunk notices go out without the monitor held.
class MivFileStreamHandler : public std::enable_shared_from_this<MivFileStreamHandler>
{
public:
    // Status of one step.
    static constexpr int kStatusFinished = 0;
    static constexpr int kStatusFailed = 1;
    static constexpr int kStatusContinue = 2;

    // The largest pair the handlers make.
    static constexpr quint64 kMaxPairBufferSize = 209715200;
    // Seconds a side may go on with transient answers only.
    static constexpr double kDefaultTimeout = 10.0;

    // A bound pair of at most kMaxPairBufferSize bytes. The pair is driven
    // synchronously by its two handlers, so it needs no run-loop scheduling.
    static void createStreamPairWithBufferSize(quint64 bufferSize, std::shared_ptr<plat::OutputStream>* output,
                                               std::shared_ptr<plat::InputStream>* input);

    virtual ~MivFileStreamHandler();
    MivFileStreamHandler(const MivFileStreamHandler&) = delete;
    MivFileStreamHandler& operator=(const MivFileStreamHandler&) = delete;

    // Opens the wrapped stream, then the delegate, then the buffer.
    bool open(const MivCopyContextPtr& context);
    void close();
    void cancel();
    // Runs the transfer; true when it finished without error.
    bool handle();

    std::shared_ptr<MivStream> stream() const { return m_stream; }
    std::shared_ptr<IMivStreamHandlerDelegate> delegate() const { return m_delegate; }
    quint64 dataLength() const { return m_dataLength; }
    // A negative size (unknown, or a size marker) counts as unknown (0).
    void setDataLength(qint64 dataLength);
    plat::Error lastError() const;
    double timeout() const { return m_timeout; }
    void setTimeout(double seconds) { m_timeout = seconds; }
    quint64 transferBufferSize() const { return m_transferBufferSize; }
    void setTransferBufferSize(quint64 size);
    float throughput() const { return m_throughput.load(); }
    // Bytes this handler moved so far.
    quint64 length() const { return m_length.load(); }
    std::shared_ptr<IMivStreamHandlerOperationDelegate> operationDelegate() const;
    void setOperationDelegate(const std::shared_ptr<IMivStreamHandlerOperationDelegate>& operationDelegate);

protected:
    explicit MivFileStreamHandler(std::shared_ptr<IMivStreamHandlerDelegate> delegate);

    // The second phase of creation: wraps the stream through createStream.
    void initWithStream(const std::shared_ptr<plat::Stream>& stream, quint64 bufferSize);
    void initializeBufferSize(quint64 bufferSize);
    virtual std::shared_ptr<MivStream> createStream(const std::shared_ptr<plat::Stream>& stream);
    // One step under the monitor: a kStatus value.
    virtual int process();

    // Seconds on the transfer clock.
    static double now();
    // True once transient answers went on for the stall limit.
    bool stalled();
    void setLastError(const plat::Error& error);

    mutable std::recursive_mutex m_monitor;
    std::vector<char> m_buffer;
    double m_time = 0;
    double m_lastTime = 0;
    std::atomic<quint64> m_length{0};
    quint64 m_nativeBufferSize = 0;
    std::atomic<float> m_throughput{0};
    std::shared_ptr<MivStream> m_stream;
    quint64 m_dataLength = 0;
    double m_timeout = kDefaultTimeout;
    quint64 m_transferBufferSize = 0;
    std::shared_ptr<IMivStreamHandlerDelegate> m_delegate;
    // Until the first close: the delegate is closed once.
    std::shared_ptr<IMivStreamHandlerDelegate> m_delegateToClose;

private:
    void processInit();
    void processClose();
    bool handleFinish(bool ok);

    mutable std::mutex m_errorMutex;
    plat::Error m_lastError;
    mutable std::mutex m_observerMutex;
    std::weak_ptr<IMivStreamHandlerOperationDelegate> m_operationDelegate;
};
