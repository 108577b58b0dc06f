#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

// One change to a watched path, in the filter flags a registration names.
struct MivWatcherEvent
{
    // Filter flags (also the flags an event carries).
    enum Flag : quint32 {
        Delete = 0x1,
        Write = 0x2,
        Extend = 0x4,
        Attributes = 0x8,
        Link = 0x10,
        Rename = 0x20,
        Revoke = 0x40,
        All = 0x7F,
    };

    // The watched path the change concerns.
    QString path;
    // What changed, never 0.
    quint32 flags = 0;
};

// Receives the changes of a watcher's paths, on the watcher's own queue.
class MivWatcherDelegate
{
public:
    virtual ~MivWatcherDelegate() = default;

    virtual void handleEvent(const MivWatcherEvent& event, const MivFileDataPtr& watched) = 0;
};
