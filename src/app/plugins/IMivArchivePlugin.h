#pragma once

#include "FileData/IMivFileHandlingPlugin.h"

#include <QStringList>

// An archive plug-in: opens the files whose extensions it lists.
class IMivArchivePlugin : public virtual IMivFileHandlingPlugin
{
public:
    // The extensions it opens, in its own order, as written (no dot).
    virtual QStringList extensions() const = 0;
};
