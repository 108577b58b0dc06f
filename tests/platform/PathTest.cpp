#include "platform/Path.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using plat::Path;

QString escape(unsigned char byte)
{
    return QString(QChar(char16_t(0xDC00 + byte)));
}

// A fresh folder for one test, made with the codec so its own name may be
// anything.
class PathFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString pattern = mivtest::TestEnvironment::root() + QStringLiteral("/path-XXXXXX");
        QByteArray native = Path::toNative(pattern);
        ASSERT_NE(::mkdtemp(native.data()), nullptr);
        m_folder = Path::fromNative(native);
    }
    void TearDown() override { QDir(m_folder).removeRecursively(); }

    QStringList listNames() const
    {
        QStringList names;
        DIR* dir = ::opendir(Path::toNative(m_folder).constData());
        if (!dir)
            return names;
        while (dirent* entry = ::readdir(dir)) {
            const QString name = Path::fromNative(entry->d_name);
            if (name != QLatin1String(".") && name != QLatin1String(".."))
                names << name;
        }
        ::closedir(dir);
        names.sort();
        return names;
    }

    QString m_folder;
};

TEST(PathCodecTest, DecodesWellFormedUtf8AndEscapesEveryOtherByte)
{
    struct Case
    {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"", QString()},
        {"plain/ascii.txt", QStringLiteral("plain/ascii.txt")},
        {"caf\xC3\xA9", QStringLiteral("caf\u00E9")},
        {"caf\xE9.txt", QStringLiteral("caf") + escape(0xE9) + QStringLiteral(".txt")},
        {"\xE2\x82\xAC", QStringLiteral("\u20AC")},
        {"\xF0\x9F\x98\x80", QString::fromUcs4(U"\U0001F600")},
        // overlong NUL, a UTF-8-encoded surrogate, above U+10FFFF, truncated
        {"\xC0\x80", escape(0xC0) + escape(0x80)},
        {"\xED\xA0\x80", escape(0xED) + escape(0xA0) + escape(0x80)},
        {"\xF4\x90\x80\x80", escape(0xF4) + escape(0x90) + escape(0x80) + escape(0x80)},
        {"\xE2\x82", escape(0xE2) + escape(0x82)},
        {"\xE2\x82x", escape(0xE2) + escape(0x82) + QStringLiteral("x")},
        {"\xFF\xFE", escape(0xFF) + escape(0xFE)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().constData());
        EXPECT_EQ(Path::fromNative(c.bytes), c.text);
        EXPECT_EQ(Path::toNative(c.text), c.bytes);
    }
}

TEST(PathCodecTest, RandomByteStringsRoundTrip)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 48);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> anyByte(0, 255);
    const QByteArray fragments[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xED\xB2\x80", "\xEF\xBF\xBD"};
    for (int round = 0; round < 5000; ++round) {
        QByteArray bytes;
        const int n = length(random);
        while (bytes.size() < n) {
            const int k = kind(random);
            if (k < 3)
                bytes.append(fragments[anyByte(random) % std::size(fragments)]);
            else if (k < 5)
                bytes.append(char('a' + anyByte(random) % 26));
            else
                bytes.append(char(anyByte(random)));
        }
        const QString text = Path::fromNative(bytes);
        ASSERT_EQ(Path::toNative(text), bytes) << bytes.toHex().constData();
        ASSERT_EQ(Path::fromNative(Path::toNative(text)), text) << bytes.toHex().constData();
    }
}

