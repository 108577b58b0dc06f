#include "FileData/MivOverlayImage.h"

#include "FileData/MivIconDescriptor.h"

namespace {

MivIconDescriptorPtr overlayWithBadges(const QStringList& badges, QSizeF size, const MivIconDescriptorPtr& base)
{
    if (!base)
        return nullptr;
    QStringList all = base->badges();
    all += badges;
    auto made = std::make_shared<MivIconDescriptor>(base->themeName(), base->filePath(), all);
    made->setFallbackThemeNames(base->fallbackThemeNames());
    made->setResourceName(base->resourceName());
    made->setTemplate(base->isTemplate());
    made->setSize(size);
    // The base itself, not a copy: baseImage hands back the very icon.
    made->setOverlayBase(base);
    return made;
}

} // namespace

MivIconDescriptorPtr MivOverlayImage::create(const MivIconDescriptorPtr& overlay, const MivIconDescriptorPtr& base)
{
    return create(overlay, QSizeF(kDefaultOverlaySize, kDefaultOverlaySize), base);
}

MivIconDescriptorPtr MivOverlayImage::create(const MivIconDescriptorPtr& overlay, QSizeF size, const MivIconDescriptorPtr& base)
{
    QStringList badges;
    if (overlay) {
        if (!overlay->themeName().isEmpty())
            badges << overlay->themeName();
        badges += overlay->badges();
    }
    return overlayWithBadges(badges, size, base);
}

MivIconDescriptorPtr MivOverlayImage::createWithResource(const QString& resource, QSizeF size, const MivIconDescriptorPtr& base)
{
    return overlayWithBadges(resource.isEmpty() ? QStringList() : QStringList{resource}, size, base);
}

MivIconDescriptorPtr MivOverlayImage::baseImage(const MivIconDescriptorPtr& icon)
{
    MivIconDescriptorPtr current = icon;
    while (current && current->overlayBase())
        current = current->overlayBase();
    return current;
}
