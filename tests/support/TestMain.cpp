#include "support/TestEnvironment.h"

#include "FileData/MivLogSetup.h"
#include "platform/Log.h"
#include "platform/LoopThreadMainDispatcher.h"
#include "platform/NoDestructor.h"
#include "platform/Shutdown.h"

#include <gtest/gtest.h>

#include <chrono>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    mivtest::TestEnvironment environment;

    // The program's log layout into the isolated state folder; errors that
    // tests provoke on purpose stay out of the machine's system log.
    plat::LogSetup logSetup;
    logSetup.systemLog = [](plat::LogLevel, const QString&) {};
    MivLogging::setupLogging(logSetup);

    // Quits as the program does: workers a test left running may still post
    // to the main thread, which is therefore never destroyed.
    static plat::NoDestructor<plat::LoopThreadMainDispatcher> mainThread;
    plat::MainDispatcher::install(mainThread.get());
    const int result = RUN_ALL_TESTS();
    plat::shutdownExecutors(plat::WaitClock::now() + std::chrono::seconds(5));
    plat::shutdownLogging();
    return result;
}
