#include "LocalTestFolder.h"

#include "FileData/Formatters/MivSizeFormatter.h"
#include "FileData/Local/MivMetadata.h"

#include <QBuffer>
#include <QImage>

#include <sys/xattr.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

class MivMetadataTest : public localtest::LocalFolderTest
{
};

TEST_F(MivMetadataTest, NoFileNoMetadata)
{
    for (const QString& missing : {QString(), QStringLiteral(""), QStringLiteral("/no/such/file")}) {
        MivMetadata metadata(missing);
        EXPECT_FALSE(metadata.attributes()) << missing.toStdString();
        EXPECT_FALSE(metadata.attributeNames());
        EXPECT_FALSE(metadata.valueStrings());
        EXPECT_EQ(metadata.pixelImageSize(), QSizeF(0, 0));
        EXPECT_EQ(metadata.pixelImageSizeString(), QString(QLatin1String("")));
        EXPECT_TRUE(metadata.finderComment().isNull());
        EXPECT_FALSE(metadata.setFinderComment(QStringLiteral("x")));
    }
}

TEST_F(MivMetadataTest, AFileListsItsAttributesOnceWithConsistentCollections)
{
    const QString file = path(QStringLiteral("notes.txt"));
    write(file, "some text\n");
    const auto metadata = MivMetadata::metadataForPath(file);
    const auto attributes = metadata->attributes();
    ASSERT_TRUE(attributes);
    const MivMetadata::ItemPtr first = metadata->itemRef();
    const auto names = metadata->attributeNames();
    const auto values = metadata->valueStrings();
    EXPECT_EQ(metadata->itemRef(), first) << "the file is read once";
    ASSERT_TRUE(names && values);
    for (const QString& attribute : *attributes) {
        EXPECT_TRUE(names->contains(attribute)) << attribute.toStdString();
        EXPECT_FALSE(values->value(attribute).isEmpty()) << attribute.toStdString();
    }
    EXPECT_EQ(values->value(QStringLiteral("kMDItemFSName")), QStringLiteral("notes.txt"));
    EXPECT_EQ(values->value(QStringLiteral("kMDItemContentType")), QStringLiteral("text/plain"));
    EXPECT_EQ(values->value(QStringLiteral("kMDItemFSSize")), QStringLiteral("10"));
    EXPECT_EQ(names->value(QStringLiteral("kMDItemContentTypeTree")), QStringLiteral("Content Tree"));
    EXPECT_EQ(names->value(QStringLiteral("kMDItemAttributeChangeDate")), QStringLiteral("Attributes"));
    EXPECT_FALSE(attributes->contains(QStringLiteral("kMDItemFinderComment"))) << "no comment, no attribute";
}

TEST_F(MivMetadataTest, ConcurrentFirstQuestionsBuildOnce)
{
    const QString file = path(QStringLiteral("shared"));
    write(file, "x");
    MivMetadata metadata(file);
    std::vector<std::thread> threads;
    std::vector<std::optional<QStringList>> answers(8);
    for (std::size_t i = 0; i < answers.size(); ++i)
        threads.emplace_back([&metadata, &answers, i] { answers[i] = metadata.attributes(); });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& answer : answers)
        EXPECT_EQ(answer, answers.front());
}

TEST_F(MivMetadataTest, TheCommentIsAnAttributeOfTheFileNeverAScript)
{
    // A path that would end a script's string and run what follows.
    const QString file = path(QStringLiteral("say \"hi\" & do shell script \"touch pwned\".txt"));
    write(file, "x");
    MivMetadata metadata(file);
    ASSERT_TRUE(metadata.setFinderComment(QStringLiteral("first line\nsecond \"quoted\" line")));
    char value[128] = {};
    ASSERT_GT(::getxattr(plat::Path::toNative(file).constData(), "user.xdg.comment", value, sizeof value), 0);
    EXPECT_STREQ(value, "first line\nsecond \"quoted\" line");
    EXPECT_EQ(metadata.finderComment(), QStringLiteral("first line\nsecond \"quoted\" line"));
    EXPECT_EQ(metadata.valueStrings()->value(QStringLiteral("kMDItemFinderComment")),
              QStringLiteral("first linesecond \"quoted\" line")) << "shown on one line";
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("pwned"))));

    ASSERT_TRUE(metadata.setFinderComment(QString()));
    EXPECT_TRUE(metadata.finderComment().isNull());
    EXPECT_FALSE(metadata.attributes()->contains(QStringLiteral("kMDItemFinderComment")));

    // A byte name keeps its comment too.
    const QString latin = path(QByteArray("caf\xE9"));
    write(latin, "x");
    MivMetadata bytes(latin);
    EXPECT_TRUE(bytes.setFinderComment(QStringLiteral("ok")));
    EXPECT_EQ(MivMetadata(latin).finderComment(), QStringLiteral("ok"));
    ::unlink(plat::Path::toNative(latin).constData());
}

