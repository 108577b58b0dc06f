#pragma once

#include "FileData/MivSimpleFileData.h"

// The ".." row that leads to a folder: it answers that folder's keys, sorts
// before every folder and never has a size. Made through makeItem(folder),
// it is refreshed when made.
class MivUpFolderData : public MivSimpleFileData
{
public:
    explicit MivUpFolderData(MivFileDataPtr wrapped);

    using MivSimpleFileData::updateSize;

    // The shared ".." icon.
    static MivIconDescriptorPtr upFolderIcon();

    bool isUpFolderData() const override;
    bool folder() const override;
    bool readable() const override;
    bool writable() const override;
    void resolveExtension() override;
    MivIconDescriptorPtr resolveIcon() const override;
    void refresh() override;
    void updateSize(const std::shared_ptr<IMivFileDataUpdateDelegate>& delegate) override;
    bool updateFolderSizeState() override;
    int sortKey() const override;
    QString displayInfo() const override;
    QString pathKey() const override;
    // The folder the row leads to; set once at creation.
    MivFileDataPtr wrapped() const { return _wrapped; }

protected:
    void didCreate() override;

private:
    // Never changed after construction, so it is read without a lock.
    const MivFileDataPtr _wrapped;
};
