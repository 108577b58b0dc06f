#pragma once

#include "FileData/Transfer/MivStream.h"
#include "platform/InputStream.h"

#include <atomic>

// The read end of a pair: bytes on their way to the target item (the upload
// direction). With a password it encrypts what it reads.
class MivFileInputStream : public MivStream
{
public:
    explicit MivFileInputStream(std::shared_ptr<plat::InputStream> stream);

    bool openToFileTransfer(bool transfer) override;

    // -1 when closed or on a digest or cipher failure; else the bytes placed
    // in the buffer (0 when none are available now).
    qint64 readBytes(char* buffer, quint64 maxLength);

    // Bytes per second; 0 means none. Read again for every chunk.
    quint64 maxUploadSpeed() const { return m_maxUploadSpeed.load(); }
    void setMaxUploadSpeed(quint64 speed) { m_maxUploadSpeed.store(speed); }

private:
    // The throttled read of plain bytes.
    qint64 readPlain(char* buffer, quint64 maxLength);
    // Finishes cipher and digest once the wrapped stream reached its end;
    // answers the cipher's final bytes placed at buffer, -1 on failure.
    qint64 finishAtEnd(char* buffer);

    std::shared_ptr<plat::InputStream> m_input;
    std::atomic<quint64> m_maxUploadSpeed{0};
};
