#include "support/TestEnvironment.h"

#include "platform/LoopThreadMainDispatcher.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    mivtest::TestEnvironment environment;
    plat::LoopThreadMainDispatcher mainThread;
    plat::MainDispatcher::install(&mainThread);
    const int result = RUN_ALL_TESTS();
    plat::MainDispatcher::install(nullptr);
    return result;
}
