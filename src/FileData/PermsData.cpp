#include "FileData/PermsData.h"

PermsData::PermsData(std::optional<qint64> posix, bool folder, QString linkPath)
    : _folder(folder), _posix(posix), _linkPath(std::move(linkPath))
{
}

QString PermsData::stringRep() const
{
    std::lock_guard lock(_stringRepMutex);
    return _stringRep;
}

void PermsData::setStringRep(const QString& stringRep)
{
    std::lock_guard lock(_stringRepMutex);
    _stringRep = stringRep;
}

int PermsData::compare(const PermsData& other) const
{
    if (this == &other)
        return 0;
    if (!_posix && other._posix)
        return -1;
    if (_posix && !other._posix)
        return 1;
    if (!_posix && !other._posix)
        return 0;
    return (*_posix > *other._posix) - (*_posix < *other._posix);
}

std::shared_ptr<PermsData> PermsData::copy() const
{
    return std::make_shared<PermsData>(_posix, _folder, _linkPath);
}
