#include "LocalTestFolder.h"

#include "../FactorySupport.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivItemHooks.h"
#include "platform/Error.h"
#include "platform/PosixError.h"
#include "platform/Process.h"
#include "platform/Trash.h"
#include "support/FakePropertiesProvider.h"
#include "support/RerunAsNobody.h"
#include "support/ScopedTmpfs.h"

#include <QDateTime>
#include <QFile>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

namespace {

class MivOsxFileDataChangesTest : public localtest::LocalFolderTest
{
protected:
    void TearDown() override
    {
        MivItemHooks::setIsLocalVolumeForURL({});
        LocalFolderTest::TearDown();
    }

    static QByteArray read(const QString& path)
    {
        const int fd = plat::Path::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return QByteArray("<missing>");
        QFile in;
        in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        return in.readAll();
    }
    static bool exists(const QString& path)
    {
        struct stat info {};
        return ::lstat(plat::Path::toNative(path).constData(), &info) == 0;
    }
    static struct stat statOf(const QString& path)
    {
        struct stat info {};
        ::lstat(plat::Path::toNative(path).constData(), &info);
        return info;
    }
    QStringList entries() const
    {
        QStringList names;
        QDir dir(m_dir.path());
        for (const QString& name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name))
            names.append(name);
        return names;
    }

    factorytest::FactoryEnvironment m_factory;
};

// --- Making ---

TEST_F(MivOsxFileDataChangesTest, MakingAFileNeverEmptiesAnExistingOne)
{
    write(path(QStringLiteral("kept.txt")), "precious");
    const auto folder = item(m_dir.path());

    plat::Error error;
    EXPECT_EQ(folder->makeFileWithName(QStringLiteral("kept.txt"), &error), nullptr);
    EXPECT_EQ(error.domain(), QString::fromLatin1(MivFileOperationErrorDomain));
    EXPECT_EQ(error.code(), -31);
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("File with name 'kept.txt' already exists in current folder"));
    EXPECT_EQ(read(path(QStringLiteral("kept.txt"))), QByteArray("precious"));

    // A dangling link is an existing name too: nothing is made through it.
    link(path(QStringLiteral("nowhere")), path(QStringLiteral("dangling")));
    error = plat::Error();
    EXPECT_EQ(folder->makeFileWithName(QStringLiteral("dangling"), &error), nullptr);
    EXPECT_EQ(error.code(), -31);
    EXPECT_FALSE(exists(path(QStringLiteral("nowhere"))));

    error = plat::Error();
    const MivFileDataPtr made = folder->makeFileWithName(QStringLiteral("new.txt"), &error);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(error.isNull());
    EXPECT_TRUE(made->exists());
    EXPECT_EQ(made->size(), 0);
    EXPECT_EQ(made->name(), QStringLiteral("new.txt"));
}

TEST_F(MivOsxFileDataChangesTest, NamesThatAreNoSingleEntryAreRefused)
{
    makeFolder(path(QStringLiteral("sub")));
    const auto folder = item(m_dir.path());
    for (const QString& name : {QStringLiteral("sub/inner"), QStringLiteral(".."), QStringLiteral("."), QStringLiteral("a") + QChar(0) + QStringLiteral("b")}) {
        plat::Error error;
        EXPECT_EQ(folder->makeFileWithName(name, &error), nullptr) << name.toStdString();
        EXPECT_FALSE(error.isNull());
        error = plat::Error();
        EXPECT_EQ(folder->makeFolderWithName(name, &error), nullptr) << name.toStdString();
        EXPECT_FALSE(error.isNull());
    }
    EXPECT_FALSE(exists(path(QStringLiteral("sub/inner"))));
    plat::Error untouched(QStringLiteral("x"), 1, QStringLiteral("untouched"));
    EXPECT_EQ(folder->makeFileWithName(QString(), &untouched), nullptr);
    EXPECT_EQ(untouched.localizedDescription(), QStringLiteral("untouched")) << "no name: none, error left alone";
}

