#pragma once

#include "FileData/Transfer/IMivLoaderProtocol.h"

#include <QByteArray>

// The loader a download request hands the data it receives to.
class IMivDownloaderProtocol : public virtual IMivLoaderProtocol
{
public:
    virtual void handleDataChunk(const QByteArray& data) = 0;
};
