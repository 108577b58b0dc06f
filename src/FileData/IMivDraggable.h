#pragma once

// Marker: the item may be dragged out of a panel.
class IMivDraggable
{
public:
    virtual ~IMivDraggable() = default;
};
