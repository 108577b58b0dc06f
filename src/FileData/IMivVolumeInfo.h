#pragma once

#include <QtGlobal>

// The sizes, in bytes, of the volume an item lives on.
class IMivVolumeInfo
{
public:
    virtual ~IMivVolumeInfo() = default;

    virtual qint64 fileSystemFreeSize() const = 0;
    virtual qint64 fileSystemSize() const = 0;
    virtual qint64 fileSystemAvailableSize() const = 0;
};
