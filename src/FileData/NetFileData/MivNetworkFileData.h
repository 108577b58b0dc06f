#pragma once

#include "FileData/MivSimpleFileData.h"
#include "FileData/NetFileData/MivServiceData.h"

// A network place: a saved or discovered connection shown as a folder in the
// network root. So far its service data and flags; connecting and listing
// come with the remote file systems.
class MivNetworkFileData : public MivSimpleFileData
{
public:
    explicit MivNetworkFileData(MivServiceDataPtr serviceData = nullptr);

    MivServiceDataPtr serviceData() const;
    void setServiceData(const MivServiceDataPtr& serviceData);

    // A hidden place cannot be opened as a folder.
    bool hidden() const override;
    void setHidden(bool hidden);
    // Whether connecting may ask the user for credentials.
    bool interactive() const;
    void setInteractive(bool interactive);

private:
    MivServiceDataPtr _serviceData;
    bool _hidden = false;
    bool _interactive = true;
};

using MivNetworkFileDataPtr = std::shared_ptr<MivNetworkFileData>;
