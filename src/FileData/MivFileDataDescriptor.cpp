#include "FileData/MivFileDataDescriptor.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivRemoteFileData.h"
#include "FileData/RootFileData/MivBonjourData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"

MivFileDataDescriptor::MivFileDataDescriptor(const QString& pathKey, const QString& rootKey,
                                             const std::optional<QVariantMap>& remoteData)
{
    const MivFileDataPtr root = resolveRootDataForPathKey(pathKey, rootKey);
    if (root && root->exists())
        _root = root;
    if (_root && remoteData) {
        const auto savingRoot = std::dynamic_pointer_cast<MivRemoteFileData>(MivFileDataManager::savingRootForData(_root));
        if (savingRoot) {
            savingRoot->updateDescriptor(&*remoteData);
            if (savingRoot->createClientRequiredConnection()
                && MivFileDataManager::connectRemoteFile(savingRoot) == MivFileDataManager::kConnectFailed)
                _root = nullptr;
        }
    }
    if (!rootKey.isEmpty() && _root)
        _data = MivFileDataManager::moveData(_root, pathKey);
}

MivFileDataPtr MivFileDataDescriptor::resolveRootDataForPathKey(const QString& pathKey, const QString& rootKey)
{
    if (pathKey == QLatin1String(ksMivNetworkDataName))
        return MivNetworkRootData::sharedInstance();
    if (pathKey == QLatin1String(ksMivBonjourDataName))
        return MivBonjourData::sharedInstance();
    if (!rootKey.isEmpty())
        return MivFileDataManager::makeInstanceForString(rootKey, true);
    if (!pathKey.isEmpty())
        return MivFileDataManager::makeInstanceForString(pathKey, true);
    return nullptr;
}
