#pragma once

#include "FileData/IMivPlugin.h"
#include "FileData/MivFileDataTypes.h"

#include <QString>

namespace plat {
class Error;
}

// A plug-in that turns keys into items and opens items as folders (archives).
class IMivFileHandlingPlugin : public virtual IMivPlugin
{
public:
    virtual bool checkInstanceForPath(const QString& key) = 0;
    virtual MivFileDataPtr instanceForKey(const QString& key, plat::Error* error) = 0;
    // The plug-in item that opens the item (an archive's root), or null.
    virtual MivFileDataPtr openFileData(const MivFileDataPtr& data) = 0;
    // The item to select after leaving a plug-in item for withNewContextData, or null.
    virtual MivFileDataPtr closeFileData(const MivFileDataPtr& data, const MivFileDataPtr& withNewContextData) = 0;
};
