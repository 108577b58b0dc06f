#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QStringList>

// Turns icon descriptors into pixels on the GUI thread: the theme icon (or
// its fallbacks), an image file or a resource image as the base, the badges
// drawn over it once, template icons tinted in the foreground colour.
// Results are cached by the descriptor's contents and the size.
class MivIconRenderer
{
public:
    MivIconRenderer() = delete;

    // Points Qt's icon lookup at the installed themes: the search path gets
    // each $XDG_DATA_DIRS entry + "/icons" (default /usr/local/share and
    // /usr/share), and the theme is the desktop's, else "Adwaita" (Qt finds
    // none by itself on the offscreen platform). Main thread, at start-up.
    static void installIconTheme();
    static QStringList iconSearchPaths();

    // The icon at the size in points and the device pixel ratio; a template
    // icon is drawn in templateColor (the palette's text colour when
    // invalid). Null pixmap for a null descriptor or an icon found nowhere.
    // Main thread.
    static QPixmap pixmapFor(const MivIconDescriptorPtr& icon, QSize size, qreal devicePixelRatio = 1.0,
                             const QColor& templateColor = QColor());
    static QImage imageFor(const MivIconDescriptorPtr& icon, QSize size, qreal devicePixelRatio = 1.0,
                           const QColor& templateColor = QColor());

    // Where images of the program's own resources are looked for.
    static QStringList resourceImageFolders();

    static void clearCache();
};
