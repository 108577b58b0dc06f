#include "FileData/IMivCalculateSizeDelegate.h"
#include "FileData/Local/MivLocalVolumeInfo.h"
#include "FileData/Local/MivOsxFileUploader.h"
#include "FileData/Transfer/MivCopyContext.h"
#include "FileData/Transfer/MivFileDataLoader.h"
#include "platform/ReplacingFile.h"
#include "LocalTestFolder.h"
#include "support/MemoryFileData.h"
#include "support/RandomBytes.h"
#include "support/RerunAsNobody.h"
#include "support/ScopedTmpfs.h"
#include "support/TransferCopy.h"

#include <QDirIterator>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cstdio>
#include <unistd.h>

namespace {

using localtest::LocalFolderTest;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every name in the folder, so a test sees a temporary file left behind.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class LocalCopyTest : public LocalFolderTest
{
protected:
    bool copy(const MivFileDataPtr& from, const MivFileDataPtr& to, plat::Error* error = nullptr, quint64 chunk = 65536)
    {
        return mivtest::copyThroughPump(from, to, chunk, error);
    }
};

TEST_F(LocalCopyTest, CopiesBytesAndReplacesAnExistingTargetKeepingItsMode)
{
    const QByteArray bytes = mivtest::randomBytes(300000, 7);
    write(path(QStringLiteral("source")), bytes);
    write(path(QStringLiteral("target")), "old contents");
    ::chmod(plat::Path::toNative(path(QStringLiteral("target"))).constData(), 0640);

    plat::Error error;
    ASSERT_TRUE(copy(item(path(QStringLiteral("source"))), item(path(QStringLiteral("target"))), &error)) << error.description().toStdString();

    EXPECT_EQ(readAll(path(QStringLiteral("target"))), bytes);
    struct stat status;
    ASSERT_EQ(::stat(plat::Path::toNative(path(QStringLiteral("target"))).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(m_dir.path()), (QStringList{"source", "target"}));
}

TEST_F(LocalCopyTest, ReadingALinkCopiesTheBytesOfItsTarget)
{
    write(path(QStringLiteral("real")), "through the link");
    link(QStringLiteral("real"), path(QStringLiteral("link")));
    ASSERT_TRUE(copy(item(path(QStringLiteral("link"))), item(path(QStringLiteral("copy")))));
    EXPECT_EQ(readAll(path(QStringLiteral("copy"))), "through the link");
}

TEST_F(LocalCopyTest, WritingOntoALinkReplacesTheFileItNamesAndKeepsTheLink)
{
    write(path(QStringLiteral("source")), "new bytes");
    write(path(QStringLiteral("named")), "old bytes");
    link(QStringLiteral("named"), path(QStringLiteral("link")));
    ASSERT_TRUE(copy(item(path(QStringLiteral("source"))), item(path(QStringLiteral("link")))));
    EXPECT_EQ(readAll(path(QStringLiteral("named"))), "new bytes");
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("link"))).isSymLink());
    EXPECT_EQ(entries(m_dir.path()), (QStringList{"link", "named", "source"}));
}

TEST_F(LocalCopyTest, ASourceFailingHalfWayLeavesTheOldTargetAndNoTemporaryFile)
{
    write(path(QStringLiteral("target")), "the user's original");
    auto source = mivtest::MemoryFileData::create(QStringLiteral("remote"), mivtest::randomBytes(500000, 3));
    source->downloadOptions.failAfter = 200000;
    source->downloadOptions.maxChunk = 4096;

    plat::Error error;
    EXPECT_FALSE(copy(source, item(path(QStringLiteral("target"))), &error));
    EXPECT_TRUE(error);
    EXPECT_EQ(readAll(path(QStringLiteral("target"))), "the user's original");
    EXPECT_EQ(entries(m_dir.path()), QStringList{"target"});
}

