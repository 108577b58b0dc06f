#pragma once

// The owner of a side's saved state while the side is shown: the side's tab
// container hands the entry an adapter of this type and keeps it alive as
// long as the container lives, so the entry's weak reference clears itself
// when the container goes.
class IMivContextEntryController
{
public:
    virtual ~IMivContextEntryController() = default;
};
