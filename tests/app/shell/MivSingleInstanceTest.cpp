#include "app/shell/MivLaunchArguments.h"
#include "app/shell/MivSingleInstance.h"

#include "support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace {

TEST(MivLaunchArguments, SortsPathsAndUrls)
{
    const MivLaunchArguments parsed = MivLaunchArguments::parse(
        {"-style", "fusion", "--", "-dash.txt", "docs", "/etc/./hosts", "file:///usr/share", "sftp://host/home/",
         "", "relative/../up"},
        "/work/here");
    // "-style" is an option; its value "fusion" is taken for a path like any word.
    EXPECT_EQ(parsed.paths, (QStringList{"/work/here/fusion", "/work/here/-dash.txt", "/work/here/docs", "/etc/hosts",
                                         "/usr/share", "/work/here/up"}));
    ASSERT_EQ(parsed.urls.size(), 1);
    EXPECT_EQ(parsed.urls.first(), QUrl(QStringLiteral("sftp://host/home/")));
}

TEST(MivLaunchArguments, MessagesRoundTripAndRefuseStrangers)
{
    MivLaunchArguments arguments;
    arguments.paths = {"/tmp/ä b", "/x"};
    arguments.urls = {QUrl(QStringLiteral("smb://server/share"))};
    const MivLaunchArguments back = MivLaunchArguments::decode(arguments.encode());
    EXPECT_EQ(back.paths, arguments.paths);
    EXPECT_EQ(back.urls, arguments.urls);

    for (const char* message : {"", "[]", "not json", R"({"paths":["relative","/ok"],"urls":["no scheme"]})"}) {
        SCOPED_TRACE(message);
        const MivLaunchArguments decoded = MivLaunchArguments::decode(QByteArray(message));
        EXPECT_TRUE(decoded.urls.isEmpty());
        EXPECT_TRUE(decoded.paths.isEmpty() || decoded.paths == QStringList{"/ok"});
    }
}

TEST(MivSingleInstance, ALaterLaunchHandsItsFolderToTheRunningOne)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    // A socket file left behind by a program that ended is taken over.
    {
        QFile stale(socket);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    MivSingleInstance running(socket);
    std::optional<MivLaunchArguments> received;
    ASSERT_TRUE(running.listen([&](const MivLaunchArguments& arguments) { received = arguments; }));

    MivLaunchArguments later;
    later.paths = {dir.path()};
    std::atomic<int> sent{-1};
    // The later launch is another process in the program; here a thread,
    // since the running side needs this thread's loop to answer.
    std::thread launch([&] { sent = MivSingleInstance::sendToRunning(socket, later) ? 1 : 0; });
    ASSERT_TRUE(mivtest::waitUntil([&] { return received.has_value() && sent.load() >= 0; }));
    launch.join();
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(received->paths, QStringList{dir.path()});
}

TEST(MivSingleInstance, NobodyListeningMeansThisLaunchRuns)
{
    QTemporaryDir dir;
    MivLaunchArguments arguments;
    arguments.paths = {"/"};
    EXPECT_FALSE(MivSingleInstance::sendToRunning(dir.filePath(QStringLiteral("none")), arguments, 200));
}

// A quitting program that relaunches itself stops taking launches first:
// the new one finds nobody and becomes the receiving program.
TEST(MivSingleInstance, AClosedInstanceLetsTheNextOneListen)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    MivSingleInstance quitting(socket);
    bool handedOver = false;
    ASSERT_TRUE(quitting.listen([&](const MivLaunchArguments&) { handedOver = true; }));
    quitting.close();
    EXPECT_FALSE(QFile::exists(socket));

    MivLaunchArguments arguments;
    arguments.paths = {"/"};
    EXPECT_FALSE(MivSingleInstance::sendToRunning(socket, arguments, 200));
    MivSingleInstance relaunched(socket);
    EXPECT_TRUE(relaunched.listen([](const MivLaunchArguments&) {}));
    EXPECT_FALSE(handedOver);
}

} // namespace
