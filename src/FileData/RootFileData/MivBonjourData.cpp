#include "FileData/RootFileData/MivBonjourData.h"

std::shared_ptr<MivBonjourData> MivBonjourData::sharedInstance()
{
    static const std::shared_ptr<MivBonjourData> instance = makeItem<MivBonjourData>();
    return instance;
}

void MivBonjourData::didCreate()
{
    updateName(QStringLiteral("BONJOUR"));
    MivFileRootData::didCreate();
}
