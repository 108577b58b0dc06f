#include "platform/BoundStreamPair.h"

#include "platform/PosixError.h"
#include "platform/Mutex.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <vector>

namespace plat {

namespace {

// The ring buffer both ends share, with both ends' states.
struct Pipe
{
    explicit Pipe(quint64 capacity)
        : capacity(std::max<quint64>(capacity, 1))
    {
    }

    // The buffer grows to what is held, not to the capacity: a pair made
    // with a large capacity costs nothing until bytes wait in it.
    mutable Mutex mutex;
    const quint64 capacity;
    std::vector<char> bytes MIV_GUARDED_BY(mutex);
    quint64 head MIV_GUARDED_BY(mutex) = 0;   // next byte to read in bytes
    quint64 count MIV_GUARDED_BY(mutex) = 0;  // bytes held from head on
    StreamStatus readerStatus MIV_GUARDED_BY(mutex) = StreamStatus::NotOpen;
    StreamStatus writerStatus MIV_GUARDED_BY(mutex) = StreamStatus::NotOpen;
    bool writerClosed MIV_GUARDED_BY(mutex) = false;
    bool readerClosed MIV_GUARDED_BY(mutex) = false;
    Error writerError MIV_GUARDED_BY(mutex);
};

bool isUsable(StreamStatus status)
{
    return status == StreamStatus::Open || status == StreamStatus::Reading || status == StreamStatus::Writing;
}

class BoundInputStream : public InputStream
{
public:
    explicit BoundInputStream(std::shared_ptr<Pipe> pipe)
        : m_pipe(std::move(pipe))
    {
    }
    ~BoundInputStream() override { close(); }

    void open() override
    {
        MutexLock lock(m_pipe->mutex);
        if (m_pipe->readerStatus == StreamStatus::NotOpen)
            m_pipe->readerStatus = StreamStatus::Open;
    }

    void close() override
    {
        MutexLock lock(m_pipe->mutex);
        m_pipe->readerStatus = StreamStatus::Closed;
        m_pipe->readerClosed = true;
    }

    StreamStatus streamStatus() const override
    {
        MutexLock lock(m_pipe->mutex);
        return m_pipe->readerStatus;
    }

    Error streamError() const override { return {}; }

    bool hasBytesAvailable() const override
    {
        MutexLock lock(m_pipe->mutex);
        return isUsable(m_pipe->readerStatus) && m_pipe->count > 0;
    }

    qint64 read(char* buffer, qint64 maxLength) override
    {
        Pipe& p = *m_pipe;
        MutexLock lock(p.mutex);
        if (!isUsable(p.readerStatus) || maxLength < 0)
            return p.readerStatus == StreamStatus::AtEnd ? 0 : -1;
        const quint64 n = std::min<quint64>(quint64(maxLength), p.count);
        if (n > 0)
            std::memcpy(buffer, p.bytes.data() + p.head, n);
        p.head += n;
        p.count -= n;
        if (p.count == 0) {
            p.head = 0;
            p.bytes.clear();
        }
        if (p.count == 0 && p.writerClosed)
            p.readerStatus = StreamStatus::AtEnd;
        return qint64(n);
    }

private:
    std::shared_ptr<Pipe> m_pipe;
};

class BoundOutputStream : public OutputStream
{
public:
    explicit BoundOutputStream(std::shared_ptr<Pipe> pipe)
        : m_pipe(std::move(pipe))
    {
    }
    ~BoundOutputStream() override { close(); }

    void open() override
    {
        MutexLock lock(m_pipe->mutex);
        if (m_pipe->writerStatus == StreamStatus::NotOpen)
            m_pipe->writerStatus = StreamStatus::Open;
    }

    void close() override
    {
        Pipe& p = *m_pipe;
        MutexLock lock(p.mutex);
        if (p.writerStatus != StreamStatus::Error)
            p.writerStatus = StreamStatus::Closed;
        p.writerClosed = true;
        if (p.count == 0 && isUsable(p.readerStatus))
            p.readerStatus = StreamStatus::AtEnd;
    }

    StreamStatus streamStatus() const override
    {
        MutexLock lock(m_pipe->mutex);
        return m_pipe->writerStatus;
    }

    Error streamError() const override
    {
        MutexLock lock(m_pipe->mutex);
        return m_pipe->writerError;
    }

    bool hasSpaceAvailable() const override
    {
        MutexLock lock(m_pipe->mutex);
        return isUsable(m_pipe->writerStatus) && m_pipe->count < m_pipe->capacity;
    }

    qint64 write(const char* buffer, qint64 length) override
    {
        Pipe& p = *m_pipe;
        MutexLock lock(p.mutex);
        if (!isUsable(p.writerStatus) || length < 0)
            return -1;
        if (p.readerClosed) {
            // Nobody will ever read what we would keep.
            p.writerStatus = StreamStatus::Error;
            p.writerError = posixError(EPIPE);
            return -1;
        }
        const quint64 n = std::min<quint64>(quint64(length), p.capacity - p.count);
        if (n == 0)
            return 0;
        if (p.head > 0) {
            // Move the unread rest to the front before growing.
            std::memmove(p.bytes.data(), p.bytes.data() + p.head, p.count);
            p.head = 0;
        }
        p.bytes.resize(p.count + n);
        std::memcpy(p.bytes.data() + p.count, buffer, n);
        p.count += n;
        return qint64(n);
    }

private:
    std::shared_ptr<Pipe> m_pipe;
};

} // namespace

void BoundStreamPair::create(quint64 capacity, std::shared_ptr<OutputStream>* output, std::shared_ptr<InputStream>* input)
{
    auto pipe = std::make_shared<Pipe>(capacity);
    if (output)
        *output = std::make_shared<BoundOutputStream>(pipe);
    if (input)
        *input = std::make_shared<BoundInputStream>(pipe);
}

} // namespace plat
