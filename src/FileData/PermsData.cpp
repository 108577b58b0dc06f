#include "FileData/PermsData.h"

#include "FileData/MivFileData.h"
#include "platform/StripedLocks.h"

using plat::StripedLocks;

PermsData::PermsData(const MivFileData& data)
    : _folder(data.folder()), _posix(data.posix()), _linkPath(data.linkPath())
{
}

PermsData::PermsData(std::optional<qint64> posix, bool folder, QString linkPath)
    : _folder(folder), _posix(posix), _linkPath(std::move(linkPath))
{
}

PermsData::PermsData(const PermsData& other)
    : _folder(other.folder()), _posix(other.posix()), _linkPath(other.linkPath())
{
}

PermsDataPtr PermsData::copy() const
{
    return std::make_shared<PermsData>(*this);
}

bool PermsData::folder() const { return StripedLocks::read(this, _folder); }
void PermsData::setFolder(bool folder) { StripedLocks::write(this, _folder, folder); }
std::optional<qint64> PermsData::posix() const { return StripedLocks::read(this, _posix); }
void PermsData::setPosix(const std::optional<qint64>& posix) { StripedLocks::write(this, _posix, posix); }
QString PermsData::linkPath() const { return StripedLocks::read(this, _linkPath); }
void PermsData::setLinkPath(const QString& linkPath) { StripedLocks::write(this, _linkPath, linkPath); }
QString PermsData::stringRep() const { return StripedLocks::read(this, _stringRep); }
void PermsData::setStringRep(const QString& stringRep) { StripedLocks::write(this, _stringRep, stringRep); }

std::weak_ordering PermsData::compare(const PermsData& other) const
{
    if (this == &other)
        return std::weak_ordering::equivalent;
    // Read each side under its own stripe, one at a time.
    const auto mine = posix();
    const auto theirs = other.posix();
    if (!mine && theirs)
        return std::weak_ordering::less;
    if (mine && !theirs)
        return std::weak_ordering::greater;
    if (!mine && !theirs)
        return std::weak_ordering::equivalent;
    return *mine <=> *theirs;
}