TEST_F(MivOsxFileDataChangesTest, MakingAFolderReportsAnExistingName)
{
    const auto folder = item(m_dir.path());
    plat::Error error;
    const MivFileDataPtr made = folder->makeFolderWithName(QStringLiteral("box"), &error);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->folder());
    EXPECT_EQ(folder->makeFolderWithName(QStringLiteral("box"), &error), nullptr);
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileWriteFileExistsError)) << error.description().toStdString();
}

// --- Renaming ---

TEST_F(MivOsxFileDataChangesTest, RenameMovesOrReplacesAndTheItemFollows)
{
    write(path(QStringLiteral("a.txt")), "from a");
    const auto renamed = item(path(QStringLiteral("a.txt")));
    plat::Error error;
    ASSERT_TRUE(renamed->rename(QStringLiteral("b.md"), true, &error)) << error.description().toStdString();
    EXPECT_EQ(renamed->name(), QStringLiteral("b.md"));
    EXPECT_EQ(renamed->extenssion(), QStringLiteral("md"));
    EXPECT_EQ(renamed->sourcePath(), path(QStringLiteral("b.md")));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("b.md")});

    // Onto an existing file: the caller chose to replace it.
    write(path(QStringLiteral("c.txt")), "old c");
    ASSERT_TRUE(renamed->rename(renamed->sourcePath(), path(QStringLiteral("c.txt")), false, &error));
    EXPECT_EQ(read(path(QStringLiteral("c.txt"))), QByteArray("from a"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("c.txt")});

    // A folder in the place of a file with content, and back: the old
    // target goes only once the new one stands.
    makeFolder(path(QStringLiteral("dir/deep")));
    write(path(QStringLiteral("dir/deep/f")), "x");
    const auto folder = item(path(QStringLiteral("dir")));
    ASSERT_TRUE(folder->rename(folder->sourcePath(), path(QStringLiteral("c.txt")), true, &error)) << error.description().toStdString();
    EXPECT_TRUE(S_ISDIR(statOf(path(QStringLiteral("c.txt"))).st_mode));
    EXPECT_EQ(read(path(QStringLiteral("c.txt/deep/f"))), QByteArray("x"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("c.txt")});
}

TEST_F(MivOsxFileDataChangesTest, ALetterCaseChangeOntoAnotherFileIsAnOverwriteNotAnAlias)
{
    write(path(QStringLiteral("readme")), "lower");
    write(path(QStringLiteral("README")), "upper");
    const auto lower = item(path(QStringLiteral("readme")));
    // This volume tells case apart: README is another file, so the rename
    // rules must ask before replacing it.
    EXPECT_FALSE(lower->isSameEntryAtPath(path(QStringLiteral("README"))));
    EXPECT_TRUE(lower->isSameEntryAtPath(path(QStringLiteral("readme"))));

    plat::Error error;
    ASSERT_TRUE(lower->rename(QStringLiteral("README"), true, &error));
    EXPECT_EQ(read(path(QStringLiteral("README"))), QByteArray("lower"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("README")}) << "no temporary name is left behind";
}

TEST_F(MivOsxFileDataChangesTest, AnotherSpellingOfTheSameFileGoesThroughAFreeTemporaryName)
{
    // Two links of one file stand for what a case-insensitive volume shows:
    // one entry under two spellings.
    write(path(QStringLiteral("readme")), "text");
    ASSERT_EQ(::link(plat::Path::toNative(path(QStringLiteral("readme"))).constData(),
                     plat::Path::toNative(path(QStringLiteral("README"))).constData()), 0);
    // A file of the user's under the temporary name is not touched.
    write(path(QStringLiteral("readme.miv")), "mine");
    const auto lower = item(path(QStringLiteral("readme")));
    ASSERT_TRUE(lower->isSameEntryAtPath(path(QStringLiteral("README"))));

    plat::Error error;
    ASSERT_TRUE(lower->rename(QStringLiteral("README"), true, &error)) << error.description().toStdString();
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("README"), QStringLiteral("readme.miv")}));
    EXPECT_EQ(read(path(QStringLiteral("readme.miv"))), QByteArray("mine"));
    EXPECT_EQ(read(path(QStringLiteral("README"))), QByteArray("text"));
    EXPECT_EQ(lower->name(), QStringLiteral("README"));
}

