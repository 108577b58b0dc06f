#pragma once

#include "FileData/Transfer/MivFileLoader.h"

#include <atomic>

// Reads the bytes of a local file for a copy: the target's bytes when the
// item is a symbolic link.
class MivOsxFileDownloader : public MivFileLoader
{
public:
    explicit MivOsxFileDownloader(MivFileDataPtr data);
    ~MivOsxFileDownloader() override;

    bool open(quint64 bufferSize, const MivCopyContextPtr& context) override;
    qint64 handleDataBuffer(char* buffer, qint64 offset, qint64 length) override;
    void close() override;

private:
    std::atomic<int> _stream{-1};
};
