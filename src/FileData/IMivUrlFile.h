#pragma once

#include "FileData/IMivFile.h"

#include <QUrl>

// An item addressed by a URL.
class IMivUrlFile : public virtual IMivFile
{
public:
    virtual QUrl fileURL() const = 0;
    // The link target's URL for local links, else fileURL.
    virtual QUrl realURL() const = 0;
};
