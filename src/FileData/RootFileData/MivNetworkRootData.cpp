#include "FileData/RootFileData/MivNetworkRootData.h"
#include "platform/NoDestructor.h"

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
