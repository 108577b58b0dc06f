#include "FileData/RootFileData/MivNetworkRootData.h"

#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/NetFileData/MivNetworkNotifications.h"
#include "platform/NoDestructor.h"
#include "platform/NotificationCenter.h"

std::shared_ptr<MivNetworkRootData> MivNetworkRootData::sharedInstance()
{
    static const plat::NoDestructor<std::shared_ptr<MivNetworkRootData>> instance(makeItem<MivNetworkRootData>());
    return *instance;
}

void MivNetworkRootData::didCreate()
{
    updateName(QStringLiteral("NETWORK"));
    MivFileRootData::didCreate();
}

void MivNetworkRootData::addNetworkFile(const std::shared_ptr<MivNetworkFileData>& place)
{
    if (!place)
        return;
    {
        std::lock_guard lock(_placesLock);
        if (_places.contains(place))
            return;
        _places.append(place);
    }
    place->setParent(shared_from_this());
    refreshContextView(nullptr);
}

bool MivNetworkRootData::removeNetworkFile(const std::shared_ptr<MivNetworkFileData>& place)
{
    {
        std::lock_guard lock(_placesLock);
        if (!place || !_places.removeOne(place))
            return false;
    }
    refreshContextView(nullptr);
    // The item travels with the notice: it stays alive, and its address
    // unique, until every observer is done with it.
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksRemoteFileRemovedNotification), place.get(),
                                                   {{QStringLiteral("item"), QVariant::fromValue(MivFileDataPtr(place))}});
    return true;
}

QList<std::shared_ptr<MivNetworkFileData>> MivNetworkRootData::networkFiles() const
{
    std::lock_guard lock(_placesLock);
    return _places;
}

bool MivNetworkRootData::listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams&,
                                             const MivFileCallback&, plat::Error*)
{
    for (const auto& place : networkFiles())
        array.append(place);
    return true;
}
