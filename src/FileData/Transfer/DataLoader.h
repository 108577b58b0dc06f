#pragma once

#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"

#include <QByteArray>

#include <mutex>

// An upload delegate that collects every byte offered to it, for a consumer
// on another thread.
class DataLoader : public MivDefaultFileStreamHandlerDelegate
{
public:
    DataLoader()
        : MivDefaultFileStreamHandlerDelegate(false)
    {
    }

    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override
    {
        std::lock_guard lock(m_mutex);
        m_buffer.append(buffer + offset, length - offset);
        return length - offset;
    }

    // Takes what was collected and starts a new buffer.
    QByteArray takeBuffer()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_buffer, QByteArray());
    }
    bool isEmpty() const
    {
        std::lock_guard lock(m_mutex);
        return m_buffer.isEmpty();
    }
    QByteArray buffer() const
    {
        std::lock_guard lock(m_mutex);
        return m_buffer;
    }
    void setBuffer(const QByteArray& buffer)
    {
        std::lock_guard lock(m_mutex);
        m_buffer = buffer;
    }

private:
    mutable std::mutex m_mutex;
    QByteArray m_buffer;
};
