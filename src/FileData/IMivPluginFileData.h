#pragma once

#include "FileData/IMivFile.h"

// Marker: the item was made by a plug-in.
class IMivPluginFileData : public virtual IMivFile
{
};
