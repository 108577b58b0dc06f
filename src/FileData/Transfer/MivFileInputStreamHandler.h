#pragma once

#include "FileData/Transfer/MivFileStreamHandler.h"

// The target end: reads the pair and hands the bytes to the upload delegate.
class MivFileInputStreamHandler : public MivFileStreamHandler
{
public:
    static std::shared_ptr<MivFileInputStreamHandler> create(const std::shared_ptr<plat::InputStream>& stream,
                                                             std::shared_ptr<IMivStreamHandlerDelegate> delegate,
                                                             quint64 bufferSize);

protected:
    using MivFileStreamHandler::MivFileStreamHandler;
    std::shared_ptr<MivStream> createStream(const std::shared_ptr<plat::Stream>& stream) override;
    int process() override;
};