TEST_F(MivOsxFileDataChangesTest, ByteNamesRenameAndFailuresAreReported)
{
    const QString latin = path(QByteArray("caf\xE9.txt"));
    write(latin, "bytes");
    const auto renamed = item(latin);
    plat::Error error;
    ASSERT_TRUE(renamed->rename(plat::Path::fromNative(QByteArray("th\xE9.txt")), true, &error));
    EXPECT_TRUE(exists(path(QByteArray("th\xE9.txt"))));
    EXPECT_FALSE(exists(latin));
    EXPECT_EQ(renamed->name(), plat::Path::fromNative(QByteArray("th\xE9.txt")));

    // A vanished source: the error comes back, nothing else changes.
    const auto gone = item(path(QStringLiteral("missing")));
    EXPECT_FALSE(gone->rename(QStringLiteral("other"), true, &error));
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileNoSuchFileError)) << error.description().toStdString();
    EXPECT_FALSE(renamed->rename(QStringLiteral("a/b"), true, &error));
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(exists(path(QByteArray("th\xE9.txt"))));

    // Removal takes byte names too (the temporary folder's own clean-up
    // would not).
    mivtest::ScopedPropertiesProvider settings;
    settings->useTrashValue = false;
    EXPECT_TRUE(renamed->remove().isNull());
    EXPECT_TRUE(entries().isEmpty());
}

// --- Trash ---

QString trashFolder() { return plat::Trash::homeTrashFolder(); }

TEST_F(MivOsxFileDataChangesTest, TrashWritesARecordOtherToolsReadAndNamesStayUnique)
{
    const QString latin = path(QByteArray("caf\xE9 1.txt"));
    write(latin, "first");
    const auto first = item(latin);
    ASSERT_TRUE(first->trash().isNull());
    EXPECT_FALSE(exists(latin));
    const QString trashed = plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("files/") + plat::Path::fromNative(QByteArray("caf\xE9 1.txt")));
    EXPECT_EQ(read(trashed), QByteArray("first"));
    EXPECT_EQ(first->sourcePath(), trashed) << "the item stands for the file in the trash";

    write(latin, "second");
    ASSERT_TRUE(item(latin)->trash().isNull());
    const QString second = plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("files/") + plat::Path::fromNative(QByteArray("caf\xE9 1.2.txt")));
    EXPECT_EQ(read(second), QByteArray("second"));

    const QByteArray info = read(plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("info/") + plat::Path::fromNative(QByteArray("caf\xE9 1.2.txt.trashinfo"))));
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=")) << info.toStdString();
    EXPECT_TRUE(info.contains("caf%E9%201.txt")) << info.toStdString();
    const auto parsed = plat::Trash::parseInfo(info);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->path, latin);
    EXPECT_TRUE(parsed->deletionDate.isValid());
    EXPECT_LE(qAbs(parsed->deletionDate.secsTo(QDateTime::currentDateTime())), 3600);

    // trash-cli reads the same records back.
    if (!QFile::exists(QStringLiteral("/usr/bin/trash-list")))
        GTEST_SKIP() << "trash-list (trash-cli) is not installed";
    plat::Process list(QStringLiteral("/usr/bin/trash-list"), {});
    list.setOutputMode(plat::Process::OutputMode::Combined);
    ASSERT_TRUE(list.start());
    const QByteArray output = list.readAllOutput();
    list.waitForExit();
    EXPECT_EQ(output.count(plat::Path::toNative(path(QStringLiteral("caf"))).constData()), 2) << output.toStdString();
}

