#pragma once

#include "FileData/MivFileRootData.h"

#include <QList>

#include <mutex>

class MivNetworkFileData;

// The one network root item ("NETWORK"), made (and refreshed) on first use.
// Its children are the network places, in the order they were added; the
// panels that watch it are told whenever a place comes or goes.
class MivNetworkRootData : public MivFileRootData
{
public:
    MivNetworkRootData() = default;

    static std::shared_ptr<MivNetworkRootData> sharedInstance();

    // Lists the place (once) and makes this root its parent.
    void addNetworkFile(const std::shared_ptr<MivNetworkFileData>& place);
    // Drops the place and posts ksRemoteFileRemovedNotification for it, so
    // the windows close what they show below it. Answers whether it was listed.
    bool removeNetworkFile(const std::shared_ptr<MivNetworkFileData>& place);
    QList<std::shared_ptr<MivNetworkFileData>> networkFiles() const;

    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override;

protected:
    void didCreate() override;

private:
    // Guards only the list: no item is called and nothing posted under it.
    mutable std::mutex _placesLock;
    QList<std::shared_ptr<MivNetworkFileData>> _places;
};
