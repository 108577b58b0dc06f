#pragma once

#include "FileData/Transfer/IMivDownloaderProtocol.h"
#include "FileData/Transfer/MivOperationLoader.h"

// Collects what a download request receives and hands it to the pump in
// chunks. The request may append without limit.
class MivOperationDownloader : public MivOperationLoader, public IMivDownloaderProtocol
{
public:
    explicit MivOperationDownloader(MivFileDataPtr data, quint64 bufferSize = 0);

    void close() override;
    bool fillLastError(plat::Error* error) override;
    bool checkResult(qint64 result) override;
    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override;
    void handleDataChunk(const QByteArray& data) override;

    // Wakes a pump step that waits for data.
    void flush();

protected:
    void runAsynch() override;
};
