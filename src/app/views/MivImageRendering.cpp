#include "app/views/MivImageRendering.h"

#include "app/views/MivIconRenderer.h"

#include "FileData/MivExec.h"
#include "FileData/MivIconDescriptor.h"
#include "platform/Path.h"

#include <QColor>
#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>

#include <fcntl.h>
#include <unistd.h>

QImage MivImageRendering::sizedImage(const QImage& image, QSizeF size)
{
    if (image.isNull())
        return QImage();
    const QSizeF shown = image.deviceIndependentSize();
    float ratio = 0;
    if (size.width() != 0)
        ratio = size.width() > 0 ? float(shown.width() / size.width()) : 0.0f;
    else
        ratio = size.height() > 0 ? float(shown.height() / size.height()) : 0.0f;
    if (ratio <= 0)
        return QImage();
    QImage copy = image;
    copy.setDevicePixelRatio(image.devicePixelRatio() * ratio);
    return copy;
}

QImage MivImageRendering::imageTinted(const QImage& image, const QColor& color, QSize size)
{
    QImage copy = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!color.isValid() || copy.isNull())
        return copy;
    const qreal ratio = copy.devicePixelRatio();
    const QSize area = size.isEmpty() ? copy.deviceIndependentSize().toSize() : size;
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(area)), color);
    painter.end();
    copy.setDevicePixelRatio(ratio);
    return copy;
}

QImage MivImageRendering::invert(const QImage& image)
{
    if (image.isNull())
        return QImage();
    QImage copy = image.convertToFormat(QImage::Format_ARGB32);
    copy.invertPixels(QImage::InvertRgb);
    return copy;
}

QImage MivImageRendering::overlay(const QImage& base, const QImage& overlay, QSize size)
{
    QImage result(size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect whole(QPoint(0, 0), size);
    if (!base.isNull())
        painter.drawImage(whole, base);
    if (!overlay.isNull())
        painter.drawImage(whole, overlay);
    return result;
}

namespace {

// Reads through our own descriptor: QImageReader's file name would take the
// path through the locale codec, which loses names that are not UTF-8.
class NativeImageFile
{
public:
    explicit NativeImageFile(const QString& path)
    {
        const QByteArray native = plat::Path::toNative(path);
        const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        if (!m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(fd);
    }
    QIODevice* device() { return m_file.isOpen() ? &m_file : nullptr; }

private:
    QFile m_file;
};

} // namespace

QVariantMap MivImageRendering::getImagePropertiesFromPath(const QUrl& fileUrl)
{
    if (!fileUrl.isLocalFile() && fileUrl.scheme() != QLatin1String("file"))
        return {};
    NativeImageFile file(plat::Path::fromFileUrl(fileUrl));
    if (!file.device())
        return {};
    QImageReader reader(file.device());
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid())
        return {};
    const QImage::Format format = reader.imageFormat();
    QVariantMap properties;
    properties.insert(QStringLiteral("PixelWidth"), size.width());
    properties.insert(QStringLiteral("PixelHeight"), size.height());
    properties.insert(QStringLiteral("Format"), QString::fromLatin1(reader.format()));
    if (format != QImage::Format_Invalid) {
        properties.insert(QStringLiteral("HasAlpha"), QImage(1, 1, format).hasAlphaChannel());
        properties.insert(QStringLiteral("Depth"), QImage(1, 1, format).depth());
    }
    return properties;
}

QImage MivImageRendering::imageWithPreviewOfFileAtPath(const QString& path, QSize size, bool asIcon)
{
    if (path.isEmpty())
        return QImage();
    {
        NativeImageFile file(path);
        if (file.device()) {
            QImageReader reader(file.device());
            QSize full = reader.size();
            if (reader.canRead() && full.isValid()) {
                full.scale(size, Qt::KeepAspectRatio);
                reader.setScaledSize(full);
                QImage picture = reader.read();
                if (!picture.isNull())
                    return picture;
            }
        }
    }
    // The file type's icon, drawn on the main thread where icons live.
    const QString mimeIcon = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).iconName();
    const QString genericIcon = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).genericIconName();
    auto descriptor = std::make_shared<MivIconDescriptor>(mimeIcon);
    descriptor->setFallbackThemeNames({genericIcon, QStringLiteral("text-x-generic")});
    QImage icon;
    MivExec::runOnMainThread([&] { icon = MivIconRenderer::imageFor(descriptor, size); });
    return icon;
}

QImage MivImageRendering::imageWithPreviewOfFileAtURL(const QUrl& url, QSize size, bool asIcon)
{
    if (!url.isValid() || url.scheme() != QLatin1String("file"))
        return QImage();
    return imageWithPreviewOfFileAtPath(plat::Path::fromFileUrl(url), size, asIcon);
}
