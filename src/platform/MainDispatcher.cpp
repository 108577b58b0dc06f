#include "platform/MainDispatcher.h"

#include <atomic>

namespace plat {

namespace {
std::atomic<MainDispatcher*> g_dispatcher{nullptr};
}

MainDispatcher* MainDispatcher::instance()
{
    return g_dispatcher.load(std::memory_order_acquire);
}

void MainDispatcher::install(MainDispatcher* dispatcher)
{
    g_dispatcher.store(dispatcher, std::memory_order_release);
}

bool MainDispatcher::onMainThread()
{
    MainDispatcher* dispatcher = instance();
    return dispatcher && dispatcher->isMainThread();
}

} // namespace plat
