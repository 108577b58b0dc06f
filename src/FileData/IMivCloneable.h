#pragma once

#include "FileData/MivFileDataTypes.h"

// An item that makes a fresh item for its own location.
class IMivCloneable
{
public:
    virtual ~IMivCloneable() = default;

    virtual MivFileDataPtr cloneData() = 0;
};
