#include "FileData/MivUtils.h"
#include "platform/TextEncoding.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QUrl>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

class MivUtilsEncodingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = mivtest::TestEnvironment::root() + QStringLiteral("/encoding-") +
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(QDir().mkpath(m_folder));
        QFile file(m_folder + QStringLiteral("/text.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("hello");
        m_url = QUrl(QStringLiteral("file://") + m_folder + QStringLiteral("/text.txt"));
    }

    QByteArray rawAttribute() const
    {
        char buffer[256];
        const QByteArray path = QFile::encodeName(m_url.toLocalFile());
        const ssize_t size = ::getxattr(path.constData(), "user.charset", buffer, sizeof buffer);
        return size < 0 ? QByteArray() : QByteArray(buffer, size);
    }

    void setRaw(const QByteArray& value)
    {
        const QByteArray path = QFile::encodeName(m_url.toLocalFile());
        ASSERT_EQ(::setxattr(path.constData(), "user.charset", value.constData(), size_t(value.size()), 0), 0);
    }

    QString m_folder;
    QUrl m_url;
};

} // namespace

TEST_F(MivUtilsEncodingTest, WritesTheCharsetNameAndReadsItBack)
{
    EXPECT_EQ(MivUtils::textEncodingAttributeOfURL(m_url), 0u);
    const quint64 encodings[] = {plat::TextEncoding::UTF8, plat::TextEncoding::WindowsCP1251, plat::TextEncoding::MacOSRoman,
                                 plat::TextEncoding::UTF16LittleEndian, 0x80000632};
    for (const quint64 encoding : encodings) {
        SCOPED_TRACE(encoding);
        ASSERT_TRUE(MivUtils::setTextEncodingAttribute(encoding, m_url));
        EXPECT_EQ(rawAttribute(), plat::TextEncoding::ianaNameOfEncoding(encoding).toLatin1());
        EXPECT_EQ(MivUtils::textEncodingAttributeOfURL(m_url), encoding);
    }
    EXPECT_EQ(rawAttribute(), QByteArray("GB18030"));
}

TEST_F(MivUtilsEncodingTest, ReadsBothFormsOfTheValue)
{
    struct Case
    {
        QByteArray value;
        quint64 encoding;
    };
    const Case cases[] = {
        {"UTF-8;134217984", plat::TextEncoding::UTF8},
        {"bogus;134217984", plat::TextEncoding::UTF8},          // the number decides
        {"utf-8", plat::TextEncoding::UTF8},
        {"ISO-8859-2", plat::TextEncoding::ISOLatin2},
        {"windows-1252;1", plat::TextEncoding::WindowsCP1252},  // one-character number: the name decides
        {"no-such-charset;1", 0},
        {"no-such-charset", 0},
        {"MACINTOSH;0", plat::TextEncoding::MacOSRoman},
        {"UTF-8;99999999", 0},                                  // a number of no known encoding
        {"UTF-8;xx", plat::TextEncoding::UTF8},                 // no number: the name decides
        {"U", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        setRaw(c.value);
        EXPECT_EQ(MivUtils::textEncodingAttributeOfURL(m_url), c.encoding);
    }
}

TEST_F(MivUtilsEncodingTest, EncodingsWithoutNameAndMissingFilesAreNotWritten)
{
    EXPECT_FALSE(MivUtils::setTextEncodingAttribute(plat::TextEncoding::NonLossyASCII, m_url));
    EXPECT_FALSE(MivUtils::setTextEncodingAttribute(123456, m_url));
    EXPECT_TRUE(rawAttribute().isNull());
    const QUrl missing(QStringLiteral("file://") + m_folder + QStringLiteral("/missing.txt"));
    EXPECT_FALSE(MivUtils::setTextEncodingAttribute(plat::TextEncoding::UTF8, missing));
    EXPECT_EQ(MivUtils::textEncodingAttributeOfURL(missing), 0u);
    EXPECT_EQ(MivUtils::setExtValue(QStringLiteral("x"), QStringLiteral("user.test"), missing), -1);
    EXPECT_EQ(MivUtils::setExtValue(QStringLiteral("x"), QStringLiteral("user.test"), QUrl(QStringLiteral("https://host/a"))), -1);
}

TEST_F(MivUtilsEncodingTest, ExtendedAttributeValuesRoundTripAsUtf8)
{
    EXPECT_TRUE(MivUtils::extValueForAttr(QStringLiteral("user.mivo.note"), m_url).isNull());
    ASSERT_EQ(MivUtils::setExtValue(QStringLiteral("gr\u00fc\u00df \u65e5"), QStringLiteral("user.mivo.note"), m_url), 0);
    EXPECT_EQ(MivUtils::extValueForAttr(QStringLiteral("user.mivo.note"), m_url), QStringLiteral("gr\u00fc\u00df \u65e5"));
    ASSERT_EQ(MivUtils::setExtValue(QString(), QStringLiteral("user.mivo.note"), m_url), 0);
    const QString empty = MivUtils::extValueForAttr(QStringLiteral("user.mivo.note"), m_url);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
}

TEST_F(MivUtilsEncodingTest, FileNamesThatAreNotUtf8)
{
    const QByteArray rawPath = QFile::encodeName(m_folder) + "/caf\xe9.txt";
    const int fd = ::open(rawPath.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QUrl url(QStringLiteral("file://") + QString::fromLatin1(QFile::encodeName(m_folder).toPercentEncoding("/")) +
                   QStringLiteral("/caf%E9.txt"));
    ASSERT_TRUE(MivUtils::setTextEncodingAttribute(plat::TextEncoding::ISOLatin1, url));
    char buffer[64];
    const ssize_t size = ::getxattr(rawPath.constData(), "user.charset", buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, int(qMax<ssize_t>(size, 0))), QByteArray("ISO-8859-1"));
    EXPECT_EQ(MivUtils::textEncodingAttributeOfURL(url), plat::TextEncoding::ISOLatin1);
}