TEST_F(LocalCopyTest, ACancelledUploadLeavesTheOldTargetAndNoTemporaryFile)
{
    write(path(QStringLiteral("target")), "the user's original");
    const auto target = item(path(QStringLiteral("target")));
    for (const bool byCancel : {true, false}) {
        auto uploader = std::make_shared<MivOsxFileUploader>(target);
        ASSERT_TRUE(uploader->open(65536, MivCopyContext::create()));
        QByteArray chunk(65536, 'x');
        ASSERT_EQ(uploader->handleDataBuffer(chunk.data(), 0, chunk.size()), chunk.size());
        EXPECT_EQ(entries(m_dir.path()).size(), 2) << "the bytes go to a temporary file";
        EXPECT_EQ(readAll(path(QStringLiteral("target"))), "the user's original");
        if (byCancel)
            uploader->processCancelOperation();
        else
            uploader->processFinishWithSource(nullptr, false);
        uploader->close();
        EXPECT_EQ(readAll(path(QStringLiteral("target"))), "the user's original");
        EXPECT_EQ(entries(m_dir.path()), QStringList{"target"});
    }
}

TEST_F(LocalCopyTest, AFullVolumeFailsTheCopyAndKeepsTheOldTarget)
{
    const QString volume = path(QStringLiteral("small"));
    mivtest::ScopedTmpfs small(volume);
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot();
    const QString target = plat::PathString::appendingPathComponent(volume, QStringLiteral("target"));
    write(target, QByteArray(100000, 'o'));
    write(path(QStringLiteral("big")), mivtest::randomBytes(2 * 1024 * 1024, 5));

    // Through the items' own transfer ends and through the item loader alike.
    plat::Error error;
    EXPECT_FALSE(copy(item(path(QStringLiteral("big"))), item(target), &error));
    EXPECT_EQ(error.code(), 640) << error.description().toStdString();
    EXPECT_EQ(readAll(target), QByteArray(100000, 'o'));
    EXPECT_EQ(entries(volume), QStringList{"target"});

    MivFileDataLoader loader(item(path(QStringLiteral("big"))), MivCopyContext::create());
    plat::Error loadError;
    EXPECT_FALSE(loader.loadToFile(target, &loadError));
    EXPECT_EQ(loadError.code(), 640);
    EXPECT_EQ(readAll(target), QByteArray(100000, 'o'));
    EXPECT_EQ(entries(volume), QStringList{"target"});

    // The volume's sizes are those df reports for it.
    FILE* df = ::popen(QStringLiteral("df -B1 --output=size,avail '%1'").arg(volume).toLocal8Bit().constData(), "r");
    ASSERT_NE(df, nullptr);
    char header[256];
    long long size = -1, avail = -1;
    ASSERT_NE(::fgets(header, sizeof header, df), nullptr);
    ASSERT_EQ(::fscanf(df, "%lld %lld", &size, &avail), 2);
    ::pclose(df);
    const auto volumeItem = item(target);
    EXPECT_EQ(volumeItem->fileSystemSize(), size);
    EXPECT_EQ(volumeItem->fileSystemFreeSize(), avail);
    EXPECT_EQ(volumeItem->fileSystemAvailableSize(), avail);
    const auto info = volumeItem->resolveVolumeInfo();
    EXPECT_EQ(info->fileSystemSize(), size);
    EXPECT_EQ(info->fileSystemAvailableSize(), info->fileSystemFreeSize());
}

