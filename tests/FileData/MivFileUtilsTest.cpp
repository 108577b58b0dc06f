#include "FileData/MivFileUtils.h"

#include "ScopedEnv.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using plat::Path;
namespace PS = plat::PathString;

const QRegularExpression kUuid(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));

struct stat statOf(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(Path::toNative(path).constData(), &info), 0) << path.toStdString();
    return info;
}

TEST(MivFileUtilsTempTest, NamesArePrefixHyphenUpperCaseUuidInTheTemporaryFolder)
{
    const QString uuid = MivFileUtils::calculateUUID();
    EXPECT_TRUE(kUuid.match(uuid).hasMatch()) << uuid.toStdString();
    EXPECT_NE(MivFileUtils::calculateUUID(), uuid);

    const QString path = MivFileUtils::pathForTemporaryFileWithPrefix(QStringLiteral("pre"));
    EXPECT_EQ(PS::deletingLastPathComponent(path), PS::temporaryDirectory());
    const QString name = PS::lastPathComponent(path);
    ASSERT_TRUE(name.startsWith(QLatin1String("pre-")));
    EXPECT_TRUE(kUuid.match(name.mid(4)).hasMatch()) << name.toStdString();
    EXPECT_NE(::access(Path::toNative(path).constData(), F_OK), 0); // nothing is created
}

TEST(MivFileUtilsTempTest, CreatesPrivateFilesAndFoldersUnderFreshNames)
{
    const QString first = MivFileUtils::createLocalTempFile(false, true);
    const QString second = MivFileUtils::createLocalTempFile(false, false);
    const QString folder = MivFileUtils::createLocalTempDir();
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    ASSERT_FALSE(folder.isNull());
    EXPECT_NE(first, second);
    for (const QString& path : {first, second, folder}) {
        EXPECT_EQ(PS::deletingLastPathComponent(path), PS::temporaryDirectory());
        EXPECT_TRUE(PS::lastPathComponent(path).startsWith(QLatin1String("mivo-tmp-")));
        EXPECT_TRUE(kUuid.match(PS::lastPathComponent(path).mid(9)).hasMatch());
    }
    const struct stat file = statOf(first);
    EXPECT_TRUE(S_ISREG(file.st_mode));
    EXPECT_EQ(file.st_mode & 07777, 0600u);
    EXPECT_EQ(file.st_size, 0);
    EXPECT_TRUE(S_ISREG(statOf(second).st_mode));
    const struct stat dir = statOf(folder);
    EXPECT_TRUE(S_ISDIR(dir.st_mode));
    EXPECT_EQ(dir.st_mode & 07777, 0700u);

    ::unlink(Path::toNative(first).constData());
    ::unlink(Path::toNative(second).constData());
    ::rmdir(Path::toNative(folder).constData());
}

TEST(MivFileUtilsTempTest, FollowsTmpdirAndAnswersNullWhenItCannotCreate)
{
    // A temporary folder whose own name is not UTF-8.
    const QByteArray tmp = Path::toNative(mivtest::TestEnvironment::root()) + "/tmp-\xE9";
    ASSERT_EQ(::mkdir(tmp.constData(), 0700), 0);
    {
        mivtest::ScopedEnv env("TMPDIR", tmp + "/");
        EXPECT_EQ(PS::temporaryDirectory(), Path::fromNative(tmp));
        const QString file = MivFileUtils::createLocalTempFile(false, false);
        ASSERT_FALSE(file.isNull());
        EXPECT_TRUE(Path::toNative(file).startsWith(tmp + "/mivo-tmp-"));
        EXPECT_EQ(::unlink(Path::toNative(file).constData()), 0);
    }
    {
        mivtest::ScopedEnv env("TMPDIR", tmp + "/missing");
        EXPECT_TRUE(MivFileUtils::createLocalTempFile(false, false).isNull());
        EXPECT_TRUE(MivFileUtils::createLocalTempDir().isNull());
    }
    {
        mivtest::ScopedEnv env("TMPDIR", "");
        EXPECT_EQ(PS::temporaryDirectory(), QStringLiteral("/tmp"));
    }
    ::rmdir(tmp.constData());
}

