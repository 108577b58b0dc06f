#pragma once

#include "app/plugins/MivArchivePluginPlaceholder.h"

// The zip archive plug-in.
class MivZipArchivePlugin : public MivArchivePluginPlaceholder
{
public:
    MivZipArchivePlugin()
        : MivArchivePluginPlaceholder({QStringLiteral("zip"), QStringLiteral("war"), QStringLiteral("ear"), QStringLiteral("jar")})
    {
    }
};
