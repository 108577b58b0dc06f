#include "platform/Path.h"
#include "platform/PosixError.h"
#include "platform/ReplacingFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ReplacingFileTest, ANoReplaceCommitLeavesAnExistingTargetAndNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    for (const auto replacement : {plat::ReplacingFile::Replacement::NoReplace, plat::ReplacingFile::Replacement::Replace}) {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("old");
        old.close();

        plat::ReplacingFile file(target);
        plat::Error error;
        ASSERT_TRUE(file.open(&error));
        ASSERT_TRUE(file.write("new", 3, &error));
        const bool committed = file.commit(&error, replacement);
        EXPECT_EQ(committed, replacement == plat::ReplacingFile::Replacement::Replace);
        if (!committed) {
            EXPECT_EQ(plat::statusFromError(error), plat::osstatus::dupFNErr);
        }
        EXPECT_EQ(contents(target), committed ? "new" : "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("target")});
    }
}

TEST(ReplacingFileTest, AStoppedCopyTellsWhyAndDiscardsItsBytes)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source"));
    QFile in(source);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(QByteArray(3 << 20, 'x'));
    in.close();
    const int fd = plat::Path::open(source, O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        plat::ReplacingFile file(dir.filePath(QStringLiteral("target")));
        plat::Error error;
        ASSERT_TRUE(file.open(&error));
        qint64 seen = 0;
        EXPECT_FALSE(file.copyFrom(fd, &error, [&](qint64 copied) {
            seen = copied;
            return false;
        }));
        EXPECT_GT(seen, 0);
        EXPECT_EQ(plat::statusFromError(error), plat::osstatus::userCanceledErr);
    }
    ::close(fd);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("source")});
}

} // namespace
