#pragma once

#include "FileData/IMivFileHandlingPlugin.h"
#include "FileData/MivSimpleFileData.h"

// An item of the cloud file system. Declared for the plug-in list only: it
// claims no key and opens nothing until its back-end is built.
class MivDropboxFileData : public MivSimpleFileData, public IMivFileHandlingPlugin
{
public:
    MivDropboxFileData() = default;

    bool checkInstanceForPath(const QString&) override { return false; }
    MivFileDataPtr instanceForKey(const QString&, plat::Error*) override { return nullptr; }
    MivFileDataPtr openFileData(const MivFileDataPtr&) override { return nullptr; }
    MivFileDataPtr closeFileData(const MivFileDataPtr&, const MivFileDataPtr&) override { return nullptr; }
};
