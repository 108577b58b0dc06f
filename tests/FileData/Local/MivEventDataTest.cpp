#include "FileData/Local/MivEventData.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(MivEventDataTest, StandardizesPaths)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"/tmp/x/", "/tmp/x"},
        {"/tmp//x/./y/../z", "/tmp/x/z"},
        {"/", "/"},
        {"/..", "/"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MivEventData::standarizedPath(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    // A relative path is taken against the current folder, as its file URL is.
    EXPECT_EQ(MivEventData::standarizedPath(QStringLiteral("rel/a")),
              plat::Path::fromNative(QDir::currentPath().toUtf8()) + QStringLiteral("/rel/a"));
}

TEST(MivEventDataTest, FileIdentifierFromPropertiesOrNone)
{
    const MivEventData withId(QVariantMap{{"path", "/tmp/a/"}, {"fileID", qint64(4242)}}, 5, 0x100);
    EXPECT_EQ(withId.path(), QStringLiteral("/tmp/a"));
    EXPECT_EQ(withId.inode(), 4242);
    EXPECT_EQ(MivEventData(QVariantMap{{"path", "/tmp/a"}}, 5, 0x100).inode(), 0);
    EXPECT_EQ(MivEventData(QStringLiteral("/tmp/a"), 5, 0x100).inode(), -1);
}

TEST(MivEventDataTest, SubpathTestStopsAtComponentBoundaries)
{
    const struct
    {
        const char* event;
        const char* watched;
        bool inside;
    } cases[] = {
        {"/Volumes/Data/Docs", "/Volumes/Data/Docs", true},
        {"/Volumes/Data/Docs/x.txt", "/Volumes/Data/Docs", true},
        {"/Volumes/Data/Docs/x.txt", "/Volumes/Data/Docs/", true},
        {"/Volumes/Data/Docs/sub/x.txt", "/Volumes/Data/Docs", false},
        {"/Volumes/Data/Docsier", "/Volumes/Data/Docs", false},   // sibling, same beginning
        {"/Volumes/Data/Docs2/x", "/Volumes/Data/Docs", false},
        {"/Volumes/Data", "/Volumes/Data/Docs", false},
        {"/x", "/", true},
        {"/", "/", true},
        {"/x/y", "/", false},
        {"/a", "", false},
    };
    for (const auto& c : cases) {
        const MivEventData event(QString::fromUtf8(c.event), 1, 0);
        EXPECT_EQ(event.pathIsSubpathOf(QString::fromUtf8(c.watched)), c.inside) << c.event << " in " << c.watched;
    }
}

TEST(MivEventDataTest, FlagTests)
{
    const MivEventData created(QStringLiteral("/a"), 1, 0x10100);
    EXPECT_TRUE(created.isCreated());
    EXPECT_TRUE(created.isFileEvent());
    EXPECT_FALSE(created.isModified());
    for (const quint32 flag : {0x1000u, 0x400u, 0x8000u})
        EXPECT_TRUE(MivEventData(QStringLiteral("/a"), 1, flag).isModified()) << flag;
    EXPECT_FALSE(MivEventData(QStringLiteral("/a"), 1, 0x20200).isFileEvent());
    EXPECT_TRUE(MivEventData(QStringLiteral("/a"), 1, 0x20200).isRemoved());
    EXPECT_TRUE(MivEventData(QStringLiteral("/a"), 1, 0x800).isRenamed());
}

TEST(MivEventDataTest, IdentityIsTheEventIdentifier)
{
    const MivEventData a(QStringLiteral("/a"), 7, 0x100);
    const MivEventData b(QStringLiteral("/b"), 7, 0x200);
    const MivEventData c(QStringLiteral("/a"), 8, 0x100);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a == c);
    EXPECT_EQ(QSet<MivEventData>({a, b, c}).size(), 2);
    EXPECT_EQ(a.description(), QStringLiteral("ID: 7, FLAGS: 0x00000100, PATH: /a"));
    EXPECT_EQ(MivEventData(QStringLiteral("/a"), 0, 0).description(), QStringLiteral("ID: 0, FLAGS: 00000000, PATH: /a"));
}

TEST(MivEventDataTest, ResolvesURLAndFileIdentity)
{
    QTemporaryDir temp;
    const QString name = plat::Path::fromNative(QByteArray(temp.path().toUtf8() + "/caf\xE9 x"));
    const int fd = plat::Path::open(name, O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const MivEventData event(name, 1, 0x100);
    EXPECT_EQ(plat::Path::fromFileUrl(event.resolveURL()), name);
    EXPECT_TRUE(event.resolveURL().toString(QUrl::FullyEncoded).endsWith(QStringLiteral("/caf%E9%20x")));
    EXPECT_FALSE(event.resolveFileId().isNull());
    EXPECT_TRUE(MivEventData(temp.path() + QStringLiteral("/missing"), 1, 0).resolveFileId().isNull());
}

} // namespace
