#include "FileData/RootFileData/MivBonjourData.h"
#include "platform/NoDestructor.h"

std::shared_ptr<MivBonjourData> MivBonjourData::sharedInstance()
{
    static const plat::NoDestructor<std::shared_ptr<MivBonjourData>> instance(makeItem<MivBonjourData>());
    return *instance;
}

void MivBonjourData::didCreate()
{
    updateName(QStringLiteral("BONJOUR"));
    MivFileRootData::didCreate();
}
