#pragma once

#include "FileData/MivFileDataTypes.h"

// An item that stands in for the root of a file system it opens.
class IMivRootFile
{
public:
    virtual ~IMivRootFile() = default;

    virtual MivFileDataPtr rootFile() = 0;
};
