#pragma once

class QObject;

// An in-process plug-in.
class IMivPlugin
{
public:
    virtual ~IMivPlugin() = default;

    // Optional in the model: a plug-in that has no entries adds nothing,
    // which is what callers do for a plug-in that does not answer it. The
    // menu and target are the panel's (widgets, seen here as QObjects).
    virtual void installContextMenu(QObject* menu, QObject* target) {}
};
