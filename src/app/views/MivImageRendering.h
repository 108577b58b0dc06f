#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <QVariantMap>

class QColor;

// The pixel side of the image helpers. Works on QImage, so any thread may
// use it (thumbnails are made on loading queues); only the workspace-icon
// fallback of a thumbnail hops to the main thread.
class MivImageRendering
{
public:
    MivImageRendering() = delete;

    // A copy whose display size is scaled to the target, keeping the aspect
    // ratio: a target width wins over a target height. The pixels are not
    // resampled; only the device pixel ratio changes. Null for a null image;
    // a target of 0 x 0 gives an empty image.
    static QImage sizedImage(const QImage& image, QSizeF size);
    // The colour replaces the image's pixels, keeping their transparency, in
    // the rectangle of the size from the origin (the whole image when the
    // size is empty). An invalid colour gives a plain copy.
    static QImage imageTinted(const QImage& image, const QColor& color, QSize size = QSize());
    // The colour-inverted picture (alpha kept); null for a null image.
    static QImage invert(const QImage& image);
    // The base with the overlay drawn over the whole rectangle of the size
    // (source-over, smooth scaling); base first, overlay second.
    static QImage overlay(const QImage& base, const QImage& overlay, QSize size);

    // Properties of the first image in the file ("PixelWidth",
    // "PixelHeight", "Format", "HasAlpha", "Depth"); empty when it is not an
    // image that can be read.
    static QVariantMap getImagePropertiesFromPath(const QUrl& fileUrl);

    // A thumbnail of the file at most the size: the picture itself for a
    // readable image, else (or with asIcon when no picture can be read) the
    // file type's icon at the size. Null for no path.
    static QImage imageWithPreviewOfFileAtPath(const QString& path, QSize size, bool asIcon);
    static QImage imageWithPreviewOfFileAtURL(const QUrl& url, QSize size, bool asIcon);
};
