#include "support/TestRun.h"

#include "platform/LoopThreadMainDispatcher.h"
#include "platform/NoDestructor.h"

// Main of the test binaries below the views: a plain loop thread stands in
// for the main thread, so a test may block its own thread on main-thread work.
int main(int argc, char** argv)
{
    return mivtest::runTests(argc, argv, [](int&, char**) {
        static plat::NoDestructor<plat::LoopThreadMainDispatcher> mainThread;
        plat::MainDispatcher::install(mainThread.get());
    });
}
