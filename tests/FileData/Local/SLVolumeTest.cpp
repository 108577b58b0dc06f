#include "FileData/Local/SLDiskImageManager.h"
#include "FileData/Local/SLSystemCommand.h"
#include "FileData/Local/SLVolume.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivUrlFileData.h"
#include "FileData/FactorySupport.h"
#include "FileData/Local/SystemFixture.h"
#include "platform/MountTable.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "support/ScopedTmpfs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <future>

namespace {

QString fileUrlText(const QString& path) { return plat::Path::toFileQUrl(path).toString(); }

TEST(SLVolumeTest, HostURLsOfNetworkMounts)
{
    struct Case
    {
        const char* type;
        const char* source;
        const char* superOptions;
        const char* url; // fully encoded; "" for none
    } cases[] = {
        {"nfs4", "fileserver.lan:/export/projects", "rw,vers=4.2", "nfs://fileserver.lan/export/projects"},
        {"nfs", "10.0.0.5:/srv/a b", "rw,port=2050", "nfs://10.0.0.5:2050/srv/a%20b"},
        {"nfs4", "[fe80::1]:/data", "rw", "nfs://[fe80::1]/data"},
        {"cifs", "//nas.lan/Public", "rw,username=alice,domain=WORKGROUP,port=445", "smb://WORKGROUP;alice@nas.lan/Public/"},
        {"cifs", "//nas.lan/Public/sub/", "rw,port=4455", "smb://nas.lan:4455/Public/sub/"},
        {"smb3", "//host/share", "rw,username=bob", "smb://bob@host/share/"},
        {"cifs", "nas.lan/Public", "rw", ""},
        {"cifs", "//", "rw", ""},
        {"nfs4", "no-export", "rw", ""},
        {"nfs4", ":/export", "rw", ""},
        {"ext4", "/dev/sda1", "rw", ""},
    };
    for (const Case& c : cases) {
        plat::MountEntry entry;
        entry.fsType = QString::fromLatin1(c.type);
        entry.source = QString::fromUtf8(c.source);
        entry.superOptions = QString::fromLatin1(c.superOptions);
        EXPECT_EQ(SLVolume::hostURLForMount(entry).toString(QUrl::FullyEncoded), QString::fromLatin1(c.url)) << c.source;
    }
}

TEST(SLVolumeTest, HostURLsOfGvfsShareFolders)
{
    struct Case
    {
        const char* folder;
        const char* url;
    } cases[] = {
        {"smb-share:port=4455,server=127.0.0.1,share=share", "smb://127.0.0.1:4455/share/"},
        {"smb-share:domain=WORKGROUP,server=127.0.0.1,share=pub%20lic,user=bob", "smb://WORKGROUP;bob@127.0.0.1/pub%20lic/"},
        {"smb-share:server=fs,share=caf%C3%A9", "smb://fs/caf%C3%A9/"},
        {"smb-server:server=fs", "smb://fs/"},
        {"sftp:host=example.org,port=2222,user=carol", "sftp://carol@example.org:2222/"},
        {"dav:host=dav.example.org,ssl=true,prefix=%2Fremote.php%2Fwebdav", "davs://dav.example.org/remote.php/webdav/"},
        {"afp-volume:host=mac.local,volume=Data", "afp://mac.local/Data/"},
        {"smb-share:server=fs", ""},  // no share
        {"smb-share:share=x", ""},    // no server
        {"no-colon-here", ""},
        {":server=x", ""},
        {"|ftp:host=[fe80::1],port=22", ""}, // a kind that is no scheme
    };
    for (const Case& c : cases)
        EXPECT_EQ(SLVolume::hostURLForGvfsFolder(QString::fromUtf8(c.folder)).toString(QUrl::FullyEncoded), QString::fromLatin1(c.url))
            << c.folder;
}

TEST(SLVolumeTest, TypeNames)
{
    const char* const names[] = {"Startup Disk", "Volumes", "iPods", "Network", "FTP", "Samba", "AFP", "SFTP",
                                 "WebDAV", "Disk Images", "CDs", "DVDs", "Hard Drives", "RAM Disks", "Blurays"};
    for (int code = 0; code < 15; ++code)
        EXPECT_EQ(SLVolume::typeName(code), QString::fromLatin1(names[code]));
    EXPECT_EQ(SLVolume::typeName(15), QString(QLatin1String("")));
    EXPECT_EQ(SLVolume::typeName(-1), QString(QLatin1String("")));
}

TEST(SLVolumeTest, DownloadFolderIsCutFromImagePaths)
{
    EXPECT_EQ(SLDiskImageManager::cleanImagePath(QStringLiteral("/Users/x/Downloads/a.dmg.download/a.dmg")), QStringLiteral("/Users/x/Downloads/a.dmg"));
    EXPECT_EQ(SLDiskImageManager::cleanImagePath(QStringLiteral("/images/b.iso")), QStringLiteral("/images/b.iso"));
}

class DriveVolumesTest : public ::testing::Test
{
protected:
    factorytest::FactoryEnvironment factory;
    systemtest::RecordedSystem system;
};

// The recorded machine: root and /home on an internal disk, a USB stick, an
// NFS and a CIFS mount, two GVfs shares, an ISO image on a loop device, and
// what must never show: kernel and memory file systems, the GVfs mount
// itself, a bind mount outside the drive places, a Time Machine folder and
// a vmhgfs share.
TEST_F(DriveVolumesTest, RecordedMachineGivesItsDrivesInOrder)
{
    const QString user = systemtest::RecordedSystem::userName();
    const QString gvfs = system.gvfsFolder();
    const QList<MivFileDataPtr> items = MivFileUtils::driveVolumes(true);
    QStringList paths;
    for (const MivFileDataPtr& item : items)
        paths.append(item->sourcePath());
    const QStringList expected{
        QStringLiteral("/"),
        QStringLiteral("/mnt/cifs"),
        gvfs + QStringLiteral("/sftp:host=example.org,user=carol"),
        QStringLiteral("/mnt/nfs share"),
        gvfs + QStringLiteral("/smb-share:domain=WORKGROUP,server=127.0.0.1,share=pub%20lic,user=bob"),
        QStringLiteral("/media/") + user + QStringLiteral("/Installer"),
        QStringLiteral("/home"),
        QStringLiteral("/media/") + user + QStringLiteral("/KINGSTON"),
    };
    EXPECT_EQ(paths, expected);

    struct Case
    {
        QString url;
        qint64 type;
        QString name;
        bool local;
        QString hostURL;
    } cases[] = {
        {fileUrlText(QStringLiteral("/")), SLVolume::StartupDisk, QStringLiteral("/"), true, {}},
        {fileUrlText(QStringLiteral("/home")), SLVolume::HardDrives, QStringLiteral("home"), true, {}},
        {fileUrlText(QStringLiteral("/media/") + user + QStringLiteral("/KINGSTON/")), SLVolume::HardDrives, QStringLiteral("KINGSTON"), true, {}},
        {fileUrlText(QStringLiteral("/media/") + user + QStringLiteral("/Installer")), SLVolume::DiskImages, QStringLiteral("Debian 12 amd64"), true, {}},
        {fileUrlText(QStringLiteral("/mnt/nfs share")), SLVolume::Network, QStringLiteral("nfs share"), false,
         QStringLiteral("nfs://fileserver.lan/export/projects")},
        {QStringLiteral("nfs://fileserver.lan/export/projects"), SLVolume::Network, QStringLiteral("nfs share"), false,
         QStringLiteral("nfs://fileserver.lan/export/projects")},
        {fileUrlText(QStringLiteral("/mnt/cifs")), SLVolume::Network, QStringLiteral("cifs"), false,
         QStringLiteral("smb://WORKGROUP;alice@nas.lan/Public/")},
        {QStringLiteral("smb://WORKGROUP;bob@127.0.0.1/pub%20lic/"), SLVolume::Network, QStringLiteral("pub lic"), false,
         QStringLiteral("smb://WORKGROUP;bob@127.0.0.1/pub%20lic/")},
    };
    for (const Case& c : cases) {
        const auto volume = MivFileUtils::driveVolumeDescription(QUrl(c.url));
        ASSERT_TRUE(volume) << c.url.toStdString();
        EXPECT_EQ(volume->type(), c.type) << c.url.toStdString();
        EXPECT_EQ(volume->name(), c.name) << c.url.toStdString();
        EXPECT_EQ(volume->isLocal(), c.local) << c.url.toStdString();
        EXPECT_EQ(volume->hostURL().toString(QUrl::FullyEncoded), c.hostURL) << c.url.toStdString();
    }
    const auto image = MivFileUtils::driveVolumeDescription(QUrl(fileUrlText(QStringLiteral("/media/") + user + QStringLiteral("/Installer"))));
    EXPECT_EQ(image->diskImagePath(), QStringLiteral("/home/user/Downloads/debian.iso"));
    EXPECT_EQ(image->volumeTypeName(), QStringLiteral("Disk Images"));
    const auto stick = MivFileUtils::driveVolumeDescription(QUrl(fileUrlText(QStringLiteral("/media/") + user + QStringLiteral("/KINGSTON"))));
    EXPECT_FALSE(stick->isInternalHardDrive());
    EXPECT_EQ(stick->volumeUUID(), QStringLiteral("1234-ABCD"));
    EXPECT_EQ(stick->serialNumber(), QStringLiteral("60A44C3FAE"));
    EXPECT_EQ(stick->diskID(), QStringLiteral("sdb1"));
    EXPECT_TRUE(MivFileUtils::driveVolumeDescription(QUrl(fileUrlText(QStringLiteral("/home"))))->isInternalHardDrive());

    for (const char* hidden : {"/proc", "/sys", "/dev", "/dev/shm", "/run", "/sys/fs/cgroup", "/mnt/timemachine", "/mnt/ram", "/srv", "/vmshare"})
        EXPECT_FALSE(MivFileUtils::driveVolumeDescription(QUrl(fileUrlText(QString::fromLatin1(hidden))))) << hidden;
    EXPECT_FALSE(MivFileUtils::driveVolumeDescription(plat::Path::toFileQUrl(gvfs)));

    EXPECT_FALSE(MivFileUtils::isVolumeRemovable(QUrl(fileUrlText(QStringLiteral("/")))));
    EXPECT_TRUE(MivFileUtils::isVolumeRemovable(QUrl(fileUrlText(QStringLiteral("/media/") + user + QStringLiteral("/KINGSTON")))));
    EXPECT_FALSE(MivFileUtils::isVolumeRemovable(QUrl(fileUrlText(QStringLiteral("/media")))));
}

TEST_F(DriveVolumesTest, NothingIsDescribedBeforeTheFirstList)
{
    EXPECT_FALSE(MivFileUtils::driveVolumeDescription(QUrl(fileUrlText(QStringLiteral("/")))));
    MivFileUtils::driveVolumes();
    EXPECT_TRUE(MivFileUtils::driveVolumeDescription(QUrl(fileUrlText(QStringLiteral("/")))));
}

TEST_F(DriveVolumesTest, HooksAnswerForTheItemBase)
{
    MivFileUtils::registerVolumeHooks();
    MivFileUtils::driveVolumes(true);
    const QString stick = QStringLiteral("/media/") + systemtest::RecordedSystem::userName() + QStringLiteral("/KINGSTON");
    const QVariantMap description = MivItemHooks::driveVolumeDescription(plat::Path::toFileQUrl(stick));
    EXPECT_EQ(description.value(QStringLiteral("typeName")).toString(), QStringLiteral("Hard Drives"));
    EXPECT_EQ(description.value(QStringLiteral("path")).toString(), stick);
    EXPECT_TRUE(MivItemHooks::driveVolumeDescription(plat::Path::toFileQUrl(QStringLiteral("/media"))).isEmpty());

    // A volume's root has no parent; a folder inside one does.
    const MivFileDataPtr root = MivItemHooks::makeInstanceForURL(plat::Path::toFileQUrl(stick), false);
    ASSERT_TRUE(root);
    EXPECT_FALSE(root->parent());
    const MivFileDataPtr inner = MivItemHooks::makeInstanceForURL(plat::Path::toFileQUrl(stick + QStringLiteral("/docs")), false);
    ASSERT_TRUE(inner && inner->parent());

    MivItemHooks::setDriveVolumeDescription({});
    MivItemHooks::setMountedShareBaseURL({});
    MivItemHooks::setIsLocalVolumeForURL({});
}

// Unmounting answers every caller: a URL without a listed volume, and a
// network mount whose unmount the system refuses, each get NO and an error
// of the program's domain naming the volume.
TEST_F(DriveVolumesTest, UnmountFailuresReachTheCaller)
{
    MivFileUtils::driveVolumes(true);
    struct Case
    {
        QUrl url;
        QString message;
    } cases[] = {
        {plat::Path::toFileQUrl(QStringLiteral("/media")), QStringLiteral("Failed to unmount file:///media.")},
        {plat::Path::toFileQUrl(QStringLiteral("/mnt/nfs share")), QStringLiteral("Failed to unmount nfs share.")},
    };
    for (const Case& c : cases) {
        std::promise<std::pair<bool, plat::Error>> answered;
        MivFileUtils::unmountMediaAt(c.url, [&answered](bool success, const plat::Error& error) { answered.set_value({success, error}); });
        const auto [success, error] = answered.get_future().get();
        EXPECT_FALSE(success);
        EXPECT_EQ(error.domain(), QString::fromLatin1(MivFileOperationErrorDomain));
        EXPECT_EQ(error.code(), -100);
        EXPECT_TRUE(error.localizedDescription().startsWith(c.message)) << error.localizedDescription().toStdString();
    }
}

// Real system: the sizes of "/" are what df reports for it; on a private
// tmpfs (nobody else writes there) all three sizes are.
TEST(VolumeSizesTest, SizesEqualDf)
{
    MivFileUtils::resetVolumesForTesting();
    auto dfSizes = [](const QString& path) {
        const SLSystemCommand df = SLSystemCommand::run(QStringLiteral("df"), {QStringLiteral("-B1"), QStringLiteral("--output=size,used,avail"), path});
        EXPECT_TRUE(df.succeeded) << df.output.toStdString();
        const QStringList fields = df.output.split(QLatin1Char('\n')).value(1).simplified().split(QLatin1Char(' '));
        return std::array<qint64, 3>{fields.value(0).toLongLong(), fields.value(1).toLongLong(), fields.value(2).toLongLong()};
    };
    const auto root = MivFileUtils::volumeForURL(plat::Path::toFileQUrl(QStringLiteral("/")));
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->isRoot());
    EXPECT_EQ(root->type(), SLVolume::StartupDisk);
    EXPECT_EQ(root->totalSize(), dfSizes(QStringLiteral("/"))[0]);

    QTemporaryDir dir;
    mivtest::ScopedTmpfs tmpfsMount(dir.path());
    if (!tmpfsMount.mounted())
        GTEST_SKIP() << tmpfsMount.whyNot();
    MivFileUtils::resetVolumesForTesting();
    const auto tmpfs = MivFileUtils::volumeForURL(plat::Path::toFileQUrl(dir.path()));
    ASSERT_TRUE(tmpfs);
    EXPECT_EQ(tmpfs->path(), dir.path());
    const auto df = dfSizes(dir.path());
    EXPECT_EQ(tmpfs->totalSize(), df[0]);
    EXPECT_EQ(tmpfs->totalSize() - tmpfs->freeSize(), df[1]);
    EXPECT_EQ(tmpfs->availableSize(), df[2]);
    EXPECT_EQ(tmpfs->totalSize(), 1024 * 1024);
    MivFileUtils::resetVolumesForTesting();
}

} // namespace
