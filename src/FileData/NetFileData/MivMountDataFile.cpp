#include "FileData/NetFileData/MivMountDataFile.h"

MivMountDataFile::MivMountDataFile(const QString& pathKey, MivFileDataPtr base)
    : _pathKey(pathKey), _base(std::move(base))
{
}

QString MivMountDataFile::pathKey() const
{
    return _pathKey;
}

QString MivMountDataFile::savingKey() const
{
    return _pathKey;
}
