#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace mivtest {

bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Wakes the loop now and then, so a predicate made true by another
    // thread without posting anything is still seen.
    QTimer tick;
    tick.setInterval(10);
    tick.start();
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return predicate();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool isGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace mivtest
