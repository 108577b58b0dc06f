#include "support/TransferCopy.h"

#include "FileData/IMivCopyFile.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileInputStreamHandler.h"
#include "FileData/Transfer/MivFileOutputStreamHandler.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "FileData/Transfer/MivStreamPump.h"
#include "platform/InputStream.h"
#include "platform/OutputStream.h"

namespace mivtest {

bool copyThroughPump(const MivFileDataPtr& source, const MivFileDataPtr& target, quint64 chunkSize, plat::Error* error,
                     const std::shared_ptr<IMivStreamHandlerOperationDelegate>& observer)
{
    auto* from = dynamic_cast<IMivCopyFile*>(source.get());
    auto* to = dynamic_cast<IMivCopyFile*>(target.get());
    if (!from || !to)
        return false;
    std::shared_ptr<plat::OutputStream> writeEnd;
    std::shared_ptr<plat::InputStream> readEnd;
    MivFileStreamHandler::createStreamPairWithBufferSize(chunkSize * 2, &writeEnd, &readEnd);
    const auto context = MivCopyContext::create();
    auto output = std::dynamic_pointer_cast<MivFileOutputStreamHandler>(from->openStream(writeEnd, chunkSize, target, context));
    if (!output)
        return false;
    auto input = std::dynamic_pointer_cast<MivFileInputStreamHandler>(to->openStream(readEnd, chunkSize, source, context));
    if (!input) {
        output->close();
        return false;
    }
    auto pump = MivStreamPump::create(output, input);
    pump->setObserver(observer);
    const bool result = pump->finish(source, pump->run());
    plat::Error::assign(error, pump->lastError());
    return result;
}

} // namespace mivtest
