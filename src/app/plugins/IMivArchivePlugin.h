#pragma once

#include "FileData/IMivFileHandlingPlugin.h"

#include <QStringList>

#include <memory>

class IDecompressHandler;

// An archive plug-in: opens the files whose extensions it lists, and packs
// and unpacks for the copy engine.
class IMivArchivePlugin : public virtual IMivFileHandlingPlugin
{
public:
    // The extensions it opens, in its own order, as written (no dot).
    virtual QStringList extensions() const = 0;

    // True when the plug-in can pack archives.
    virtual bool compressAllowed() const = 0;
    // The format's name in the archive-format menu.
    virtual QString archiveName() const = 0;
    // The extension of a new archive of this format (no dot).
    virtual QString defaultExtension() const = 0;
    // The root item of a new archive with that name in the folder (for a
    // remote folder, in a local temporary folder), reloaded; null when it
    // cannot be made. The root's close() ends the packing.
    virtual MivFileDataPtr makeInstanceForParent(const MivFileDataPtr& parent, const QString& withName) = 0;
    // The root item of the archive the item is; null for folders and for
    // items the plug-in does not recognise.
    virtual MivFileDataPtr goInside(const MivFileDataPtr& item) = 0;
    // Unpacks the archive into the local folder, asking the handler whether
    // it was cancelled and reporting progress to it; true on success.
    virtual bool decompressFileData(const MivFileDataPtr& archive, const MivFileDataPtr& toDest,
                                    const std::shared_ptr<IDecompressHandler>& handler) = 0;
};