TEST(PathCodecTest, StringsWithoutLoneSurrogatesEncodeAsUtf8)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<char32_t> codePoint(1, 0x10FFFF);
    for (int round = 0; round < 2000; ++round) {
        std::u32string points;
        for (int i = 0; i < 12; ++i) {
            char32_t cp = codePoint(random);
            if (cp >= 0xD800 && cp <= 0xDFFF)
                cp = 0x20AC;
            points.push_back(cp);
        }
        const QString text = QString::fromUcs4(points.data(), qsizetype(points.size()));
        ASSERT_EQ(Path::toNative(text), text.toUtf8());
        ASSERT_EQ(Path::fromNative(Path::toNative(text)), text);
    }
    // A lone surrogate that no byte stands for is written in the generalised
    // UTF-8 form, the same bytes as the escapes of ED A0 80: such a string
    // names no file (see LoneSurrogateNamesNoFile).
    const QString lone = QString(QChar(char16_t(0xD800)));
    EXPECT_EQ(Path::toNative(lone), QByteArray("\xED\xA0\x80"));
    EXPECT_NE(Path::toNative(lone), Path::toNative(QString(QChar(char16_t(0xD801)))));
}

TEST(PathCodecTest, OnlyStringsThatStandForBytesAreNameable)
{
    struct Case
    {
        QString path;
        bool nameable;
    };
    const Case cases[] = {
        {QStringLiteral("/tmp/caf\u00e9"), true},
        {QStringLiteral("/tmp/caf") + escape(0xE9), true},
        {QStringLiteral("/tmp/\U0001F600"), true},
        {QStringLiteral("/tmp/") + escape(0x80) + escape(0xFF), true},
        {QStringLiteral("/tmp/x") + QChar(char16_t(0xD800)), false},
        {QStringLiteral("/tmp/x") + QChar(char16_t(0xDBFF)) + QStringLiteral("y"), false},
        {QStringLiteral("/tmp/x") + QChar(char16_t(0xDC7F)), false},
        {QStringLiteral("/tmp/x") + QChar(char16_t(0xDD00)), false},
        {QStringLiteral("/tmp/x") + QChar(char16_t(0xDFFF)) + QChar(char16_t(0xD800)), false},
        {QStringLiteral("/tmp/x") + QChar(0) + QStringLiteral("y"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Path::percentEncode(Path::toNative(c.path)).toStdString());
        EXPECT_EQ(Path::isNameable(c.path), c.nameable);
        EXPECT_EQ(Path::toFileUrl(c.path).isNull(), !c.nameable);
        if (c.nameable)
            EXPECT_EQ(Path::fromNative(Path::toNative(c.path)), c.path);
    }
}

TEST(PathUrlTest, EncodesEveryByteButUnreservedAndSlash)
{
    struct Case
    {
        QString path;
        QString url;
    };
    const Case cases[] = {
        {QStringLiteral("/tmp/caf") + escape(0xE9) + QStringLiteral(".txt"), QStringLiteral("file:///tmp/caf%E9.txt")},
        {QStringLiteral("/a b/\u00FC"), QStringLiteral("file:///a%20b/%C3%BC")},
        {QStringLiteral("/x/!$&'()*+,;=:@#?%[]"),
         QStringLiteral("file:///x/%21%24%26%27%28%29%2A%2B%2C%3B%3D%3A%40%23%3F%25%5B%5D")},
        {QStringLiteral("/A-z_0.9~/"), QStringLiteral("file:///A-z_0.9~/")},
        {QStringLiteral("/"), QStringLiteral("file:///")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        EXPECT_EQ(Path::toFileUrl(c.path), c.url);
        EXPECT_EQ(Path::fromFileUrl(c.url), c.path);
        const QUrl url = Path::toFileQUrl(c.path);
        EXPECT_TRUE(url.isValid());
        EXPECT_EQ(url.toString(QUrl::FullyEncoded), c.url);
        EXPECT_EQ(Path::fromFileUrl(url), c.path);
    }
    EXPECT_TRUE(Path::toFileUrl(QString()).isNull());
}

TEST(PathUrlTest, ReadsTheLocalFormsAndRefusesTheRest)
{
    struct Case
    {
        const char* url;
        QString path; // null: not a local path
    };
    const Case cases[] = {
        {"file://localhost/a%20b", QStringLiteral("/a b")},
        {"FILE:///Upper", QStringLiteral("/Upper")},
        {"file:/single", QStringLiteral("/single")},
        {"file:///a?query#fragment", QStringLiteral("/a")},
        {"file:///100%zz%4", QStringLiteral("/100%zz%4")},
        {"file:///%c3%a9", QStringLiteral("/\u00E9")},
        {"file://server/share", QString()},
        {"file://", QString()},
        {"file:relative", QString()},
        {"http://host/a", QString()},
        {"", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const QString path = Path::fromFileUrl(QString::fromLatin1(c.url));
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(path.isNull(), c.path.isNull());
    }
    // Characters typed into a URL stand for their UTF-8 bytes.
    EXPECT_EQ(Path::fromFileUrl(QStringLiteral("file:///caf\u00E9")), QStringLiteral("/caf\u00E9"));
}

TEST(PathUrlTest, RelativePathBecomesAbsoluteRatherThanAHost)
{
    const QString url = Path::toFileUrl(QStringLiteral("rel/x"));
    EXPECT_TRUE(url.startsWith(QLatin1String("file:///"))) << url.toStdString();
    EXPECT_TRUE(Path::fromFileUrl(url).endsWith(QLatin1String("/rel/x")));
}

TEST_F(PathFilesTest, NameThatIsNotUtf8ListsOpensCopiesRenamesAndDeletes)
{
    // Made with raw system calls, as another program would.
    const QByteArray rawName("caf\xE9.txt");
    const QByteArray rawPath = Path::toNative(m_folder) + '/' + rawName;
    {
        const int fd = ::open(rawPath.constData(), O_CREAT | O_WRONLY | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "hello", 5), 5);
        ::close(fd);
    }

    const QStringList names = listNames();
    ASSERT_EQ(names.size(), 1);
    const QString name = names.first();
    EXPECT_EQ(name, QStringLiteral("caf") + escape(0xE9) + QStringLiteral(".txt"));
    const QString path = m_folder + QLatin1Char('/') + name;

    // Open and copy through the codec.
    const QString copy = m_folder + QStringLiteral("/copy of ") + name;
    {
        const int in = Path::open(path, O_RDONLY);
        ASSERT_GE(in, 0) << strerror(errno);
        const int out = Path::open(copy, O_CREAT | O_EXCL | O_WRONLY, 0644);
        ASSERT_GE(out, 0) << strerror(errno);
        char buffer[64];
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        ASSERT_EQ(got, 5);
        ASSERT_EQ(::write(out, buffer, size_t(got)), got);
        ::close(in);
        ::close(out);
    }
    struct stat info {};
    ASSERT_EQ(::stat(Path::toNative(m_folder).constData() + QByteArray("/copy of caf\xE9.txt"), &info), 0);
    EXPECT_EQ(info.st_size, 5);

    // Its file URL leads back to the same bytes.
    const QString url = Path::toFileUrl(path);
    EXPECT_TRUE(url.endsWith(QLatin1String("/caf%E9.txt")));
    EXPECT_EQ(Path::toNative(Path::fromFileUrl(url)), rawPath);
    EXPECT_EQ(Path::toNative(Path::fromFileUrl(Path::toFileQUrl(path))), rawPath);
    EXPECT_EQ(Path::realPath(path), Path::realPath(m_folder) + QLatin1Char('/') + name);

    // Rename and delete through the codec.
    const QString renamed = m_folder + QStringLiteral("/r\u00E9sum\u00E9 ") + name;
    ASSERT_EQ(::rename(Path::toNative(path).constData(), Path::toNative(renamed).constData()), 0);
    EXPECT_EQ(listNames(), QStringList({QStringLiteral("copy of ") + name, QStringLiteral("r\u00E9sum\u00E9 ") + name}));
    EXPECT_EQ(::unlink(Path::toNative(renamed).constData()), 0);
    EXPECT_EQ(::unlink(Path::toNative(copy).constData()), 0);
    EXPECT_TRUE(listNames().isEmpty());
}

TEST_F(PathFilesTest, SystemCallHelpers)
{
    const QString file = m_folder + QStringLiteral("/f");
    const int fd = Path::open(file, O_CREAT | O_EXCL | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // Exclusive creation refuses an existing name, and a symbolic link there.
    EXPECT_EQ(Path::open(file, O_CREAT | O_EXCL | O_WRONLY, 0600), -1);
    EXPECT_EQ(errno, EEXIST);
    const QString link = m_folder + QStringLiteral("/link");
    ASSERT_EQ(::symlink("elsewhere", Path::toNative(link).constData()), 0);
    EXPECT_EQ(Path::open(link, O_CREAT | O_EXCL | O_WRONLY, 0600), -1);
    EXPECT_EQ(errno, EEXIST);

    // A NUL would truncate the path the kernel sees: refuse it instead.
    const QString withNul = file + QChar(0) + QStringLiteral("x");
    EXPECT_EQ(Path::open(withNul, O_RDONLY), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(Path::mkdir(withNul, 0700), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(Path::realPath(withNul).isNull());

    EXPECT_EQ(Path::mkdir(m_folder + QStringLiteral("/d"), 0700), 0);
    EXPECT_EQ(Path::realPath(m_folder + QStringLiteral("/d/../f")), Path::realPath(file));
    EXPECT_TRUE(Path::realPath(m_folder + QStringLiteral("/missing")).isNull());
    EXPECT_TRUE(Path::realPath(QString()).isNull());
}

TEST_F(PathFilesTest, LoneSurrogateNamesNoFile)
{
    // The escapes of ED A0 80 name this file; U+D800 would reach the same
    // bytes and act on it.
    const QString escaped = m_folder + QStringLiteral("/x") + escape(0xED) + escape(0xA0) + escape(0x80);
    const int fd = Path::open(escaped, O_CREAT | O_EXCL | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "keep", 4), 4);
    ::close(fd);

    const QString lone = m_folder + QStringLiteral("/x") + QChar(char16_t(0xD800));
    errno = 0;
    EXPECT_EQ(Path::open(lone, O_WRONLY | O_TRUNC), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(Path::mkdir(lone + QStringLiteral("d"), 0700), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_FALSE(Path::makePath(lone + QStringLiteral("/d"), 0700));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(Path::realPath(lone).isNull());
    EXPECT_EQ(errno, EINVAL);

    struct stat info {};
    ASSERT_EQ(::stat(Path::toNative(escaped).constData(), &info), 0);
    EXPECT_EQ(info.st_size, 4);
    EXPECT_EQ(listNames(), QStringList{QStringLiteral("x") + escape(0xED) + escape(0xA0) + escape(0x80)});
}

TEST_F(PathFilesTest, MakePathCreatesEveryMissingFolder)
{
    const QString nested = m_folder + QStringLiteral("/caf") + escape(0xE9) + QStringLiteral("/a/b/");
    ASSERT_TRUE(Path::makePath(nested, 0700));
    struct stat info {};
    ASSERT_EQ(::stat((Path::toNative(m_folder) + "/caf\xE9/a/b").constData(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_TRUE(Path::makePath(nested, 0700)) << "an existing folder is fine";

    const QString file = m_folder + QStringLiteral("/file");
    ::close(Path::open(file, O_CREAT | O_WRONLY, 0600));
    EXPECT_FALSE(Path::makePath(file, 0700));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(Path::makePath(file + QStringLiteral("/below"), 0700));
    EXPECT_FALSE(Path::makePath(QString(), 0700));
}

TEST_F(PathFilesTest, RealPathBeyondAnyFixedBuffer)
{
    QString deep = Path::realPath(m_folder);
    const QString component(200, QLatin1Char('d'));
    while (Path::toNative(deep).size() < 3000) {
        deep += QLatin1Char('/') + component;
        ASSERT_EQ(Path::mkdir(deep, 0700), 0) << strerror(errno);
    }
    EXPECT_EQ(Path::realPath(deep + QStringLiteral("/./")), deep);
}

} // namespace
