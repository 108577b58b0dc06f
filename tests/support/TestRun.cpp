#include "support/TestRun.h"

#include "support/TestEnvironment.h"

#include "FileData/MivLogSetup.h"
#include "platform/Log.h"
#include "platform/Shutdown.h"

#include <gtest/gtest.h>

#include <chrono>

namespace mivtest {

int runTests(int argc, char** argv, const MainThreadInstaller& makeMainThread)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    TestEnvironment environment;

    // The program's log layout into the isolated state folder; errors that
    // tests provoke on purpose stay out of the machine's system log.
    plat::LogSetup logSetup;
    logSetup.systemLog = [](plat::LogLevel, const QString&) {};
    MivLogging::setupLogging(logSetup);

    makeMainThread(argc, argv);
    const int result = RUN_ALL_TESTS();
    plat::shutdownExecutors(plat::WaitClock::now() + std::chrono::seconds(5));
    plat::shutdownLogging();
    return result;
}

} // namespace mivtest
