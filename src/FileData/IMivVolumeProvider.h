#pragma once

#include "FileData/IMivVolumeInfo.h"

#include <memory>

// An item that can describe the volume it lives on.
class IMivVolumeProvider
{
public:
    virtual ~IMivVolumeProvider() = default;

    virtual std::shared_ptr<IMivVolumeInfo> resolveVolumeInfo() = 0;
};
