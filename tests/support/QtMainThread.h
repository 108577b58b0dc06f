#pragma once

#include "platform/QtMainDispatcher.h"

#include <memory>

class QCoreApplication;

namespace mivtest {

// Makes the calling test thread the program's main thread as the application
// does: a QCoreApplication (made here when there is none) and a
// QtMainDispatcher installed in place of the test main's loop thread, which
// comes back on destruction. Create and destroy it on the test's thread.
class QtMainThread
{
public:
    QtMainThread();
    ~QtMainThread();
    QtMainThread(const QtMainThread&) = delete;
    QtMainThread& operator=(const QtMainThread&) = delete;

    plat::QtMainDispatcher& dispatcher() { return *m_dispatcher; }

private:
    std::unique_ptr<QCoreApplication> m_ownApp;
    std::unique_ptr<plat::QtMainDispatcher> m_dispatcher;
    plat::MainDispatcher* m_previous = nullptr;
};

} // namespace mivtest
