#pragma once

#include "FileData/Transfer/IMivUploaderProtocol.h"
#include "FileData/Transfer/MivOperationLoader.h"

// Feeds an upload request's body stream with the chunks the pump hands
// over. The pump waits while more than the transit buffer size is waiting;
// close waits until the request has ended.
class MivOperationUploader : public MivOperationLoader, public IMivUploaderProtocol
{
public:
    explicit MivOperationUploader(MivFileDataPtr data, quint64 bufferSize = 0);

    // The source item: its size is the number of bytes to send.
    void setTarget(const MivFileDataPtr& target) override;
    void close() override;
    bool fillLastError(plat::Error* error) override;
    bool checkResult(qint64 result) override { return false; }
    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override;
    std::optional<QByteArray> handleDataChunk(const std::shared_ptr<plat::Stream>& stream, quint64 maxLength) override;

    // Bytes handed to the request last; all ones after a failed request.
    quint64 lastWriteLength() const { return m_lastWriteLength.load(); }
    qint64 datalen() const { return m_datalen.load(); }

protected:
    void runAsynch() override;

private:
    void endRequest(const plat::Error& error);

    bool m_closing = false;
    std::atomic<qint64> m_datalen{0};
    std::atomic<quint64> m_lastWriteLength{0};
};
