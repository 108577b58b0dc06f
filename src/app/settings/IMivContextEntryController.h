#pragma once

#include <QtGlobal>

class QKeyEvent;

// The owner of a side's saved state while the side is shown: the side's tab
// container hands the entry an adapter of this type and keeps it alive as
// long as the container lives, so the entry's weak reference clears itself
// when the container goes.
class IMivContextEntryController
{
public:
    virtual ~IMivContextEntryController() = default;

    // The side's quick-filter panel, which typing in a file panel reaches.
    // A side without one answers neutrally. GUI thread.
    virtual bool isSearchPanelShown() const { return false; }
    virtual void showSearchPanel() {}
    // True when the quick filter took the key.
    virtual bool processSearchKeyEvent(QKeyEvent* event)
    {
        Q_UNUSED(event);
        return false;
    }
};
