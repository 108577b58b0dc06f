#pragma once

#include <functional>

namespace mivtest {

// The body shared by every test binary's main. After the test list is
// printed (ctest discovery runs binaries without a display) it sets up the
// isolated environment and the program's logging, then calls
// makeMainThread, which installs the program's main dispatcher on the
// calling thread or on a thread of its own and keeps it for the whole run:
// workers that tests left running may still post to it while the process
// exits, so it is never destroyed.
using MainThreadInstaller = std::function<void(int& argc, char** argv)>;

int runTests(int argc, char** argv, const MainThreadInstaller& makeMainThread);

} // namespace mivtest
