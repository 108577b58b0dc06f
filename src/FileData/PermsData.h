#pragma once

#include <QMetaType>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

// The permission snapshot of an item: mode bits, folder flag and link target
// at the time it was made, and the display text the permissions formatter
// caches in it. The cached text may be filled from any thread.
class PermsData
{
public:
    PermsData() = default;
    PermsData(std::optional<qint64> posix, bool folder, QString linkPath);

    bool folder() const { return _folder; }
    void setFolder(bool folder) { _folder = folder; }
    std::optional<qint64> posix() const { return _posix; }
    void setPosix(std::optional<qint64> posix) { _posix = posix; }
    QString linkPath() const { return _linkPath; }
    void setLinkPath(const QString& linkPath) { _linkPath = linkPath; }

    QString stringRep() const;
    void setStringRep(const QString& stringRep);

    // Ordered by mode; a missing mode sorts first. -1, 0 or 1.
    int compare(const PermsData& other) const;

    // Same mode, folder flag and link target; the cached text is not copied.
    std::shared_ptr<PermsData> copy() const;

private:
    bool _folder = false;
    std::optional<qint64> _posix;
    QString _linkPath;
    mutable std::mutex _stringRepMutex;
    QString _stringRep;
};

using PermsDataPtr = std::shared_ptr<PermsData>;

Q_DECLARE_METATYPE(PermsDataPtr)
