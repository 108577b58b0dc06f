#include "support/TestEnvironment.h"
#include "support/WaitUntil.h"

#include "app/views/MivFinderServices.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataManager.h"
#include "platform/Path.h"
#include "platform/Process.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct RecordedCall
{
    QString member;
    QStringList uris;
    QString startupId;
};

// A stand-in for the desktop's file manager: records the calls it gets.
class RecordingFileManager final : public QDBusVirtualObject
{
public:
    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.interface() != QLatin1String(MivFinderServices::kInterface) || arguments.size() != 2)
            return false;
        calls.push_back({message.member(), arguments[0].toStringList(), arguments[1].toString()});
        connection.send(message.createReply());
        return true;
    }
    std::vector<RecordedCall> calls;
};

// A private session bus for one test: dbus-daemon on a socket in the test
// folder, stopped at the end.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString folder = mivtest::TestEnvironment::root() + QStringLiteral("/bus");
        QDir().mkpath(folder);
        m_socket = folder + QStringLiteral("/socket");
        QFile::remove(m_socket);
        m_address = QStringLiteral("unix:path=") + m_socket;
        plat::Process daemon(QStringLiteral("/usr/bin/dbus-daemon"),
                             {QStringLiteral("--session"), QStringLiteral("--fork"), QStringLiteral("--print-pid=1"),
                              QStringLiteral("--address=") + m_address});
        daemon.setOutputMode(plat::Process::OutputMode::Combined);
        if (!daemon.start())
            return;
        m_pid = daemon.readAllOutput().trimmed().toInt();
        daemon.waitForExit();
    }
    ~PrivateBus()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
    }
    bool running() const { return m_pid > 0; }
    const QString& address() const { return m_address; }

private:
    QString m_socket;
    QString m_address;
    pid_t m_pid = 0;
};

class MivFinderServicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MivFileDataManager::registerHooks();
        m_file = mivtest::TestEnvironment::root() + QLatin1Char('/') + plat::Path::fromNative(QByteArray("r\xE9vel.txt"));
        const int fd = ::open(plat::Path::toNative(m_file).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    void TearDown() override { MivFinderServices::resetConnection(); }

    QString m_file;
};

TEST_F(MivFinderServicesTest, RevealAndShowInfoCallTheFileManagerInterface)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon could not be started (scripts/install-deps installs it)";

    QDBusConnection service = QDBusConnection::connectToBus(bus.address(), QStringLiteral("mivo-test-file-manager"));
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("mivo-test-client"));
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(client.isConnected());
    RecordingFileManager manager;
    ASSERT_TRUE(service.registerVirtualObject(QLatin1String(MivFinderServices::kPath), &manager));
    ASSERT_TRUE(service.registerService(QLatin1String(MivFinderServices::kService)));
    MivFinderServices::setConnection(client);

    const MivFileDataPtr item = MivFileDataManager::makeFreshInstanceForString(m_file, true);
    ASSERT_NE(item, nullptr);
    MivFinderServices::revealDataFileInFinder(item);
    MivFinderServices::showFinderInfoFor(item);
    ASSERT_TRUE(mivtest::waitUntil([&] { return manager.calls.size() == 2; }));

    const QString uri = plat::Path::toFileUrl(m_file);
    EXPECT_EQ(manager.calls[0].member, QStringLiteral("ShowItems"));
    EXPECT_EQ(manager.calls[0].uris, QStringList{uri});
    EXPECT_TRUE(uri.contains(QStringLiteral("r%E9vel.txt"))) << qPrintable(uri);
    EXPECT_EQ(manager.calls[1].member, QStringLiteral("ShowItemProperties"));
    EXPECT_EQ(manager.calls[1].uris, QStringList{uri});

    // Items the services cannot handle send nothing.
    MivFinderServices::revealDataFileInFinder(nullptr);
    MivFinderServices::showFinderInfoFor(nullptr);
    MivFinderServices::revealDataFileInFinder(item);
    ASSERT_TRUE(mivtest::waitUntil([&] { return manager.calls.size() == 3; }));

    service.unregisterService(QLatin1String(MivFinderServices::kService));
    service.unregisterObject(QLatin1String(MivFinderServices::kPath));
    QDBusConnection::disconnectFromBus(QStringLiteral("mivo-test-file-manager"));
    QDBusConnection::disconnectFromBus(QStringLiteral("mivo-test-client"));
}

TEST_F(MivFinderServicesTest, WithoutABusTheCallsDoNothing)
{
    MivFinderServices::setConnection(QDBusConnection(QStringLiteral("mivo-test-no-bus")));
    const MivFileDataPtr item = MivFileDataManager::makeFreshInstanceForString(m_file, true);
    ASSERT_NE(item, nullptr);
    MivFinderServices::revealDataFileInFinder(item);
    MivFinderServices::showFinderInfoFor(item);
    SUCCEED();
}

} // namespace
