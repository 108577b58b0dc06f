#pragma once

#include "FileData/IMivDraggable.h"
#include "FileData/IMivRemovable.h"

// An item of the local file system (mounted shares included).
class IMivLocalFile : public virtual IMivRemovable, public virtual IMivDraggable
{
public:
    virtual bool isLocked() const = 0;
};
