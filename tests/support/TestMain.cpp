#include "support/TestEnvironment.h"

#include "FileData/MivLogSetup.h"
#include "platform/Log.h"
#include "platform/LoopThreadMainDispatcher.h"

#include <gtest/gtest.h>

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

    plat::LoopThreadMainDispatcher mainThread;
    plat::MainDispatcher::install(&mainThread);
    const int result = RUN_ALL_TESTS();
    plat::MainDispatcher::install(nullptr);
    plat::shutdownLogging();
    return result;
}
