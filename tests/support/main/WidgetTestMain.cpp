#include "support/TestRun.h"

#include "platform/NoDestructor.h"
#include "platform/QtMainDispatcher.h"

#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <string>

// Main of the application's tests: the test thread is the GUI thread, as in
// the program, with a QApplication on the offscreen platform and the Qt main
// dispatcher. Tests therefore never block their thread on main-thread work;
// they turn the loop (mivtest::waitUntil, plat::waitUntil).
int main(int argc, char** argv)
{
    return mivtest::runTests(argc, argv, [](int& appArgc, char** appArgv) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // Never destroyed, like the dispatcher: work left behind by a test
        // may still reach it while the process exits.
        static auto* const app = new QApplication(appArgc, appArgv);
        (void)app;
        // The application's constructor resets the locale from the
        // environment; the tests rely on a UTF-8 codeset.
        if (std::string(nl_langinfo(CODESET)) != "UTF-8")
            std::setlocale(LC_CTYPE, "C.UTF-8");
        static plat::NoDestructor<plat::QtMainDispatcher> mainThread;
        plat::MainDispatcher::install(mainThread.get());
    });
}
