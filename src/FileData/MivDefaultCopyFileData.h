#pragma once

#include "FileData/IMivCopyFile.h"
#include "FileData/MivFileData.h"

// The item side of the copy engine: opens transfer ends, makes the transfer
// delegates and answers the copy's existence and make-folder questions.
class MivDefaultCopyFileData : public MivFileData, public virtual IMivCopyFile
{
public:
    MivDefaultCopyFileData() = default;

    using MivFileData::makeFolderWithName;

    bool copyAllowed() const override;
    // Transfer delegates that move nothing; kinds with bytes override them.
    void closeContext(const MivCopyContextPtr& context) override;
    std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() override;
    std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() override;
    std::shared_ptr<MivFileStreamHandler> openStream(const std::shared_ptr<plat::Stream>& stream, quint64 bufferSize,
                                                     const MivFileDataPtr& target, const MivCopyContextPtr& context) override;
    bool checkExistWithContext(const MivCopyContextPtr& context) override;
    MivFileDataPtr makeFolderWithName(const QString& name, const MivCopyContextPtr& context, plat::Error* error) override;
    bool copyAttributes(const MivFileDataPtr& source, const MivCopyContextPtr& context, plat::Error* error) override;
    bool copyAttributes(const MivFileDataPtr& source, bool perms, const MivCopyContextPtr& context,
                        plat::Error* error) override;
};
