#include "FileData/MivDefaultCopyFileData.h"

#include "FileData/Extensions/FileStreamHandler.h"
#include "FileData/Transfer/IMivStreamHandlerDelegate.h"
#include "FileData/Transfer/MivDefaultFileStreamHandlerDelegate.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/Transfer/MivFileStreamHandler.h"
#include "FileData/Transfer/MivStream.h"
#include "platform/Error.h"
#include "platform/Log.h"

bool MivDefaultCopyFileData::copyAllowed() const { return true; }
void MivDefaultCopyFileData::closeContext(const MivCopyContextPtr&) {}

std::shared_ptr<IMivStreamHandlerDelegate> MivDefaultCopyFileData::createDownloadDelegate()
{
    return std::make_shared<MivDefaultFileStreamHandlerDelegate>(false);
}

std::shared_ptr<IMivStreamHandlerDelegate> MivDefaultCopyFileData::createUploadDelegate()
{
    return std::make_shared<MivDefaultFileStreamHandlerDelegate>(true);
}

std::shared_ptr<MivFileStreamHandler> MivDefaultCopyFileData::openStream(const std::shared_ptr<plat::Stream>& stream,
                                                                         quint64 bufferSize, const MivFileDataPtr& target,
                                                                         const MivCopyContextPtr& context)
{
    MIV_LOG_DEBUG(QStringLiteral("Opening stream: %1, buffer sieze: %2, in context: %3")
                      .arg(QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(stream.get()), 0, 16))
                      .arg(bufferSize)
                      .arg(QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(context.get()), 0, 16)));
    if (!stream)
        return nullptr;
    // The stream picks the download or the upload delegate by its direction.
    const auto handler = FileStreamHandler::createHandlerFor(stream, this, bufferSize);
    if (!handler)
        return nullptr;
    const auto delegate = handler->delegate();
    if (!delegate) {
        handler->close();
        return nullptr;
    }
    handler->setDataLength(size());
    delegate->setTarget(target);
    handler->stream()->updateLocalForData(selfPtr());
    if (!handler->open(context)) {
        plat::Error error;
        if (!delegate->fillLastError(&error) && !error.isNull())
            MivErrorPresenter::presentError(error);
        handler->close();
        return nullptr;
    }
    return handler;
}

bool MivDefaultCopyFileData::checkExistWithContext(const MivCopyContextPtr&) { return exists(); }

MivFileDataPtr MivDefaultCopyFileData::makeFolderWithName(const QString& name, const MivCopyContextPtr&, plat::Error* error)
{
    return makeFolderWithName(name, error);
}

bool MivDefaultCopyFileData::copyAttributes(const MivFileDataPtr& source, const MivCopyContextPtr& context, plat::Error* error)
{
    return copyAttributes(source, true, context, error);
}

bool MivDefaultCopyFileData::copyAttributes(const MivFileDataPtr&, bool, const MivCopyContextPtr&, plat::Error*)
{
    MIV_LOG_DEBUG(QStringLiteral("Copy attributes not implemented"));
    return true;
}