TEST_F(MivOsxFileDataChangesTest, ATrashSlotTakenWithoutItsRecordIsLeftAlone)
{
    // A file in the trash without a record (another program stopped half
    // way): the next name is taken, the stranger is not replaced.
    const QString files = plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("files"));
    ASSERT_TRUE(plat::Path::makePath(files, 0700));
    write(files + QStringLiteral("/orphan"), "stranger");
    write(path(QStringLiteral("orphan")), "mine");
    ASSERT_TRUE(item(path(QStringLiteral("orphan")))->trash().isNull());
    EXPECT_EQ(read(files + QStringLiteral("/orphan")), QByteArray("stranger"));
    EXPECT_EQ(read(files + QStringLiteral("/orphan.2")), QByteArray("mine"));
    const QString info = plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("info"));
    EXPECT_FALSE(exists(info + QStringLiteral("/orphan.trashinfo"))) << "the record of the failed slot is gone";
    EXPECT_TRUE(exists(info + QStringLiteral("/orphan.2.trashinfo")));

    // Folders go whole.
    makeFolder(path(QStringLiteral("box/inner")));
    ASSERT_TRUE(item(path(QStringLiteral("box")))->trash().isNull());
    EXPECT_TRUE(exists(files + QStringLiteral("/box/inner")));
    ::unlink(plat::Path::toNative(files + QStringLiteral("/orphan")).constData());
}