// Within one file system the kernel copies; onto the tmpfs copy_file_range
// answers EXDEV and the bytes go through a buffer; a full tmpfs fails.
TEST_F(LocalCopyTest, KernelCopyIntoAReplacingFileWithinAndAcrossVolumes)
{
    const QString volume = path(QStringLiteral("small"));
    mivtest::ScopedTmpfs small(volume);
    const QByteArray bytes = mivtest::randomBytes(300000, 9);
    write(path(QStringLiteral("source")), bytes);
    write(path(QStringLiteral("big")), mivtest::randomBytes(2 * 1024 * 1024, 4));
    struct Case
    {
        QString source;
        QString target;
        bool fits;
    };
    QList<Case> cases{{path(QStringLiteral("source")), path(QStringLiteral("target")), true}};
    if (small.mounted()) {
        cases.append({path(QStringLiteral("source")), volume + QStringLiteral("/target"), true});
        cases.append({path(QStringLiteral("big")), volume + QStringLiteral("/target"), false});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const int fd = plat::Path::open(c.source, O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        plat::ReplacingFile file(c.target);
        plat::Error error;
        ASSERT_TRUE(file.open(&error));
        const bool copied = file.copyFrom(fd, &error) && file.commit(&error);
        ::close(fd);
        EXPECT_EQ(copied, c.fits) << error.description().toStdString();
        EXPECT_EQ(readAll(c.target), bytes);
        if (!c.fits) {
            EXPECT_EQ(error.code(), 640);
        }
    }
    if (small.mounted()) {
        EXPECT_EQ(entries(volume), QStringList{"target"});
    }
}

TEST_F(LocalCopyTest, VolumeSizesOfAPathThatCannotBeReadAreNone)
{
    const auto gone = item(path(QStringLiteral("missing/deeper")));
    EXPECT_EQ(gone->fileSystemSize(), std::nullopt);
    EXPECT_EQ(gone->fileSystemFreeSize(), std::nullopt);
    const MivLocalVolumeInfo info(path(QStringLiteral("missing/deeper")));
    EXPECT_EQ(info.fileSystemSize(), -1);
}

TEST_F(LocalCopyTest, CopyAttributesAppliesDatesAndOnlyWhenAskedThePermissions)
{
    write(path(QStringLiteral("source")), "s");
    ::chmod(plat::Path::toNative(path(QStringLiteral("source"))).constData(), 0600);
    const struct timespec past[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, plat::Path::toNative(path(QStringLiteral("source"))).constData(), past, 0);
    for (const bool perms : {false, true}) {
        write(path(QStringLiteral("target")), "t");
        ::chmod(plat::Path::toNative(path(QStringLiteral("target"))).constData(), 0644);
        const auto target = item(path(QStringLiteral("target")));
        plat::Error error;
        EXPECT_TRUE(target->copyAttributes(item(path(QStringLiteral("source"))), perms, MivCopyContext::create(), &error));
        // The target was refreshed: its getters answer what is on disk.
        EXPECT_EQ(target->modificationDate().toSecsSinceEpoch(), 1000000000);
        EXPECT_EQ(*target->posix() & 0777, perms ? 0600 : 0644);
    }
}

TEST_F(LocalCopyTest, CloseContextReleasesTheLockedDescriptors)
{
    write(path(QStringLiteral("locked")), "x");
    const int fd = plat::Path::open(path(QStringLiteral("locked")), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const auto context = MivCopyContext::create();
    context->setValue(QStringLiteral("locks"), QVariantList{fd});
    item(path(QStringLiteral("locked")))->closeContext(context);
    EXPECT_FALSE(context->values().contains(QStringLiteral("locks")));
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1) << "the descriptor is closed";
    const int other = plat::Path::open(path(QStringLiteral("locked")), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0) << "the lock is gone";
    ::close(other);
}

// Shared between the test (root) and its re-run as nobody, found by the
// parent's process id.
QString setIdFolder(pid_t owner) { return QStringLiteral("/tmp/mivo-setid-%1").arg(owner); }

// Writing clears the set-id bits of a file unless root writes, so the
// replacement takes the old mode only after its last byte.
TEST(ReplacingFileAsUserTest, AReplacementKeepsTheSetIdBitsOfTheFileItReplaces)
{
    if (::getuid() != 0) {
        const QString target = setIdFolder(::getppid()) + QStringLiteral("/tool");
        plat::ReplacingFile file(target);
        plat::Error error;
        ASSERT_TRUE(file.open(&error)) << error.description().toStdString();
        ASSERT_TRUE(file.write("new", 3, &error));
        ASSERT_TRUE(file.commit(&error)) << error.description().toStdString();
        struct stat info {};
        ASSERT_EQ(::stat(plat::Path::toNative(target).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 06755u);
        EXPECT_EQ(info.st_size, 3);
        return;
    }
    const QString folder = setIdFolder(::getpid());
    const QByteArray native = plat::Path::toNative(folder);
    ASSERT_EQ(::mkdir(native.constData(), 0755), 0);
    ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    const QByteArray tool = native + "/tool";
    const int fd = ::open(tool.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "old tool", 8), 8);
    ::close(fd);
    // Owner before mode: a change of owner clears the set-id bits.
    ASSERT_EQ(::chown(tool.constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(tool.constData(), 06755), 0);

    const mivtest::RerunResult rerun = mivtest::rerunAsNobody(QStringLiteral("ReplacingFileAsUserTest.AReplacementKeepsTheSetIdBitsOfTheFileItReplaces"));
    ::unlink(tool.constData());
    ::rmdir(native.constData());
    EXPECT_TRUE(rerun.passed()) << rerun.output.toStdString();
}

} // namespace
