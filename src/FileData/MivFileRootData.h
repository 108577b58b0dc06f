#pragma once

#include "FileData/MivSimpleFileData.h"

// The item at the top of a tree (the network, Bonjour and cloud roots derive
// from it). Made through makeItem, it is refreshed when made.
class MivFileRootData : public MivSimpleFileData
{
public:
    MivFileRootData() = default;

    bool makeFileAllowed() const override;
    bool makeFolderAllowed() const override;
    // A root keeps whatever extension it was given.
    void resolveExtension() override;
    // Closes what a root holds when the drive bar closes; nothing here.
    virtual void shutdown();

protected:
    void didCreate() override;
};
