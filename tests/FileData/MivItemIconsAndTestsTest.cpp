#include "ItemTestSupport.h"

#include "FileData/MivFileUtils.h"
#include "FileData/MivIconDescriptor.h"
#include "FileData/MivImageUtils.h"
#include "FileData/MivOverlayImage.h"
#include "FileData/MivRemoteFileData.h"
#include "FileData/IMivRemoteFile.h"
#include "platform/Path.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace itemtest;

namespace {

TEST(MivItemIconsTest, SharedIconsAreMadeOnceAndNeverCopied)
{
    EXPECT_EQ(MivFileUtils::notLoadedImage(), MivFileUtils::notLoadedImage());
    EXPECT_EQ(MivFileUtils::fileIconImage()->themeName(), QStringLiteral("text-x-generic"));
    EXPECT_EQ(*MivFileUtils::folderIconImage(), *MivFileUtils::defaultFolderIconImage());
    EXPECT_NE(MivFileUtils::folderIconImage(), MivFileUtils::defaultFolderIconImage())
        << "the local item's folder icon and the base's are separate objects";
    EXPECT_EQ(MivFileUtils::virtualSortDescriptor().key, QStringLiteral("##virt##"));
    EXPECT_TRUE(MivFileUtils::virtualSortDescriptor().ascending);
}

TEST(MivItemIconsTest, TemplateIconsAndOverlays)
{
    const auto system = MivImageUtils::templateIconNamed(QStringLiteral("arrowshape.up.fill"), QSizeF(16, 16), true);
    ASSERT_TRUE(system);
    EXPECT_EQ(system->themeName(), QStringLiteral("go-up")) << "a symbol when the system icons lack the name";
    EXPECT_TRUE(system->isTemplate());
    EXPECT_EQ(system->size(), QSizeF(16, 16));
    EXPECT_FALSE(MivImageUtils::templateIconNamed(QStringLiteral("no such symbol"), QSizeF(), true));

    const auto resource = MivImageUtils::templateIconNamed(QStringLiteral("toolbar-copy.png"), QSizeF(), false);
    EXPECT_EQ(resource->resourceName(), QStringLiteral("toolbar-copy"));
    EXPECT_FALSE(resource->size().isValid()) << "no size given: the size the view asks for";

    const auto plain = MivIconDescriptor::make(QStringLiteral("folder"));
    const auto once = MivOverlayImage::create(MivImageUtils::sysIconNamed(QStringLiteral("AliasBadgeIcon")), plain);
    const auto twice = MivOverlayImage::createWithResource(QStringLiteral("svn-badge"), QSizeF(16, 16), once);
    EXPECT_EQ(twice->badges(), (QStringList{QStringLiteral("emblem-symbolic-link"), QStringLiteral("svn-badge")}));
    EXPECT_EQ(twice->size(), QSizeF(16, 16));
    EXPECT_EQ(MivOverlayImage::baseImage(twice), plain) << "badges on badges still lead to the plain icon";
    EXPECT_EQ(MivOverlayImage::baseImage(plain), plain);
    EXPECT_FALSE(MivOverlayImage::create(plain, nullptr));
}

TEST(MivItemIconsTest, FileTypeIconsAreSharedPerExtension)
{
    const auto pdf = MivImageUtils::iconForFileType(QStringLiteral("pdf"));
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf->themeName(), QStringLiteral("application-pdf"));
    EXPECT_EQ(pdf, MivImageUtils::iconForFileType(QStringLiteral("pdf")));
    EXPECT_FALSE(MivImageUtils::iconForFileType(QString()));
    EXPECT_FALSE(MivImageUtils::iconForFileType(QStringLiteral("zz-no-such-type")));
}

TEST(MivItemTestsTest, PosixModesAsOctalDigits)
{
    const std::pair<quint64, const char*> table[] = {
        {493, "755"}, {420, "644"}, {0, "000"}, {04755, "755"}, {0100640, "640"}, {01777, "777"},
    };
    for (const auto& [mode, text] : table)
        EXPECT_EQ(MivFileUtils::convertPosixToString(mode), QString::fromLatin1(text)) << mode;
}

class Probe : public MivSimpleFileData
{
public:
    bool activate() override
    {
        calls << QStringLiteral("activate");
        return activates;
    }
    bool exists() const override
    {
        calls << QStringLiteral("exists");
        return true;
    }
    bool folder() const override { return isFolderKind; }
    bool showContentAllowed() const override { return browsable; }
    bool activates = true;
    bool isFolderKind = true;
    bool browsable = false;
    mutable QStringList calls;
};

class PluginFile : public MivFileData, public IMivRemoteFile
{
};

TEST(MivItemTestsTest, ItemKinds)
{
    auto probe = std::make_shared<Probe>();
    EXPECT_TRUE(MivFileUtils::isActiveExistDirectory(probe));
    probe->calls.clear();
    probe->activates = false;
    EXPECT_FALSE(MivFileUtils::isActiveExistDirectory(probe));
    EXPECT_EQ(probe->calls, QStringList{QStringLiteral("activate")}) << "exists is not asked after a failed activate";
    EXPECT_FALSE(MivFileUtils::isActiveExistDirectory(nullptr));

    probe->isFolderKind = false;
    EXPECT_FALSE(MivFileUtils::isFolder(probe));
    probe->browsable = true;
    EXPECT_TRUE(MivFileUtils::isFolder(probe)) << "a file whose content may be shown counts as a folder";

    const auto remote = MivUrlFileData::createWithURL<MivRemoteFileData>(QUrl(QStringLiteral("ftp://h/a")), false);
    EXPECT_TRUE(MivFileUtils::isNetworkFile(remote));
    EXPECT_TRUE(MivFileUtils::isSpecialFile(remote));
    EXPECT_FALSE(MivFileUtils::isNetworkFile(probe));
    EXPECT_TRUE(MivFileUtils::isSpecialFile(probe)) << "a virtual item";
    EXPECT_TRUE(MivFileUtils::isSpecialFile(std::make_shared<PluginFile>()));
    const auto local = MivUrlFileData::createWithURL<MivUrlFileData>(QUrl(plat::Path::toFileUrl(QStringLiteral("/tmp/a"))), false);
    EXPECT_FALSE(MivFileUtils::isSpecialFile(local));
    EXPECT_FALSE(MivFileUtils::isSpecialFile(nullptr));
}

TEST(MivItemTestsTest, FolderURLsAndDescriptorPaths)
{
    const QString root = mivtest::TestEnvironment::root() + QStringLiteral("/item-tests");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/dir.app")));
    const QString file = root + QStringLiteral("/file.txt");
    QFile(file).open(QIODevice::WriteOnly);

    EXPECT_TRUE(MivFileUtils::isFileDirectoryAtURL(QUrl(plat::Path::toFileUrl(root + QStringLiteral("/dir.app")))));
    EXPECT_FALSE(MivFileUtils::isFileDirectoryAtURL(QUrl(plat::Path::toFileUrl(file))));
    EXPECT_FALSE(MivFileUtils::isFileDirectoryAtURL(QUrl(plat::Path::toFileUrl(root + QStringLiteral("/missing")))));
    EXPECT_FALSE(MivFileUtils::isFileDirectoryAtURL(QUrl(QStringLiteral("ftp://h/dir/"))));

    const int fd = ::open(plat::Path::toNative(file).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(plat::Path::fromFileUrl(MivFileUtils::urlForFileDescriptor(fd)), file);
    ::close(fd);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_TRUE(MivFileUtils::urlForFileDescriptor(pipeEnds[0]).isEmpty()) << "a pipe has no path";
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

} // namespace
