#pragma once

#include "FileData/MivSimpleFileData.h"
#include "FileData/NetFileData/MivServiceData.h"

// A network place: a saved or discovered connection shown as a folder. So
// far only its service data; connecting and listing come with the remote
// file systems.
class MivNetworkFileData : public MivSimpleFileData
{
public:
    explicit MivNetworkFileData(MivServiceDataPtr serviceData = nullptr);

    MivServiceDataPtr serviceData() const;
    void setServiceData(const MivServiceDataPtr& serviceData);

private:
    MivServiceDataPtr _serviceData;
};
