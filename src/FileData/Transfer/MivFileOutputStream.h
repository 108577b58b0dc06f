#pragma once

#include "FileData/Transfer/MivStream.h"
#include "platform/OutputStream.h"

#include <atomic>

// The write end of a pair: bytes coming from the source item (the download
// direction). With a password it decrypts what it writes.
class MivFileOutputStream : public MivStream
{
public:
    explicit MivFileOutputStream(std::shared_ptr<plat::OutputStream> stream);

    bool openToFileTransfer(bool transfer) override;

    // False when closed, on a digest or cipher failure, or when not every
    // byte found room in the wrapped stream.
    bool writeBytes(const char* buffer, quint64 length);
    // Finishes cipher and digest; true when neither is active.
    bool flush();

    // Bytes per second; 0 means none. Read again for every chunk.
    quint64 maxDownloadSpeed() const { return m_maxDownloadSpeed.load(); }
    void setMaxDownloadSpeed(quint64 speed) { m_maxDownloadSpeed.store(speed); }

private:
    bool writePlain(const char* bytes, quint64 length);

    std::shared_ptr<plat::OutputStream> m_output;
    std::atomic<quint64> m_maxDownloadSpeed{0};
};
