#pragma once

#include "FileData/IMivFile.h"

// A kind that follows and makes symbolic links.
class IMivLinkSupport : public virtual IMivFile
{
public:
    // The item the link points to, or null.
    virtual MivFileDataPtr resolveLink() = 0;
    virtual MivFileDataPtr createSymbolicLinkWithName(const QString& name, const QString& withDestinationPath,
                                                      const MivFileDataPtr& destinationData,
                                                      const MivCopyContextPtr& context, plat::Error* error) = 0;
};
