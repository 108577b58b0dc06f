#pragma once

#include <QString>

// Receives each entry a size calculation counts (an operation record).
class IMivCalculateSizeDelegate
{
public:
    virtual ~IMivCalculateSizeDelegate() = default;

    // item: the entry's path (its URL text when it has no path).
    virtual void sizeCalculatedForItem(const QString& item, quint64 totalSize, quint64 itemSize, bool folder) = 0;
};
