#pragma once

#include <QString>

// Changes to local entries that must never leave the user without the old
// entry or the new one: moving aside, replacing, removing whole trees
// without following links. Answers are 0 or an errno.
class MivLocalEntries
{
public:
    MivLocalEntries() = delete;

    // A rename that never replaces what is at the target.
    static int renameNoReplace(const QString& from, const QString& to);
    // Moves the entry to a free name beside it, starting with
    // "<path><suffix>"; answers that name, or a null string with the errno.
    static QString moveAside(const QString& path, const QString& suffix, int* err);
    // Removes an entry and, for a folder, everything inside it, without ever
    // following a link; the first failure's errno (the rest is still removed).
    static int removeEntryAt(int folderFd, const char* name);
    static int removeEntry(const QString& path);
    // Puts the source in the target's place, whatever the target is: a plain
    // rename where the kernel allows it; otherwise (a folder over a file, a
    // file over a folder, over a folder with content) the old target is moved
    // aside first and removed only once the source stands in its place; when
    // the source cannot be moved in, the old target is put back.
    static int replaceEntry(const QString& from, const QString& to);
};
