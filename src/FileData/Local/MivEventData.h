#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

// One delivered file-system event. Read-only after creation; copies are
// cheap.
class MivEventData
{
public:
    // From a stream's path entry: "path" (standardized) and "fileID" (the
    // file identifier; 0 when the entry has none).
    MivEventData(const QVariantMap& properties, quint64 eventId, quint32 flags);
    // From a bare path; the file identifier is then -1.
    MivEventData(const QString& path, quint64 eventId, quint32 flags);

    quint32 flags() const { return _flags; }
    const QString& path() const { return _path; }
    qint64 inode() const { return _inode; }
    quint64 eventId() const { return _eventId; }

    // An absolute path of the file URL the path names (a relative path is
    // taken against the current folder), with "." and ".." resolved, runs of
    // "/" joined and no trailing "/" (the root stays "/").
    static QString standarizedPath(const QString& path);

    QUrl resolveURL() const;
    // The file's identity on its file system ("device:inode"); null, with an
    // info-level log line, when it cannot be read.
    QVariant resolveFileId() const;

    // Whether the event names the watched path itself or one of its direct
    // children. Compared whole component by whole component: "/a/bc" is not
    // inside "/a/b".
    bool pathIsSubpathOf(const QString& watchedPath) const;

    bool isFileEvent() const { return _flags & 0x10000; }
    bool isCreated() const { return _flags & 0x100; }
    bool isRemoved() const { return _flags & 0x200; }
    bool isRenamed() const { return _flags & 0x800; }
    bool isModified() const { return _flags & 0x9400; }

    // "ID: %llu, FLAGS: %#.8x, PATH: %@"
    QString description() const;

    // Events are the same when their identifiers are.
    bool operator==(const MivEventData& other) const { return _eventId == other._eventId; }

private:
    quint32 _flags = 0;
    QString _path;
    qint64 _inode = 0;
    quint64 _eventId = 0;
};

inline size_t qHash(const MivEventData& event, size_t seed = 0)
{
    return qHash(event.eventId(), seed);
}
