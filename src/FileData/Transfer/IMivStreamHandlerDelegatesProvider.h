#pragma once

#include "FileData/MivFileDataTypes.h"

// Hands out fresh transfer delegates that read or write an item's bytes.
class IMivStreamHandlerDelegatesProvider
{
public:
    virtual ~IMivStreamHandlerDelegatesProvider() = default;

    virtual std::shared_ptr<IMivStreamHandlerDelegate> createDownloadDelegate() = 0;
    virtual std::shared_ptr<IMivStreamHandlerDelegate> createUploadDelegate() = 0;
};
