#pragma once

#include "FileData/IMivFileHandlingPlugin.h"
#include "FileData/MivFileRootData.h"

#include <memory>

// The cloud file system's root, one per process. Declared for the plug-in
// list only: never connected, it claims no key and opens nothing.
class MivDropboxRoot : public MivFileRootData, public IMivFileHandlingPlugin
{
public:
    MivDropboxRoot() = default;

    static std::shared_ptr<MivDropboxRoot> sharedInstance();

    bool checkInstanceForPath(const QString&) override { return false; }
    MivFileDataPtr instanceForKey(const QString&, plat::Error*) override { return nullptr; }
    MivFileDataPtr openFileData(const MivFileDataPtr&) override { return nullptr; }
    MivFileDataPtr closeFileData(const MivFileDataPtr&, const MivFileDataPtr&) override { return nullptr; }
};
