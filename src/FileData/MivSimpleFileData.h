#pragma once

#include "FileData/MivFileData.h"

// A virtual item: a named node with no file behind it. It lists nothing,
// has no size and cannot be changed; its name is its key. The base of the
// roots, the network places, the search-result folders and the ".." row.
class MivSimpleFileData : public MivFileData
{
public:
    MivSimpleFileData() = default;

    using MivFileData::updateSize;

    bool listElementsToArray(QList<MivFileDataPtr>& array, const MivListFilesParams& params,
                             const MivFileCallback& callback, plat::Error* errorRes) override;
    // A virtual item has no size to calculate, in the foreground or not.
    void updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate) override;
    void updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate, bool inBackground) override;
    bool updateFolderSizeState() override;
    QString displayInfo() const override;
    QString pathKey() const override;
    bool makeFileAllowed() const override;
    bool makeFolderAllowed() const override;
    bool shouldRename() const override;
    bool showContentAllowed() const override;
};
