// Quitting while workers are busy: the program stops taking work, drains its
// pools for a while, uninstalls its main thread and exits while the work
// that did not finish still runs. Nothing it touches may be destroyed under
// it. The quit runs in a child process (this binary, one disabled case), as
// exit() would end the test run; under the sanitizers a use after free makes
// the child fail.

#include "FileData/MivExec.h"
#include "FileData/MivFileUtils.h"
#include "platform/Collator.h"
#include "platform/ConcurrentQueue.h"
#include "platform/MainQueue.h"
#include "platform/NoDestructor.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/QtMainDispatcher.h"
#include "platform/Shutdown.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Work that never ends by itself: it keeps using process-wide objects and
// keeps hopping to the main thread, before and after the quit.
void busyWork(std::atomic<int>& rounds)
{
    for (;;) {
        plat::MainQueue::instance()->async([] { MivFileUtils::fileIconImage(); });
        plat::asyncAndWait(*plat::MainQueue::instance(), [] {}, plat::WaitClock::now() + 20ms);
        plat::Collator::localizedStandard().compare(QStringLiteral("file2"), QStringLiteral("file10"));
        MivExec::runAsync([] { MivFileUtils::folderIconImage(); }, plat::ConcurrentQueue::global(plat::Qos::Utility));
        ++rounds;
        std::this_thread::sleep_for(1ms);
    }
}

} // namespace

TEST(QuitTest, DISABLED_BusyWorkersAtQuit)
{
    // Registered before the objects below exist, so it runs after exit() has
    // destroyed whatever static of theirs is destructible: the workers then
    // go on for a while against what is left, as they would while a real
    // exit does its other clean-up.
    std::atexit([] { std::this_thread::sleep_for(300ms); });
    int argc = 1;
    char arg0[] = "mivo-quit";
    char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    static plat::NoDestructor<plat::QtMainDispatcher> mainThread;
    plat::MainDispatcher::install(mainThread.get());

    static std::atomic<int> rounds{0};
    for (int i = 0; i < 16; ++i)
        plat::ConcurrentQueue::global(i % 2 ? plat::Qos::Default : plat::Qos::UserInitiated)->async([] { busyWork(rounds); });
    // The main loop runs until the workers are well under way, then quits.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (rounds.load() >= 200)
            app.quit();
    });
    poll.start(5);
    app.exec();

    EXPECT_FALSE(plat::shutdownExecutors(plat::WaitClock::now() + 200ms)) << "the busy work cannot drain";
    EXPECT_EQ(plat::MainDispatcher::instance(), nullptr);
    // As main() returning does: static destructors run under the workers.
    std::exit(::testing::Test::HasFailure() ? 1 : 0);
}

TEST(QuitTest, BusyWorkersAtQuitAreClean)
{
    const QString self = plat::Path::realPath(QStringLiteral("/proc/self/exe"));
    ASSERT_FALSE(self.isEmpty());
    plat::Process child(self, {QStringLiteral("--gtest_filter=QuitTest.DISABLED_BusyWorkersAtQuit"),
                               QStringLiteral("--gtest_also_run_disabled_tests")});
    child.setOutputMode(plat::Process::OutputMode::Combined);
    ASSERT_TRUE(child.start());
    const QByteArray output = child.readAllOutput();
    ASSERT_TRUE(child.waitForExit(plat::WaitClock::now() + 120s));
    EXPECT_EQ(child.terminationReason(), plat::Process::TerminationReason::Exit) << output.toStdString();
    EXPECT_EQ(child.exitStatus(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains("AddressSanitizer")) << output.toStdString();
    EXPECT_FALSE(output.contains("runtime error:")) << output.toStdString();
}
