#pragma once

// What the main window asks of its controller.
class IMivMainWindowDelegate
{
public:
    virtual ~IMivMainWindowDelegate() = default;

    // Closes the quick view when it is open; answers whether it was.
    virtual bool closeQuickViewPanel() = 0;
};
