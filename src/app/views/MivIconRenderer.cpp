#include "app/views/MivIconRenderer.h"

#include "app/views/MivImageRendering.h"

#include "FileData/MivIconDescriptor.h"
#include "platform/Log.h"

#include <QCache>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QPalette>

#include <cstdlib>

namespace {

constexpr int kCacheCost = 16 * 1024 * 1024;

QCache<QString, QImage>& cache()
{
    static QCache<QString, QImage> images(kCacheCost);
    return images;
}

void appendKey(QString& key, const MivIconDescriptor& icon)
{
    key += icon.themeName() + QLatin1Char('\x1f') + icon.fallbackThemeNames().join(QLatin1Char(',')) +
           QLatin1Char('\x1f') + icon.filePath() + QLatin1Char('\x1f') + icon.resourceName() + QLatin1Char('\x1f') +
           icon.badges().join(QLatin1Char(',')) + QLatin1Char('\x1f') +
           (icon.isTemplate() ? QLatin1Char('T') : QLatin1Char('-'));
}

QImage themeImage(const QString& name, QSize pixels)
{
    if (name.isEmpty())
        return QImage();
    const QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        return QImage();
    QImage image = icon.pixmap(pixels).toImage();
    if (!image.isNull() && image.size() != pixels)
        image = image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage fileImage(const QString& path, QSize pixels)
{
    QImage image = MivImageRendering::imageWithPreviewOfFileAtPath(path, pixels, false);
    return image;
}

QImage resourceImage(const QString& name, QSize pixels)
{
    if (name.isEmpty())
        return QImage();
    static const QStringList suffixes{QStringLiteral(".png"), QStringLiteral(".svg"), QStringLiteral(".jpg"),
                                      QStringLiteral("")};
    for (const QString& folder : MivIconRenderer::resourceImageFolders()) {
        for (const QString& suffix : suffixes) {
            const QString path = folder + QLatin1Char('/') + name + suffix;
            if (!QFileInfo(path).isFile())
                continue;
            QImageReader reader(path);
            QSize size = reader.size();
            if (size.isValid()) {
                size.scale(pixels, Qt::KeepAspectRatio);
                reader.setScaledSize(size);
            }
            const QImage image = reader.read();
            if (!image.isNull())
                return image;
        }
    }
    return QImage();
}

// A badge is a theme icon or else a resource image.
QImage badgeImage(const QString& name, QSize pixels)
{
    QImage image = themeImage(name, pixels);
    return image.isNull() ? resourceImage(name, pixels) : image;
}

QImage baseImage(const MivIconDescriptor& icon, QSize pixels)
{
    if (!icon.filePath().isEmpty()) {
        QImage image = fileImage(icon.filePath(), pixels);
        if (!image.isNull())
            return image;
    }
    if (!icon.resourceName().isEmpty()) {
        QImage image = resourceImage(icon.resourceName(), pixels);
        if (!image.isNull())
            return image;
    }
    QImage image = themeImage(icon.themeName(), pixels);
    for (const QString& fallback : icon.fallbackThemeNames()) {
        if (!image.isNull())
            break;
        image = themeImage(fallback, pixels);
    }
    return image;
}

} // namespace

QStringList MivIconRenderer::iconSearchPaths()
{
    QString dataDirs = QString::fromLocal8Bit(qgetenv("XDG_DATA_DIRS"));
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList paths;
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        paths << QDir::cleanPath(dir + QStringLiteral("/icons"));
    paths.removeDuplicates();
    return paths;
}

void MivIconRenderer::installIconTheme()
{
    QStringList paths = iconSearchPaths();
    for (const QString& existing : QIcon::themeSearchPaths())
        if (!paths.contains(existing))
            paths << existing;
    QIcon::setThemeSearchPaths(paths);
    QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        theme = QStringLiteral("Adwaita");
    QIcon::setThemeName(theme);
    if (!QIcon::hasThemeIcon(QStringLiteral("folder")))
        MIV_LOG_WARN(QStringLiteral("The icon theme %1 has no folder icon; icons will be missing").arg(theme));
    clearCache();
}

QStringList MivIconRenderer::resourceImageFolders()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    return {appDir + QStringLiteral("/../share/mivo/images"), appDir + QStringLiteral("/../share/mivo"),
            appDir + QStringLiteral("/../resources/images"), appDir + QStringLiteral("/../resources")};
}

QImage MivIconRenderer::imageFor(const MivIconDescriptorPtr& icon, QSize size, qreal devicePixelRatio,
                                 const QColor& templateColor)
{
    if (!icon || size.isEmpty())
        return QImage();
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    QColor tint = templateColor;
    if (icon->isTemplate() && !tint.isValid())
        tint = QGuiApplication::palette().color(QPalette::WindowText);

    QString key;
    appendKey(key, *icon);
    key += QStringLiteral("|%1x%2|%3").arg(pixels.width()).arg(pixels.height()).arg(icon->isTemplate() ? tint.name(QColor::HexArgb) : QString());
    if (const QImage* cached = cache().object(key)) {
        QImage copy = *cached;
        copy.setDevicePixelRatio(ratio);
        return copy;
    }

    QImage image = baseImage(*icon, pixels);
    if (image.isNull())
        return image;
    if (image.size() != pixels) {
        // Centred on a canvas of the size, so badges sit where they should.
        QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        painter.drawImage(QPoint((pixels.width() - image.width()) / 2, (pixels.height() - image.height()) / 2), image);
        painter.end();
        image = canvas;
    }
    for (const QString& badge : icon->badges())
        image = MivImageRendering::overlay(image, badgeImage(badge, pixels), pixels);
    if (icon->isTemplate())
        image = MivImageRendering::imageTinted(image, tint);
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    cache().insert(key, new QImage(image), int(image.sizeInBytes()));
    image.setDevicePixelRatio(ratio);
    return image;
}

QPixmap MivIconRenderer::pixmapFor(const MivIconDescriptorPtr& icon, QSize size, qreal devicePixelRatio,
                                   const QColor& templateColor)
{
    QPixmap pixmap = QPixmap::fromImage(imageFor(icon, size, devicePixelRatio, templateColor));
    return pixmap;
}

void MivIconRenderer::clearCache()
{
    cache().clear();
}
