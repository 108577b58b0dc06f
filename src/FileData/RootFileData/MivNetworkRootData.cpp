#include "FileData/RootFileData/MivNetworkRootData.h"

std::shared_ptr<MivNetworkRootData> MivNetworkRootData::sharedInstance()
{
    static const std::shared_ptr<MivNetworkRootData> instance = makeItem<MivNetworkRootData>();
    return instance;
}

void MivNetworkRootData::didCreate()
{
    updateName(QStringLiteral("NETWORK"));
    MivFileRootData::didCreate();
}
