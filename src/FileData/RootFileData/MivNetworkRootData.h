#pragma once

#include "FileData/MivFileRootData.h"

// The one network root item ("NETWORK"), made (and refreshed) on first use.
class MivNetworkRootData : public MivFileRootData
{
public:
    MivNetworkRootData() = default;

    static std::shared_ptr<MivNetworkRootData> sharedInstance();

protected:
    void didCreate() override;
};
