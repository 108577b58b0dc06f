#include "app/panel/MivFilesViewController.h"

#include "app/files-table/MivFilesTableView.h"
#include "app/settings/MivContext.h"
#include "FileData/MivFileData.h"
#include "platform/Color.h"

namespace {

QColor schemeColor(const QVariantMap& colors, const char* key, const QPalette& palette)
{
    const QVariant value = colors.value(QLatin1String(key));
    return value.canConvert<plat::Color>() ? value.value<plat::Color>().resolved(palette) : QColor();
}

} // namespace

QColor MivFilesViewController::textColorForItem(const MivFilesTableView* view, const MivFileDataPtr& item,
                                                bool highlighted) const
{
    const auto settings = MivContext::context();
    if (!view || !settings)
        return {};
    const QVariantMap colors = settings->currentColors();
    const QPalette& palette = view->palette();
    const bool negativeSelection = colors.value(QStringLiteral("negativeSelection")).toBool();

    QColor color;
    if (!highlighted && item && item->hidden())
        color = schemeColor(colors, "hiddenColor", palette);
    // With negative selection a mark shows as the row's background instead.
    if (item && m_selector.isSelected(item) && !(negativeSelection && !highlighted))
        color = schemeColor(colors, "markColor", palette);
    // Colouring-rule colours join here once rules colour rows.
    if (!color.isValid()) {
        // The highlight keeps the palette's highlighted text, readable on it.
        if (highlighted)
            return {};
        color = schemeColor(colors, "fontColor", palette);
        if (item && item->isFolder() && colors.contains(QStringLiteral("fontColorFolder")))
            color = schemeColor(colors, "fontColorFolder", palette);
    }
    if (color.isValid() && !view->isActiveWindow())
        color.setAlphaF(color.alphaF() * 0.5);
    return color;
}