TEST(MivFileUtilsNamesTest, OverwriteRenameAndExtension)
{
    const std::pair<const char*, const char*> renames[] = {
        {"report.txt", "report-cpy.txt"}, {"archive.tar.gz", "archive.tar-cpy.gz"}, {"a.b.c", "a.b-cpy.c"},
        {"README", "README-cpy"},         {".profile", ".profile-cpy"},             {"file.", "file.-cpy"},
    };
    for (const auto& [name, expected] : renames)
        EXPECT_EQ(MivFileUtils::resolveNameForOverwriteRename(QString::fromUtf8(name)), QString::fromUtf8(expected));

    EXPECT_EQ(MivFileUtils::resolveExtension(QStringLiteral("/a/b.TXT")), QStringLiteral("TXT"));
    EXPECT_TRUE(MivFileUtils::resolveExtension(QStringLiteral("/a/.profile")).isNull());
    EXPECT_TRUE(MivFileUtils::resolveExtension(QStringLiteral("/a.d/b")).isNull());
    EXPECT_TRUE(MivFileUtils::resolveExtension(QString()).isNull());
}

// The views items compare with must answer what the path-string rules do.
TEST(MivFileUtilsNamesTest, ExtensionAndStemViewsFollowThePathStringRules)
{
    const QList<QString> paths = {
        QString(),
        QStringLiteral(""),
        QStringLiteral("/"),
        QStringLiteral("//"),
        QStringLiteral("report.txt"),
        QStringLiteral("archive.tar.gz"),
        QStringLiteral(".profile"),
        QStringLiteral("file."),
        QStringLiteral("."),
        QStringLiteral(".."),
        QStringLiteral("a.b/c"),
        QStringLiteral("/a.d/b"),
        QStringLiteral("/a/b.TXT//"),
        QStringLiteral("/a/.hidden.txt/"),
        QStringLiteral("with space #and ?query.tar.gz"),
        plat::Path::fromNative(QByteArray("caf\xE9.t\xFFt")),
    };
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const QString extension = MivFileUtils::resolveExtension(path);
        EXPECT_EQ(MivFileUtils::extensionView(path).toString(), extension);
        if (!path.isNull()) {
            EXPECT_EQ(extension, plat::PathString::pathExtension(path).isEmpty()
                                     ? QString()
                                     : plat::PathString::pathExtension(path));
            EXPECT_EQ(MivFileUtils::stemView(path).toString(), plat::PathString::deletingPathExtension(path));
        }
        EXPECT_EQ(extension.isNull(), extension.isEmpty()) << "an extension is null or has text";
    }
}

TEST(MivFileUtilsNamesTest, ResolvePathOfUrlsAndItems)
{
    EXPECT_EQ(MivFileUtils::resolvePath(QUrl(QStringLiteral("file:///tmp/caf%E9"))),
              QStringLiteral("/tmp/caf") + QChar(char16_t(0xDCE9)));
    EXPECT_EQ(MivFileUtils::resolvePath(QUrl(QStringLiteral("sftp://h/a%20b"))), QStringLiteral("/a b"));
    EXPECT_TRUE(MivFileUtils::resolvePath(QUrl()).isNull());

    struct Item
    {
        QString path() const { return QStringLiteral("/item"); }
    };
    EXPECT_EQ(MivFileUtils::resolvePath(std::make_shared<Item>()), QStringLiteral("/item"));
    EXPECT_TRUE(MivFileUtils::resolvePath(std::shared_ptr<Item>()).isNull());
}

TEST(MivFileUtilsPathsTest, ResolveRelativePathFindsTheRealPath)
{
    const QString home = PS::homeDirectory();
    const QString desktop = home + QStringLiteral("/Desktop");
    ASSERT_TRUE(Path::mkdir(desktop, 0700) == 0 || errno == EEXIST);
    EXPECT_EQ(MivFileUtils::resolveRelativePath(QStringLiteral("~/Desktop/../Desktop")), Path::realPath(desktop));
    EXPECT_TRUE(MivFileUtils::resolveRelativePath(QStringLiteral("~/no-such-folder")).isNull());
    EXPECT_TRUE(MivFileUtils::resolveRelativePath(QString()).isNull());

    const QString link = home + QStringLiteral("/desk-link");
    ASSERT_EQ(::symlink(Path::toNative(desktop).constData(), Path::toNative(link).constData()), 0);
    EXPECT_EQ(MivFileUtils::resolveRelativePath(QStringLiteral("~/desk-link/")), Path::realPath(desktop));
    ::unlink(Path::toNative(link).constData());
}

