#pragma once

#include "FileData/IMivVolumeInfo.h"

#include <QString>

// The sizes of the file system that holds a path, read once when made. The
// free size is what an unprivileged user may still write (as df's
// "Available"), and the available size equals it. A path that cannot be
// read leaves all three at -1 ("none").
class MivLocalVolumeInfo : public IMivVolumeInfo
{
public:
    explicit MivLocalVolumeInfo(const QString& path);

    void calculate(const QString& path);

    qint64 fileSystemAvailableSize() const override { return _fileSystemAvailableSize; }
    qint64 fileSystemFreeSize() const override { return _fileSystemFreeSize; }
    qint64 fileSystemSize() const override { return _fileSystemSize; }

private:
    qint64 _fileSystemAvailableSize = -1;
    qint64 _fileSystemFreeSize = -1;
    qint64 _fileSystemSize = -1;
};
