#pragma once

#include "FileData/MivFileRootData.h"

// The one Bonjour root item ("BONJOUR"), made (and refreshed) on first use.
class MivBonjourData : public MivFileRootData
{
public:
    MivBonjourData() = default;

    static std::shared_ptr<MivBonjourData> sharedInstance();

protected:
    void didCreate() override;
};
