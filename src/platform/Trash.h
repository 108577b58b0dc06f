#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace plat {

// The desktop's trash, as the freedesktop.org Trash specification lays it
// out, so that other file managers and trash-cli see what we trash and can
// restore it.
//
// An entry on the volume of the home trash ($XDG_DATA_HOME/Trash) goes
// there with its absolute path; an entry on another volume goes to that
// volume's trash: $topdir/.Trash/$uid when $topdir/.Trash is a sticky folder
// and no symbolic link, else $topdir/.Trash-$uid, with its path relative to
// $topdir. An entry is never copied across volumes.
//
// The .trashinfo file is made exclusively before the entry moves, and the
// entry moves without replacing anything, so two programs trashing the same
// name at once never take each other's slot: the loser tries the next
// unique name ("name.2.ext", "name.3.ext", ...).
class Trash
{
public:
    // What a .trashinfo file records.
    struct Info
    {
        // The original path as it was written: absolute in the home trash,
        // relative to the top folder in a volume's trash.
        QString path;
        // Local time, as the freedesktop.org trash specification wants; invalid
        // when absent.
        QDateTime deletionDate;
    };

    Trash() = delete;

    // Moves the entry (a link itself, not its target) into its trash and
    // answers where it went; a null string with the error otherwise.
    static QString moveToTrash(const QString& path, Error* error);

    // $XDG_DATA_HOME/Trash (by default ~/.local/share/Trash).
    static QString homeTrashFolder();

    // Deletes every entry of the home trash for good (links themselves, never
    // what they point to), with their .trashinfo files. False with the first
    // error when an entry could not be removed; the others are still removed.
    static bool emptyHomeTrash(Error* error);

    // The text of a .trashinfo file. The path is written as percent-encoded
    // bytes, so any file name survives.
    static QByteArray formatInfo(const QString& path, const QDateTime& deletionDate);
    // Reads a .trashinfo file; nothing when it is not one (no
    // "[Trash Info]" group or no usable Path= key).
    static std::optional<Info> parseInfo(const QByteArray& contents);
};

} // namespace plat
