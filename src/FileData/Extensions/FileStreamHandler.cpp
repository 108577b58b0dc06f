#include "FileData/Extensions/FileStreamHandler.h"

#include "FileData/Transfer/IMivStreamHandlerDelegatesProvider.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"
#include "platform/InputStream.h"
#include "platform/Log.h"
#include "platform/OutputStream.h"

namespace FileStreamHandler {

namespace {
QString describe(const std::shared_ptr<plat::Stream>& stream)
{
    return QStringLiteral("<stream 0x%1>").arg(quintptr(stream.get()), 0, 16);
}
} // namespace

std::shared_ptr<MivFileStreamHandler> createHandlerFor(const std::shared_ptr<plat::Stream>& stream,
                                                       IMivStreamHandlerDelegatesProvider* provider, quint64 bufferSize)
{
    if (!provider) {
        MIV_LOG_ERROR(QStringLiteral("Stream handler delegates provider cannot be null: %1").arg(describe(stream)));
        return nullptr;
    }
    if (auto output = std::dynamic_pointer_cast<plat::OutputStream>(stream))
        return MivFileOutputStreamHandler::create(output, provider->createDownloadDelegate(), bufferSize);
    if (auto input = std::dynamic_pointer_cast<plat::InputStream>(stream))
        return MivFileInputStreamHandler::create(input, provider->createUploadDelegate(), bufferSize);
    MIV_LOG_ERROR(QStringLiteral("Unsupported stream class: %1").arg(describe(stream)));
    return nullptr;
}

} // namespace FileStreamHandler
