#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QList>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

// One entry of a folder as the kernel lists it: the entry's path (bytes, as
// the kernel knows it) and the file type the directory reports (d_type).
struct MivDirectoryEntry
{
    QByteArray path;
    unsigned char type = 0;  // DT_UNKNOWN
    // Where the last component starts in path.
    qsizetype nameOffset = 0;

    QByteArray name() const { return path.mid(nameOffset); }
    // A folder as the panels show it: a folder, or a link leading to one.
    // (No folder is a package here, so the packages setting changes nothing.)
    bool isFolderAsShown() const;
};

// Lists one or more folders with getdents64, one entry at a time, on the
// thread that asks; no status is read per entry (the listing reads the
// entries' status in parallel afterwards).
//
// Options are the platform's enumeration bits. Without
// kSkipsSubdirectoryDescendants the enumerator descends, depth first, into
// every real folder it meets, right after returning it: never through a
// symbolic link (links are not followed, so a link to an ancestor cannot
// loop), and never into a folder that is one of the folders it is inside
// already (bind mounts). With kSkipsHiddenFiles, entries whose name starts
// with a dot are neither returned nor entered.
//
// Several folders are listed one after the other; a folder entry whose name
// an earlier folder already returned is then left out, so a folder of the
// same name is shown once, from the first folder. Files are never left out.
//
// A folder that cannot be opened or read goes to the error handler with its
// path; the handler answers whether to go on (skipping that folder). When
// it answers false, or there is no handler, the enumeration ends.
class MivDirectoryEnumerator
{
public:
    static constexpr int kSkipsSubdirectoryDescendants = 1;
    static constexpr int kSkipsPackageDescendants = 2;
    static constexpr int kSkipsHiddenFiles = 4;

    using ErrorHandler = std::function<bool(const QByteArray& path, const plat::Error& error)>;

    MivDirectoryEnumerator(const QList<QByteArray>& folders, int options, ErrorHandler errorHandler);
    ~MivDirectoryEnumerator();
    MivDirectoryEnumerator(const MivDirectoryEnumerator&) = delete;
    MivDirectoryEnumerator& operator=(const MivDirectoryEnumerator&) = delete;

    // The next entry, false at the end. "." and ".." are never returned.
    bool nextObject(MivDirectoryEntry& entry);

private:
    struct Level;

    // Opens a folder (relative to the folder on top, or absolute) and puts
    // it on top; false when it was not entered.
    bool enter(int atFd, const QByteArray& name, const QByteArray& path);
    bool isAncestor(quint64 device, quint64 inode) const;
    // Reports a failure; answers whether to go on.
    bool report(const QByteArray& path, int error);
    void leave();

    QList<QByteArray> _folders;
    int _options;
    ErrorHandler _errorHandler;
    std::vector<std::unique_ptr<Level>> _stack;
    // Names of folders already returned, when several folders are listed.
    QSet<QByteArray> _processedDirs;
    bool _chained;
    bool _ended = false;
};
