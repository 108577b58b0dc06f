#include "platform/ExtendedAttributes.h"
#include "platform/Path.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

using plat::ExtendedAttributes;
using Links = plat::ExtendedAttributes::Links;

constexpr const char* kName = "user.mivo.test";

class ExtendedAttributesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_file = m_folder.filePath(QStringLiteral("file"));
        QFile file(m_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        m_link = m_folder.filePath(QStringLiteral("link"));
        ASSERT_EQ(::symlink("file", plat::Path::toNative(m_link).constData()), 0);
    }

    QTemporaryDir m_folder;
    QString m_file;
    QString m_link;
};

// Absent and empty are different answers: null with ENODATA, and "".
TEST_F(ExtendedAttributesTest, AbsentIsNullAndEmptyIsPresent)
{
    errno = 0;
    EXPECT_TRUE(ExtendedAttributes::value(m_file, kName, Links::Follow).isNull());
    EXPECT_EQ(errno, ENODATA);

    ASSERT_EQ(ExtendedAttributes::set(m_file, kName, QByteArray(), Links::Follow), 0);
    const QByteArray empty = ExtendedAttributes::value(m_file, kName, Links::Follow);
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(empty.isEmpty());

    const QByteArray big(3000, 'v');
    ASSERT_EQ(ExtendedAttributes::set(m_file, kName, big, Links::Follow), 0);
    EXPECT_EQ(ExtendedAttributes::value(m_file, kName, Links::Entry), big);

    ASSERT_EQ(ExtendedAttributes::remove(m_file, kName, Links::Follow), 0);
    EXPECT_TRUE(ExtendedAttributes::value(m_file, kName, Links::Follow).isNull());
    EXPECT_EQ(ExtendedAttributes::remove(m_file, kName, Links::Follow), -1);
    EXPECT_EQ(errno, ENODATA);
}

// Following reads the target's attribute through a link; the entry itself
// has none.
TEST_F(ExtendedAttributesTest, FollowReadsTheTargetAndEntryTheLinkItself)
{
    ASSERT_EQ(ExtendedAttributes::set(m_file, kName, "target", Links::Follow), 0);
    EXPECT_EQ(ExtendedAttributes::value(m_link, kName, Links::Follow), QByteArray("target"));
    errno = 0;
    EXPECT_TRUE(ExtendedAttributes::value(m_link, kName, Links::Entry).isNull());
    EXPECT_EQ(errno, ENODATA);
}

// A path the kernel cannot be given never reaches it: "file" + NUL + "x"
// must not act on "file".
TEST_F(ExtendedAttributesTest, UnnameablePathsFailWithEinval)
{
    ASSERT_EQ(ExtendedAttributes::set(m_file, kName, "kept", Links::Follow), 0);
    const QString truncating = m_file + QChar(u'\0') + QStringLiteral("x");
    for (const Links links : {Links::Follow, Links::Entry}) {
        errno = 0;
        EXPECT_TRUE(ExtendedAttributes::value(truncating, kName, links).isNull());
        EXPECT_EQ(errno, EINVAL);
        EXPECT_EQ(ExtendedAttributes::set(truncating, kName, "lost", links), -1);
        EXPECT_EQ(errno, EINVAL);
        EXPECT_EQ(ExtendedAttributes::remove(truncating, kName, links), -1);
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(ExtendedAttributes::value(m_file, kName, Links::Follow), QByteArray("kept"));
}

} // namespace
