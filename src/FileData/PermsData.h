#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

#include <compare>
#include <optional>

// The permission snapshot an item makes of itself on first use; the
// permissions column sorts by it and caches its text in it. Shared between
// threads through the item, so its fields sit behind the striped field lock.
class PermsData
{
public:
    // Copies the item's posix, folder and linkPath as they are now.
    explicit PermsData(const MivFileData& data);
    PermsData(std::optional<qint64> posix, bool folder, QString linkPath);
    // A copy carries the mode, folder flag and link path, not the cached text.
    PermsData(const PermsData& other);
    PermsData& operator=(const PermsData&) = delete;

    PermsDataPtr copy() const;

    bool folder() const;
    void setFolder(bool folder);
    std::optional<qint64> posix() const;
    void setPosix(const std::optional<qint64>& posix);
    QString linkPath() const;
    void setLinkPath(const QString& linkPath);
    QString stringRep() const;
    void setStringRep(const QString& stringRep);

    // By mode: a missing mode sorts first; two missing modes are the same.
    std::weak_ordering compare(const PermsData& other) const;

private:
    bool _folder = false;
    std::optional<qint64> _posix;
    QString _linkPath;
    QString _stringRep;
};
