#pragma once

#include "FileData/MivSimpleFileData.h"

// A network share mounted by the program: the share's folder as a drive,
// remembered together with the item it was mounted from. The drive bar
// files a location under the share when it lies below either key. Nothing
// mounts shares this way yet.
class MivMountDataFile : public MivSimpleFileData
{
public:
    MivMountDataFile(const QString& pathKey, MivFileDataPtr base);

    QString pathKey() const override;
    QString savingKey() const override;
    // The item the share was mounted from; null when unknown.
    MivFileDataPtr base() const { return _base; }

private:
    const QString _pathKey;
    const MivFileDataPtr _base;
};
