#pragma once

#include <QStringList>

#include <functional>

// The Subversion client plug-ins that are loaded. The Subversion back-end
// registers how to list them when it starts; until then there are none.
class MivSvnDataManager
{
public:
    // The description of each loaded client plug-in, in load order.
    static QStringList availablePlugins();
    static void setAvailablePluginsProvider(std::function<QStringList()> provider);
};
