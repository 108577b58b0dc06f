#include "support/QtMainThread.h"

#include <QCoreApplication>

#include <clocale>
#include <langinfo.h>
#include <string>

namespace mivtest {

namespace {
int g_argc = 1;
char g_argv0[] = "mivo-tests";
char* g_argv[] = {g_argv0, nullptr};
} // namespace

QtMainThread::QtMainThread()
{
    if (!QCoreApplication::instance()) {
        m_ownApp = std::make_unique<QCoreApplication>(g_argc, g_argv);
        // The application's constructor resets the locale from the
        // environment; the tests rely on a UTF-8 codeset.
        if (std::string(nl_langinfo(CODESET)) != "UTF-8")
            std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    m_dispatcher = std::make_unique<plat::QtMainDispatcher>();
    m_previous = plat::MainDispatcher::instance();
    plat::MainDispatcher::install(m_dispatcher.get());
}

QtMainThread::~QtMainThread()
{
    plat::MainDispatcher::install(m_previous);
    m_dispatcher.reset();
    m_ownApp.reset();
}

} // namespace mivtest
