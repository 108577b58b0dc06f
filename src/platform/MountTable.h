#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <sys/types.h>

#include <optional>

namespace plat {

class Error;

// One line of /proc/<pid>/mountinfo. Paths and the source keep every byte
// through the lossless path codec.
struct MountEntry
{
    int mountId = 0;
    int parentId = 0;
    dev_t device = 0;     // major:minor, what stat() answers as st_dev for files on it
    QString root;         // the folder of the file system that is mounted here
    QString mountPoint;
    QString options;      // per mount: "rw,nosuid,…"
    QString fsType;       // "ext4", "nfs4", "fuse.gvfsd-fuse", …
    QString source;       // "/dev/sdb1", "server:/export", "//server/share", …
    QString superOptions; // per file system
};

// The kernel's mount table. Read without touching any mounted file system,
// so a dead network server never blocks the read.
class MountTable
{
public:
    MountTable() = delete;

    // "<procRoot>/self/mountinfo"; nullopt with an error when it cannot be read.
    static std::optional<QList<MountEntry>> read(const QString& procRoot, Error* error = nullptr);
    // The entries of a mountinfo text, in order. Malformed lines are skipped,
    // never guessed at.
    static QList<MountEntry> parse(QByteArrayView text);
    // A field with the kernel's octal escapes ("\040" for a blank) undone.
    static QString unescapeField(QByteArrayView field);
    // The value of "key=value" in a comma-separated option list; null when absent.
    static QString option(const QString& options, QLatin1StringView key);
};

} // namespace plat
