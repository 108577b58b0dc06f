#include "LocalTestFolder.h"

#include "FileData/Local/MivOsxIdNames.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/ItemTestSupport.h"
#include "platform/Error.h"
#include "platform/Process.h"
#include "support/RerunAsNobody.h"

#include <QDateTime>
#include <QFile>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

using localtest::LocalFolderTest;

namespace {

class MivOsxFileDataTest : public LocalFolderTest
{
};

void setXattr(const QString& path, const char* name, const QByteArray& value)
{
    ASSERT_EQ(::setxattr(plat::Path::toNative(path).constData(), name, value.constData(), size_t(value.size()), 0), 0)
        << name;
}

TEST_F(MivOsxFileDataTest, AFileTakesItsAttributesFromOneStatusRead)
{
    const QString file = path(QStringLiteral("notes.txt"));
    write(file, "hello");
    ASSERT_EQ(::chmod(plat::Path::toNative(file).constData(), 0640), 0);
    struct stat info {};
    ASSERT_EQ(::stat(plat::Path::toNative(file).constData(), &info), 0);

    const auto made = item(file);
    EXPECT_EQ(made->name(), QStringLiteral("notes.txt"));
    EXPECT_EQ(made->extenssion(), QStringLiteral("txt"));
    EXPECT_FALSE(made->folder());
    EXPECT_FALSE(made->isFolder());
    EXPECT_FALSE(made->link());
    EXPECT_FALSE(made->hidden());
    EXPECT_TRUE(made->exists());
    EXPECT_EQ(made->size(), 5);
    EXPECT_EQ(made->physicalSize(), qint64(info.st_blocks) * 512);
    EXPECT_EQ(made->modificationDate(),
              QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000, Qt::UTC));
    EXPECT_EQ(made->posix(), qint64(S_IFREG | 0640)) << "the whole mode, file-type bits included";
    EXPECT_EQ(made->owner(), MivOsxIdNames::userName(info.st_uid) + QStringLiteral(" (%1)").arg(info.st_uid));
    EXPECT_EQ(made->group(), MivOsxIdNames::groupName(info.st_gid) + QStringLiteral(" (%1)").arg(info.st_gid));
    EXPECT_EQ(made->utiType(), QStringLiteral("text/plain"));
    EXPECT_FALSE(made->type().isEmpty());
    EXPECT_TRUE(made->readable());
    EXPECT_TRUE(made->deletable());
    EXPECT_FALSE(made->isLocked());
    EXPECT_FALSE(made->alias());
    EXPECT_FALSE(made->filePackage());
    EXPECT_TRUE(made->refreshed());
    EXPECT_EQ(made->icon(), MivFileUtils::notLoadedImage()) << "a placeholder until the icon is loaded";

