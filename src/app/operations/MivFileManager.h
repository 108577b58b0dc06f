#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The file-operation front end: the waiting copy, pack and unpack calls that
// features use when they must have the result before going on. Packing and
// unpacking work here on local items, as zip archives (libzip); other
// archive kinds and remote items answer as the archive plug-ins do when
// they have nothing for the name: no.
class MivFileManager
{
public:
    MivFileManager() = delete;

    // Packs the item (a folder with everything in it, the folder itself
    // being the archive's top entry) into a new archive of that name in the
    // destination folder. False when no archive can be made for the name.
    static bool compressFile(const MivFileDataPtr& file, const MivFileDataPtr& dest, const QString& name);
    // Unpacks the archive into the destination folder; the unpacked top
    // folder of the archive (or the child named as the archive without its
    // extension), refreshed; null when nothing was unpacked.
    static MivFileDataPtr decompressFile(const MivFileDataPtr& file, const MivFileDataPtr& dest);

    // --- Zip archives of local files ---

    // One entry tree of an archive: `path` (a file, a link or a folder with
    // everything in it) stored under `entryName`; a null path stores an
    // empty folder entry.
    struct ZipSource
    {
        QString entryName;
        QString path;
    };
    // Writes a new archive (an existing file of that name is replaced only
    // once the archive is complete). Links are stored as links, modes kept.
    static bool packZip(const QList<ZipSource>& sources, const QString& zipPath, plat::Error* error);

    // Unpacks every entry into the folder, which should be empty. Archives
    // come from shared folders: an entry with an absolute name, a "." or
    // ".." component, an empty component, or a link that points outside the
    // folder (or an entry reached through such a link) refuses the whole
    // archive before anything is written. Answers the top-level names.
    static std::optional<QStringList> unpackZip(const QString& zipPath, const QString& folder, plat::Error* error);
};
