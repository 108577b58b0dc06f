#pragma once

#include "FileData/MivFileDataTypes.h"

// Told on the main thread when a folder size calculation finished.
class IMivFileDataUpdateDelegate
{
public:
    virtual ~IMivFileDataUpdateDelegate() = default;

    virtual void didUpdateSizeData(const MivFileDataPtr& data) = 0;
    virtual bool updateSizeCancelled() const = 0;
};
