#include "FileData/MivDefaultCopyFileData.h"

#include "platform/Log.h"

bool MivDefaultCopyFileData::copyAllowed() const { return true; }
void MivDefaultCopyFileData::closeContext(const MivCopyContextPtr&) {}

std::shared_ptr<IMivStreamHandlerDelegate> MivDefaultCopyFileData::createDownloadDelegate() { return nullptr; }
std::shared_ptr<IMivStreamHandlerDelegate> MivDefaultCopyFileData::createUploadDelegate() { return nullptr; }

std::shared_ptr<MivFileStreamHandler> MivDefaultCopyFileData::openStream(const std::shared_ptr<MivStream>&, quint64,
                                                                         const MivFileDataPtr&, const MivCopyContextPtr&)
{
    return nullptr;
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
