#pragma once

#include "FileData/MivFileDataTypes.h"

// A plug-in that decorates item icons (status badges).
class IMivIconPlugin
{
public:
    virtual ~IMivIconPlugin() = default;

    // The decorated icon, or null when the plug-in has nothing to add.
    virtual MivIconDescriptorPtr convertIcon(const MivIconDescriptorPtr& icon, const MivFileDataPtr& forData) = 0;
};
