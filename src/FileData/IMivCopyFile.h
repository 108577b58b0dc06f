#pragma once

#include "FileData/IMivFile.h"
#include "FileData/Transfer/IMivStreamHandlerDelegatesProvider.h"

// The item side of the copy engine.
class IMivCopyFile : public virtual IMivFile, public virtual IMivStreamHandlerDelegatesProvider
{
public:
    // The context-free form stays callable through this interface.
    using IMivFile::makeFolderWithName;

    virtual bool copyAllowed() const = 0;
    virtual void closeContext(const MivCopyContextPtr& context) = 0;
    virtual std::shared_ptr<MivFileStreamHandler> openStream(const std::shared_ptr<plat::Stream>& stream, quint64 bufferSize,
                                                             const MivFileDataPtr& target,
                                                             const MivCopyContextPtr& context) = 0;
    virtual bool checkExistWithContext(const MivCopyContextPtr& context) = 0;
    virtual MivFileDataPtr makeFolderWithName(const QString& name, const MivCopyContextPtr& context, plat::Error* error) = 0;
    virtual bool copyAttributes(const MivFileDataPtr& source, const MivCopyContextPtr& context, plat::Error* error) = 0;
    virtual bool copyAttributes(const MivFileDataPtr& source, bool perms, const MivCopyContextPtr& context,
                                plat::Error* error) = 0;
};
