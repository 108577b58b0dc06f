#include "support/TestEnvironment.h"

#include "app/views/MivIconRenderer.h"
#include "app/views/MivImageRendering.h"

#include "FileData/MivIconDescriptor.h"
#include "FileData/MivImageUtils.h"
#include "FileData/MivOverlayImage.h"
#include "platform/Path.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

#include <fcntl.h>

namespace {

class MivIconRendererTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { MivIconRenderer::installIconTheme(); }

    static int opaquePixels(const QImage& image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qAlpha(image.pixel(x, y)) > 0;
        return count;
    }

    // A half-transparent square: opaque left half, clear right half.
    static QImage halfOpaque(QSize size, QColor color)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.fillRect(QRect(0, 0, size.width() / 2, size.height()), color);
        return image;
    }
};

TEST_F(MivIconRendererTest, ThemeIsInstalledFromTheDataFolders)
{
    EXPECT_EQ(QIcon::themeName(), QStringLiteral("Adwaita"));
    EXPECT_TRUE(QIcon::themeSearchPaths().contains(QStringLiteral("/usr/share/icons")));
    EXPECT_TRUE(QIcon::hasThemeIcon(QStringLiteral("folder"))) << "scripts/install-deps installs the icon theme";
}

TEST_F(MivIconRendererTest, ThemeIconsRenderAtEachSizeAndRatio)
{
    const MivIconDescriptorPtr folder = MivIconDescriptor::make(QStringLiteral("folder"));
    for (const int points : {16, 32, 48, 128}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage image = MivIconRenderer::imageFor(folder, QSize(points, points), ratio);
            ASSERT_FALSE(image.isNull()) << points;
            EXPECT_EQ(image.size(), QSize(int(points * ratio), int(points * ratio)));
            EXPECT_EQ(image.deviceIndependentSize(), QSizeF(points, points));
            EXPECT_GT(opaquePixels(image), image.width() * image.height() / 4);
        }
    }
    EXPECT_TRUE(MivIconRenderer::imageFor(nullptr, QSize(16, 16)).isNull());
    EXPECT_TRUE(MivIconRenderer::imageFor(MivIconDescriptor::make(QStringLiteral("no-such-icon-anywhere")), QSize(16, 16)).isNull());
}

TEST_F(MivIconRendererTest, FallbackNamesAndSharedIconsOfTheLowerLayer)
{
    auto descriptor = std::make_shared<MivIconDescriptor>(QStringLiteral("no-such-mime-icon"));
    descriptor->setFallbackThemeNames({QStringLiteral("text-x-generic")});
    EXPECT_FALSE(MivIconRenderer::imageFor(descriptor, QSize(32, 32)).isNull());
    EXPECT_FALSE(MivIconRenderer::imageFor(MivImageUtils::iconForFileType(QStringLiteral("txt")), QSize(32, 32)).isNull());
}

TEST_F(MivIconRendererTest, BadgeIsDrawnOverTheBaseAndTheBaseStaysReachable)
{
    const MivIconDescriptorPtr base = MivIconDescriptor::make(QStringLiteral("text-x-generic"));
    const MivIconDescriptorPtr badged =
        MivOverlayImage::create(MivIconDescriptor::make(QStringLiteral("emblem-symbolic-link")), base);
    const QImage plain = MivIconRenderer::imageFor(base, QSize(48, 48));
    const QImage withBadge = MivIconRenderer::imageFor(badged, QSize(48, 48));
    ASSERT_FALSE(plain.isNull());
    ASSERT_EQ(withBadge.size(), plain.size());
    EXPECT_NE(withBadge, plain.convertToFormat(withBadge.format())) << "the badge changed pixels";
    EXPECT_EQ(MivOverlayImage::baseImage(badged), base);
}

TEST_F(MivIconRendererTest, TintKeepsTransparencyAndReplacesColour)
{
    const QImage source = halfOpaque(QSize(8, 8), Qt::black);
    const QImage tinted = MivImageRendering::imageTinted(source, QColor(Qt::red));
    EXPECT_EQ(QColor(tinted.pixel(1, 1)), QColor(Qt::red));
    EXPECT_EQ(qAlpha(tinted.pixel(6, 1)), 0) << "clear pixels stay clear";
    // Only the given rectangle.
    const QImage part = MivImageRendering::imageTinted(source, QColor(Qt::red), QSize(2, 2));
    EXPECT_EQ(QColor(part.pixel(1, 1)), QColor(Qt::red));
    EXPECT_EQ(QColor(part.pixel(3, 3)), QColor(Qt::black));
    // No colour: a plain copy.
    EXPECT_EQ(QColor(MivImageRendering::imageTinted(source, QColor()).pixel(1, 1)), QColor(Qt::black));
}