TEST_F(MivOsxFileDataChangesTest, AnotherVolumeTrashesIntoItsOwnTrash)
{
    const QString mount = path(QStringLiteral("volume"));
    makeFolder(mount);
    mivtest::ScopedTmpfs tmpfsMount(mount);
    if (!tmpfsMount.mounted())
        GTEST_SKIP() << tmpfsMount.whyNot();
    const QString uid = QString::number(::getuid());

    write(mount + QStringLiteral("/sub-a"), "a");
    ASSERT_TRUE(item(mount + QStringLiteral("/sub-a"))->trash().isNull());
    EXPECT_EQ(read(mount + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files/sub-a")), QByteArray("a"));
    const auto info = plat::Trash::parseInfo(read(mount + QStringLiteral("/.Trash-") + uid + QStringLiteral("/info/sub-a.trashinfo")));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->path, QStringLiteral("sub-a")) << "relative to the volume's top";

    // A shared sticky .Trash takes precedence; a non-sticky one is ignored.
    makeFolder(mount + QStringLiteral("/.Trash"));
    write(mount + QStringLiteral("/b"), "b");
    ASSERT_TRUE(item(mount + QStringLiteral("/b"))->trash().isNull());
    EXPECT_EQ(read(mount + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files/b")), QByteArray("b"));
    ASSERT_EQ(::chmod(plat::Path::toNative(mount + QStringLiteral("/.Trash")).constData(), 01777), 0);
    write(mount + QStringLiteral("/c"), "c");
    ASSERT_TRUE(item(mount + QStringLiteral("/c"))->trash().isNull());
    EXPECT_EQ(read(mount + QStringLiteral("/.Trash/") + uid + QStringLiteral("/files/c")), QByteArray("c"));
}

// --- Removal ---

TEST_F(MivOsxFileDataChangesTest, RemovalDeletesTreesWithoutFollowingLinks)
{
    const QString outside = path(QStringLiteral("outside"));
    write(outside, "keep");
    makeFolder(path(QStringLiteral("tree/a/b")));
    write(path(QStringLiteral("tree/a/b/f")), "x");
    link(outside, path(QStringLiteral("tree/a/link")));
    link(path(QStringLiteral("tree")), path(QStringLiteral("tree/a/loop")));

    mivtest::ScopedPropertiesProvider settings;
    settings->useTrashValue = false;
    EXPECT_TRUE(item(path(QStringLiteral("tree")))->remove().isNull());
    EXPECT_EQ(entries(), QStringList{QStringLiteral("outside")});
    EXPECT_EQ(read(outside), QByteArray("keep"));
    EXPECT_TRUE(item(path(QStringLiteral("absent")))->remove().is(plat::kCocoaErrorDomain, plat::cocoa::NSFileNoSuchFileError));

    // A link to a folder goes alone.
    makeFolder(path(QStringLiteral("kept/inner")));
    link(path(QStringLiteral("kept")), path(QStringLiteral("to-kept")));
    EXPECT_TRUE(item(path(QStringLiteral("to-kept")))->remove().isNull());
    EXPECT_TRUE(exists(path(QStringLiteral("kept/inner"))));
    EXPECT_FALSE(exists(path(QStringLiteral("to-kept"))));
}

TEST_F(MivOsxFileDataChangesTest, RemovalUsesTheTrashOnlyOnLocalVolumes)
{
    mivtest::ScopedPropertiesProvider settings;
    settings->useTrashValue = true;
    write(path(QStringLiteral("share-file")), "s");
    // Not a local volume (a mounted share): deleted at once.
    MivItemHooks::setIsLocalVolumeForURL([](const QUrl&) { return std::optional<bool>(false); });
    EXPECT_TRUE(item(path(QStringLiteral("share-file")))->remove().isNull());
    EXPECT_FALSE(exists(plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("files/share-file"))));

    write(path(QStringLiteral("local-file")), "l");
    MivItemHooks::setIsLocalVolumeForURL([](const QUrl&) { return std::optional<bool>(true); });
    EXPECT_TRUE(item(path(QStringLiteral("local-file")))->remove().isNull());
    EXPECT_EQ(read(plat::PathString::appendingPathComponent(trashFolder(), QStringLiteral("files/local-file"))), QByteArray("l"));
    EXPECT_TRUE(entries().isEmpty());
}

// --- Attributes ---

TEST_F(MivOsxFileDataChangesTest, ModesApplyOnlyWithPermissionBits)
{
    const QString file = path(QStringLiteral("f"));
    write(file, "x");
    ASSERT_EQ(::chmod(plat::Path::toNative(file).constData(), 0644), 0);
    const auto changed = item(file);

    changed->setPosix(0);
    EXPECT_EQ(statOf(file).st_mode & 07777, 0644u) << "no permission bits: nothing applied";
    changed->setPosix(S_IFREG | 01000);
    EXPECT_EQ(statOf(file).st_mode & 07777, 0644u);
    changed->setPosix(0600);
    EXPECT_EQ(statOf(file).st_mode & 07777, 0600u);
    EXPECT_EQ(changed->posix(), qint64(S_IFREG | 0600)) << "the item was refreshed";

    const QDateTime date(QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
    changed->updateModDate(date);
    EXPECT_EQ(statOf(file).st_mtim.tv_sec, date.toSecsSinceEpoch());
    EXPECT_EQ(changed->modificationDate(), date);

    // An owner title without parentheses leaves the owner; the mode applies.
    const uid_t owner = statOf(file).st_uid;
    plat::Error error;
    EXPECT_TRUE(changed->updatePosix(0640, QStringLiteral("nobody"), QString(), &error));
    EXPECT_EQ(statOf(file).st_uid, owner);
    EXPECT_EQ(statOf(file).st_mode & 07777, 0640u);
}

TEST_F(MivOsxFileDataChangesTest, TitlesParseToIdAndName)
{
    struct Case
    {
        QString title;
        std::optional<std::pair<qint64, QString>> record;
    };
    const Case cases[] = {
        {QStringLiteral("root (0): System Administrator"), std::make_pair(qint64(0), QStringLiteral("root"))},
        {QStringLiteral("nobody (65534): nobody"), std::make_pair(qint64(65534), QStringLiteral("nobody"))},
        {QStringLiteral("ab(12)"), std::make_pair(qint64(12), QStringLiteral("a"))},
        {QStringLiteral("x ( 7 ): y"), std::make_pair(qint64(7), QStringLiteral("x"))},
        {QStringLiteral("no parentheses"), std::nullopt},
        {QStringLiteral("open (12"), std::nullopt},
        // Not a number: no id at all, never the administrator's 0.
        {QStringLiteral("evil (abc): x"), std::nullopt},
        {QStringLiteral("minus (-1): x"), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MivOsxFileData::recordIdForTitle(c.title), c.record) << c.title.toStdString();
}

TEST_F(MivOsxFileDataChangesTest, AccountListsLeaveOutSystemAccountsUnlessAsked)
{
    const auto folder = item(m_dir.path());
    const QStringList all = *folder->availableUsers(true);
    const QStringList people = *folder->availableUsers(false);
    EXPECT_TRUE(all.contains(QStringLiteral("root (0): root"))) << all.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(people.contains(QStringLiteral("root (0): root")));
    EXPECT_TRUE(std::any_of(all.cbegin(), all.cend(), [](const QString& t) { return t.startsWith(QLatin1String("nobody (65534)")); }));
    EXPECT_FALSE(std::any_of(people.cbegin(), people.cend(), [](const QString& t) { return t.startsWith(QLatin1String("nobody ")) || t.startsWith(QLatin1String("daemon ")); }));
    const QStringList groups = *folder->availableGroups(true);
    EXPECT_TRUE(groups.contains(QStringLiteral("root (0): root")));
    EXPECT_LT(folder->availableGroups(false)->size(), groups.size());
    for (const QString& title : all)
        EXPECT_TRUE(MivOsxFileData::recordIdForTitle(title)) << title.toStdString();
}

TEST_F(MivOsxFileDataChangesTest, TagsAndLabelsAreWrittenAndReadBack)
{
    const QString file = path(QStringLiteral("tagged"));
    write(file, "x");
    const auto tagged = item(file);
    EXPECT_TRUE(tagged->tags().isEmpty());
    tagged->setTags({QStringLiteral("Red"), QStringLiteral("work, home"), QStringLiteral(" ")});
    EXPECT_EQ(tagged->tags(), (QStringList{QStringLiteral("Red"), QStringLiteral("work home")}));
    char value[64] = {};
    EXPECT_GT(::getxattr(plat::Path::toNative(file).constData(), "user.xdg.tags", value, sizeof value), 0);
    EXPECT_STREQ(value, "Red,work home");

    tagged->setLabelNumber(3);
    EXPECT_EQ(tagged->labelNumber(), 3);
    EXPECT_EQ(item(file)->labelNumber(), 3);
    tagged->setLabelNumber(0);
    EXPECT_EQ(tagged->labelNumber(), 0);
    EXPECT_LT(::getxattr(plat::Path::toNative(file).constData(), "user.mivo.label", value, sizeof value), 0);
    tagged->setTags({});
    EXPECT_TRUE(tagged->tags().isEmpty());
}

TEST_F(MivOsxFileDataChangesTest, OwnerAndGroupChangeAsAdministrator)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "changing owners needs the administrator";
    const QString file = path(QStringLiteral("owned"));
    write(file, "x");
    const auto owned = item(file);
    plat::Error error;
    ASSERT_TRUE(owned->updatePosix(std::nullopt, QStringLiteral("nobody (65534): nobody"), QStringLiteral("nogroup (65534): nogroup"), &error))
        << error.description().toStdString();
    EXPECT_EQ(statOf(file).st_uid, 65534u);
    EXPECT_EQ(statOf(file).st_gid, 65534u);
    EXPECT_TRUE(owned->owner().endsWith(QStringLiteral("(65534)"))) << owned->owner().toStdString();
}

} // namespace

// --- As nobody ---

namespace {

QString deniedFolder(pid_t owner) { return QStringLiteral("/tmp/mivo-changes-denied-%1").arg(owner); }

TEST(MivOsxFileDataChangesDeniedTest, RefusedChangesReportTheirErrorAndChangeNothing)
{
    if (::getuid() != 0) {
        const QString folder = deniedFolder(::getppid());
        const auto open = [](const QString& p) { return MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(p)); };
        const auto mode = [](const QString& p) {
            struct stat info {};
            ::lstat(plat::Path::toNative(p).constData(), &info);
            return info;
        };
        // Another's file: no mode, no owner change.
        const QString rootFile = folder + QStringLiteral("/rootfile");
        plat::Error error;
        EXPECT_FALSE(open(rootFile)->updatePosix(0600, QString(), QString(), &error));
        EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileWriteNoPermissionError)) << error.description().toStdString();
        EXPECT_EQ(mode(rootFile).st_mode & 07777, 0644u);
        // Our own file cannot be given away.
        const QString mine = folder + QStringLiteral("/mine");
        error = plat::Error();
        EXPECT_FALSE(open(mine)->updatePosix(std::nullopt, QStringLiteral("root (0): root"), QString(), &error));
        EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileWriteNoPermissionError));
        EXPECT_EQ(mode(mine).st_uid, 65534u);
        // But its mode is ours to set.
        EXPECT_TRUE(open(mine)->updatePosix(0600, QString(), QString(), &error));
        EXPECT_EQ(mode(mine).st_mode & 07777, 0600u);

        // A case-only rename in a read-only folder fails and leaves the file.
        const QString readme = folder + QStringLiteral("/ro/readme");
        error = plat::Error();
        EXPECT_FALSE(open(readme)->rename(readme, folder + QStringLiteral("/ro/README"), true, &error));
        EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, plat::cocoa::NSFileWriteNoPermissionError)) << error.description().toStdString();
        EXPECT_TRUE(mode(readme).st_ino != 0);

        // Removal without permission falls back to the trash, whose own
        // failure comes back.
        mivtest::ScopedPropertiesProvider settings;
        settings->useTrashValue = false;
        const plat::Error removal = open(readme)->remove();
        EXPECT_FALSE(removal.isNull());
        EXPECT_TRUE(mode(readme).st_ino != 0);
        // The failed move leaves no record behind.
        const QString records = plat::Trash::homeTrashFolder() + QStringLiteral("/info");
        EXPECT_TRUE(QDir(records).entryList(QDir::Files | QDir::Hidden).isEmpty()) << records.toStdString();
        return;
    }
    const QString folder = deniedFolder(::getpid());
    const QByteArray native = plat::Path::toNative(folder);
    ASSERT_TRUE(plat::Path::makePath(folder + QStringLiteral("/ro"), 0755));
    ASSERT_EQ(::chmod(native.constData(), 0755), 0);
    for (const char* name : {"/rootfile", "/mine", "/ro/readme"}) {
        const int fd = ::open((native + name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    ASSERT_EQ(::chown((native + "/mine").constData(), 65534, 65534), 0);
    ASSERT_EQ(::chown((native + "/ro/readme").constData(), 65534, 65534), 0);
    ASSERT_EQ(::chown((native + "/ro").constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod((native + "/ro").constData(), 0555), 0);
    const mivtest::RerunResult rerun = mivtest::rerunAsNobody(QStringLiteral("MivOsxFileDataChangesDeniedTest.RefusedChangesReportTheirErrorAndChangeNothing"));
    plat::Process cleanup(QStringLiteral("/usr/bin/rm"), {QStringLiteral("-rf"), folder});
    ASSERT_TRUE(cleanup.start());
    cleanup.waitForExit();
    EXPECT_TRUE(rerun.passed()) << rerun.output.toStdString();
}

} // namespace
