#pragma once

#include "platform/Error.h"

// An item that can remove itself.
class IMivRemovable
{
public:
    virtual ~IMivRemovable() = default;

    // A null error when the item is gone.
    virtual plat::Error remove() = 0;
};
