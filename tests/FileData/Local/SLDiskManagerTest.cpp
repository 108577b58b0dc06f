#include "FileData/Local/SLDiskManager.h"

#include "FileData/Local/SystemFixture.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/ScopedEnv.h"
#include "platform/BlockDevices.h"
#include "platform/NotificationCenter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

#include <sys/sysmacros.h>

namespace {

SLDiskDescription description(const char* id, const char* parent, const char* mountPoint, bool ejectable = true)
{
    SLDiskDescription d;
    d.diskID = QString::fromLatin1(id);
    d.parentID = QString::fromLatin1(parent);
    d.whole = d.parentID.isEmpty();
    d.volumePath = QString::fromLatin1(mountPoint);
    d.mountable = !d.volumePath.isEmpty();
    d.ejectable = ejectable;
    d.volumeName = d.diskID.toUpper();
    return d;
}

QStringList ids(const QList<SLDiskPtr>& disks)
{
    QStringList list;
    for (const SLDiskPtr& disk : disks)
        list.append(disk->diskID());
    return list;
}

TEST(SLDiskManagerTest, RecordedMachineGivesItsDiskTree)
{
    systemtest::RecordedSystem system;
    const auto manager = SLDiskManager::create();
    manager->refresh();
    const QList<SLDiskPtr> disks = manager->disks();
    EXPECT_EQ(ids(disks), (QStringList{QStringLiteral("loop0"), QStringLiteral("sda"), QStringLiteral("sdb")}));
    const SLDiskPtr sda = manager->diskForDiskID(QStringLiteral("sda"));
    const SLDiskPtr sdb = manager->diskForDiskID(QStringLiteral("sdb"));
    const SLDiskPtr loop = manager->diskForDiskID(QStringLiteral("loop0"));
    ASSERT_TRUE(sda && sdb && loop);
    EXPECT_EQ(ids(sda->children()), (QStringList{QStringLiteral("sda2"), QStringLiteral("sda3")}));
    EXPECT_EQ(ids(sdb->children()), (QStringList{QStringLiteral("sdb1"), QStringLiteral("sdb2")}));
    EXPECT_EQ(sda->deviceName(), QStringLiteral("ATA Samsung SSD 860"));
    EXPECT_EQ(sdb->deviceName(), QStringLiteral("Kingston DataTraveler 3.0"));
    EXPECT_EQ(loop->deviceName(), QStringLiteral("debian.iso"));
    EXPECT_TRUE(loop->isDiskImage());
    EXPECT_EQ(loop->diskImage(), QStringLiteral("/home/user/Downloads/debian.iso"));
    EXPECT_TRUE(sda->containsStartupDisk());
    EXPECT_FALSE(sdb->containsStartupDisk());

    const SLDiskPtr stick = manager->diskForDiskID(QStringLiteral("sdb1"));
    EXPECT_EQ(stick->parent(), sdb);
    EXPECT_EQ(stick->name(), QStringLiteral("KINGSTON"));
    EXPECT_EQ(stick->volumePath(), QStringLiteral("/media/") + systemtest::RecordedSystem::userName() + QStringLiteral("/KINGSTON"));
    EXPECT_TRUE(stick->ejectable());
    EXPECT_FALSE(stick->encrypted());
    const SLDiskPtr locked = manager->diskForDiskID(QStringLiteral("sdb2"));
    EXPECT_TRUE(locked->encrypted());
    EXPECT_TRUE(SLDiskManager::canUnlock(*locked));
    EXPECT_FALSE(locked->mounted());
    EXPECT_FALSE(locked->mountable()) << "a locked container holds no file system yet";
    EXPECT_TRUE(manager->unmountedDisks().isEmpty());
    EXPECT_FALSE(manager->diskForDiskID(QStringLiteral("ram0"))) << "an unreadable device number is no device";
}

TEST(SLDiskManagerTest, PartitionsWaitForTheirDisk)
{
    const auto manager = SLDiskManager::create();
    int posted = 0;
    auto& center = plat::NotificationCenter::defaultCenter();
    const auto observer = center.addObserver(QString::fromLatin1(kSLDiskManagerUnmountedVolumesDidChangeNotification), nullptr,
                                             [&posted](const plat::Notification&) { ++posted; });
    SLDiskDescription early = description("sdx1", "sdx", "");
    manager->diskChangedWithDescription(early, 0);
    early.volumeName = QStringLiteral("SECOND");
    manager->diskChangedWithDescription(early, 0);
    EXPECT_TRUE(manager->disks().isEmpty());
    manager->diskChangedWithDescription(description("sdx", "", ""), 0);
    ASSERT_EQ(manager->disks().size(), 1);
    const QList<SLDiskPtr> children = manager->disks().first()->children();
    ASSERT_EQ(children.size(), 1);
    EXPECT_EQ(children.first()->name(), QStringLiteral("SECOND")) << "the later appearance replaces the kept one";
    EXPECT_EQ(posted, 3);

    // A change of an unknown disk changes and posts nothing; a disappearance
    // of one still posts.
    manager->diskChangedWithDescription(description("sdq", "", ""), 2);
    EXPECT_EQ(posted, 3);
    manager->diskChangedWithDescription(description("sdq", "", ""), 1);
    EXPECT_EQ(posted, 4);
    manager->diskChangedWithDescription(description("sdx1", "sdx", ""), 1);
    EXPECT_TRUE(manager->disks().first()->children().isEmpty());
    center.removeObserver(observer);
}

// Stand-ins for udisksctl and umount, first on PATH: they log every call
// and fail for one device, so the tests see which tools ran, with what.
class FakeTools
{
public:
    explicit FakeTools(const QString& failingDevice)
        : m_path("PATH", (m_dir.path() + QStringLiteral(":") + qEnvironmentVariable("PATH")).toUtf8())
    {
        const QString script = QStringLiteral(
                                   "#!/bin/sh\n"
                                   "printf '%s\\n' \"$(basename \"$0\") $*\" >> '%1/log'\n"
                                   "[ \"$1\" = unlock ] && cat > '%1/stdin'\n"
                                   "case \" $* \" in *' %2 '*) echo \"Error: target is busy\"; exit 1;; esac\n"
                                   "[ \"$(basename \"$0\")\" = umount ] && { echo 'umount: not mounted.'; exit 32; }\n"
                                   "exit 0\n")
                                   .arg(m_dir.path(), failingDevice);
        for (const char* tool : {"udisksctl", "umount"}) {
            QFile file(m_dir.path() + QLatin1Char('/') + QLatin1String(tool));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(script.toUtf8());
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
    QStringList log() const
    {
        QFile file(m_dir.path() + QStringLiteral("/log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
    }
    QByteArray standardInput() const
    {
        QFile file(m_dir.path() + QStringLiteral("/stdin"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    mivtest::ScopedEnv m_path;
};

struct EjectResult
{
    bool success = false;
    SLDiskPtr failed;
    plat::Error error;
};

EjectResult unmountAndEject(const std::shared_ptr<SLDiskManager>& manager, const SLDiskPtr& disk)
{
    std::promise<EjectResult> done;
    manager->unmountAndMaybeEject(disk, [&done](bool success, const SLDiskPtr& failed, const plat::Error& error) {
        done.set_value({success, failed, error});
    });
    return done.get_future().get();
}

std::shared_ptr<SLDiskManager> managerWithDisk()
{
    const auto manager = SLDiskManager::create();
    manager->diskChangedWithDescription(description("sdc", "", ""), 0);
    manager->diskChangedWithDescription(description("sdc1", "sdc", "/media/x/one"), 0);
    manager->diskChangedWithDescription(description("sdc2", "sdc", "/media/x/two"), 0);
    manager->diskChangedWithDescription(description("sdc3", "sdc", "/media/x/three"), 0);
    return manager;
}

TEST(SLDiskManagerTest, EjectorStopsAtTheFirstFailure)
{
    FakeTools tools(QStringLiteral("/dev/sdc2"));
    const auto manager = managerWithDisk();
    const EjectResult result = unmountAndEject(manager, manager->diskForDiskID(QStringLiteral("sdc")));
    EXPECT_FALSE(result.success);
    ASSERT_TRUE(result.failed);
    EXPECT_EQ(result.failed->diskID(), QStringLiteral("sdc2"));
    EXPECT_EQ(result.error.domain(), QString::fromLatin1(MivFileOperationErrorDomain));
    EXPECT_EQ(result.error.code(), -100);
    EXPECT_TRUE(result.error.localizedDescription().startsWith(QStringLiteral("Failed to unmount SDC2."))) << result.error.localizedDescription().toStdString();
    EXPECT_EQ(tools.log(), (QStringList{
                               QStringLiteral("udisksctl unmount --no-user-interaction -b /dev/sdc1"),
                               QStringLiteral("udisksctl unmount --no-user-interaction -b /dev/sdc2"),
                               QStringLiteral("umount /media/x/two"),
                           }));
}

TEST(SLDiskManagerTest, LastMountedPartitionTakesItsDiskAlong)
{
    FakeTools tools(QStringLiteral("none"));
    const auto manager = managerWithDisk();
    // One of several mounted partitions: that one alone.
    EXPECT_TRUE(unmountAndEject(manager, manager->diskForDiskID(QStringLiteral("sdc1"))).success);
    EXPECT_EQ(tools.log(), QStringList{QStringLiteral("udisksctl unmount --no-user-interaction -b /dev/sdc1")});

    // The only mounted partition: it is unmounted and the disk ejected.
    const auto single = SLDiskManager::create();
    single->diskChangedWithDescription(description("sdd", "", ""), 0);
    single->diskChangedWithDescription(description("sdd1", "sdd", "/media/x/only"), 0);
    single->diskChangedWithDescription(description("sdd2", "sdd", ""), 0);
    const EjectResult result = unmountAndEject(single, single->diskForDiskID(QStringLiteral("sdd1")));
    EXPECT_TRUE(result.success);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(tools.log().mid(1), (QStringList{
                                      QStringLiteral("udisksctl unmount --no-user-interaction -b /dev/sdd1"),
                                      QStringLiteral("udisksctl power-off --no-user-interaction -b /dev/sdd"),
                                  }));
}

// Every request is answered: a disk that is not mounted, and a failing
// eject, each reach the handler with NO.
TEST(SLDiskManagerTest, HandlersAreCalledOnEveryFailure)
{
    FakeTools tools(QStringLiteral("/dev/sde"));
    const auto manager = SLDiskManager::create();
    manager->diskChangedWithDescription(description("sde", "", ""), 0);
    manager->diskChangedWithDescription(description("sde1", "sde", "/media/x/e"), 0);
    manager->diskChangedWithDescription(description("sde2", "sde", ""), 0);

    const EjectResult notMounted = unmountAndEject(manager, manager->diskForDiskID(QStringLiteral("sde2")));
    EXPECT_FALSE(notMounted.success);
    EXPECT_EQ(notMounted.failed, manager->diskForDiskID(QStringLiteral("sde2")));
    EXPECT_EQ(notMounted.error.code(), -100);

    const EjectResult ejectFails = unmountAndEject(manager, manager->diskForDiskID(QStringLiteral("sde1")));
    EXPECT_FALSE(ejectFails.success);
    EXPECT_EQ(ejectFails.failed, manager->diskForDiskID(QStringLiteral("sde")));
    EXPECT_TRUE(ejectFails.error.localizedDescription().startsWith(QStringLiteral("Failed to eject SDE.")));

    const EjectResult noDisk = unmountAndEject(manager, nullptr);
    EXPECT_FALSE(noDisk.success);
    EXPECT_EQ(noDisk.error.code(), -100);
}

TEST(SLDiskManagerTest, MountAnswersWithTheToolsVerdict)
{
    FakeTools tools(QStringLiteral("/dev/sdh1"));
    const auto manager = SLDiskManager::create();
    manager->diskChangedWithDescription(description("sdg1", "", ""), 0);
    manager->diskChangedWithDescription(description("sdh1", "", ""), 0);
    for (const char* id : {"sdg1", "sdh1"}) {
        std::promise<std::pair<bool, plat::Error>> done;
        manager->mount(manager->diskForDiskID(QString::fromLatin1(id)),
                       [&done](bool success, const plat::Error& error) { done.set_value({success, error}); });
        const auto [success, error] = done.get_future().get();
        EXPECT_EQ(success, QByteArray(id) == "sdg1") << id;
        if (!success)
            EXPECT_TRUE(error.localizedDescription().startsWith(QStringLiteral("Failed to mount sdh1")));
    }
    EXPECT_EQ(tools.log(), (QStringList{QStringLiteral("udisksctl mount --no-user-interaction -b /dev/sdg1"),
                                        QStringLiteral("udisksctl mount --no-user-interaction -b /dev/sdh1")}));
}

// The passphrase reaches the tool on its standard input, never on its
// command line, where every user of the machine could read it.
TEST(SLDiskManagerTest, UnlockPassesThePassphraseOnStandardInput)
{
    FakeTools tools(QStringLiteral("none"));
    const auto manager = SLDiskManager::create();
    SLDiskDescription locked = description("sdf", "", "");
    locked.volumeKind = QStringLiteral("crypto_LUKS");
    locked.volumeUsage = QStringLiteral("crypto");
    manager->diskChangedWithDescription(locked, 0);
    const QByteArray passphrase("s3cret pass; $(touch x)");
    std::promise<bool> done;
    manager->unlockDisk(manager->diskForDiskID(QStringLiteral("sdf")), passphrase, [&done](bool success, const QString&) { done.set_value(success); });
    EXPECT_TRUE(done.get_future().get());
    EXPECT_EQ(tools.standardInput(), passphrase);
    const QStringList log = tools.log();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.first(), QStringLiteral("udisksctl unlock --no-user-interaction -b /dev/sdf --key-file /dev/stdin"));
    EXPECT_FALSE(log.first().contains(QStringLiteral("s3cret")));
}

TEST(BlockDevicesTest, UdevRecordsAndDeviceNumbers)
{
    const auto properties = plat::BlockDevices::parseUdevRecord("S:disk/by-label/X\nE:ID_FS_LABEL=My Disk=1\nE:=novalue\nE:BROKEN\nE:ID_FS_TYPE=\nG:systemd\n");
    EXPECT_EQ(properties.value(QStringLiteral("ID_FS_LABEL")), QStringLiteral("My Disk=1"));
    EXPECT_TRUE(properties.contains(QStringLiteral("ID_FS_TYPE")));
    EXPECT_EQ(properties.size(), 2);
    dev_t device = 0;
    EXPECT_TRUE(plat::BlockDevices::parseDeviceNumber("259:3\n", &device));
    EXPECT_EQ(major(device), 259u);
    EXPECT_EQ(minor(device), 3u);
    for (const char* bad : {"", ":", "8:", ":1", "8-1", "a:b", "-1:2"})
        EXPECT_FALSE(plat::BlockDevices::parseDeviceNumber(bad, &device)) << bad;
}

} // namespace