    const QVariantMap stat = MivOsxFileData::resolveStatDataForPath(file);
    EXPECT_EQ(stat.value(QStringLiteral("user")).toString(), made->owner());
    EXPECT_EQ(stat.value(QStringLiteral("posix")).toLongLong(), qint64(S_IFREG | 0640));
    EXPECT_TRUE(MivOsxFileData::resolveStatDataForPath(path(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(MivOsxFileData::resolveStatDataForPath(QString()).isEmpty());

    const QVariantMap dates = made->processDates();
    EXPECT_EQ(dates.value(QStringLiteral("stateChgTime")).toDateTime(), QDateTime::fromSecsSinceEpoch(info.st_ctim.tv_sec, Qt::UTC));
    EXPECT_EQ(dates.value(QStringLiteral("accessTime")).toDateTime(), QDateTime::fromSecsSinceEpoch(info.st_atim.tv_sec, Qt::UTC));
}

TEST_F(MivOsxFileDataTest, FoldersHiddenEntriesAndTypes)
{
    const QString folder = path(QStringLiteral("sub"));
    makeFolder(folder);
    const auto dir = item(folder);
    EXPECT_TRUE(dir->folder());
    EXPECT_TRUE(dir->isFolder());
    EXPECT_EQ(dir->size(), MivFileData::kSizeFolderNotCounted);
    EXPECT_EQ(dir->utiType(), QStringLiteral("inode/directory"));
    EXPECT_EQ(dir->icon(), MivFileUtils::defaultFolderIconImage());
    EXPECT_TRUE(dir->imageNotResolved());
    EXPECT_EQ(dir->extenssion(), QString());

    const QString dot = path(QStringLiteral(".profile"));
    write(dot, "x");
    EXPECT_TRUE(item(dot)->hidden());

    // By name first; the content only when asked and the name says nothing.
    const QString png = path(QStringLiteral("picture"));
    write(png, QByteArray::fromHex("89504E470D0A1A0A0000000D49484452"));
    const auto image = item(png);
    EXPECT_EQ(image->utiType(), QStringLiteral("application/octet-stream"));
    EXPECT_EQ(image->resolveTypeInfo(true).value(QStringLiteral("type")).toString(), QStringLiteral("image/png"));
}

TEST_F(MivOsxFileDataTest, ADeletedFileKeepsItsNameAndLosesItsAttributes)
{
    const QString file = path(QStringLiteral("gone.bin"));
    write(file, "12345");
    const auto made = item(file);
    const QVariant ident = made->fileIdent();
    ASSERT_TRUE(ident.isValid());
    remove(file);
    EXPECT_FALSE(made->exists());
    made->refresh();
    EXPECT_EQ(made->name(), QStringLiteral("gone.bin"));
    EXPECT_EQ(made->fileIdent(), ident);
    EXPECT_EQ(made->size(), 0);
    EXPECT_EQ(made->physicalSize(), 0);
    EXPECT_FALSE(made->modificationDate().isValid());
    EXPECT_TRUE(made->hidden());
    EXPECT_FALSE(made->link());
    EXPECT_FALSE(made->folder());
    EXPECT_EQ(made->owner(), QString());
    EXPECT_EQ(made->posix(), std::nullopt);
}

TEST_F(MivOsxFileDataTest, ItemsOfOneFileAreEqualByIdentity)
{
    const QString file = path(QStringLiteral("a"));
    const QString hard = path(QStringLiteral("b"));
    write(file, "x");
    ASSERT_EQ(::link(plat::Path::toNative(file).constData(), plat::Path::toNative(hard).constData()), 0);
    const auto a = item(file);
    const auto b = item(hard);
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_EQ(a->hash(), b->hash());
    const QString other = path(QStringLiteral("c"));
    write(other, "x");
    EXPECT_FALSE(a->isEqual(item(other).get()));
    const auto unrefreshed = item(file, false);
    EXPECT_TRUE(unrefreshed->isEqual(a.get()));
    EXPECT_EQ(unrefreshed->hash(), a->hash()) << "equal items hash alike";
    // Without identities the URLs decide.
    EXPECT_TRUE(item(path(QStringLiteral("none")))->isEqual(item(path(QStringLiteral("none"))).get()));
}

TEST_F(MivOsxFileDataTest, LinksToFilesFoldersAndNowhere)
{
    makeFolder(path(QStringLiteral("a")));
    makeFolder(path(QStringLiteral("data")));
    write(path(QStringLiteral("file.txt")), "123");
    struct Case
    {
        const char* name;
        QString text;
        bool folder;
        bool hasTarget;
        QString linkPath;
    };
    const Case cases[] = {
        {"to a file", path(QStringLiteral("file.txt")), false, true, path(QStringLiteral("file.txt"))},
        {"relative, to a folder", QStringLiteral("../data"), true, true, path(QStringLiteral("a/../data"))},
        {"absolute, to a folder", path(QStringLiteral("data")), true, true, path(QStringLiteral("data"))},
        {"to nowhere", QStringLiteral("missing"), false, false, path(QStringLiteral("a/missing"))},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString at = path(QStringLiteral("a/link%1").arg(n++));
        link(c.text, at);
        const auto made = item(at);
        EXPECT_TRUE(made->link());
        EXPECT_EQ(made->linkPath(), c.linkPath);
        EXPECT_EQ(made->realPath(), c.linkPath);
        EXPECT_EQ(made->folder(), c.folder);
        EXPECT_EQ(made->exists(), c.hasTarget);
        EXPECT_EQ(made->name(), plat::PathString::lastPathComponent(at)) << "the entry keeps its own name";
        if (c.folder)
            EXPECT_EQ(made->size(), MivFileData::kSizeLinkToFolder);
        if (c.hasTarget) {
            EXPECT_EQ(made->realURL(), url(c.linkPath));
            EXPECT_FALSE(made->utiType().isEmpty());
        } else {
            EXPECT_EQ(made->realURL(), made->fileURL()) << "a dangling link reads the entry itself";
            EXPECT_EQ(made->utiType(), QString()) << "a dangling link has no kind";
            EXPECT_EQ(made->posix(), std::nullopt);
        }
    }
}

TEST_F(MivOsxFileDataTest, ALinkReplacedByAFileForgetsItsTarget)
{
    const QString target = path(QStringLiteral("target"));
    const QString entry = path(QStringLiteral("entry"));
    makeFolder(target);
    link(target, entry);
    const auto made = item(entry);
    ASSERT_TRUE(made->link());
    ASSERT_EQ(made->linkPath(), target);
    ASSERT_TRUE(made->folder());

    remove(entry);
    write(entry, "plain");
    made->refresh();
    EXPECT_FALSE(made->link());
    EXPECT_EQ(made->linkPath(), QString());
    EXPECT_EQ(made->realPath(), entry) << "a copy must read the file, not the old target";
    EXPECT_EQ(made->realURL(), made->fileURL());
    EXPECT_FALSE(made->alias());
    EXPECT_FALSE(made->folder());
    EXPECT_EQ(made->size(), 5);
}

TEST_F(MivOsxFileDataTest, ANameThatIsNotUTF8KeepsItsBytes)
{
    const QString file = path(QByteArray("caf\xE9.txt"));
    write(file, "latin");
    setXattr(file, "user.xdg.tags", "Red, Work");
    const auto made = item(file);
    EXPECT_EQ(plat::Path::toNative(made->name()), QByteArray("caf\xE9.txt"));
    EXPECT_EQ(plat::Path::toNative(made->pathKey()), plat::Path::toNative(file));
    EXPECT_TRUE(made->fileURL().toString(QUrl::FullyEncoded).endsWith(QLatin1String("caf%E9.txt")));
    EXPECT_TRUE(made->exists());
    EXPECT_EQ(made->size(), 5);
    EXPECT_EQ(made->tags(), QStringList({QStringLiteral("Red"), QStringLiteral("Work")}));
    EXPECT_EQ(made->utiType(), QStringLiteral("text/plain"));

    const auto cache = MivOsxFileDataCache::sharedInstance();
    ASSERT_TRUE(cache->putEntry(made));
    EXPECT_EQ(cache->getEntryForURL(url(file)), made);
    EXPECT_TRUE(cache->invalidatePath(file));
}

TEST_F(MivOsxFileDataTest, TagsAndLabelComeFromExtendedAttributes)
{
    const QString plain = path(QStringLiteral("plain"));
    write(plain, "x");
    const auto bare = item(plain);
    EXPECT_EQ(bare->tags(), QStringList());
    EXPECT_EQ(bare->labelNumber(), 0);

    setXattr(plain, "user.xdg.tags", "a,,b ,");
    setXattr(plain, "user.mivo.label", "3");
    EXPECT_EQ(bare->tags(), QStringList()) << "read once until the next refresh";
    bare->refresh();
    EXPECT_EQ(bare->tags(), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(bare->labelNumber(), 3);
}

TEST_F(MivOsxFileDataTest, OwnerTextsAreSharedAndUnknownIdsHaveNoName)
{
    const QString a = path(QStringLiteral("a"));
    const QString b = path(QStringLiteral("b"));
    write(a, "x");
    write(b, "y");
    EXPECT_EQ(item(a)->owner().constData(), item(b)->owner().constData()) << "one string for every item of an owner";
    EXPECT_EQ(MivOsxIdNames::userText(4000000001u), QStringLiteral(" (4000000001)"));
    EXPECT_EQ(MivOsxIdNames::groupText(4000000001u), QStringLiteral(" (4000000001)"));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(plat::Path::toNative(a).constData(), 4000000001u, 4000000001u), 0);
        const QString owner = item(a)->owner();
        EXPECT_TRUE(owner.startsWith(QLatin1Char(' '))) << owner.toStdString();
    }
}

TEST_F(MivOsxFileDataTest, FlagsAreReadOnceAndMarked)
{
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    const auto made = item(file);
    EXPECT_FALSE(made->containsAttr(QStringLiteral("executable")));
    const bool executable = made->executable();
    EXPECT_TRUE(made->containsAttr(QStringLiteral("executable")));
    ASSERT_EQ(::chmod(plat::Path::toNative(file).constData(), 0755), 0);
    EXPECT_EQ(made->executable(), executable) << "a flag read once stays as read";
    EXPECT_TRUE(item(file)->executable());

    made->addAttr(QStringLiteral("creationDate"));
    EXPECT_TRUE(made->containsAttr(QStringLiteral("creationDate")));
    made->removeAttr(QStringLiteral("creationDate"));
    EXPECT_FALSE(made->containsAttr(QStringLiteral("creationDate")));
    made->addAttr(QString());
    EXPECT_FALSE(made->containsAttr(QString()));
}

TEST_F(MivOsxFileDataTest, ASetDateOrModeReplacesTheSnapshot)
{
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    const auto made = item(file);
    const auto before = made->attributes();
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1000000000, Qt::UTC);
    made->setModificationDate(date);
    EXPECT_EQ(made->modificationDate(), date);
    EXPECT_NE(made->attributes(), before);
    EXPECT_EQ(before->modificationTime() == made->attributes()->modificationTime(), false);
    made->setSuperPosix(qint64(S_IFREG | 0600));
    EXPECT_EQ(made->posix(), qint64(S_IFREG | 0600));
}

TEST_F(MivOsxFileDataTest, SymbolicLinksAreMadeWhereTheFolderReallyIs)
{
    const QString real = path(QStringLiteral("real"));
    const QString alias = path(QStringLiteral("via"));
    makeFolder(real);
    link(real, alias);
    const auto folder = item(alias);
    plat::Error error;
    const MivFileDataPtr made = folder->createSymbolicLinkWithName(QStringLiteral("ln"), QStringLiteral("../elsewhere"),
                                                                   nullptr, nullptr, &error);
    ASSERT_TRUE(made) << error.localizedDescription().toStdString();
    EXPECT_EQ(made->pathKey(), path(QStringLiteral("real/ln")));
    EXPECT_TRUE(made->link());
    EXPECT_EQ(made->linkPath(), path(QStringLiteral("real/../elsewhere")));

    EXPECT_FALSE(folder->createSymbolicLinkWithName(QStringLiteral("ln"), QStringLiteral("x"), nullptr, nullptr, &error));
    EXPECT_EQ(error.code(), 516) << "the name exists";
    EXPECT_FALSE(folder->createSymbolicLinkWithName(QStringLiteral("ln"), QStringLiteral("x"), nullptr, nullptr, nullptr));
}

TEST_F(MivOsxFileDataTest, FollowingALinkAsksTheFactory)
{
    itemtest::ScopedHooks hooks;
    const QString target = path(QStringLiteral("t"));
    write(target, "x");
    link(target, path(QStringLiteral("l")));
    QUrl asked;
    MivItemHooks::setMakeInstanceForURL([&](const QUrl& u, bool) -> MivFileDataPtr {
        asked = u;
        return item(plat::Path::fromFileUrl(u));
    });
    const auto followed = item(path(QStringLiteral("l")))->resolveLink();
    ASSERT_TRUE(followed);
    EXPECT_EQ(asked, url(target));
    EXPECT_FALSE(item(target)->resolveLink()) << "no link path, nothing to follow";
    EXPECT_TRUE(item(target)->resolveAliasFile().isEmpty());
}

TEST_F(MivOsxFileDataTest, OpeningAFolderBrowsesIt)
{
    makeFolder(path(QStringLiteral("d")));
    EXPECT_FALSE(item(path(QStringLiteral("d")))->doOpen());
}

} // namespace

