#pragma once

#include "FileData/IMivPlugin.h"

// The base of in-process plug-ins (Subversion, archives, Git).
class MivPlugin : public virtual IMivPlugin
{
public:
    // No entries of its own.
    void installContextMenu(QObject* menu, QObject* target) override {}
};
