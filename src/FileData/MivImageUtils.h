#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QSizeF>
#include <QString>

// Icons as descriptors: the system's named icons and symbols mapped onto the
// freedesktop icon theme, template icons, and the icon of a file type. The
// pixel work (scaling, tinting, inverting, thumbnails) belongs to the GUI
// side, which turns descriptors into pixmaps.
class MivImageUtils
{
public:
    MivImageUtils() = delete;

    // The system icon of that name as a theme icon; null for a name the
    // system icon set does not have.
    static MivIconDescriptorPtr sysIconNamed(const QString& name);
    // The system symbol of that name as a theme icon; null when unknown.
    static MivIconDescriptorPtr symbolNamed(const QString& name);
    // A template (monochrome) icon: with system, the system icon or else the
    // symbol of the name; without, the program's resource image of the name
    // without its extension. A size that is not zero becomes its display size.
    static MivIconDescriptorPtr templateIconNamed(const QString& name, QSizeF size, bool system);
    // The icon of files with the extension (the MIME type's icon, then its
    // generic icon); null for an empty or unknown extension. One shared
    // descriptor per extension.
    static MivIconDescriptorPtr iconForFileType(const QString& extension);
};