TEST_F(MivIconRendererTest, TemplateIconsAreDrawnInTheForegroundColour)
{
    auto descriptor = std::make_shared<MivIconDescriptor>(QStringLiteral("folder"));
    descriptor->setTemplate(true);
    const QImage image = MivIconRenderer::imageFor(descriptor, QSize(32, 32), 1.0, QColor(0, 0, 255));
    ASSERT_FALSE(image.isNull());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                ASSERT_EQ(QColor(image.pixel(x, y)), QColor(0, 0, 255)) << x << "," << y;
}

TEST_F(MivIconRendererTest, OverlayAndInvertOnPixels)
{
    const QImage base = halfOpaque(QSize(4, 4), Qt::white);
    QImage badge(QSize(4, 4), QImage::Format_ARGB32_Premultiplied);
    badge.fill(Qt::transparent);
    badge.setPixel(3, 3, qRgba(0, 255, 0, 255));
    const QImage composed = MivImageRendering::overlay(base, badge, QSize(4, 4));
    EXPECT_EQ(QColor(composed.pixel(0, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(composed.pixel(3, 3)), QColor(0, 255, 0));
    EXPECT_EQ(qAlpha(composed.pixel(3, 0)), 0);

    const QImage inverted = MivImageRendering::invert(composed);
    EXPECT_EQ(QColor(inverted.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(qAlpha(inverted.pixel(3, 0)), 0) << "alpha is kept";
    EXPECT_TRUE(MivImageRendering::invert(QImage()).isNull());
}

TEST_F(MivIconRendererTest, SizedImageChangesOnlyTheDisplaySize)
{
    const QImage image(QSize(32, 16), QImage::Format_ARGB32);
    struct Case
    {
        QSizeF target;
        QSizeF shown;
    };
    for (const Case& c : {Case{{16, 0}, {16, 8}}, Case{{0, 8}, {16, 8}}, Case{{16, 99}, {16, 8}}}) {
        const QImage sized = MivImageRendering::sizedImage(image, c.target);
        EXPECT_EQ(sized.size(), QSize(32, 16)) << "pixels are not resampled";
        EXPECT_EQ(sized.deviceIndependentSize(), c.shown);
    }
    EXPECT_TRUE(MivImageRendering::sizedImage(image, QSizeF(0, 0)).isNull());
    EXPECT_TRUE(MivImageRendering::sizedImage(QImage(), QSizeF(16, 0)).isNull());
}

TEST_F(MivIconRendererTest, ThumbnailsAndPropertiesOfAFileWithANameThatIsNotUtf8)
{
    const QString folder = mivtest::TestEnvironment::root() + QStringLiteral("/thumbs");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString picture = folder + QLatin1Char('/') + plat::Path::fromNative(QByteArray("caf\xE9.png"));
    {
        QImage image(QSize(64, 32), QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
        QFile file;
        const int fd = ::open(plat::Path::toNative(picture).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        file.write(png);
    }
    const QImage thumbnail = MivImageRendering::imageWithPreviewOfFileAtPath(picture, QSize(32, 32), false);
    EXPECT_EQ(thumbnail.size(), QSize(32, 16));
    EXPECT_EQ(QColor(thumbnail.pixel(5, 5)), QColor(Qt::red));
    const QVariantMap properties = MivImageRendering::getImagePropertiesFromPath(plat::Path::toFileQUrl(picture));
    EXPECT_EQ(properties.value(QStringLiteral("PixelWidth")).toInt(), 64);
    EXPECT_EQ(properties.value(QStringLiteral("PixelHeight")).toInt(), 32);

    // Not a picture: the file type's icon at the size.
    const QString text = folder + QStringLiteral("/notes.txt");
    QFile textFile(text);
    ASSERT_TRUE(textFile.open(QIODevice::WriteOnly));
    textFile.write("hello");
    textFile.close();
    const QImage icon = MivImageRendering::imageWithPreviewOfFileAtPath(text, QSize(32, 32), true);
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_TRUE(MivImageRendering::getImagePropertiesFromPath(plat::Path::toFileQUrl(text)).isEmpty());
    EXPECT_TRUE(MivImageRendering::imageWithPreviewOfFileAtPath(QString(), QSize(32, 32), false).isNull());
}

} // namespace
