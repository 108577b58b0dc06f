#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QSizeF>
#include <QString>

// An icon with a badge over it (the link arrow, the status badges of the
// version-control plug-ins), as a descriptor: the GUI side composes the
// pixels once when it first draws it. The icon it was made from stays
// reachable, so views can show an icon without its badges.
class MivOverlayImage
{
public:
    MivOverlayImage() = delete;

    static constexpr double kDefaultOverlaySize = 16.0;

    // The base icon with the overlay's badges (its theme name, or the badges
    // it already carries) drawn over it at the size. Null without a base.
    static MivIconDescriptorPtr create(const MivIconDescriptorPtr& overlay, const MivIconDescriptorPtr& base);
    static MivIconDescriptorPtr create(const MivIconDescriptorPtr& overlay, QSizeF size, const MivIconDescriptorPtr& base);
    // The same with an image of the program's resources as the badge.
    static MivIconDescriptorPtr createWithResource(const QString& resource, QSizeF size, const MivIconDescriptorPtr& base);

    // The plain icon under any stack of badges; the icon itself when it has
    // none; null for null.
    static MivIconDescriptorPtr baseImage(const MivIconDescriptorPtr& icon);
};