TEST(MivFileUtilsPathsTest, RelativePathToBaseStripsOnlyALeadingBase)
{
    struct Case
    {
        const char* path;
        const char* base;
        const char* expected; // nullptr: no answer
    };
    const Case cases[] = {
        {"/Users/a/docs/x.txt", "/Users/a", "docs/x.txt"},
        {"/Users/a/docs/x.txt", "/Users/a/", "docs/x.txt"},
        {"/Users/a/docs/x.txt", "/", "Users/a/docs/x.txt"},
        {"/Users/a", "/Users/a", ""},
        // The base occurs twice: only the leading one goes.
        {"/a/b/a/b/c", "/a/b", "a/b/c"},
        // The base inside the path, or ending inside a component, is no base.
        {"/x/a/b/c", "/a/b", nullptr},
        {"/Users/ab/x", "/Users/a", nullptr},
        {"/Users/a/x", "", nullptr},
        {"relative/x", "/", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " from " + c.base);
        const QString result =
            MivFileUtils::resolveRelativePathTo(QString::fromUtf8(c.path), QString::fromUtf8(c.base));
        if (c.expected) {
            EXPECT_EQ(result, QString::fromUtf8(c.expected));
            EXPECT_FALSE(result.isNull());
        } else {
            EXPECT_TRUE(result.isNull()) << result.toStdString();
        }
    }
}

TEST(MivFileUtilsPathsTest, RelativePathForLinks)
{
    struct Case
    {
        const char* name;
        const char* path;
        const char* base;
        const char* expected; // nullptr: no answer
    };
    const Case cases[] = {
        {"", "/a/b/c/x", "/a/b/c/", "x"},
        {"", "/a/b/c", "/a/b/c/", ""},
        {"", "/a/b/x", "/a/b/c", "../x"},
        {"", "/a/b/x", "/a/b/c/d", "../../x"},
        {"c", "/a/b/c/y/z", "/a/b", "y/z"},
        {"c", "/a/b/x", "/a/b", "../x"},
        {"", "/x", "/c", "../x"},
        {"", "/x/a/b/y", "/a/b", nullptr},
        {"", "/q/x", "/a/b", nullptr},
        {"", "/a/bc/x", "/a/b", nullptr},
        {"", "/a/b/x", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " from " + c.base + " + " + c.name);
        const QString result = MivFileUtils::relativePathFor(QString::fromUtf8(c.name), QString::fromUtf8(c.path),
                                                             QString::fromUtf8(c.base));
        if (c.expected) {
            EXPECT_EQ(result, QString::fromUtf8(c.expected));
            EXPECT_FALSE(result.isNull());
        } else {
            EXPECT_TRUE(result.isNull()) << result.toStdString();
        }
    }
}

TEST(MivFileUtilsPathsTest, ResolveLinkAgainstTheLinksFolder)
{
    EXPECT_EQ(MivFileUtils::resolveLink(QStringLiteral("/abs/t"), QStringLiteral("/l/link")), QStringLiteral("/abs/t"));
    EXPECT_EQ(MivFileUtils::resolveLink(QStringLiteral("t"), QStringLiteral("/l/link")), QStringLiteral("/l/t"));
    EXPECT_EQ(MivFileUtils::resolveLink(QStringLiteral("../t"), QStringLiteral("/l/link")), QStringLiteral("/l/../t"));
    EXPECT_EQ(MivFileUtils::resolveLink(QStringLiteral("t"), QStringLiteral("/link")), QStringLiteral("/t"));
    EXPECT_TRUE(MivFileUtils::resolveLink(QString(), QStringLiteral("/l/link")).isNull());
}

TEST(MivFileUtilsPathsTest, StripUserDataOnlyInTheAuthority)
{
    const std::pair<const char*, const char*> cases[] = {
        {"smb://user:pw@host/share", "smb://host/share"},
        {"smb://DOMAIN;user@host:445/share/", "smb://host:445/share/"},
        {"ftp://u:p@ss@host/x", "ftp://host/x"},
        {"sftp://u@host/home/a@b/x", "sftp://host/home/a@b/x"},
        // An "@" in the path no longer costs the host.
        {"sftp://host/home/a@b/x", "sftp://host/home/a@b/x"},
        {"https://host?to=a@b", "https://host?to=a@b"},
        {"/local/a@b", "/local/a@b"},
        {"/plain/path", "/plain/path"},
        {"", ""},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(MivFileUtils::stripUserDataInPath(QString::fromUtf8(input)), QString::fromUtf8(expected)) << input;
}

} // namespace
