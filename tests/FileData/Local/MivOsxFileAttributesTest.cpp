#include "LocalTestFolder.h"

#include "FileData/Local/MivOsxFileAttributes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using localtest::LocalFolderTest;

namespace {

using MivOsxFileAttributesTest = LocalFolderTest;

// A listing reads its entries relative to the folder it holds open: the
// snapshot must be the one a read by the whole path gives.
TEST_F(MivOsxFileAttributesTest, AReadInTheOpenFolderMatchesAReadByPath)
{
    write(path(QStringLiteral("file")), "12345");
    makeFolder(path(QStringLiteral("folder")));
    link(QStringLiteral("file"), path(QStringLiteral("link")));
    link(QStringLiteral("folder"), path(QStringLiteral("folder link")));
    link(QStringLiteral("nowhere"), path(QStringLiteral("dangling")));
    const QByteArray folderPath = plat::Path::toNative(m_dir.path());
    const int folder = ::open(folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const qsizetype nameOffset = folderPath.size() + 1;
    for (const char* name : {"file", "folder", "link", "folder link", "dangling", "missing"}) {
        SCOPED_TRACE(name);
        const QByteArray entry = folderPath + '/' + name;
        const auto byPath = MivOsxFileAttributes::read(entry);
        for (const int fd : {folder, -1}) {
            const auto inFolder = MivOsxFileAttributes::readAt(fd, entry, nameOffset);
            EXPECT_EQ(inFolder->valid(), byPath->valid());
            EXPECT_EQ(inFolder->error(), byPath->error());
            EXPECT_EQ(inFolder->ident(), byPath->ident());
            EXPECT_EQ(inFolder->entryMode(), byPath->entryMode());
            EXPECT_EQ(inFolder->mode(), byPath->mode()) << "a link's target is read as well";
            EXPECT_EQ(inFolder->size(), byPath->size());
            EXPECT_TRUE(!byPath->valid() || inFolder->sameVersionAs(*byPath));
        }
    }
    ::close(folder);
}

} // namespace