namespace {

// The folder the denied-access case shares between the test (root) and its
// re-run as nobody, found by the parent's process id.
QString deniedFolder(pid_t owner) { return QStringLiteral("/tmp/mivo-local-denied-%1").arg(owner); }

TEST(MivOsxFileDataDeniedTest, UnreadableEntriesAnswerEmptyValues)
{
    if (::getuid() != 0) {
        // The re-run as nobody: everything below the locked folder is out of reach.
        const QString folder = deniedFolder(::getppid());
        const auto hidden = MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(folder + QStringLiteral("/locked/secret")));
        EXPECT_FALSE(hidden->exists());
        EXPECT_TRUE(hidden->hidden()) << "an entry whose folder flag cannot be read is hidden";
        EXPECT_EQ(hidden->size(), 0);
        EXPECT_EQ(hidden->owner(), QString());
        EXPECT_EQ(hidden->posix(), std::nullopt);
        EXPECT_EQ(hidden->name(), QStringLiteral("secret"));
        EXPECT_FALSE(hidden->readable());

        const auto closed = MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(folder + QStringLiteral("/closed")));
        EXPECT_TRUE(closed->exists());
        EXPECT_EQ(closed->size(), 6);
        EXPECT_FALSE(closed->readable());
        EXPECT_FALSE(closed->writable());
        EXPECT_FALSE(closed->deletable()) << "the folder belongs to root";
        EXPECT_EQ(closed->utiType(), QString::fromLatin1("application/octet-stream"));
        return;
    }
    const QString folder = deniedFolder(::getpid());
    const QByteArray native = plat::Path::toNative(folder);
    ASSERT_TRUE(plat::Path::makePath(folder + QStringLiteral("/locked"), 0755));
    ASSERT_EQ(::chmod(native.constData(), 0755), 0);
    ASSERT_EQ(::chmod((native + "/locked").constData(), 0700), 0);
    for (const char* name : {"/locked/secret", "/closed"}) {
        const int fd = ::open((native + name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "secret", 6), 6);
        ::close(fd);
    }
    const mivtest::RerunResult rerun = mivtest::rerunAsNobody(QStringLiteral("MivOsxFileDataDeniedTest.UnreadableEntriesAnswerEmptyValues"));
    for (const char* name : {"/locked/secret", "/closed"})
        ::unlink((native + name).constData());
    ::rmdir((native + "/locked").constData());
    ::rmdir(native.constData());
    EXPECT_TRUE(rerun.passed()) << rerun.output.toStdString();
}

} // namespace
