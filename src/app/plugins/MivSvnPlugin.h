#pragma once

#include "FileData/IMivIconPlugin.h"
#include "FileData/IMivPlugin.h"

// The Subversion integration: badges icons with the working-copy status. Until its
// back-end is built it has nothing to add.
class MivSvnPlugin : public IMivPlugin, public IMivIconPlugin
{
public:
    MivIconDescriptorPtr convertIcon(const MivIconDescriptorPtr&, const MivFileDataPtr&) override { return nullptr; }
};