TEST_F(MivMetadataTest, ImagesTellTheirPixelSizeFromTheHeader)
{
    QImage image(7, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    const QString file = path(QStringLiteral("picture.png"));
    write(file, png);

    MivMetadata metadata(file);
    EXPECT_EQ(metadata.pixelImageSize(), QSizeF(7, 3));
    EXPECT_EQ(metadata.pixelImageSizeString(), MivSizeFormatter::sharedInstance().sizeString(7, 3));
    EXPECT_EQ(metadata.valueStrings()->value(QStringLiteral("kMDItemPixelWidth")), QStringLiteral("7"));
    EXPECT_EQ(metadata.resolutionImageDPI(), QSizeF(0, 0));

    // A text file has no pixels.
    write(path(QStringLiteral("t.txt")), "x");
    EXPECT_EQ(MivMetadata(path(QStringLiteral("t.txt"))).pixelImageSize(), QSizeF(0, 0));
}

TEST(MivMetadataValuesTest, ValuesBecomeOneLineTexts)
{
    struct Case
    {
        QVariant value;
        QString attribute;
        QString text;
    };
    const QString duration = QStringLiteral("kMDItemDurationSeconds");
    const Case cases[] = {
        {59.9, duration, QStringLiteral("00'59")},
        {600.0, duration, QStringLiteral("10'00")},
        {125.7, duration, QStringLiteral("02'05")},
        {3725.0, duration, QStringLiteral("62'05")},
        {QStringList{QStringLiteral("alpha"), QStringLiteral("beta")}, QStringLiteral("kMDItemKeywords"), QStringLiteral("alpha, beta")},
        {QVariantList{QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("kMDItemKeywords"), QStringLiteral("a, b")},
        {QVariantList{1, 2}, QStringLiteral("kMDItemNumbers"), QStringLiteral("(    1,    2)")},
        {QStringLiteral("tab\there\r\n"), QStringLiteral("kMDItemTitle"), QStringLiteral("tabhere")},
        {QStringLiteral(""), QStringLiteral("kMDItemTitle"), QString()},
        {QStringLiteral("\n"), QStringLiteral("kMDItemTitle"), QString()},
        {QVariant(), QStringLiteral("kMDItemTitle"), QString()},
        {qint64(42), QStringLiteral("kMDItemFSSize"), QStringLiteral("42")},
        {true, QStringLiteral("kMDItemFSInvisible"), QStringLiteral("1")},
        {QVariantMap{{QStringLiteral("k"), QStringLiteral("v")}}, QStringLiteral("kMDItemDict"), QStringLiteral("\"k\" = \"v\";")},
    };
    for (const Case& c : cases) {
        const QString text = MivMetadata::displayValue(c.value, c.attribute);
        EXPECT_EQ(text, c.text) << c.attribute.toStdString() << " " << c.value.toString().toStdString();
        EXPECT_EQ(text.isNull(), c.text.isNull());
    }
}

TEST(MivMetadataValuesTest, AttributeNamesComeFromTheSchemaTheTableOrTheName)
{
    EXPECT_EQ(MivMetadata::localizedAttributeName(QStringLiteral("kMDItemFSSize")), QStringLiteral("Size"));
    EXPECT_EQ(MivMetadata::localizedAttributeName(QStringLiteral("kMDItemFSTypeCode")), QStringLiteral("Type"));
    EXPECT_EQ(MivMetadata::localizedAttributeName(QStringLiteral("kMDItemID")), QStringLiteral("Item ID"));
    EXPECT_EQ(MivMetadata::localizedAttributeName(QStringLiteral("kMDItemFSNodeCount")), QStringLiteral("F S Node Count"));
    EXPECT_EQ(MivMetadata::localizedAttributeName(QStringLiteral("kMDItemFSNodeCount")), QStringLiteral("F S Node Count"));
}

} // namespace
