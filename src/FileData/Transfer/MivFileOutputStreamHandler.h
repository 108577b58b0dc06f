#pragma once

#include "FileData/Transfer/MivFileStreamHandler.h"

// The source end: asks the download delegate for chunks and writes them into
// the pair.
class MivFileOutputStreamHandler : public MivFileStreamHandler
{
public:
    static std::shared_ptr<MivFileOutputStreamHandler> create(const std::shared_ptr<plat::OutputStream>& stream,
                                                              std::shared_ptr<IMivStreamHandlerDelegate> delegate,
                                                              quint64 bufferSize);

protected:
    using MivFileStreamHandler::MivFileStreamHandler;
    std::shared_ptr<MivStream> createStream(const std::shared_ptr<plat::Stream>& stream) override;
    int process() override;
};
